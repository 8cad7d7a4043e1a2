// Queries: string parameters, field names, keyset or whole results, run statement.
#include "db/query.h"

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

class QueryTest : public ::testing::Test {
 protected:
  void SetUp() override { MakeCatalogue(dir.Path(), 3, SampleFilms()); }

  std::vector<std::string> Column(const char* field) {
    std::vector<std::string> out;
    for (query.First(); !query.Eof(); query.Next())
      out.push_back(query.FieldByName(field).AsString());
    return out;
  }

  TempDir dir;
  Database db{dir.Path()};
  Query query{db};
};

TEST_F(QueryTest, SearchStatementsWithStringParameters) {
  query.SetSQL(
      "Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where "
      "Genre=:CBGenre and Support=:CBSupport order by titre");
  ASSERT_EQ(query.Params().size(), 2u);
  EXPECT_EQ(query.Params()[0].Name(), "CBGenre");
  query.ParamByName("cbgenre").SetAsString("Comédie");
  query.ParamByName("CBSupport").SetAsString("DVD");
  query.Open();
  EXPECT_TRUE(query.IsKeyset());
  ASSERT_EQ(query.FieldCount(), 7);
  const char* names[] = {"Reference", "Titre", "Genre", "Support", "Durée", "Nom", "Prêté_le"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(query.FieldByIndex(i).FieldName(), names[i]);
  EXPECT_EQ(query.FieldByName("Durée").DataType(), FieldType::Time);
  EXPECT_EQ(Column("Titre"), (std::vector<std::string>{"Astérix et Obélix : Mission Cléopâtre",
                                                       "Le Fabuleux Destin d'Amélie Poulain"}));
  EXPECT_EQ(Column("Durée"), (std::vector<std::string>{"01:47:00", "02:02:00"}));
}

TEST_F(QueryTest, TextsRunAsGiven) {
  struct {
    const char* sql;
    const char* field;
    std::vector<std::string> expected;
  } cases[] = {
      {"Select * from Video where Prêté_le is not null order by titre ", "Nom", {"Jérôme", "Zoé"}},
      {"Select Reference, Titre from Video order by Reference",
       "Reference",
       {"", "R001", "R002", "R003", "R005", "R006"}},
      {"Select * from video order by Titre",
       "Reference",
       {"", "R003", "R002", "R001", "R005", "R006"}},
      {"select Titre as t from video v where v.Support = 'VCD'", "t", {"Zazie dans le métro"}},
  };
  for (const auto& c : cases) {
    query.SetSQL(c.sql);
    query.Open();
    EXPECT_TRUE(query.IsKeyset()) << c.sql;
    EXPECT_EQ(Column(c.field), c.expected) << c.sql;
    query.Close();
  }
}

TEST_F(QueryTest, ResultsWithoutRowIdsAreReadWhole) {
  struct {
    const char* sql;
    const char* field;
    std::vector<std::string> expected;
    FieldType type;
  } cases[] = {
      {"select Genre, count(*) as n from video group by Genre order by Genre",
       "n",
       {"1", "3", "2"},
       FieldType::LargeInt},
      {"select distinct Support from video order by Support",
       "Support",
       {"DVD", "DivX ;-)", "VCD", "VHS"},
       FieldType::String},
      {"select a.Titre from video a join video b on a.rowid = b.rowid where a.Nom = 'Zoé'",
       "Titre",
       {"Zazie dans le métro"},
       FieldType::String},
      {"select upper(Support) || '!' as s from video where Support='VHS'",
       "s",
       {"VHS!"},
       FieldType::String},
      {"select Titre from video order by 1 desc limit 1", "Titre", {"Élise"}, FieldType::String},
      {"select Genre as Titre from video where Support='DVD' order by Titre",
       "Titre",
       {"Comédie", "Comédie", "Drame"},
       FieldType::String},
  };
  for (const auto& c : cases) {
    query.SetSQL(c.sql);
    query.Open();
    EXPECT_FALSE(query.IsKeyset()) << c.sql;
    EXPECT_EQ(Column(c.field), c.expected) << c.sql;
    EXPECT_EQ(query.FieldByName(c.field).DataType(), c.type) << c.sql;
    query.Close();
  }
}

TEST_F(QueryTest, ReadOnlyAndParameterErrors) {
  query.SetSQL("select * from video where Titre = :EdTitre");
  EXPECT_EQ(MessageOf([&] { query.Open(); }), "Pas de valeur pour le paramètre 'EdTitre'");
  EXPECT_EQ(MessageOf([&] { query.ParamByName("EdRef"); }), "Paramètre 'EdRef' non trouvé");
  // Whole titles only, compared as the title column's collation does.
  query.ParamByName("EdTitre").SetAsString("la Hai");
  query.Open();
  EXPECT_TRUE(query.IsEmpty());
  query.SetSQL("select * from video where Titre = :EdTitre");
  query.ParamByName("EdTitre").SetAsString("LA HAINE");
  query.Open();
  EXPECT_EQ(query.RecordCount(), 1);
  query.SetSQL("select * from video where Titre = :EdTitre");  // the bound value is kept
  query.Open();
  EXPECT_EQ(query.RecordCount(), 1);
  EXPECT_EQ(MessageOf([&] { query.Edit(); }),
            "Impossible de modifier un ensemble de données en lecture seule");
  query.SetSQL("select * from nowhere");
  EXPECT_NE(MessageOf([&] { query.Open(); }).find("la table nowhere n'existe pas"),
            std::string::npos);
  EXPECT_FALSE(query.Active());
}

TEST_F(QueryTest, ParameterNamesIgnoreQuotedText) {
  EXPECT_EQ(ParameterNames("select ':x', \":y\" from t where a=:A and b=:b and c=:a -- :z"),
            (std::vector<std::string>{"A", "b"}));
}

TEST(RunStatement, StructureUpgradeTextsRunUnchanged) {
  TempDir dir;
  test::Film old;
  old.reference = "R1";
  old.titre = "Ancien";
  old.duree = "01:00:00";
  MakeCatalogue(dir.Path(), 0, {old});
  Database db(dir.Path());
  Query q(db);
  for (const char* sql : {"alter table video add column Jacquette varchar(255)",
                          "alter table video add column Jaquette2 varchar(255)",
                          "alter table video add column Nom varchar(50)",
                          "alter table video add column Prêté_le DATE",
                          "alter table video add column Nb_cd Numeric(2)"}) {
    q.SetSQL(sql);
    q.ExecSQL();
  }
  Table t(db);
  t.SetTableName("Video");
  t.SetIndexName("idTitre");
  t.Open();
  ASSERT_EQ(t.FieldCount(), 11);
  EXPECT_EQ(t.FieldByIndex(7).FieldName(), "Jaquette2");  // right after Jacquette
  EXPECT_EQ(t.FieldByName("Prêté_le").DataType(), FieldType::Date);
  EXPECT_EQ(t.FieldByName("Nb_cd").DataType(), FieldType::Float);
  EXPECT_EQ(t.FieldByName("Titre").AsString(), "Ancien");
  q.SetSQL("alter table video add column Jacquette varchar(255)");
  EXPECT_NE(MessageOf([&] { q.ExecSQL(); }).find("la colonne Jacquette existe déjà"),
            std::string::npos);
}

}  // namespace
}  // namespace kvn::db
