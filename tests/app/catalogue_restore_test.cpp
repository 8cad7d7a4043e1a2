// Restoring the catalogue from its archive: the archived films come back
// exactly (compared through the sqlite3 shell), the replaced catalogue is kept
// aside, and every bad archive (or a kill) leaves video.DB byte for byte or
// whole.
#include "app/catalogue_restore.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <functional>

#include "app/database_archiving.h"
#include "platform/file_info.h"
#include "platform/ini_file.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::app {
namespace {

using test::ProgramResult;
using test::ReadFile;
using test::RunProgram;
using test::TempDir;

const char kAllFilms[] = "SELECT * FROM video ORDER BY \"Index\"";
const char kUntouched[] = "Le catalogue actuel n'a pas été modifié.";

// The rows of a catalogue file as the sqlite3 shell prints them.
std::string Rows(const std::string& file, const std::string& sql = kAllFilms) {
  ProgramResult r = RunProgram({"sqlite3", file, sql});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return r.out;
}

ProgramResult Restore(const std::string& dir, const std::string& archive = {}) {
  std::vector<std::string> argv = {test::KorvaneExecutable(), "--dir", dir, "restore"};
  if (!archive.empty()) argv.push_back(archive);
  return RunProgram(argv);
}

// Writes a zip with Python's zipfile; entries maps names to contents.
void PythonZip(const std::string& zip, const std::vector<std::pair<std::string, std::string>>& entries,
               bool deflated) {
  std::string script = "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1], 'w')\n";
  for (size_t i = 0; i < entries.size(); ++i) {
    script += "i = zipfile.ZipInfo(" + std::string("sys.argv[") + std::to_string(2 + 2 * i) + "])\n";
    script += std::string("i.compress_type = zipfile.") + (deflated ? "ZIP_DEFLATED" : "ZIP_STORED") + "\n";
    script += "z.writestr(i, open(sys.argv[" + std::to_string(3 + 2 * i) + "], 'rb').read())\n";
  }
  script += "z.close()\n";
  std::vector<std::string> argv = {"python3", "-c", script, zip};
  TempDir data;
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string file = data / ("entree" + std::to_string(i));
    test::WriteFile(file, entries[i].second);
    argv.push_back(entries[i].first);
    argv.push_back(file);
  }
  ProgramResult r = RunProgram(argv);
  ASSERT_EQ(r.exitCode, 0) << r.err;
}

std::vector<std::string> Hidden(const std::string& dir) { return test::HiddenFiles(dir); }

TEST(CatalogueRestore, GivesBackTheArchivedFilmsAndKeepsTheReplacedCatalogue) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms(), std::string("3"));
  ASSERT_EQ(RunProgram({test::KorvaneExecutable(), "--dir", dir.Path(), "archive"}).exitCode, 0);
  const std::string archived = Rows(dir / "video.DB");
  ASSERT_NE(archived.find("Élise"), std::string::npos);

  // Films changed, added and deleted after the archive was made.
  ASSERT_EQ(RunProgram({"sqlite3", dir / "video.DB",
                        "UPDATE video SET Titre='Changé' WHERE rowid=1; DELETE FROM video WHERE rowid=2; "
                        "INSERT INTO video(\"Index\", Reference, Titre) VALUES (99, 'R099', 'Nouveau');"})
                .exitCode,
            0);
  const std::string changed = Rows(dir / "video.DB");
  const int films = std::stoi(Rows(dir / "video.DB", "SELECT count(*) FROM video"));

  ProgramResult r = Restore(dir.Path());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("Catalogue restauré depuis l'archive \"" + dir / "Archive/video.zip\" du "),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find(" : " + std::to_string(films) + " films.\nL'ancien catalogue est conservé dans \"" +
                       dir / "video.DB.avant-restauration\".\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(Rows(dir / "video.DB"), archived);
  EXPECT_EQ(Rows(dir / "video.DB", "PRAGMA integrity_check"), "ok\n");
  EXPECT_EQ(Rows(dir / "video.DB.avant-restauration"), changed);
  EXPECT_EQ(Hidden(dir.Path()), std::vector<std::string>{});
  EXPECT_EQ(platform::IniFile(dir / "kvn.ini").ReadString("BASEDB", "Id_Imp_Base", ""), "3");

  // Again: the catalogue kept aside is the one just replaced.
  ASSERT_EQ(RunProgram({"sqlite3", dir / "video.DB", "DELETE FROM video WHERE rowid=3"}).exitCode, 0);
  const std::string second = Rows(dir / "video.DB");
  ASSERT_EQ(Restore(dir.Path()).exitCode, 0);
  EXPECT_EQ(Rows(dir / "video.DB"), archived);
  EXPECT_EQ(Rows(dir / "video.DB.avant-restauration"), second);

  // The kept catalogue is never an output.
  ProgramResult e =
      RunProgram({test::KorvaneExecutable(), "--dir", dir.Path(), "export", "csv", "-o", dir / "video.DB.avant-restauration"});
  EXPECT_NE(e.exitCode, 0);
  EXPECT_EQ(Rows(dir / "video.DB.avant-restauration"), second);
}

TEST(CatalogueRestore, OlderStructuresAndOtherWritersArchives) {
  // A level-2 table restored from a zip that Python wrote, deflated, into a
  // directory without a catalogue: kvn.ini says level 2, nothing is kept aside.
  TempDir source, dir;
  test::MakeCatalogue(source.Path(), 2, test::SampleFilms());
  const std::string bytes = ReadFile(source / "video.DB");
  PythonZip(dir / "autre.zip", {{"video.DB", bytes}, {"notes.txt", "rien"}}, true);
  ProgramResult r = Restore(dir.Path(), dir / "autre.zip");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.find("ancien catalogue"), std::string::npos) << r.out;
  EXPECT_EQ(ReadFile(dir / "video.DB"), bytes);
  EXPECT_FALSE(platform::FileExists(dir / "video.DB.avant-restauration"));
  EXPECT_EQ(platform::IniFile(dir / "kvn.ini").ReadString("BASEDB", "Id_Imp_Base", ""), "2");

  // Restoring over a damaged catalogue: it is kept aside as it was.
  test::WriteFile(dir / "video.DB", "des octets qui ne sont pas une base");
  ASSERT_EQ(Restore(dir.Path(), dir / "autre.zip").exitCode, 0);
  EXPECT_EQ(ReadFile(dir / "video.DB"), bytes);
  EXPECT_EQ(ReadFile(dir / "video.DB.avant-restauration"), "des octets qui ne sont pas une base");
}

// Another program left the current catalogue in WAL mode with commits still in
// its log (beside the file a symbolic link leads to, when video.DB is one): the
// kept catalogue holds them, and no log of the old file is left to be played
// into the restored one.
TEST(CatalogueRestore, ACatalogueInWalModeIsKeptWithItsLog) {
  for (const bool link : {false, true}) {
    SCOPED_TRACE(link ? "symbolic link" : "file");
    TempDir dir;
    const std::string home = link ? dir / "ailleurs" : dir.Path();
    platform::ForceDirectories(home);
    test::MakeCatalogue(home, 3, test::SampleFilms());
    if (link) {
      ASSERT_EQ(::symlink((home + "/video.DB").c_str(), (dir / "video.DB").c_str()), 0);
    }
    ASSERT_EQ(RunProgram({test::KorvaneExecutable(), "--dir", dir.Path(), "archive"}).exitCode, 0);
    const std::string archived = Rows(dir / "video.DB");
    ProgramResult w = RunProgram(
        {"python3", "-c",
         "import os, sqlite3, sys\nc = sqlite3.connect(sys.argv[1])\nc.execute('PRAGMA journal_mode=WAL')\n"
         "c.execute('PRAGMA wal_autocheckpoint=0')\nc.execute('DELETE FROM video WHERE rowid % 2 = 0')\n"
         "c.commit()\nos._exit(0)\n",
         dir / "video.DB"});
    ASSERT_EQ(w.exitCode, 0) << w.err;
    ASSERT_TRUE(platform::FileExists(home + "/video.DB-wal"));
    const std::string current = Rows(dir / "video.DB");
    ASSERT_NE(current, archived);

    ProgramResult r = Restore(dir.Path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(platform::FileExists(home + "/video.DB-wal"));
    EXPECT_EQ(Rows(dir / "video.DB"), archived);
    EXPECT_EQ(Rows(dir / "video.DB.avant-restauration"), current);
  }
}

TEST(CatalogueRestore, BadArchivesLeaveTheCatalogueByteForByte) {
  TempDir good;
  test::MakeCatalogue(good.Path(), 3, test::SampleFilms());
  ASSERT_EQ(RunProgram({test::KorvaneExecutable(), "--dir", good.Path(), "archive"}).exitCode, 0);
  const std::string zip = ReadFile(good / "Archive/video.zip");
  const std::string catalogue = ReadFile(good / "video.DB");

  struct Case {
    const char* what;
    std::function<void(const std::string& zipPath)> make;
    const char* message;
  } cases[] = {
      {"missing", [](const std::string&) {}, "est introuvable."},
      {"truncated", [&](const std::string& p) { test::WriteFile(p, zip.substr(0, zip.size() / 2)); },
       "est illisible ou endommagée."},
      {"not a zip", [](const std::string& p) { test::WriteFile(p, "PK pas une archive"); },
       "est illisible ou endommagée."},
      {"data that do not match the CRC",
       [&](const std::string& p) { PythonZip(p, {{"video.DB", catalogue}}, false);
         std::string bytes = ReadFile(p);
         bytes[30 + 8 + 200] ^= 0x55;  // inside the stored data, after the local header
         test::WriteFile(p, bytes); },
       "est endommagé : ses données ne correspondent pas à leur taille ou à leur somme de contrôle."},
      {"no video.DB", [&](const std::string& p) { PythonZip(p, {{"video.PX", catalogue}}, true); },
       "ne contient pas de catalogue (video.DB)."},
      {"only ../video.DB", [&](const std::string& p) { PythonZip(p, {{"../video.DB", catalogue}}, true); },
       "ne contient pas de catalogue (video.DB)."},
      {"only /video.DB", [&](const std::string& p) { PythonZip(p, {{"/video.DB", catalogue}}, true); },
       "ne contient pas de catalogue (video.DB)."},
      {"in a folder", [&](const std::string& p) { PythonZip(p, {{"sauvegarde/video.DB", catalogue}}, true); },
       "ne contient pas de catalogue (video.DB)."},
      {"encrypted",
       [&](const std::string& p) {
         TempDir src;
         test::WriteFile(src / "video.DB", catalogue);
         ProgramResult z = RunProgram({"zip", "-q", "-P", "secret", p, "video.DB"}, "", src.Path());
         ASSERT_EQ(z.exitCode, 0) << z.err;
       },
       "est chiffré : il ne peut pas être restauré."},
      {"not a SQLite file", [&](const std::string& p) { PythonZip(p, {{"video.DB", "Titre;Genre\n"}}, true); },
       "n'est pas un catalogue utilisable"},
      {"a database without the films' table",
       [&](const std::string& p) {
         TempDir other;
         ASSERT_EQ(RunProgram({"sqlite3", other / "x.db", "CREATE TABLE autre(a)"}).exitCode, 0);
         PythonZip(p, {{"video.DB", ReadFile(other / "x.db")}}, true);
       },
       "n'est pas un catalogue utilisable (il ne contient pas la table des films)."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    test::MakeCatalogue(dir.Path(), 3, {test::SampleFilms()[0]});
    const std::string before = ReadFile(dir / "video.DB");
    const std::string archive = dir / "mauvaise.zip";
    c.make(archive);
    ProgramResult r = Restore(dir.Path(), archive);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(kUntouched), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(dir / "video.DB"), before);
    EXPECT_FALSE(platform::FileExists(dir / "video.DB.avant-restauration"));
    EXPECT_EQ(Hidden(dir.Path()), std::vector<std::string>{});
  }
}

TEST(CatalogueRestore, ALockedCatalogueIsNotReplaced) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  ASSERT_EQ(RunProgram({test::KorvaneExecutable(), "--dir", dir.Path(), "archive"}).exitCode, 0);
  const std::string before = ReadFile(dir / "video.DB");
  test::CatalogueLock writer;
  writer.Take(dir.Path());
  ProgramResult r = Restore(dir.Path());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("est verrouillé par un autre programme qui y écrit"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(kUntouched), std::string::npos) << r.err;
  writer.Release();
  EXPECT_EQ(ReadFile(dir / "video.DB"), before);
  EXPECT_FALSE(platform::FileExists(dir / "video.DB.avant-restauration"));
}

// kill -9 at many moments of a restore: video.DB is always either the current
// catalogue or the archived one, whole.
TEST(CatalogueRestore, AKilledRestoreLeavesOneWholeCatalogue) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  test::AddManyFilms(dir.Path(), 30000);
  ASSERT_EQ(RunProgram({test::KorvaneExecutable(), "--dir", dir.Path(), "archive"}).exitCode, 0);
  const std::string archivedCount = Rows(dir / "video.DB", "SELECT count(*) FROM video");
  ASSERT_EQ(RunProgram({"sqlite3", dir / "video.DB", "DELETE FROM video WHERE rowid % 3 = 0"}).exitCode, 0);
  const std::string currentCount = Rows(dir / "video.DB", "SELECT count(*) FROM video");
  ASSERT_NE(archivedCount, currentCount);

  // The moments are spread over the time one whole restore takes here.
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Restore(dir.Path()).exitCode, 0);
  const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  ASSERT_EQ(RunProgram({"sqlite3", dir / "video.DB", "DELETE FROM video WHERE rowid % 3 = 0"}).exitCode, 0);

  int killed = 0, restored = 0;
  for (int step = 0; step < 20; ++step) {
    const auto delayMs = whole.count() * step * 3 / 2 / 20 / 1000;
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      const std::string exe = test::KorvaneExecutable(), flag = "--dir", where = dir.Path(), command = "restore";
      int null = ::open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      execl(exe.c_str(), exe.c_str(), flag.c_str(), where.c_str(), command.c_str(), nullptr);
      _exit(127);
    }
    ::usleep(static_cast<useconds_t>(delayMs * 1000));
    ::kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    killed += WIFSIGNALED(status);
    EXPECT_EQ(Rows(dir / "video.DB", "PRAGMA integrity_check"), "ok\n") << delayMs;
    const std::string count = Rows(dir / "video.DB", "SELECT count(*) FROM video");
    EXPECT_TRUE(count == archivedCount || count == currentCount) << delayMs << ": " << count;
    if (count == archivedCount) {
      ++restored;
      // Back to the current state for the next try.
      ASSERT_EQ(RunProgram({"sqlite3", dir / "video.DB", "DELETE FROM video WHERE rowid % 3 = 0"}).exitCode, 0);
    }
  }
  EXPECT_GT(killed, 0) << "no run could be killed";
  EXPECT_GT(restored, 0) << "no run got as far as the restore";
  // What the killed runs left is removed by the next run.
  ASSERT_EQ(Restore(dir.Path()).exitCode, 0);
  EXPECT_EQ(Hidden(dir.Path()), std::vector<std::string>{});
  EXPECT_EQ(Rows(dir / "video.DB", "SELECT count(*) FROM video"), archivedCount);
}

TEST(CatalogueRestore, QuestionShowsTheDateAndBothCounts) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  ArchiveDatabase(dir.Path(), nullptr);
  ::utimensat(AT_FDCWD, (dir / "Archive/video.zip").c_str(),
              std::array<timespec, 2>{timespec{1733842500, 0}, timespec{1733842500, 0}}.data(), 0);
  ASSERT_EQ(RunProgram({"sqlite3", dir / "video.DB", "DELETE FROM video WHERE rowid > 1"}).exitCode, 0);
  ::setenv("TZ", "Europe/Paris", 1);
  ::tzset();
  CatalogueRestore restore(dir.Path());
  const int archived = static_cast<int>(test::SampleFilms().size());
  EXPECT_EQ(restore.ArchivedFilms(), archived);
  EXPECT_EQ(restore.CurrentFilms(), 1);
  EXPECT_EQ(restore.ConfirmationText(),
            "Restaurer le catalogue archivé le 10/12/2024 à 15:55 ?\n\nL'archive \"" + dir / "Archive/video.zip" +
                "\" contient " + std::to_string(archived) +
                " films.\nLe catalogue actuel contient 1 film ; il sera conservé sous le nom "
                "video.DB.avant-restauration.");
  // Nothing changes until the restore is committed.
  EXPECT_EQ(Rows(dir / "video.DB", "SELECT count(*) FROM video"), "1\n");
  EXPECT_EQ(FilmCount(0), "aucun film");
}

TEST(CatalogueRestore, DroppedRestoreLeavesNothing) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  ArchiveDatabase(dir.Path(), nullptr);
  const std::string before = ReadFile(dir / "video.DB");
  { CatalogueRestore restore(dir.Path()); }
  EXPECT_EQ(ReadFile(dir / "video.DB"), before);
  EXPECT_EQ(Hidden(dir.Path()), std::vector<std::string>{});
}

}  // namespace
}  // namespace kvn::app
