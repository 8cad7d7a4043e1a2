// The command line as a user runs it.
#include <gtest/gtest.h>

#include "platform/ini_file.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::app {
namespace {

using test::KorvaneExecutable;
using test::RunProgram;
using test::TempDir;

TEST(CommandLine, InitCreatesAnEmptyCurrentCatalogueOnce) {
  TempDir dir;
  auto r = RunProgram({KorvaneExecutable(), "--dir", dir / "cat", "init"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Catalogue créé : " + (dir / "cat/video.DB") + "\n");
  EXPECT_EQ(test::ReadFile(dir / "cat/kvn.ini"), "[BASEDB]\nId_Imp_Base=3\n");
  auto schema = RunProgram({"sqlite3", dir / "cat/video.DB", ".schema"});
  EXPECT_EQ(schema.out,
            "CREATE TABLE video (\"Index\" INTEGER PRIMARY KEY AUTOINCREMENT, Reference "
            "VARCHAR(255), Titre VARCHAR(255) COLLATE NOCASE, Genre VARCHAR(30), Support "
            "VARCHAR(10), \"Durée\" TIME, Jacquette VARCHAR(255), Nom VARCHAR(50), \"Prêté_le\" "
            "DATE, Nb_cd NUMERIC(2), Jaquette2 VARCHAR(255));\n"
            "CREATE TABLE sqlite_sequence(name,seq);\n"
            "CREATE INDEX idTitre ON video(Titre);\n");
  EXPECT_EQ(test::SqlRows(dir / "cat", "SELECT count(*) FROM video"), std::vector<std::string>{"0"});

  test::WriteFile(dir / "cat/kvn.ini", "[BASEDB]\nId_Imp_Base=2\n");
  auto again = RunProgram({KorvaneExecutable(), "init"}, "", dir / "cat");
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_EQ(again.err, "Le catalogue \"./video.DB\" existe déjà : il n'est pas remplacé.\n");
  EXPECT_EQ(test::ReadFile(dir / "cat/kvn.ini"), "[BASEDB]\nId_Imp_Base=2\n");
}

TEST(CommandLine, HelpAndMistakes) {
  auto help = RunProgram({KorvaneExecutable(), "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("Utilisation : korvane [--dir RÉPERTOIRE] [COMMANDE]"), std::string::npos);
  EXPECT_NE(help.out.find("init"), std::string::npos);
  struct {
    std::vector<std::string> args;
    const char* err;
  } cases[] = {
      {{"frobnicate"}, "Commande inconnue : frobnicate (voir korvane --help)\n"},
      {{"--dir"}, "L'option --dir attend un répertoire.\n"},
      {{"--verbose", "init"}, "Option inconnue : --verbose (voir korvane --help)\n"},
      {{"init", "extra"}, "La commande init ne prend pas d'argument.\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv{KorvaneExecutable()};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    TempDir dir;
    auto r = RunProgram(argv, "", dir.Path());
    EXPECT_EQ(r.exitCode, 1) << c.err;
    EXPECT_EQ(r.err, c.err);
  }
}

}  // namespace
}  // namespace kvn::app
