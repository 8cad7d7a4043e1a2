// Columns built from a source and the owner's options, type guessing, widths,
// and the text of cells.
#include "export/columns.h"

#include <gtest/gtest.h>

#include "export/text/ascii_export.h"
#include "platform/error.h"
#include "tests/export/export_fixture.h"

namespace kvn::exporting {
namespace {

// A table with the field types the catalogue lacks: memo, Boolean, date-time.
class ColumnsTest : public CatalogueTest {
 protected:
  void SetUp() override {
    OpenCatalogue({});
    db->ExecSQL(
        "CREATE TABLE extras (Id INTEGER PRIMARY KEY, Nom VARCHAR(20), Notes MEMO, Vu BOOLEAN, "
        "Prix FLOAT, Achat DATETIME)");
    db->ExecSQL(
        "INSERT INTO extras VALUES (1, 'Alpha', 'long texte', 1, 12.5, '2024-03-05 14:07:00')");
    db->ExecSQL("INSERT INTO extras VALUES (2, 'Be', NULL, 0, NULL, NULL)");
    extras = std::make_unique<db::Table>(*db);
    extras->SetTableName("extras");
    extras->Open();
  }
  std::unique_ptr<db::Table> extras;
};

std::vector<std::string> Names(TQExportColumns& c) {
  std::vector<std::string> n;
  for (size_t i = 0; i < c.Count(); ++i) n.push_back(c[i].Name);
  return n;
}

TEST_F(ColumnsTest, BlobsOnlyWhenAllowedAndTypesFromFields) {
  TQExportASCII e;
  e.DataSet = extras.get();
  e.Columns().Fill(false);
  EXPECT_EQ(Names(e.Columns()), (std::vector<std::string>{"Id", "Nom", "Vu", "Prix", "Achat"}));
  e.Columns().Clear();
  e.Columns().Fill(true);
  ASSERT_EQ(Names(e.Columns()),
            (std::vector<std::string>{"Id", "Nom", "Notes", "Vu", "Prix", "Achat"}));
  struct {
    TQExportColType type;
    TQExportColAlign align;
    const char* sql;
    const char* format;
  } expected[] = {
      {TQExportColType::Integer, TQExportColAlign::ecaRight, "INTEGER", "#,###,##0"},
      {TQExportColType::String, TQExportColAlign::ecaLeft, "CHAR(20)", ""},
      {TQExportColType::String, TQExportColAlign::ecaLeft, "BLOB", ""},
      {TQExportColType::Boolean, TQExportColAlign::ecaCenter, "INTEGER", ""},
      {TQExportColType::Float, TQExportColAlign::ecaRight, "DOUBLE PRECISION", "#,###,##0.00"},
      {TQExportColType::DateTime, TQExportColAlign::ecaLeft, "DATE", "dd/mm/yyyy hh:nn"},
  };
  for (size_t i = 0; i < 6; ++i) {
    const TQExportColumn& c = e.Columns()[i];
    EXPECT_EQ(c.ColType, expected[i].type) << c.Name;
    EXPECT_EQ(c.ColAlign, expected[i].align) << c.Name;
    EXPECT_EQ(c.SQLType, expected[i].sql) << c.Name;
    EXPECT_EQ(c.Format, expected[i].format) << c.Name;
  }
  EXPECT_TRUE(e.Columns()[2].IsBlob);
  EXPECT_TRUE(e.Columns().HasBlobColumns());
  EXPECT_EQ(e.Columns()[1].Length, 20);
  EXPECT_TRUE(e.Columns()[4].IsNumeric);
  EXPECT_TRUE(e.Columns()[5].IsNumericOrDate);
  EXPECT_FALSE(e.Columns()[5].IsNumeric);
}

TEST_F(ColumnsTest, OptionsByColumnNameWithoutRegardToCase) {
  TQExportASCII e;
  e.DataSet = extras.get();
  e.Captions = {"nom=Titre du film", "Prix=Prix payé"};
  e.ColumnsAlign = {"Nom=center", "Prix=x", "Id="};
  e.ColumnsWidth = {"Nom=12", "Prix=abc"};
  e.UserFormats = {"prix=0.0"};
  e.Columns().Fill(false);
  TQExportColumns& c = e.Columns();
  EXPECT_EQ(c[1].Caption, "Titre du film");
  EXPECT_EQ(c[0].Caption, "Id");
  EXPECT_EQ(c[1].ColAlign, TQExportColAlign::ecaCenter);
  EXPECT_EQ(c[3].ColAlign, TQExportColAlign::ecaLeft);
  EXPECT_EQ(c[0].ColAlign, TQExportColAlign::ecaLeft);
  EXPECT_EQ(c[1].Width, 12);
  EXPECT_EQ(c[3].Width, 0);
  EXPECT_EQ(c[0].Width, 10);  // the field's display width
  EXPECT_EQ(c[3].Format, "0.0");
  EXPECT_EQ(c.IndexOfName("ACHAT"), 4);
}

TEST_F(ColumnsTest, OptionsAFormatDoesNotOfferStayEmpty) {
  // A bare exporter offers no captions, widths or formats.
  struct Bare : TQExport {
  } e;
  e.DataSet = extras.get();
  e.Captions = {"Nom=Ignoré"};
  e.ColumnsWidth = {"Nom=99"};
  e.Columns().Fill(false);
  EXPECT_EQ(e.Columns()[1].Caption, "Nom");
  EXPECT_EQ(e.Columns()[1].Width, 20);
  EXPECT_EQ(e.Columns()[4].Format, "");
}

TEST_F(ColumnsTest, CellTexts) {
  TQExportASCII e;
  e.DataSet = extras.get();
  e.SetExportType(TQExportASCIIType::etCSV);
  e.CSVQuoteStrings = false;
  e.CSVComma = '|';
  e.Formats.SetNullString("  (vide)  ");
  EXPECT_EQ(e.Formats.NullString(), "(vide)");
  e.Formats.SetBooleanTrue("oui");
  platform::MemoryStream m;
  e.ExportToStream(m);
  // The null float is the null text, not a formatted zero; Booleans as stored.
  EXPECT_EQ(m.Data(),
            "Id|Nom|Vu|Prix|Achat\r\n"
            "1|Alpha|True|12,50|05/03/2024 14:07\r\n"
            "2|Be|False|(vide)|(vide)\r\n");
}

TEST_F(ColumnsTest, AutoWidthsFromCaptionsAndUnformattedTexts) {
  TQExportASCII e;
  e.DataSet = extras.get();
  e.ExportedFields = {"Id", "Prix"};
  e.ColumnsWidth = {"Id=0", "Prix=0"};
  e.Captions = {"Id=Numéro du film"};
  e.ExportToStream(*std::make_unique<platform::MemoryStream>());
  EXPECT_EQ(e.Columns()[0].Width, 14);  // the caption, in characters
  EXPECT_EQ(e.Columns()[1].Width, 4);   // "12,5" before formatting
}

TEST(ColumnsGuess, TypesFromTexts) {
  MemoryListView view;
  view.columns = {{"a"}, {"b"}, {"c"}, {"d"}, {"e"}, {"f"}, {"g"}, {"h"}};
  view.items = {{"", "TRUE", "42", "2,5", "05/03/2024", "14:07", "05/03/2024 14:07", "abc"}};
  TQExportASCII e;
  e.ExportSource = TQExportSource::esListView;
  e.ListView = &view;
  e.AutoCalcStrType = true;
  e.Columns().Fill(false);
  const TQExportColType expected[] = {TQExportColType::String,   TQExportColType::Boolean,
                                      TQExportColType::Integer,  TQExportColType::Float,
                                      TQExportColType::Date,     TQExportColType::Time,
                                      TQExportColType::DateTime, TQExportColType::String};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(e.Columns()[i].ColType, expected[i]) << i;
  EXPECT_EQ(e.Columns()[0].Width, 8);  // 64 pixels over the 8 of "X"
  EXPECT_EQ(e.Columns()[7].SQLType, "CHAR(8)");
  EXPECT_EQ(e.Columns()[7].Length, 254);
  view.items.clear();
  e.Columns().Clear();
  e.Columns().Fill(false);
  EXPECT_EQ(e.Columns()[0].ColType, TQExportColType::Integer);  // no item: stays Integer
}

TEST(ColumnsGuess, StringGridColumnsByNumber) {
  MemoryStringGrid grid;
  grid.rows = {{"a", "b", "c", "d", "e", "f", "g"}, {"1", "2", "3", "4", "5", "6", "7"}};
  TQExportASCII e;
  e.ExportSource = TQExportSource::esStringGrid;
  e.StringGrid = &grid;
  e.ExportedFields = {"7"};
  e.Columns().Fill(false);
  EXPECT_EQ(e.Columns().Count(), 0u);
  e.ExportedFields = {"6"};
  e.Columns().Fill(false);
  ASSERT_EQ(e.Columns().Count(), 1u);
  EXPECT_EQ(e.Columns()[0].Name, "6");
  EXPECT_EQ(e.Columns()[0].Caption, "ColNo_6");
}

}  // namespace
}  // namespace kvn::exporting
