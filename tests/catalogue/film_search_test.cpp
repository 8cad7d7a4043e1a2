// The quick filter's matching: words in any order, accents, case, ligatures
// and apostrophes aside; the index kept right whoever writes the table.
#include "catalogue/film_search.h"

#include <gtest/gtest.h>

#include "catalogue/catalogue_files.h"
#include "db/database.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::catalogue {
namespace {

using test::RunProgram;

std::vector<std::string> Titles(const std::string& dir, const std::string& typed) {
  db::Database database(dir);
  std::vector<std::string> titles;
  for (int64_t id : SearchFilms(database, typed))
    titles.push_back(
        test::SqlRows(dir, "SELECT Titre FROM video WHERE \"Index\" = " + std::to_string(id))[0]);
  return titles;
}

class FilmSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCatalogue(dir.Path());
    ASSERT_EQ(RunProgram({"sqlite3", dir / "video.DB",
                          "INSERT INTO video (Reference, Titre, Titre_original, \"Réalisateur\", "
                          "Acteurs, Nom) VALUES "
                          "('R1', 'Le Fabuleux Destin d''Amélie Poulain', NULL, 'Jean-Pierre "
                          "Jeunet', 'Audrey Tautou', NULL),"
                          "('R2', 'L’Œuvre au noir', NULL, 'André Delvaux', 'Gian Maria Volonté', "
                          "'Zoé'),"
                          "('DVD-038', 'Ærø, l''île', 'Island of Ærø', NULL, NULL, NULL),"
                          "('R4', 'Brazil', NULL, 'Terry Gilliam', 'Jonathan Pryce', 'Léa')"})
                  .exitCode,
              0);
  }
  test::TempDir dir;
};

TEST_F(FilmSearchTest, WordsInAnyOrderAccentsCaseAndLigaturesAside) {
  struct {
    const char* typed;
    std::vector<std::string> titles;
  } cases[] = {
      {"amelie poul", {"Le Fabuleux Destin d'Amélie Poulain"}},
      {"POULAIN Amélie", {"Le Fabuleux Destin d'Amélie Poulain"}},
      {"d'amélie", {"Le Fabuleux Destin d'Amélie Poulain"}},
      {"jeunet", {"Le Fabuleux Destin d'Amélie Poulain"}},
      {"tautou", {"Le Fabuleux Destin d'Amélie Poulain"}},
      {"oeuvre", {"L’Œuvre au noir"}},
      {"l’œuvre", {"L’Œuvre au noir"}},
      {"volonte", {"L’Œuvre au noir"}},
      {"zoe", {"L’Œuvre au noir"}},
      {"aero ile", {"Ærø, l'île"}},
      {"island", {"Ærø, l'île"}},
      {"dvd-038", {"Ærø, l'île"}},
      {"lea brazil", {"Brazil"}},
      {"amelie brazil", {}},
      {"  ,;  ", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Titles(dir.Path(), c.typed), c.titles) << c.typed;
  EXPECT_EQ(SearchQuery("Amélie, poul"), "\"Amélie\"* \"poul\"*");
  EXPECT_EQ(SearchQuery("\"quote\" OR x*"), "\"quote\"* \"OR\"* \"x\"*");
}

// The index follows the table when the sqlite3 shell and Python write it.
TEST_F(FilmSearchTest, TheIndexFollowsOtherProgramsWrites) {
  ASSERT_EQ(RunProgram({"sqlite3", dir / "video.DB",
                        "UPDATE video SET Titre = 'Brazil (version longue)', Nom = NULL WHERE "
                        "Reference = 'R4'; DELETE FROM video WHERE Reference = 'R2';"})
                .exitCode,
            0);
  const test::ProgramResult py = RunProgram(
      {"python3", "-c",
       "import sqlite3, sys\n"
       "c = sqlite3.connect(sys.argv[1])\n"
       "c.execute(\"INSERT INTO video (Titre, Acteurs) VALUES ('Stalker', 'Aleksandr "
       "Kaydanovskiy')\")\n"
       "c.execute(\"UPDATE video SET Acteurs = 'Mathieu Amalric' WHERE Reference = 'R1'\")\n"
       "c.commit()\n",
       dir / "video.DB"});
  ASSERT_EQ(py.exitCode, 0) << py.err;
  EXPECT_EQ(Titles(dir.Path(), "longue"), std::vector<std::string>{"Brazil (version longue)"});
  EXPECT_EQ(Titles(dir.Path(), "lea"), std::vector<std::string>{});
  EXPECT_EQ(Titles(dir.Path(), "oeuvre"), std::vector<std::string>{});
  EXPECT_EQ(Titles(dir.Path(), "kaydan"), std::vector<std::string>{"Stalker"});
  EXPECT_EQ(Titles(dir.Path(), "amalric"),
            std::vector<std::string>{"Le Fabuleux Destin d'Amélie Poulain"});
  EXPECT_EQ(Titles(dir.Path(), "tautou"), std::vector<std::string>{});
  EXPECT_EQ(test::SqlRows(dir.Path(), "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
  const test::ProgramResult fts =
      RunProgram({"sqlite3", dir / "video.DB",
                  "INSERT INTO video_recherche(video_recherche) VALUES('integrity-check')"});
  EXPECT_EQ(fts.exitCode, 0) << fts.err;
  EXPECT_EQ(fts.err, "");

  // The command line gives one film per line.
  const test::ProgramResult search =
      RunProgram({test::KorvaneExecutable(), "--dir", dir.Path(), "search", "AMELIE", "destin"});
  EXPECT_EQ(search.out, "R1\tLe Fabuleux Destin d'Amélie Poulain\t\n");
  EXPECT_EQ(RunProgram({test::KorvaneExecutable(), "--dir", dir.Path(), "search"}).err,
            "La commande search attend un ou plusieurs mots à chercher.\n");
}

}  // namespace
}  // namespace kvn::catalogue
