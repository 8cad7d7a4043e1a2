// The dataset state machine on a real catalogue: navigation, edit states,
// conversions and their messages, bookmarks, observers.
#include <gtest/gtest.h>

#include "db/table.h"
#include "platform/error.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/message_of.h"
#include "tests/support/temp_dir.h"

namespace kvn::db {
namespace {

using test::MakeCatalogue;
using test::SampleFilms;
using test::SqlRows;
using test::TempDir;

using test::MessageOf;

class DataSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeCatalogue(dir.Path(), 3, SampleFilms());
    table.SetTableName("Video");
    table.SetIndexName("idTitre");
    table.Open();
  }

  std::vector<std::string> Titles() {
    std::vector<std::string> titles;
    for (table.First(); !table.Eof(); table.Next())
      titles.push_back(table.FieldByName("Titre").AsString());
    return titles;
  }

  std::string Current(const char* field) { return table.FieldByName(field).AsString(); }

  TempDir dir;
  Database db{dir.Path()};
  Table table{db};
};

TEST_F(DataSetTest, OpensInFrenchTitleOrder) {
  EXPECT_EQ(table.State(), DataSetState::Browse);
  EXPECT_EQ(table.RecordCount(), 6);
  // Case and accents ignored: "Élise" among the E's.
  EXPECT_EQ(Titles(), (std::vector<std::string>{
                          "", "Astérix et Obélix : Mission Cléopâtre", "Élise", "la Haine",
                          "Le Fabuleux Destin d'Amélie Poulain", "Zazie dans le métro"}));
}

// Sorted by one field, either way: text in French order (the borrowers, no
// borrower first going up and last going down), numbers as numbers; a film
// posted or changed takes its place in that order.
TEST_F(DataSetTest, SortedByAFieldEitherWay) {
  const auto column = [&](const char* field) {
    std::vector<std::string> values;
    for (table.First(); !table.Eof(); table.Next())
      values.push_back(table.FieldByName(field).AsString());
    return values;
  };
  table.Close();
  table.SetSortField("Nom");
  table.Open();
  EXPECT_EQ(column("Nom"), (std::vector<std::string>{"", "", "", "", "Jérôme", "Zoé"}));
  table.Close();
  table.SetSortField("Nom", true);
  table.Open();
  EXPECT_EQ(column("Nom"), (std::vector<std::string>{"Zoé", "Jérôme", "", "", "", ""}));
  // "Émile" goes after Jérôme going down (accents aside, e before j).
  table.Last();
  table.Insert();
  table.FieldByName("Titre").SetText("Nouveau");
  table.FieldByName("Nom").SetText("Émile");
  table.Post();
  EXPECT_EQ(table.RecNo(), 3);
  EXPECT_EQ(column("Nom"), (std::vector<std::string>{"Zoé", "Jérôme", "Émile", "", "", "", ""}));
  // Numbers: the discs going down; a change moves the film.
  table.Close();
  table.SetSortField("Nb_cd", true);
  table.Open();
  EXPECT_EQ(column("Nb_cd").front(), "2");
  table.Last();
  const std::string last = Current("Titre");
  table.Edit();
  table.FieldByName("Nb_cd").SetText("9");
  table.Post();
  EXPECT_EQ(table.RecNo(), 1);
  EXPECT_EQ(Current("Titre"), last);
  // Back to the title index.
  table.Close();
  table.SetSortField("");
  table.Open();
  EXPECT_EQ(Titles().front(), "");
  EXPECT_EQ(Titles()[2], "Élise");
}

TEST_F(DataSetTest, FieldsAndTheirTexts) {
  const char* names[] = {"Index",     "Reference", "Titre",    "Genre", "Support",  "Durée",
                         "Jacquette", "Nom",       "Prêté_le", "Nb_cd", "Jaquette2"};
  ASSERT_EQ(table.FieldCount(), 11);
  for (int i = 0; i < 11; ++i) EXPECT_EQ(table.FieldByIndex(i).FieldName(), names[i]);
  struct {
    const char* name;
    FieldType type;
    int size;
    int width;
  } defs[] = {
      {"Index", FieldType::AutoInc, 0, 10}, {"Titre", FieldType::String, 255, 255},
      {"Genre", FieldType::String, 30, 30}, {"Support", FieldType::String, 10, 10},
      {"Durée", FieldType::Time, 0, 10},    {"Prêté_le", FieldType::Date, 0, 10},
      {"Nb_cd", FieldType::Float, 0, 10},
  };
  for (const auto& d : defs) {
    Field& f = table.FieldByName(d.name);
    EXPECT_EQ(f.DataType(), d.type) << d.name;
    EXPECT_EQ(f.Size(), d.size) << d.name;
    EXPECT_EQ(f.DisplayWidth(), d.width) << d.name;
    EXPECT_EQ(f.DisplayLabel(), d.name);
    EXPECT_TRUE(f.Visible());
    EXPECT_FALSE(f.IsBlob());
  }
  EXPECT_EQ(&table.FieldByName("titre"), &table.FieldByName("Titre"));
  EXPECT_EQ(MessageOf([&] { table.FieldByName("Annee"); }), "Champ 'Annee' non trouvé");

  table.SetRecNo(4);  // la Haine
  EXPECT_EQ(Current("Titre"), "la Haine");
  EXPECT_EQ(Current("Durée"), "01:38:00");
  EXPECT_EQ(Current("Prêté_le"), "15/03/2024");
  EXPECT_EQ(Current("Nom"), "Jérôme");
  EXPECT_EQ(Current("Nb_cd"), "1");
  EXPECT_FALSE(table.FieldByName("Nom").IsNull());
  table.First();  // the film without a title
  EXPECT_TRUE(table.FieldByName("Durée").IsNull());
  EXPECT_EQ(Current("Durée"), "");
  EXPECT_EQ(Current("Nb_cd"), "");
}

TEST_F(DataSetTest, NavigationFlags) {
  EXPECT_TRUE(table.Bof());
  EXPECT_FALSE(table.Eof());
  table.Next();
  EXPECT_FALSE(table.Bof());
  EXPECT_EQ(table.RecNo(), 2);
  table.Last();
  EXPECT_TRUE(table.Eof());
  EXPECT_EQ(Current("Titre"), "Zazie dans le métro");
  table.Prior();
  EXPECT_FALSE(table.Eof());
  table.Next();
  EXPECT_FALSE(table.Eof());
  table.Next();  // past the last row: stays there
  EXPECT_TRUE(table.Eof());
  EXPECT_EQ(table.RecNo(), 6);
  EXPECT_EQ(Current("Titre"), "Zazie dans le métro");
  table.First();
  table.Prior();
  EXPECT_TRUE(table.Bof());
  EXPECT_EQ(table.RecNo(), 1);
  EXPECT_EQ(table.MoveBy(100), 5);
  EXPECT_EQ(table.MoveBy(-2), -2);
}

TEST_F(DataSetTest, InsertWritesAChangedRowAndDropsAnUnchangedOne) {
  table.Insert();
  EXPECT_EQ(table.State(), DataSetState::Insert);
  table.Insert();  // nothing typed: the first pending row is dropped
  EXPECT_EQ(table.RecordCount(), 6);
  table.FieldByName("Titre").SetText("Brazil");
  table.FieldByName("Durée").SetText("2:12");
  table.FieldByName("Nb_cd").SetText("2,5");
  table.Insert();  // writes Brazil, starts another row
  EXPECT_EQ(table.RecordCount(), 7);
  EXPECT_EQ(
      SqlRows(dir.Path(), "SELECT Titre, \"Durée\", Nb_cd, Nom FROM video WHERE Titre='Brazil'"),
      std::vector<std::string>{"Brazil|02:12:00|2.5|NULL"});
  table.Cancel();
  EXPECT_EQ(table.State(), DataSetState::Browse);
  EXPECT_EQ(Current("Titre"), "Brazil");  // the written row is current
  EXPECT_EQ(table.RecNo(), 3);            // "", Astérix, Brazil, ...
}

TEST_F(DataSetTest, PostNumbersTheRowAndPlacesItInTitleOrder) {
  table.Last();
  table.Insert();
  table.FieldByName("Titre").SetText("amour");
  table.Post();
  EXPECT_EQ(table.RecNo(), 2);
  EXPECT_EQ(Current("Index"), "7");
  EXPECT_EQ(table.FieldByName("Index").RawValue().i, 7);
  // Titles are compared without regard to ASCII case; equal titles by Index.
  table.Insert();
  table.FieldByName("Titre").SetText("AMOUR");
  table.Post();
  EXPECT_EQ(table.RecNo(), 3);
  EXPECT_EQ(Titles()[1], "amour");
  EXPECT_EQ(Titles()[2], "AMOUR");
}

TEST_F(DataSetTest, BadTextsGiveTheConversionMessagesAndKeepTheRowPending) {
  table.Insert();
  table.FieldByName("Titre").SetText("Nikita");
  struct {
    const char* field;
    const char* text;
    const char* message;
  } cases[] = {
      {"Durée", "01:75:00", "'01:75:00' n'est pas une heure correcte"},
      {"Durée", "1h30", "'1h30' n'est pas une heure correcte"},
      {"Nb_cd", "deux", "'deux' n'est pas une valeur en virgule flottante correcte"},
      {"Nb_cd", "2.5", "'2.5' n'est pas une valeur en virgule flottante correcte"},
      {"Prêté_le", "31/02/2024", "'31/02/2024' n'est pas une date correcte"},
      {"Index", "12", "Le champ 'Index' ne peut pas être modifié"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MessageOf([&] { table.FieldByName(c.field).SetText(c.text); }), c.message);
  EXPECT_EQ(table.State(), DataSetState::Insert);
  EXPECT_EQ(Current("Titre"), "Nikita");
  EXPECT_EQ(table.RecordCount(), 6);
  table.Post();
  EXPECT_EQ(SqlRows(dir.Path(), "SELECT count(*) FROM video WHERE Titre='Nikita'"),
            std::vector<std::string>{"1"});
}

TEST_F(DataSetTest, StoredFormsOfTypedTexts) {
  table.Insert();
  struct {
    const char* field;
    const char* text;
    const char* stored;
    const char* shown;
  } cases[] = {
      {"Durée", "1:5", "01:05:00", "01:05:00"},
      {"Durée", " 2 :30:15", "02:30:15", "02:30:15"},
      {"Prêté_le", "5/3/2024", "2024-03-05", "05/03/2024"},
      {"Nb_cd", "3", "3", "3"},
      {"Nb_cd", "1,5", "1.5", "1,5"},
      {"Genre", "Science-Fiction très longue catégorie", "Science-Fiction très longue ca",
       "Science-Fiction très longue ca"},
      {"Nom", "", "NULL", ""},
  };
  for (const auto& c : cases) {
    table.FieldByName(c.field).SetText(c.text);
    EXPECT_EQ(Current(c.field), c.shown) << c.field << " " << c.text;
    table.Post();
    std::string col = std::string("\"") + c.field + "\"";
    EXPECT_EQ(SqlRows(dir.Path(),
                      "SELECT " + col + " FROM video WHERE rowid=(SELECT max(rowid) FROM video)"),
              std::vector<std::string>{c.stored})
        << c.field;
    table.Edit();
  }
  table.Cancel();
}

TEST_F(DataSetTest, EditPostAndCancel) {
  table.SetRecNo(5);
  ASSERT_EQ(Current("Titre"), "Le Fabuleux Destin d'Amélie Poulain");
  table.Edit();
  table.FieldByName("Nom").SetText("Loïc");
  table.FieldByName("Prêté_le").SetText("01/12/2026");
  EXPECT_EQ(Current("Nom"), "Loïc");
  table.Cancel();
  EXPECT_EQ(Current("Nom"), "");
  table.Edit();
  table.FieldByName("Nom").SetText("Loïc");
  table.Next();  // moving writes the pending row
  EXPECT_EQ(SqlRows(dir.Path(), "SELECT Nom FROM video WHERE Reference='R001'"),
            std::vector<std::string>{"Loïc"});
  // An edit of the title moves the row to its place and the cursor follows it.
  table.Edit();
  table.FieldByName("Titre").SetText("Aaa");
  table.Post();
  EXPECT_EQ(table.RecNo(), 2);
  EXPECT_EQ(Current("Titre"), "Aaa");
}

TEST_F(DataSetTest, EditOnEmptyTableInsertsAndDeleteOnEmptyFails) {
  TempDir other;
  MakeCatalogue(other.Path(), 3);
  Database db2(other.Path());
  Table empty(db2);
  empty.SetTableName("video.DB");
  empty.Open();
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_TRUE(empty.Eof());
  EXPECT_TRUE(empty.Bof());
  EXPECT_EQ(MessageOf([&] { empty.Delete(); }),
            "Impossible d'effectuer cette opération sur un ensemble de données vide");
  empty.Edit();
  EXPECT_EQ(empty.State(), DataSetState::Insert);
  empty.FieldByName("Titre").SetText("Premier");
  empty.Post();
  EXPECT_EQ(empty.RecordCount(), 1);
  empty.Delete();
  EXPECT_TRUE(empty.IsEmpty());
}

TEST_F(DataSetTest, DeleteMovesToTheNextOrNewLastRow) {
  table.SetRecNo(2);
  table.Delete();
  EXPECT_EQ(table.RecordCount(), 5);
  EXPECT_EQ(Current("Titre"), "Élise");
  table.Last();
  table.Delete();
  EXPECT_EQ(Current("Titre"), "Le Fabuleux Destin d'Amélie Poulain");
  EXPECT_EQ(SqlRows(dir.Path(), "SELECT count(*) FROM video"), std::vector<std::string>{"4"});
  // Delete while inserting only drops the pending row.
  table.Insert();
  table.FieldByName("Titre").SetText("Jamais écrit");
  table.Delete();
  EXPECT_EQ(table.State(), DataSetState::Browse);
  EXPECT_EQ(table.RecordCount(), 4);
}

TEST_F(DataSetTest, RefreshWritesPendingRowAndSeesOtherWriters) {
  table.SetRecNo(6);
  ASSERT_EQ(Current("Titre"), "Zazie dans le métro");
  table.Edit();
  table.FieldByName("Genre").SetText("Drame");
  // Another program adds a film that sorts first.
  Database other(dir.Path());
  other.ExecSQL("INSERT INTO video (Titre) VALUES ('A bout de souffle')");
  table.Refresh();
  EXPECT_EQ(table.State(), DataSetState::Browse);
  EXPECT_EQ(table.RecordCount(), 7);
  EXPECT_EQ(Current("Titre"), "Zazie dans le métro");  // the same film stays current
  EXPECT_EQ(table.RecNo(), 7);
  EXPECT_EQ(SqlRows(dir.Path(), "SELECT Genre FROM video WHERE Reference='R005'"),
            std::vector<std::string>{"Drame"});
  // An edit without any change is dropped by Refresh: nothing is written.
  table.Edit();
  table.Refresh();
  EXPECT_FALSE(table.Modified());
}

TEST_F(DataSetTest, BookmarksFollowTheirRow) {
  table.SetRecNo(4);
  Bookmark b = table.GetBookmark();
  std::string title = Current("Titre");
  table.First();
  table.Insert();
  table.FieldByName("Titre").SetText("000");
  table.Post();  // a new row before the bookmarked one
  table.Last();
  table.GotoBookmark(b);
  EXPECT_EQ(Current("Titre"), title);
  EXPECT_EQ(table.RecNo(), 5);
  EXPECT_TRUE(table.BookmarkValid(b));
  table.Delete();
  EXPECT_FALSE(table.BookmarkValid(b));
  EXPECT_EQ(MessageOf([&] { table.GotoBookmark(b); }), "Enregistrement non trouvé");
  table.FreeBookmark(b);
  EXPECT_FALSE(b.valid);
}

struct Recorder : DataSetObserver {
  std::vector<std::string> events;
  std::function<void()> onUpdate;
  void ActiveChanged() override { events.push_back("active"); }
  void DataSetChanged() override { events.push_back("changed"); }
  void DataSetScrolled(int d) override { events.push_back("scrolled " + std::to_string(d)); }
  void RecordChanged(const Field* f) override {
    events.push_back("record " + (f ? f->FieldName() : std::string("*")));
  }
  void EditingChanged() override { events.push_back("editing"); }
  void UpdateData() override {
    events.push_back("update");
    if (onUpdate) onUpdate();
  }
};

TEST_F(DataSetTest, ObserversFollowTheCursorAndWriteTheirValuesBeforePost) {
  Recorder r;
  table.AddObserver(&r);
  table.Next();
  table.Next();
  table.Edit();
  r.onUpdate = [&] { table.FieldByName("Nom").SetText("Chloé"); };
  table.Post();
  EXPECT_EQ(r.events, (std::vector<std::string>{"scrolled 1", "scrolled 1", "editing", "record *",
                                                "update", "record Nom", "editing", "changed"}));
  EXPECT_EQ(Current("Nom"), "Chloé");
  r.events.clear();
  r.onUpdate = nullptr;
  table.DisableControls();
  table.First();
  table.Last();
  EXPECT_TRUE(r.events.empty());
  table.EnableControls();
  EXPECT_EQ(r.events, std::vector<std::string>{"changed"});
  table.RemoveObserver(&r);
  table.Close();
  EXPECT_EQ(r.events.size(), 1u);
}

TEST_F(DataSetTest, ClosedDataSetAndBrowseModeMisuse) {
  EXPECT_EQ(MessageOf([&] { table.FieldByName("Titre").SetText("x"); }),
            "L'ensemble de données n'est pas en mode édition ou insertion");
  EXPECT_EQ(MessageOf([&] { table.Post(); }),
            "L'ensemble de données n'est pas en mode édition ou insertion");
  table.Close();
  EXPECT_EQ(MessageOf([&] { table.Next(); }),
            "Impossible d'effectuer cette opération sur un ensemble de données fermé");
  table.Open();
  EXPECT_EQ(table.RecordCount(), 6);
}

}  // namespace
}  // namespace kvn::db
