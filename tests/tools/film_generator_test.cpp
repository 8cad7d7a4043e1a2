// The generated benchmark catalogues: the program opens them in title order,
// and they hold what real collections hold.
#include "tools/film_generator.h"

#include <gtest/gtest.h>

#include "db/database.h"
#include "db/sqlite.h"
#include "db/table.h"
#include "db/title_key.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::tools {
namespace {

int64_t Count(db::Database& database, const std::string& where) {
  db::Statement count(database.Handle(), "SELECT count(*) FROM video WHERE " + where);
  return count.Step() ? count.ColumnInt(0) : -1;
}

TEST(FilmGenerator, WritesACatalogueOfRealShape) {
  test::TempDir dir;
  WriteGeneratedCatalogue(dir.Path(), 3000);
  db::Database database(dir.Path());
  EXPECT_EQ(Count(database, "1"), 3000);
  // Sound for SQLite's own check, one title key per film, the settings file beside it.
  test::ProgramResult check =
      test::RunProgram({"sqlite3", dir / "video.DB", "PRAGMA integrity_check"});
  EXPECT_EQ(check.out, "ok\n");
  EXPECT_TRUE(db::HasFrenchTitleKey(database.Handle(), true));
  EXPECT_EQ(test::ReadFile(dir / "kvn.ini"), "[BASEDB]\nId_Imp_Base=4\n");

  EXPECT_EQ(Count(database, "length(Titre) = 250"), 3);
  // The film's details: years, names in several scripts, summaries over
  // several lines, notes from 0 to 10, EAN-13 with their check digit.
  EXPECT_GT(Count(database, "\"Année\" BETWEEN 1920 AND 2026"), 2500);
  EXPECT_GT(Count(database, "Acteurs LIKE '%, %'"), 1000);
  EXPECT_GT(Count(database, "instr(\"Résumé\", char(10)) > 0"), 100);
  EXPECT_EQ(Count(database, "Note NOT BETWEEN 0 AND 10"), 0);
  EXPECT_GT(Count(database, "Note = 10"), 50);
  EXPECT_GT(Count(database, "length(EAN) = 13"), 900);
  EXPECT_GT(Count(database, "Titre GLOB '*[«\"&;<>\\]*'"), 30);
  EXPECT_GT(Count(database, "Nom IS NOT NULL AND Nom <> '' AND \"Prêté_le\" IS NOT NULL"), 150);
  EXPECT_GT(Count(database, "Nom GLOB '*[Α-ωА-я]*' OR Nom GLOB '*黒澤*'"), 0);
  EXPECT_GT(Count(database, "length(Reference) = 13"), 900);
  // Remakes: the same title more than once.
  db::Statement twice(database.Handle(),
                      "SELECT count(*) FROM (SELECT Titre FROM video GROUP BY Titre "
                      "HAVING count(*) > 1)");
  ASSERT_TRUE(twice.Step());
  EXPECT_GT(twice.ColumnInt(0), 0);

  // The same count and seed give the same films.
  test::TempDir again;
  WriteGeneratedCatalogue(again.Path(), 3000);
  EXPECT_EQ(test::RunProgram({"sqlite3", dir / "video.DB", ".dump video"}).out,
            test::RunProgram({"sqlite3", again / "video.DB", ".dump video"}).out);

  // The program's table opens it in title order.
  db::Table films(database);
  films.SetTableName("Video");
  films.Open();
  EXPECT_EQ(films.RecordCount(), 3000);
}

TEST(FilmGenerator, RefusesToReplaceACatalogue) {
  test::TempDir dir;
  WriteGeneratedCatalogue(dir.Path(), 10);
  EXPECT_THROW(WriteGeneratedCatalogue(dir.Path(), 10), Error);
  db::Database database(dir.Path());
  EXPECT_EQ(Count(database, "1"), 10);
}

}  // namespace
}  // namespace kvn::tools
