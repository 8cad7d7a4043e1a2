// Titles in French order: accents and case ignored first, then the title and
// the row id; the index stays one that every SQLite program maintains.
#include "db/catalogue.h"

#include <gtest/gtest.h>

#include "db/database.h"
#include "db/table.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::db {
namespace {

std::vector<std::string> TitlesInOrder(Table& t) {
  std::vector<std::string> titles;
  for (int64_t pos = 0; pos < t.RecordCount(); ++pos) titles.push_back(t.TextAt(pos, 2));
  return titles;
}

test::Film Titled(const std::string& title) {
  test::Film f;
  f.titre = title;
  return f;
}

TEST(FrenchTitles, SortAndSearchAsAFrenchReaderExpects) {
  test::TempDir dir;
  std::vector<test::Film> films;
  for (const char* t : {"Zazie dans le métro", "Ōkami", "Été 85", "avatar", "Élise", "À bout de souffle", "ELISE",
                        "élise", "Œdipe roi", "Cœur fidèle", "Coeur de pirate", "la Haine", "Le Mépris", "Ça",
                        "César et Rosalie", "Caché"})
    films.push_back(Titled(t));
  test::MakeCatalogue(dir.Path(), 3, films);
  Database db(dir.Path());
  Table t(db);
  t.SetTableName("Video");
  t.SetIndexName("idTitre");
  t.Open();
  // Ties of the key keep the title's own order (case-insensitive), then the row id.
  EXPECT_EQ(TitlesInOrder(t), (std::vector<std::string>{
                                  "À bout de souffle", "avatar", "Ça", "Caché", "César et Rosalie",
                                  "Coeur de pirate", "Cœur fidèle", "ELISE", "Élise", "élise", "Été 85", "la Haine",
                                  "Le Mépris", "Œdipe roi", "Ōkami", "Zazie dans le métro"}));

  // The search statements find a title typed without its accents or case.
  Statement found(db.Handle(), WithFrenchTitles("Select Titre from Video where Titre=:EdTitre order by titre"));
  sqlite3_bind_text(found.Get(), 1, "a BOUT de souffle", -1, SQLITE_STATIC);
  ASSERT_TRUE(found.Step());
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(found.Get(), 0)), "À bout de souffle");
  EXPECT_FALSE(found.Step());
}

// Other programs read, check and change video.DB without Korvane's code, and
// Korvane shows what they add in its place.
TEST(FrenchTitles, OtherProgramsKeepTheIndexRight) {
  test::TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, {Titled("Zazie"), Titled("Amour")});
  auto shell = test::RunProgram({"sqlite3", dir / "video.DB",
                                 "INSERT INTO video (Titre) VALUES ('Été 85'); "
                                 "UPDATE video SET Titre = 'Œdipe' WHERE Titre = 'Amour'; PRAGMA integrity_check;"});
  EXPECT_EQ(shell.out, "ok\n") << shell.err;
  auto python = test::RunProgram(
      {"python3", "-c",
       "import sqlite3, sys\n"
       "c = sqlite3.connect(sys.argv[1])\n"
       "c.execute(\"INSERT INTO video (Titre) VALUES ('À bout de souffle')\")\n"
       "c.commit()\n"
       "print(c.execute('PRAGMA integrity_check').fetchone()[0])\n"
       "print([r[0] for r in c.execute('SELECT Titre FROM video ORDER BY Titre DESC')])\n",
       dir / "video.DB"});
  EXPECT_EQ(python.out, "ok\n['Œdipe', 'Été 85', 'À bout de souffle', 'Zazie']\n") << python.err;  // its own byte order
  Database db(dir.Path());
  Table t(db);
  t.SetTableName("Video");
  t.SetIndexName("idTitre");
  t.Open();
  EXPECT_EQ(TitlesInOrder(t), (std::vector<std::string>{"À bout de souffle", "Été 85", "Œdipe", "Zazie"}));
}

// A catalogue made with the plain title index gets the French one, once.
TEST(FrenchTitles, TheOldIndexIsRebuilt) {
  test::TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, {Titled("Été"), Titled("Zoo"), Titled("Ange")});
  {
    Database db(dir.Path());
    db.ExecSQL("DROP INDEX idTitre");
    db.ExecSQL("CREATE INDEX idTitre ON video(Titre)");
    EXPECT_FALSE(HasFrenchTitleIndex(db));
    Table t(db);
    t.SetTableName("Video");
    t.SetIndexName("idTitre");
    t.Open();
    EXPECT_EQ(TitlesInOrder(t), (std::vector<std::string>{"Ange", "Zoo", "Été"}));
    t.Close();
    UseFrenchTitleIndex(db);
    EXPECT_TRUE(HasFrenchTitleIndex(db));
    t.Open();
    EXPECT_EQ(TitlesInOrder(t), (std::vector<std::string>{"Ange", "Été", "Zoo"}));
  }
  auto check = test::RunProgram({"sqlite3", dir / "video.DB", "PRAGMA integrity_check"});
  EXPECT_EQ(check.out, "ok\n");
}

}  // namespace
}  // namespace kvn::db
