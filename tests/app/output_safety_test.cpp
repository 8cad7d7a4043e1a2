// What the command line writes never destroys what was there: faults × the
// commands that write files (exports and the printed list). After each fault
// the earlier output is byte for byte as it was, the catalogue too, no
// temporary file is left, the exit status is 1 and nothing claims success.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "platform/file_info.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::app {
namespace {

using test::KorvaneExecutable;
using test::ProgramResult;
using test::ReadFile;
using test::RunProgram;
using test::TempDir;

struct Operation {
  const char* name;
  std::vector<std::string> args;  // after "--dir DIR"
  std::string output;             // the file it writes, in the catalogue directory
};

void PrintTo(const Operation& operation, std::ostream* os) {
  *os << operation.name;
}

const Operation kOperations[] = {
    {"csv", {"export", "csv"}, "video.csv"}, {"txt", {"export", "txt"}, "video.txt"},
    {"xls", {"export", "xls"}, "video.xls"}, {"pdf", {"export", "pdf"}, "video.pdf"},
    {"dbf", {"export", "dbf"}, "video.dbf"}, {"print", {"print"}, "liste.pdf"},
};

class OutputSafety : public ::testing::TestWithParam<Operation> {
 protected:
  ProgramResult Run(std::vector<std::string> extra = {}, int64_t fileSizeLimit = -1) {
    std::vector<std::string> argv = {KorvaneExecutable(), "--dir", dir.Path()};
    argv.insert(argv.end(), GetParam().args.begin(), GetParam().args.end());
    argv.insert(argv.end(), extra.begin(), extra.end());
    return RunProgram(argv, "", "", fileSizeLimit);
  }
  std::string Output() const { return dir / GetParam().output; }

  TempDir dir;
};

TEST_P(OutputSafety, FaultsLeaveTheEarlierOutput) {
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  ASSERT_EQ(Run().exitCode, 0);
  const std::string earlier = ReadFile(Output());
  // The next output would differ.
  test::AddManyFilms(dir.Path(), 40);
  const std::string catalogue = ReadFile(dir / "video.DB");
  int64_t newSize = 0;
  {
    ProgramResult r = Run({"-o", dir / "essai.out"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    newSize = static_cast<int64_t>(ReadFile(dir / "essai.out").size());
    ::unlink((dir / "essai.out").c_str());
  }
  const std::string db = dir / "video.DB";
  test::CatalogueLock lock;
  struct Case {
    const char* name;
    std::function<void()> fault;
    std::function<ProgramResult()> run;
    std::string cause;  // a part of the message
    std::function<void()> repair;
  };
  const Case cases[] = {
      {"disk full at the last byte", [] {}, [&] { return Run({}, newSize - 1); },
       "Erreur d'écriture dans le fichier \"" + Output() + "\". Le fichier est trop grand.", [] {}},
      {"disk full early", [] {}, [&] { return Run({}, 2000); }, "Le fichier est trop grand.",
       [] {}},
      {"missing catalogue", [&] { ::rename(db.c_str(), (db + ".x").c_str()); },
       [&] { return Run(); }, "est introuvable",
       [&] { ::rename((db + ".x").c_str(), db.c_str()); }},
      {"damaged catalogue", [&] { test::WriteFile(db, "n'importe quoi" + catalogue.substr(14)); },
       [&] { return Run(); }, "est endommagé", [&] { test::WriteFile(db, catalogue); }},
      {"catalogue locked by a writer", [&] { lock.Take(dir.Path()); }, [&] { return Run(); },
       "est verrouillée par un autre programme", [&] { lock.Release(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.fault();
    ProgramResult r = c.run();
    c.repair();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.cause), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(Output()), earlier);
    EXPECT_EQ(ReadFile(db), catalogue);
    EXPECT_EQ(test::HiddenFiles(dir.Path()), std::vector<std::string>{});
  }
  // A disk that really fills up, where one can be mounted.
  test::SmallDisk disk(160);
  if (disk.Mounted()) {
    test::WriteFile(disk / "video.DB", catalogue);
    test::WriteFile(disk / GetParam().output, std::string(100000, 'a'));
    // What is left is less than the output needs.
    struct statvfs fs {};
    ASSERT_EQ(::statvfs(disk.Path().c_str(), &fs), 0);
    test::WriteFile(disk / "remplissage", std::string(fs.f_bavail * fs.f_frsize - 2048, 'r'));
    std::vector<std::string> argv = {KorvaneExecutable(), "--dir", disk.Path()};
    argv.insert(argv.end(), GetParam().args.begin(), GetParam().args.end());
    ProgramResult r = RunProgram(argv);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Il n'y a pas assez d'espace sur le disque."), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(disk / GetParam().output), std::string(100000, 'a'));
    EXPECT_EQ(test::HiddenFiles(disk.Path()), std::vector<std::string>{});
  }
  ASSERT_EQ(Run().exitCode, 0) << "once repaired";
  EXPECT_NE(ReadFile(Output()), earlier);
}

// The catalogue's own files are refused as targets, however they are named,
// before anything is written.
TEST_P(OutputSafety, TheCatalogueIsNeverATarget) {
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  test::WriteFile(dir / "kvn.ini", "[BASEDB]\nId_Imp_Base=3\n");
  ASSERT_EQ(RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "archive"}).exitCode, 0);
  platform::ForceDirectories(dir / "sous");
  ASSERT_EQ(::link((dir / "video.DB").c_str(), (dir / "sous/copie.DB").c_str()), 0);
  const std::string catalogue = ReadFile(dir / "video.DB");
  const std::string zip = ReadFile(dir / "Archive/video.zip");
  for (const std::string& target :
       {dir / "video.DB", dir / "sous/../video.DB", dir / "sous/copie.DB", dir / "kvn.ini",
        dir / "video.DB-journal", dir / "Archive/video.zip", dir / "Archive/nouveau/liste.out"}) {
    SCOPED_TRACE(target);
    ProgramResult r = Run({"-o", target});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("fait partie du catalogue"), std::string::npos) << r.err;
  }
  EXPECT_EQ(ReadFile(dir / "video.DB"), catalogue);
  EXPECT_EQ(ReadFile(dir / "kvn.ini"), "[BASEDB]\nId_Imp_Base=3\n");
  EXPECT_EQ(ReadFile(dir / "Archive/video.zip"), zip);
  EXPECT_FALSE(platform::FileExists(dir / "video.DB-journal"));
  EXPECT_FALSE(platform::DirectoryExists(dir / "Archive/nouveau"));
}

// The archive and the settings file, links to the catalogue: refused with
// a French message, the catalogue byte for byte, nothing claims success.
TEST(OwnOutputs, LinksToTheCatalogueAreRefused) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  test::WriteFile(dir / "kvn.ini", "[BASEDB]\nId_Imp_Base=3\n");
  platform::ForceDirectories(dir / "Archive");
  ASSERT_EQ(::symlink("../video.DB", (dir / "Archive/video.zip").c_str()), 0);
  const std::string catalogue = ReadFile(dir / "video.DB");
  ProgramResult r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "archive"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("qui fait partie du catalogue"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(dir / "video.DB"), catalogue);
  EXPECT_EQ(test::HiddenFiles(dir / "Archive"), std::vector<std::string>{});

  // The restore keeps the catalogue aside and writes kvn.ini: both refuse a
  // kvn.ini that leads to the catalogue, before anything changes.
  ::unlink((dir / "Archive/video.zip").c_str());
  ASSERT_EQ(RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "archive"}).exitCode, 0);
  ::unlink((dir / "kvn.ini").c_str());
  ASSERT_EQ(::symlink("video.DB", (dir / "kvn.ini").c_str()), 0);
  r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "restore"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("qui fait partie du catalogue"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(dir / "video.DB"), catalogue);
}

// An HTML export in pages (with its index and style sheet) replaces the
// earlier set as one: after a kill in any phase a reader finds the whole
// earlier set or, once the next run has finished the interrupted commit, the
// whole new one; a page that cannot be replaced leaves every page as it was.
TEST(PageSets, ReplacedAsOne) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  test::AddManyFilms(dir.Path(), 1194);  // 1,200 films in pages of 100: 12 pages
  test::WriteFile(dir / "pages.cfg",
                  "[GENERAL]\nExportType=3\n[HTML]\nFileRecCount=100\nGenerateIndex=1\nCSS=1\n");
  const std::vector<std::string> argv = {KorvaneExecutable(),
                                         "--dir",
                                         dir.Path(),
                                         "export",
                                         "html",
                                         "--options",
                                         dir / "pages.cfg",
                                         "-o",
                                         dir / "web/films.html"};
  // Every file of the set: the index, the pages, the style sheet.
  const auto state = [&] {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "web"))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string all;
    for (const std::string& name : names)
      if (name[0] != '.' && name != "autre.csv")
        all += name + ":" + ReadFile(dir / ("web/" + name)) + "\n--\n";
    return all;
  };
  ASSERT_EQ(RunProgram(argv).exitCode, 0);
  const std::string first = state();
  // The next export differs in every page.
  ASSERT_EQ(
      RunProgram({"sqlite3", dir / "video.DB", "UPDATE video SET Genre = 'Nouveau'"}).exitCode, 0);
  ProgramResult r = RunProgram(argv);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string second = state();
  ASSERT_EQ(RunProgram({"sqlite3", dir / "video.DB", "UPDATE video SET Genre = 'Ancien'"}).exitCode,
            0);
  ASSERT_EQ(RunProgram(argv).exitCode, 0);
  const std::string third = state();
  ASSERT_NE(second, third);

  struct Phase {
    const char* point;
    bool finishedByTheNextRun;
  };
  for (const Phase& phase : {Phase{"export-rows", false}, Phase{"output-set-commit", true},
                             Phase{"output-set-renamed", true}}) {
    SCOPED_TRACE(phase.point);
    ASSERT_EQ(
        RunProgram({"sqlite3", dir / "video.DB", "UPDATE video SET Genre = 'Nouveau'"}).exitCode,
        0);
    std::vector<std::string> killArgv = argv;
    ASSERT_TRUE(test::KillProgramAtPausePoint(killArgv, phase.point));
    // Any output made in that folder afterwards finishes or clears the set.
    ASSERT_EQ(RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "export", "csv", "-o",
                          dir / "web/autre.csv"})
                  .exitCode,
              0);
    EXPECT_EQ(state(), phase.finishedByTheNextRun ? second : third);
    EXPECT_EQ(test::HiddenFiles(dir / "web"), std::vector<std::string>{});
    ASSERT_EQ(
        RunProgram({"sqlite3", dir / "video.DB", "UPDATE video SET Genre = 'Ancien'"}).exitCode, 0);
    ASSERT_EQ(RunProgram(argv).exitCode, 0);
    ASSERT_EQ(state(), third);
  }
  // A page that cannot be replaced (immutable): the run fails, no page changes.
  ASSERT_EQ(
      RunProgram({"sqlite3", dir / "video.DB", "UPDATE video SET Genre = 'Nouveau'"}).exitCode, 0);
  if (RunProgram({"chattr", "+i", dir / "web/films07.html"}).exitCode == 0) {
    r = RunProgram(argv);
    RunProgram({"chattr", "-i", dir / "web/films07.html"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("films07.html\" : il est marqué immuable"), std::string::npos) << r.err;
    EXPECT_EQ(state(), third);
    EXPECT_EQ(test::HiddenFiles(dir / "web"), std::vector<std::string>{});
  }
  (void)first;
}

// kill -9 in the middle of a run and once its output is complete, just
// before it replaces the earlier one: the earlier output stays, and the next
// run removes what the killed one left. The kills happen at points the
// program stops at for the test, whatever the machine's load.
TEST_P(OutputSafety, AKilledRunLeavesTheEarlierOutput) {
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  ASSERT_EQ(Run().exitCode, 0);
  const std::string earlier = ReadFile(Output());
  const bool print = GetParam().args[0] == "print";
  test::AddManyFilms(dir.Path(), print ? 1500 : 3000);
  const bool set = GetParam().name == std::string("dbf");
  for (const char* point :
       {print ? "report-pages" : "export-rows", set ? "output-set-commit" : "output-file-commit"}) {
    SCOPED_TRACE(point);
    std::vector<std::string> argv = {KorvaneExecutable(), "--dir", dir.Path()};
    argv.insert(argv.end(), GetParam().args.begin(), GetParam().args.end());
    ASSERT_TRUE(test::KillProgramAtPausePoint(argv, point)) << "the run ended before the point";
    EXPECT_EQ(ReadFile(Output()), earlier);
    EXPECT_FALSE(test::HiddenFiles(dir.Path()).empty());
  }
  // Any later run clears what was left; this one completes.
  ProgramResult r = Run();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(test::HiddenFiles(dir.Path()), std::vector<std::string>{});
  EXPECT_NE(ReadFile(Output()), earlier);
}

INSTANTIATE_TEST_SUITE_P(Commands, OutputSafety, ::testing::ValuesIn(kOperations),
                         [](const ::testing::TestParamInfo<Operation>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace kvn::app
