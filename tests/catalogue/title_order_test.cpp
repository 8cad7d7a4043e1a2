// Titles in French order: accents and case ignored first, then the title and
// the row id; the index stays one that every SQLite program maintains.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "catalogue/structure_upgrade.h"
#include "db/database.h"
#include "db/query.h"
#include "db/table.h"
#include "db/title_key.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::db {
namespace {

std::vector<std::string> TitlesInOrder(DataSet& t) {
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
  for (const char* t :
       {"Zazie dans le métro", "Ōkami", "Été 85", "avatar", "Élise", "À bout de souffle", "ELISE",
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
  EXPECT_EQ(TitlesInOrder(t),
            (std::vector<std::string>{"À bout de souffle", "avatar", "Ça", "Caché",
                                      "César et Rosalie", "Coeur de pirate", "Cœur fidèle", "ELISE",
                                      "Élise", "élise", "Été 85", "la Haine", "Le Mépris",
                                      "Œdipe roi", "Ōkami", "Zazie dans le métro"}));

  // The search statements find a title typed without its accents or case.
  Statement found(db.Handle(),
                  WithFrenchTitles("Select Titre from Video where Titre=:EdTitre order by titre"));
  found.BindText(1, "a BOUT de souffle");
  ASSERT_TRUE(found.Step());
  EXPECT_EQ(found.ColumnText(0), "À bout de souffle");
  EXPECT_FALSE(found.Step());
}

// Other programs read, check and change video.DB without Korvane's code, and
// Korvane shows what they add in its place.
TEST(FrenchTitles, OtherProgramsKeepTheIndexRight) {
  test::TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, {Titled("Zazie"), Titled("Amour")});
  auto shell = test::RunProgram(
      {"sqlite3", dir / "video.DB",
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
  EXPECT_EQ(python.out, "ok\n['Œdipe', 'Été 85', 'À bout de souffle', 'Zazie']\n")
      << python.err;  // its own byte order
  Database db(dir.Path());
  Table t(db);
  t.SetTableName("Video");
  t.SetIndexName("idTitre");
  t.Open();
  EXPECT_EQ(TitlesInOrder(t),
            (std::vector<std::string>{"À bout de souffle", "Été 85", "Œdipe", "Zazie"}));
}

// A catalogue made with the plain title index gets the French one, once.
TEST(FrenchTitles, TheOldIndexIsRebuilt) {
  test::TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, {Titled("Été"), Titled("Zoo"), Titled("Ange")});
  {
    Database db(dir.Path());
    db.ExecSQL("DROP INDEX idTitre");
    db.ExecSQL("CREATE INDEX idTitre ON video(Titre)");
    EXPECT_FALSE(catalogue::HasFrenchTitleIndex(db));
    Table t(db);
    t.SetTableName("Video");
    t.SetIndexName("idTitre");
    t.Open();
    EXPECT_EQ(TitlesInOrder(t), (std::vector<std::string>{"Ange", "Zoo", "Été"}));
    t.Close();
    catalogue::UseFrenchTitleIndex(db);
    EXPECT_TRUE(catalogue::HasFrenchTitleIndex(db));
    t.Open();
    EXPECT_EQ(TitlesInOrder(t), (std::vector<std::string>{"Ange", "Été", "Zoo"}));
  }
  auto check = test::RunProgram({"sqlite3", dir / "video.DB", "PRAGMA integrity_check"});
  EXPECT_EQ(check.out, "ok\n");
}

// Every Latin letter with a diacritic, written by Python into a catalogue:
// the triggers give each film the key the program computes, and the letter
// folds to the base letter Unicode decomposes it to.
TEST(FrenchTitles, EveryLetterFoldsAlikeInTheTriggersAndTheProgram) {
  test::TempDir dir;
  test::MakeCatalogue(dir.Path(), 3);
  auto python = test::RunProgram(
      {"python3", "-c",
       "import sqlite3, sys, unicodedata as u\n"
       "own = {'Æ': 'ae', 'æ': 'ae', 'Ð': 'd', 'ð': 'd', 'Ø': 'o', 'ø': 'o', 'Þ': 'th', 'þ': 'th', "
       "'ß': 'ss',\n"
       "       'Đ': 'd', 'đ': 'd', 'Ħ': 'h', 'ħ': 'h', 'ı': 'i', 'Ĳ': 'ij', 'ĳ': 'ij', 'ĸ': 'k', "
       "'Ŀ': 'l', 'ŀ': 'l',\n"
       "       'Ł': 'l', 'ł': 'l', 'ŉ': 'n', 'Ŋ': 'n', 'ŋ': 'n', 'Œ': 'oe', 'œ': 'oe', 'Ŧ': 't', "
       "'ŧ': 't', 'ſ': 's'}\n"
       "def fold(t):\n"
       "    return ''.join(own.get(c) or (u.normalize('NFD', c)[0].lower() if ord(c) > 127 else "
       "c.lower()) for c in t)\n"
       "letters = [chr(i) for i in list(range(0xC0, 0x180)) + [0x218, 0x219, 0x21A, 0x21B]\n"
       "           if u.category(chr(i)).startswith('L')]\n"
       "c = sqlite3.connect(sys.argv[1])\n"
       "for l in letters: c.execute('INSERT INTO video (Titre) VALUES (?)', ('Le ' + l + 'X',))\n"
       "c.execute('UPDATE video SET Titre = Titre || \\' \\' || Titre WHERE \"Index\" % 3 = 0')\n"
       "c.execute('DELETE FROM video WHERE \"Index\" % 7 = 0')\n"
       "c.execute('INSERT OR REPLACE INTO video (\"Index\", Titre) VALUES (1, ?)', ('Ōsaka',))\n"
       "c.execute('UPDATE video SET \"Index\" = 100000 WHERE \"Index\" = 2')\n"
       "c.commit()\n"
       "print(len(letters), c.execute('PRAGMA integrity_check').fetchone()[0])\n"
       "for t, k in c.execute('SELECT Titre, cle FROM video JOIN video_cle ON id = \"Index\"'):\n"
       "    print(t, k.replace('\\x01', '|'), fold(t), sep='\\t')\n",
       dir / "video.DB"});
  ASSERT_EQ(python.exitCode, 0) << python.err;
  std::istringstream lines(python.out);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "194 ok");
  int rows = 0;
  while (std::getline(lines, line)) {
    const size_t a = line.find('\t'), b = line.rfind('\t');
    const std::string title = line.substr(0, a), key = line.substr(a + 1, b - a - 1),
                      expected = line.substr(b + 1);
    std::string ours = TitleSortKey(title);
    std::replace(ours.begin(), ours.end(), '\x01', '|');
    EXPECT_EQ(key, ours) << title;
    EXPECT_EQ(FoldTitle(title), expected) << title;
    ++rows;
  }
  EXPECT_EQ(rows, 194 - 194 / 7);
  EXPECT_EQ(test::SqlRows(dir.Path(), "SELECT count(*) FROM video_cle"),
            std::vector<std::string>{"167"});
}

// The title order, by the key table's index and, where a catalogue has no key
// table yet, by the program's own function; the key table is built once.
TEST(FrenchTitles, EveryLetterInTitleOrderWithAndWithoutTheKeyTable) {
  const std::vector<std::string> expected = test::TitlesInFrenchOrder();
  std::vector<test::Film> films;
  std::vector<std::string> shuffled = expected;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(5));
  for (const std::string& title : shuffled) films.push_back(Titled(title));
  test::TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, films);
  Database db(dir.Path());
  ASSERT_TRUE(HasFrenchTitleKey(db.Handle()));
  Table t(db);
  t.SetTableName("Video");
  t.SetIndexName("idTitre");
  t.Open();
  EXPECT_EQ(TitlesInOrder(t), expected);
  t.Close();
  t.SetSortField("Titre", true);
  t.Open();
  EXPECT_EQ(TitlesInOrder(t), std::vector<std::string>(expected.rbegin(), expected.rend()));
  t.Close();
  // The printed list's statement, and a search's.
  const auto queried = [&](const std::string& sql) {
    Query q(db);
    q.SetSQL(WithFrenchTitles(sql));
    q.Open();
    return TitlesInOrder(q);
  };
  EXPECT_EQ(queried("Select * from video order by Titre"), expected);
  EXPECT_EQ(queried("Select * from Video where Reference is null order by titre "), expected);

  // Without the key table (a catalogue another program made): the same order.
  for (const char* drop : {"DROP TRIGGER video_cle_ajout", "DROP TRIGGER video_cle_modif",
                           "DROP TRIGGER video_cle_suppr", "DROP TABLE video_cle"})
    db.ExecSQL(drop);
  EXPECT_FALSE(HasFrenchTitleKey(db.Handle()));
  EXPECT_EQ(queried("Select * from video order by Titre"), expected);
  t.SetSortField("");
  t.Open();
  EXPECT_EQ(TitlesInOrder(t), expected);
  // A film written meanwhile goes in its place.
  t.Insert();
  t.FieldByName("Titre").SetText("Lodz");
  t.Post();
  EXPECT_EQ(t.RecNo(), 23);
  t.Close();
  catalogue::UseFrenchTitleKey(db);
  EXPECT_TRUE(HasFrenchTitleKey(db.Handle()));
  t.Open();
  std::vector<std::string> withLodz = expected;
  withLodz.insert(withLodz.begin() + 22, "Lodz");
  EXPECT_EQ(TitlesInOrder(t), withLodz);
  auto check = test::RunProgram({"sqlite3", dir / "video.DB", "PRAGMA integrity_check"});
  EXPECT_EQ(check.out, "ok\n");
}

}  // namespace
}  // namespace kvn::db
