// Archiving the catalogue into Archive/video.zip: a sound copy of the table
// (a catalogue in WAL mode included), and every failure — a missing, damaged,
// locked or unreadable catalogue, a full disk, Abort — leaving the previous
// archive byte for byte, with a French message and a non-zero exit.
#include "catalogue/database_archiving.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "platform/error.h"
#include "platform/file_info.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/message_of.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_readers.h"

namespace kvn::catalogue {
namespace {

using test::ProgramResult;
using test::ReadFile;
using test::RunProgram;
using test::TempDir;

const char kAllFilms[] = "SELECT * FROM video ORDER BY \"Index\"";

// The video.DB entry of an archive, taken out into a folder of its own.
std::string ExtractCatalogue(const std::string& zip, const std::string& folder) {
  platform::ForceDirectories(folder);
  auto unzip = RunProgram({"unzip", "-p", zip, "video.DB"});
  EXPECT_EQ(unzip.exitCode, 0) << unzip.err;
  test::WriteFile(folder + "/video.DB", unzip.out);
  return unzip.out;
}

// The archived table is a sound database holding these rows.
void ExpectSoundCopy(const std::string& zip, const std::string& folder,
                     const std::vector<std::string>& rows) {
  ExtractCatalogue(zip, folder);
  auto check = RunProgram({"sqlite3", folder + "/video.DB", "PRAGMA integrity_check"});
  EXPECT_EQ(check.out, "ok\n") << check.err;
  EXPECT_EQ(test::SqlRows(folder, kAllFilms), rows);
}

ProgramResult Archive(const std::string& dir, int64_t fileSizeLimit = -1) {
  return RunProgram({test::KorvaneExecutable(), "--dir", dir, "archive"}, "", "", fileSizeLimit);
}

// Runs the archive command without the right to read files it may not read:
// root keeps its identity but loses the permission override.
ProgramResult ArchiveWithoutOverride(const std::string& dir) {
  std::vector<std::string> argv = {test::KorvaneExecutable(), "--dir", dir, "archive"};
  if (::geteuid() == 0)
    argv.insert(argv.begin(), {"setpriv", "--bounding-set=-dac_override,-dac_read_search",
                               "--inh-caps=-dac_override,-dac_read_search"});
  return RunProgram(argv);
}

std::string RandomBytes(size_t n) {
  std::mt19937 gen(7);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen());
  return s;
}

TEST(DatabaseArchiving, CommandLineWritesASoundCopyOfTheCatalogue) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  platform::ForceDirectories(dir / "copie");
  test::WriteFile(dir / "copie/video.DB", "ancienne copie");
  auto r = Archive(dir.Path());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Archivage terminé : " + dir / "Archive/video.zip" + " (2 fichiers)\n");
  const std::string zip = dir / "Archive/video.zip";
  const std::string archived = ExtractCatalogue(zip, dir / "x");
  archive::ExpectReadersAccept(zip, {{"video.DB", archived}, {"copie/video.DB", "ancienne copie"}});
  ExpectSoundCopy(zip, dir / "x", test::SqlRows(dir.Path(), kAllFilms));
  // A second run replaces the archive and leaves no temporary file.
  test::WriteFile(dir / "copie/video.DB", "nouvelle copie");
  r = RunProgram({test::KorvaneExecutable(), "archive"}, "", dir.Path());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  auto listing = RunProgram({"ls", "-A", dir / "Archive"});
  EXPECT_EQ(listing.out, "video.zip\n");
  auto unzip = RunProgram({"unzip", "-p", zip, "copie/video.DB"});
  EXPECT_EQ(unzip.out, "nouvelle copie");
}

TEST(DatabaseArchiving, AWalCatalogueIsArchivedWithTheFilmsOfItsLog) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  // Another program keeps the catalogue in WAL mode with commits not yet
  // copied back into video.DB.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open((dir / "video.DB").c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other,
                         "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;"
                         "INSERT INTO video (Reference, Titre) VALUES ('W1', 'Dans le journal');",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  ASSERT_TRUE(platform::FileExists(dir / "video.DB-wal"));
  platform::ForceDirectories(dir / "Archive");
  const std::vector<std::string> rows = test::SqlRows(dir.Path(), kAllFilms);
  ASSERT_EQ(rows.size(), test::SampleFilms().size() + 1);

  // Too little room for the copy of the table: nothing is replaced.
  test::WriteFile(dir / "Archive/video.zip", "précédente");
  const std::string message = test::RunInChild(
      [&] { return test::MessageOf([&] { ArchiveDatabase(dir.Path(), nullptr); }); }, 4096);
  EXPECT_EQ(message, "L'archivage a échoué. Impossible d'écrire la copie du catalogue dans \"" +
                         dir / "Archive" +
                         "\". Le fichier est trop grand.\nL'archive précédente \"" +
                         dir / "Archive/video.zip" + "\" est conservée telle quelle.");
  EXPECT_EQ(ReadFile(dir / "Archive/video.zip"), "précédente");
  EXPECT_EQ(test::HiddenFiles(dir / "Archive"), std::vector<std::string>{});

  ArchivingResult result = ArchiveDatabase(dir.Path(), nullptr);
  EXPECT_EQ(result.files, 1);
  sqlite3_close(other);
  ExpectSoundCopy(result.archiveFile, dir / "x", rows);
  // The copy is an ordinary database file: no log of its own is needed to read it.
  const std::string header = ReadFile(dir / "x/video.DB").substr(18, 2);
  EXPECT_EQ(header, std::string("\x01\x01", 2));
}

// Each fault leaves the previous archive as it was, says why in French, and
// leaves no temporary file behind.
TEST(DatabaseArchiving, FailuresKeepThePreviousArchive) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  // The table's index is larger than the table's copy: the archive is the last
  // file written, and the largest.
  test::WriteFile(dir / "video.PX", RandomBytes(40000));
  ASSERT_EQ(Archive(dir.Path()).exitCode, 0);
  const std::string zip = dir / "Archive/video.zip";
  const std::string previous = ReadFile(zip);
  const std::string catalogue = ReadFile(dir / "video.DB");

  struct Case {
    const char* name;
    std::function<void()> fault;
    std::function<ProgramResult()> run;
    std::string cause;
    std::function<void()> repair;
  };
  const std::string db = dir / "video.DB";
  auto plain = [&] { return Archive(dir.Path()); };
  // The size the new archive would have, to fail exactly at its last byte.
  int64_t newSize = 0;
  {
    TempDir scratch;
    RunProgram({"cp", "-a", dir / "video.DB", dir / "video.PX", scratch.Path()});
    EXPECT_EQ(Archive(scratch.Path()).exitCode, 0);
    newSize = static_cast<int64_t>(ReadFile(scratch / "Archive/video.zip").size());
  }
  test::CatalogueLock lock;
  const Case cases[] = {
      {"missing catalogue", [&] { ::rename(db.c_str(), (db + ".ailleurs").c_str()); }, plain,
       "Le catalogue \"" + db + "\" est introuvable",
       [&] { ::rename((db + ".ailleurs").c_str(), db.c_str()); }},
      {"damaged header", [&] { test::WriteFile(db, "pas une base" + catalogue.substr(12)); }, plain,
       "est endommagé", [&] { test::WriteFile(db, catalogue); }},
      {"truncated catalogue",
       [&] { test::WriteFile(db, catalogue.substr(0, catalogue.size() / 2)); }, plain,
       "est endommagé", [&] { test::WriteFile(db, catalogue); }},
      {"not a catalogue",
       [&] {
         sqlite3* other = nullptr;
         sqlite3_open(db.c_str(), &other);
         sqlite3_exec(other, "DROP TABLE video", nullptr, nullptr, nullptr);
         sqlite3_close(other);
       },
       plain, "ne contient pas la table des films", [&] { test::WriteFile(db, catalogue); }},
      {"a file that cannot be read", [&] { ::chmod((dir / "video.PX").c_str(), 0); },
       [&] { return ArchiveWithoutOverride(dir.Path()); },
       "Le fichier \"video.PX\" n'a pas pu être archivé.",
       [&] { ::chmod((dir / "video.PX").c_str(), 0644); }},
      {"disk full at the archive's last byte", [] {},
       [&] { return Archive(dir.Path(), newSize - 1); },
       "Impossible d'écrire l'archive \"" + zip +
           "\". Le fichier est trop grand.\n(Archive: Write to stream error - Native error: 00046)",
       [] {}},
      {"catalogue locked by a writer", [&] { lock.Take(dir.Path()); }, plain,
       "est verrouillé par un autre programme", [&] { lock.Release(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.fault();
    ProgramResult r = c.run();
    c.repair();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("L'archivage a échoué. ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.cause), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("L'archive précédente \"" + zip + "\" est conservée telle quelle."),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ReadFile(zip), previous);
    EXPECT_EQ(test::HiddenFiles(dir / "Archive"), std::vector<std::string>{});
    EXPECT_EQ(ReadFile(db), catalogue);
  }
  // Once repaired, the next run succeeds.
  EXPECT_EQ(Archive(dir.Path()).exitCode, 0);
}

// The tables' folder on a disk too small for the new archive beside the old one.
TEST(DatabaseArchiving, AFullDiskKeepsThePreviousArchive) {
  test::SmallDisk disk(256);
  TempDir fallback;
  const std::string dir = disk.Mounted() ? disk.Path() : fallback.Path();
  test::MakeCatalogue(dir, 3, test::SampleFilms());
  test::WriteFile(dir + "/video.PX", RandomBytes(70000));
  ASSERT_EQ(Archive(dir).exitCode, 0);
  const std::string zip = dir + "/Archive/video.zip";
  const std::string previous = ReadFile(zip);
  test::WriteFile(dir + "/video.PX", RandomBytes(120000));
  // Without a disk of our own, files are kept small instead.
  ProgramResult r = Archive(dir, disk.Mounted() ? -1 : 100000);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("Le fichier \"video.PX\" n'a pas pu être archivé."), std::string::npos)
      << r.err;
  EXPECT_NE(
      r.err.find(
          disk.Mounted()
              ? "L'archive ne peut pas être écrite. Il n'y a pas assez d'espace sur le disque."
              : "L'archive ne peut pas être écrite. Le fichier est trop grand."),
      std::string::npos)
      << r.err;
  EXPECT_EQ(ReadFile(zip), previous);
  EXPECT_EQ(test::HiddenFiles(dir + "/Archive"), std::vector<std::string>{});
}

// The file-failure question, answered Ignore, Retry or Abort, on a file the
// archive cannot take (files are kept below 100,000 bytes in the child).
class Answers : public archive::ArchiverQuestions {
 public:
  explicit Answers(std::vector<archive::TZFAction> answers) : m_answers(std::move(answers)) {}
  Overwrite ConfirmOverwrite(const std::string&, const std::string&) override {
    return Overwrite::Yes;
  }
  archive::TZFAction FileFailure(const std::string& text) override {
    asked.push_back(text);
    auto a = m_answers.empty() ? archive::TZFAction::fxaAbort : m_answers.front();
    if (!m_answers.empty()) m_answers.erase(m_answers.begin());
    return a;
  }
  std::vector<std::string> asked;

 private:
  std::vector<archive::TZFAction> m_answers;
};

TEST(DatabaseArchiving, TheFailureQuestionAnswers) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  test::WriteFile(dir / "video.PX", "index");
  ASSERT_EQ(Archive(dir.Path()).exitCode, 0);
  const std::string previous = ReadFile(dir / "Archive/video.zip");
  test::WriteFile(dir / "video.PX", RandomBytes(150000));
  using archive::TZFAction;
  auto run = [&](std::vector<TZFAction> answers) {
    return test::RunInChild(
        [&] {
          Answers questions(answers);
          std::string outcome;
          try {
            ArchivingResult r = ArchiveDatabase(dir.Path(), &questions);
            outcome = "ok " + std::to_string(r.files) + "\n" + ArchivingSuccessText(r);
          } catch (const std::exception& e) {
            outcome = std::string("error\n") + e.what();
          }
          return std::to_string(questions.asked.size()) + " " + outcome + "\n--\n" +
                 (questions.asked.empty() ? "" : questions.asked[0]);
        },
        100000);
  };
  // Ignore: the file is left out and named; the new archive replaces the old.
  std::string out = run({TZFAction::fxaIgnore});
  EXPECT_EQ(out.rfind("1 ok 1\nL'archivage s'est bien déroulé", 0), 0u) << out;
  EXPECT_NE(out.find("Fichiers laissés de côté à votre demande : video.PX."), std::string::npos)
      << out;
  EXPECT_NE(out.find("--\nLe fichier \"video.PX\" n'a pas pu être archivé. "), std::string::npos)
      << out;
  EXPECT_NE(out.find("(Archive: "), std::string::npos) << out;
  auto listing = RunProgram({"unzip", "-Z1", dir / "Archive/video.zip"});
  EXPECT_EQ(listing.out, "video.DB\n");
  const std::string ignoredRun = ReadFile(dir / "Archive/video.zip");
  // Retry asks again; Abort stops the whole run and keeps the archive.
  out = run({TZFAction::fxaRetry, TZFAction::fxaAbort});
  EXPECT_EQ(
      out.rfind("2 error\nL'archivage a échoué. Le fichier \"video.PX\" n'a pas pu être archivé.",
                0),
      0u)
      << out;
  EXPECT_NE(out.find("L'archivage a été abandonné.\nL'archive précédente"), std::string::npos)
      << out;
  EXPECT_EQ(ReadFile(dir / "Archive/video.zip"), ignoredRun);
  EXPECT_NE(ignoredRun, previous);
  // An archive without the table is worth nothing.
  out = test::MessageOf([&] { ArchiveDatabase(dir.Path(), nullptr, {"video.XG0"}); });
  EXPECT_EQ(out, "L'archivage a échoué. Le catalogue \"" + dir / "video.DB" +
                     "\" n'a pas été mis dans l'archive.\nL'archive précédente \"" +
                     dir / "Archive/video.zip" + "\" est conservée telle quelle.");
  EXPECT_EQ(ReadFile(dir / "Archive/video.zip"), ignoredRun);
}

// kill -9 once the new archive is written and as it replaces the previous
// one (the program stops itself there for the test): the previous archive
// stays, and the next run removes what the killed one left.
TEST(DatabaseArchiving, AKilledRunKeepsThePreviousArchive) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  ASSERT_EQ(Archive(dir.Path()).exitCode, 0);
  const std::string previous = ReadFile(dir / "Archive/video.zip");
  test::WriteFile(dir / "video.PX", RandomBytes(3 << 20));
  for (const char* point : {"archive-written", "output-file-commit"}) {
    SCOPED_TRACE(point);
    ASSERT_TRUE(test::KillProgramAtPausePoint(
        {test::KorvaneExecutable(), "--dir", dir.Path(), "archive"}, point));
    EXPECT_EQ(ReadFile(dir / "Archive/video.zip"), previous);
    EXPECT_FALSE(test::HiddenFiles(dir / "Archive").empty());
  }
  ProgramResult r = Archive(dir.Path());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(test::HiddenFiles(dir / "Archive"), std::vector<std::string>{});
  EXPECT_NE(ReadFile(dir / "Archive/video.zip"), previous);
}

TEST(DatabaseArchiving, AMaskThatFailsKeepsThePreviousArchive) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  ArchivingResult first = ArchiveDatabase(dir.Path(), nullptr);
  EXPECT_EQ(first.files, 1);
  EXPECT_EQ(
      ArchivingSuccessText(first),
      "L'archivage s'est bien déroulé, vous trouverez le fichier video.zip dans le répertoire " +
          dir / "Archive");
  const std::string before = ReadFile(dir / "Archive/video.zip");
  test::WriteFile(dir / "video.PX", "index");
  // The second mask cannot be compiled: the run stops after adding video.PX.
  std::string invalid;
  for (int i = 0; i < 31; ++i) invalid += "*x";
  EXPECT_THROW(ArchiveDatabase(dir.Path(), nullptr, {"video.PX", invalid}), Error);
  EXPECT_EQ(ReadFile(dir / "Archive/video.zip"), before);
  auto listing = RunProgram({"ls", "-A", dir / "Archive"});
  EXPECT_EQ(listing.out, "video.zip\n");
}

TEST(DatabaseArchiving, ArchiveDirectoryThatCannotBeCreated) {
  TempDir blocked;
  test::WriteFile(blocked / "Archive", "");
  EXPECT_EQ(test::MessageOf([&] { ArchiveDatabase(blocked.Path(), nullptr); }),
            "Impossible de créer le répertoire " + blocked.Path() +
                "/Archive : un fichier porte déjà ce nom.");
}

}  // namespace
}  // namespace kvn::catalogue
