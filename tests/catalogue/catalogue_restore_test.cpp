// Restoring the catalogue from its archive: the archived films come back
// exactly (compared through the sqlite3 shell), the replaced catalogue is kept
// aside, and every bad archive (or a kill) leaves video.DB byte for byte or
// whole.
#include "catalogue/catalogue_restore.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <functional>

#include "catalogue/database_archiving.h"
#include "platform/file_info.h"
#include "platform/ini_file.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::catalogue {
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
void PythonZip(const std::string& zip,
               const std::vector<std::pair<std::string, std::string>>& entries, bool deflated) {
  std::string script = "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1], 'w')\n";
  for (size_t i = 0; i < entries.size(); ++i) {
    script +=
        "i = zipfile.ZipInfo(" + std::string("sys.argv[") + std::to_string(2 + 2 * i) + "])\n";
    script += std::string("i.compress_type = zipfile.") +
              (deflated ? "ZIP_DEFLATED" : "ZIP_STORED") + "\n";
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

std::vector<std::string> Hidden(const std::string& dir) {
  return test::HiddenFiles(dir);
}

// The bytes of a database made by the sqlite3 shell: statements run on an
// empty file, or on a copy of base followed by one more statement.
std::string Database(const std::vector<std::string>& statements, const std::string& base = {},
                     const std::string& last = {}) {
  TempDir work;
  const std::string file = work / "x.db";
  if (!base.empty()) test::WriteFile(file, base);
  std::string script;
  for (const std::string& s : statements) script += s + ";\n";
  if (!last.empty()) script += last + ";\n";
  ProgramResult r = RunProgram({"sqlite3", file}, script);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return ReadFile(file);
}

TEST(CatalogueRestore, GivesBackTheArchivedFilmsAndKeepsTheReplacedCatalogue) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms(), std::string("3"));
  ASSERT_EQ(RunProgram({test::KorvaneExecutable(), "--dir", dir.Path(), "archive"}).exitCode, 0);
  const std::string archived = Rows(dir / "video.DB");
  ASSERT_NE(archived.find("Élise"), std::string::npos);

  // Films changed, added and deleted after the archive was made.
  ASSERT_EQ(
      RunProgram({"sqlite3", dir / "video.DB",
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
  EXPECT_NE(r.out.find(" : " + std::to_string(films) +
                       " films.\nL'ancien catalogue est conservé dans \"" +
                       dir / "video.DB.avant-restauration\".\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(Rows(dir / "video.DB"), archived);
  EXPECT_EQ(Rows(dir / "video.DB", "PRAGMA integrity_check"), "ok\n");
  EXPECT_EQ(Rows(dir / "video.DB.avant-restauration"), changed);
  EXPECT_EQ(Hidden(dir.Path()), std::vector<std::string>{});
  EXPECT_EQ(platform::IniFile(dir / "kvn.ini").ReadString("BASEDB", "Id_Imp_Base", ""), "3");

  // Again: the catalogue kept aside is the one just replaced.
  ASSERT_EQ(RunProgram({"sqlite3", dir / "video.DB", "DELETE FROM video WHERE rowid=3"}).exitCode,
            0);
  const std::string second = Rows(dir / "video.DB");
  ASSERT_EQ(Restore(dir.Path()).exitCode, 0);
  EXPECT_EQ(Rows(dir / "video.DB"), archived);
  EXPECT_EQ(Rows(dir / "video.DB.avant-restauration"), second);

  // The kept catalogue is never an output.
  ProgramResult e = RunProgram({test::KorvaneExecutable(), "--dir", dir.Path(), "export", "csv",
                                "-o", dir / "video.DB.avant-restauration"});
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
    ProgramResult w =
        RunProgram({"python3", "-c",
                    "import os, sqlite3, sys\nc = sqlite3.connect(sys.argv[1])\nc.execute('PRAGMA "
                    "journal_mode=WAL')\n"
                    "c.execute('PRAGMA wal_autocheckpoint=0')\nc.execute('DELETE FROM video WHERE "
                    "rowid % 2 = 0')\n"
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
      {"truncated",
       [&](const std::string& p) { test::WriteFile(p, zip.substr(0, zip.size() / 2)); },
       "est illisible ou endommagée."},
      {"not a zip", [](const std::string& p) { test::WriteFile(p, "PK pas une archive"); },
       "est illisible ou endommagée."},
      {"data that do not match the CRC",
       [&](const std::string& p) {
         PythonZip(p, {{"video.DB", catalogue}}, false);
         std::string bytes = ReadFile(p);
         bytes[30 + 8 + 200] ^= 0x55;  // inside the stored data, after the local header
         test::WriteFile(p, bytes);
       },
       "est endommagé : ses données ne correspondent pas à leur taille ou à leur somme de "
       "contrôle."},
      {"no video.DB",
       [&](const std::string& p) {
         PythonZip(p, {{"video.PX", catalogue}}, true);
       },
       "ne contient pas de catalogue (video.DB)."},
      {"only ../video.DB",
       [&](const std::string& p) {
         PythonZip(p, {{"../video.DB", catalogue}}, true);
       },
       "ne contient pas de catalogue (video.DB)."},
      {"only /video.DB",
       [&](const std::string& p) {
         PythonZip(p, {{"/video.DB", catalogue}}, true);
       },
       "ne contient pas de catalogue (video.DB)."},
      {"in a folder",
       [&](const std::string& p) {
         PythonZip(p, {{"sauvegarde/video.DB", catalogue}}, true);
       },
       "ne contient pas de catalogue (video.DB)."},
      {"encrypted",
       [&](const std::string& p) {
         TempDir src;
         test::WriteFile(src / "video.DB", catalogue);
         ProgramResult z = RunProgram({"zip", "-q", "-P", "secret", p, "video.DB"}, "", src.Path());
         ASSERT_EQ(z.exitCode, 0) << z.err;
       },
       "est chiffré : il ne peut pas être restauré."},
      {"not a SQLite file",
       [&](const std::string& p) {
         PythonZip(p, {{"video.DB", "Titre;Genre\n"}}, true);
       },
       "n'est pas un catalogue utilisable"},
      {"a database without the films' table",
       [&](const std::string& p) {
         TempDir other;
         ASSERT_EQ(RunProgram({"sqlite3", other / "x.db", "CREATE TABLE autre(a)"}).exitCode, 0);
         PythonZip(p, {{"video.DB", ReadFile(other / "x.db")}}, true);
       },
       "n'est pas un catalogue utilisable (il ne contient pas la table des films)."},
      // Catalogues made to run code or never end when the program uses them.
      {"video is a view",
       [&](const std::string& p) {
         PythonZip(
             p,
             {{"video.DB",
               Database(
                   {"CREATE TABLE films(\"Index\", Reference, Titre, Genre, Support, \"Durée\")",
                    "CREATE VIEW video AS SELECT * FROM films"})}},
             true);
       },
       "il contient une vue, « video »"},
      {"an endless view",
       [&](const std::string& p) {
         PythonZip(
             p,
             {{"video.DB",
               Database({"CREATE VIEW video AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL "
                         "SELECT x + 1 FROM c) SELECT x AS \"Index\", x AS Reference, x AS Titre, "
                         "x AS Genre, x AS Support, x AS \"Durée\" FROM c"})}},
             true);
       },
       "il contient une vue, « video »"},
      {"a trigger that empties the catalogue",
       [&](const std::string& p) {
         PythonZip(
             p,
             {{"video.DB",
               Database({}, catalogue,
                        "CREATE TRIGGER vide AFTER UPDATE ON video BEGIN DELETE FROM video; END")}},
             true);
       },
       "il contient un déclencheur, « vide »"},
      {"a virtual table",
       [&](const std::string& p) {
         PythonZip(p,
                   {{"video.DB", Database({}, catalogue, "CREATE VIRTUAL TABLE r USING fts5(a)")}},
                   true);
       },
       "il contient une table virtuelle, « r »"},
      {"two catalogues",
       [&](const std::string& p) {
         PythonZip(p, {{"video.DB", catalogue}, {"video.DB", catalogue}}, true);
       },
       "contient 2 catalogues video.DB"},
      {"an entry larger than it says",
       [&](const std::string& p) {
         PythonZip(p, {{"video.DB", std::string(64 << 20, '\0')}}, true);
         // The sizes say 1 KiB; the deflated data gives 64 MB.
         std::string bytes = ReadFile(p);
         const size_t central = bytes.rfind("PK\x01\x02");
         for (size_t at : {size_t{22}, central + 24})
           bytes.replace(at, 4, std::string("\x00\x04\x00\x00", 4));
         test::WriteFile(p, bytes);
       },
       "est endommagé : ses données ne correspondent pas à leur taille ou à leur somme de "
       "contrôle."},
      {"a pipe", [](const std::string& p) { ::mkfifo(p.c_str(), 0600); },
       "n'est pas un fichier ordinaire (un tube ou un périphérique)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    test::MakeCatalogue(dir.Path(), 3, {test::SampleFilms()[0]});
    const std::string before = ReadFile(dir / "video.DB");
    const std::string archive = dir / "mauvaise.zip";
    c.make(archive);
    // No file of the run may grow past 16 MB: an entry that goes past its
    // declared size is stopped before it fills the disk.
    ProgramResult r = RunProgram(
        {test::KorvaneExecutable(), "--dir", dir.Path(), "restore", archive}, "", "", 16 << 20);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(kUntouched), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(dir / "video.DB"), before);
    EXPECT_FALSE(platform::FileExists(dir / "video.DB.avant-restauration"));
    EXPECT_EQ(Hidden(dir.Path()), std::vector<std::string>{});
  }
}

// The checks of a restored file stop once their time is past: a file made to
// keep them busy is refused, not waited for.
TEST(CatalogueRestore, ChecksAreBoundedInTime) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  test::AddManyFilms(dir.Path(), 20000);
  ArchiveDatabase(dir.Path(), nullptr);
  const std::string before = ReadFile(dir / "video.DB");
  std::string message;
  try {
    CatalogueRestore restore(dir.Path(), {}, 0.0);
  } catch (const Error& e) {
    message = e.what();
  }
  EXPECT_NE(message.find("sa vérification dépasse le temps permis"), std::string::npos) << message;
  EXPECT_NE(message.find(kUntouched), std::string::npos) << message;
  EXPECT_EQ(ReadFile(dir / "video.DB"), before);
  EXPECT_EQ(Hidden(dir.Path()), std::vector<std::string>{});
  // With the time a file of its size gets, the same archive restores.
  CatalogueRestore restore(dir.Path());
  EXPECT_EQ(restore.ArchivedFilms(), 20000 + static_cast<int>(test::SampleFilms().size()));
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
  EXPECT_NE(r.err.find("est verrouillé par un autre programme qui y écrit"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find(kUntouched), std::string::npos) << r.err;
  writer.Release();
  EXPECT_EQ(ReadFile(dir / "video.DB"), before);
  EXPECT_FALSE(platform::FileExists(dir / "video.DB.avant-restauration"));
}

// kill -9 in every phase of a restore (the program stops itself at each for
// the test): video.DB is always either the current catalogue or the archived
// one, whole, and the next run clears what the killed one left.
TEST(CatalogueRestore, AKilledRestoreLeavesOneWholeCatalogue) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  test::AddManyFilms(dir.Path(), 30000);
  ASSERT_EQ(RunProgram({test::KorvaneExecutable(), "--dir", dir.Path(), "archive"}).exitCode, 0);
  const std::string archivedCount = Rows(dir / "video.DB", "SELECT count(*) FROM video");
  const auto change = [&] {
    ASSERT_EQ(
        RunProgram({"sqlite3", dir / "video.DB", "DELETE FROM video WHERE rowid % 3 = 0"}).exitCode,
        0);
  };
  change();
  const std::string currentCount = Rows(dir / "video.DB", "SELECT count(*) FROM video");
  ASSERT_NE(archivedCount, currentCount);

  struct Phase {
    const char* point;
    bool restored;  // whether the archived catalogue is in place after the kill
  };
  const Phase phases[] = {{"restore-checked", false},
                          {"restore-kept", false},
                          {"output-file-commit", false},
                          {"restore-replaced", true}};
  for (const Phase& phase : phases) {
    SCOPED_TRACE(phase.point);
    ASSERT_TRUE(test::KillProgramAtPausePoint(
        {test::KorvaneExecutable(), "--dir", dir.Path(), "restore"}, phase.point));
    EXPECT_EQ(Rows(dir / "video.DB", "PRAGMA integrity_check"), "ok\n");
    EXPECT_EQ(Rows(dir / "video.DB", "SELECT count(*) FROM video"),
              phase.restored ? archivedCount : currentCount);
    if (phase.restored) change();
  }
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
  ASSERT_EQ(RunProgram({"sqlite3", dir / "video.DB", "DELETE FROM video WHERE rowid > 1"}).exitCode,
            0);
  ::setenv("TZ", "Europe/Paris", 1);
  ::tzset();
  // The steps are told as they go, reading from its start to its end.
  std::vector<std::pair<std::string, double>> told;
  CatalogueRestore restore(dir.Path(), {}, -1, [&](const std::string& step, double done) {
    told.push_back({step, done});
  });
  EXPECT_EQ(told, (std::vector<std::pair<std::string, double>>{{"Lecture de l'archive…", 0},
                                                               {"Lecture de l'archive…", 1},
                                                               {"Vérification du catalogue…", 0},
                                                               {"Vérification du catalogue…", 1}}));
  const int archived = static_cast<int>(test::SampleFilms().size());
  EXPECT_EQ(restore.ArchivedFilms(), archived);
  EXPECT_EQ(restore.CurrentFilms(), 1);
  EXPECT_EQ(restore.ConfirmationText(),
            "Restaurer le catalogue archivé le 10/12/2024 à 15:55 ?\n\nL'archive \"" +
                dir / "Archive/video.zip" + "\" contient " + std::to_string(archived) +
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
}  // namespace kvn::catalogue
