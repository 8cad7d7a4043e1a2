// The workbook exporter end to end: every workbook a test writes is opened by
// olefile and xlrd (and Gnumeric where formulas must be computed), and the
// cells, their types and their formats are read back from there.
#include "export/xls/xls_export.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/codepage.h"
#include "platform/file_info.h"
#include "tests/export/export_fixture.h"
#include "tests/support/failing_stream.h"
#include "tests/support/message_of.h"
#include "tests/support/run_program.h"
#include "tests/support/xls_reader.h"

namespace kvn::exporting {
namespace {

using xlstest::Book;

constexpr int kText = 1, kNumber = 2, kDate = 3, kBoolean = 4, kBlank = 6;

std::vector<test::Film> FourFilms() {
  std::vector<test::Film> films = ThreeFilms();
  test::Film d;
  d.reference = "R4";
  d.titre = "\xC3\x80 bout de souffle";  // "À bout de souffle"
  d.genre = "Drame";
  d.support = "DVD";
  d.nbCd = 3;
  films.push_back(d);
  return films;
}

class XlsExportTest : public CatalogueTest {
 protected:
  Book ExportAndRead(TQExportXLS& e) {
    e.FileName = path;
    e.Execute();
    return xlstest::ReadWithXlrd(path);
  }
  // The CSV text Gnumeric writes from the workbook (formulas computed).
  std::string ReadWithGnumeric() {
    const std::string out = dir / "gnumeric.csv";
    auto r = test::RunProgram({"ssconvert", "--export-type=Gnumeric_stf:stf_csv", path, out});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return test::ReadFile(out);
  }
  std::string path = dir / "out.xls";
  // Records are named by reference in messages.
  void NameFilms(TQExport& e) {
    e.OnGetRecordLabel = [this](TQExport*, std::string& label) {
      label = "Le film " + table->FieldByName("Reference").AsString();
    };
  }
};

TEST_F(XlsExportTest, CatalogueReadBackByEveryReader) {
  OpenCatalogue(ThreeFilms());
  TQExportXLS e;
  e.DataSet = table.get();
  // A field format per field, as the dialog copies them.
  for (int i = 0; i < table->FieldCount(); ++i) {
    TxlsFieldFormat& f = e.FieldFormats.Add();
    f.Assign(e.Options.DataFormat);
    f.FieldName = table->FieldByIndex(i).FieldName();
  }
  const Book book = ExportAndRead(e);
  ASSERT_TRUE(book.ok);
  EXPECT_EQ(book.streams, std::vector<std::string>{"Workbook"});
  ASSERT_EQ(book.sheets.size(), 1u);
  EXPECT_EQ(book.sheets[0].name, "Sheet 1");
  EXPECT_EQ(book.sheets[0].rows, 4);
  EXPECT_EQ(book.sheets[0].cols, 11);

  // Captions in bold.
  EXPECT_EQ(book.At(0, 0, 5).value, "Durée");
  EXPECT_EQ(book.At(0, 0, 8).value, "Prêté_le");
  EXPECT_EQ(book.FormatOf(0, 0, 0).weight, 700);
  // Rows in title order: Amélie, Le "Grand" Bleu, Zazie.
  EXPECT_EQ(book.At(0, 1, 2).value, "Amélie");
  EXPECT_EQ(book.At(0, 2, 2).value, "Le \"Grand\" Bleu; suite");
  EXPECT_EQ(book.At(0, 3, 4).value, "DivX ;-)");
  // Numbers keep their value, shown with the column's format.
  EXPECT_EQ(book.At(0, 2, 9).type, kNumber);
  EXPECT_DOUBLE_EQ(book.At(0, 2, 9).Number(), 2.5);
  EXPECT_DOUBLE_EQ(book.At(0, 3, 9).Number(), 1234);
  EXPECT_EQ(book.FormatOf(0, 3, 9).format, "#,###,##0.00");
  EXPECT_EQ(book.FormatOf(0, 1, 0).format, "#,###,##0");
  EXPECT_EQ(book.FormatOf(0, 1, 0).weight, 400);
  // A date is a day number (15 March 2024), a duration the fraction of a
  // day, shown with the column's picture as a spreadsheet writes it.
  EXPECT_EQ(book.At(0, 2, 8).type, kDate);
  EXPECT_DOUBLE_EQ(book.At(0, 2, 8).Number(), 45366);
  EXPECT_EQ(book.FormatOf(0, 2, 8).format, "dd/mm/yyyy");
  EXPECT_EQ(book.At(0, 1, 5).type, kDate);
  EXPECT_NEAR(book.At(0, 1, 5).Number(), (2 * 60 + 2) / 1440.0, 1e-9);
  EXPECT_EQ(book.FormatOf(0, 1, 5).format.find('n'), std::string::npos)
      << book.FormatOf(0, 1, 5).format;
  // A null field is a blank cell that keeps the column's format.
  EXPECT_EQ(book.At(0, 1, 7).type, kBlank);
  EXPECT_EQ(book.At(0, 1, 8).type, kBlank);

  const std::string csv = ReadWithGnumeric();
  EXPECT_NE(csv.find("Amélie"), std::string::npos) << csv;
  EXPECT_NE(csv.find("Zoé"), std::string::npos) << csv;
}

TEST_F(XlsExportTest, HeaderLinesLeadingColumnsAndFooter) {
  OpenCatalogue(ThreeFilms());
  TQExportXLS e;
  e.DataSet = table.get();
  e.ExportedFields = {"Reference", "Titre"};
  e.Header = {"A\tB"};
  e.HeaderRows = 3;
  e.StartDataCol = 2;
  e.Footer = {"Fin\t\tX"};
  std::vector<std::string> leading;
  e.OnGetBeforeDataParams = [&](TxlsSheet*, int sheet, int col, int row, TxlsFormat& f,
                                std::string& s) {
    leading.push_back(std::to_string(sheet) + ":" + std::to_string(col) + ":" +
                      std::to_string(row));
    if (col == 0) s = "#" + std::to_string(row);
    f.Font.Style.Include(xfsItalic);
  };
  const Book book = ExportAndRead(e);
  ASSERT_TRUE(book.ok);
  EXPECT_EQ(book.At(0, 0, 0).value, "A");
  EXPECT_EQ(book.At(0, 0, 1).value, "B");
  EXPECT_EQ(book.At(0, 1, 0).type, 0);
  EXPECT_EQ(book.At(0, 2, 0).type, 0);
  // The caption row is the fourth; captions and values start in column C.
  EXPECT_EQ(book.At(0, 3, 2).value, "Reference");
  EXPECT_EQ(book.At(0, 3, 3).value, "Titre");
  EXPECT_EQ(book.At(0, 4, 2).value, "R1");
  EXPECT_EQ(book.At(0, 6, 3).value, "Zazie");
  // Leading cells: written where the event gives a text, in its format.
  EXPECT_EQ(book.At(0, 3, 0).value, "#3");
  EXPECT_EQ(book.At(0, 6, 0).value, "#6");
  EXPECT_EQ(book.At(0, 6, 1).type, 0);
  EXPECT_EQ(book.FormatOf(0, 6, 0).italic, 1);
  EXPECT_EQ(leading.size(), 8u);
  EXPECT_EQ(leading[0], "0:0:3");
  // Footer cells from column A again.
  EXPECT_EQ(book.At(0, 7, 0).value, "Fin");
  EXPECT_EQ(book.At(0, 7, 1).type, 0);
  EXPECT_EQ(book.At(0, 7, 2).value, "X");
  EXPECT_EQ(book.sheets[0].rows, 8);
}

TEST_F(XlsExportTest, ValuesByColumnType) {
  MemoryStringGrid grid;
  grid.rows = {{"Date", "Heure", "Vu", "Nombre"},
               {"01/01/1900", "12:00", "TRUE", "42"},
               {"01/03/1900", "06:30", "false", "7"},
               {"28/02/1900", "", "oui", "(null)"},
               {"15/03/2024", "23:59", "True", "-1,5"}};
  TQExportXLS e;
  e.ExportSource = TQExportSource::esStringGrid;
  e.StringGrid = &grid;
  e.AutoCalcStrType = true;
  e.CaptionRow = 0;
  e.Formats.SetNullString("(null)");
  const Book book = ExportAndRead(e);
  ASSERT_TRUE(book.ok);
  struct Row {
    int row, col, type;
    std::string value;
  };
  for (const Row& r : std::vector<Row>{
           // Day 2 (1 January 1900) is 1; day 61 (1 March 1900) stays 61; day 60 is 59.
           {1, 0, kDate, "1.0"},
           {2, 0, kDate, "61.0"},
           {3, 0, kDate, "59.0"},
           {4, 0, kDate, "45366.0"},
           // Times of day are fractions of a day.
           {1, 1, kDate, "0.5"},
           {2, 1, kDate, "0.2708333333333333"},
           {3, 1, kBlank, ""},
           // Booleans: true only for the BooleanTrue text, any case.
           {1, 2, kBoolean, "1.0"},
           {2, 2, kBoolean, "0.0"},
           {3, 2, kBoolean, "0.0"},
           {4, 2, kBoolean, "1.0"},
           // Numbers; the null text stays a text.
           {1, 3, kNumber, "42.0"},
           {2, 3, kNumber, "7.0"},
           {3, 3, kText, "(null)"},
           {4, 3, kNumber, "-1.5"}}) {
    SCOPED_TRACE("row " + std::to_string(r.row) + " col " + std::to_string(r.col));
    EXPECT_EQ(book.At(0, r.row, r.col).type, r.type);
    EXPECT_EQ(book.At(0, r.row, r.col).value, r.value);
  }
}

TEST_F(XlsExportTest, SheetsAndStripStyles) {
  OpenCatalogue(FourFilms());
  TQExportXLS e;
  TxlsSheet& rows = e.Sheets.Add();
  rows.DataSet = table.get();
  rows.ExportedFields = {"Reference", "Titre"};
  rows.StripType = ssRow;
  for (TxlsColor c : {clrRed, clrGreen, clrBlue}) {
    TxlsFormat& s = rows.StripStyles.Add();
    s.Fill = {c, ptSolid, clrBlack};
  }
  // Field formats give way to strips.
  rows.FieldFormats.Add().FieldName = "Titre";
  rows.FieldFormats[0].Font.Style = {xfsItalic};
  TxlsSheet& cols = e.Sheets.Add();
  cols.Title = "Colonnes é";
  cols.DataSet = table.get();
  cols.ExportedFields = {"Reference", "Titre", "Genre"};
  cols.StripType = ssCol;
  cols.StripStyles.Add().Fill = {clrYellow, ptSolid, clrBlack};
  cols.StripStyles.Add().Borders.Bottom = {bstThin, clrRed};
  TxlsSheet& skipped = e.Sheets.Add();
  skipped.DataSet = table.get();
  skipped.Exported = false;

  const Book book = ExportAndRead(e);
  ASSERT_TRUE(book.ok);
  ASSERT_EQ(book.sheets.size(), 2u);
  EXPECT_EQ(book.sheets[0].name, "Sheet 1");
  EXPECT_EQ(book.sheets[1].name, "Colonnes é");
  EXPECT_EQ(e.Sheets.Count(), 3u);
  // Data rows 0, 1, 2, 3 take styles 0, 1, 2, 0 (palette red 10, green 17, blue 12).
  const int expected[] = {10, 17, 12, 10};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 2; ++c) {
      EXPECT_EQ(book.FormatOf(0, r + 1, c).patternColour, expected[r]) << r << "," << c;
      EXPECT_EQ(book.FormatOf(0, r + 1, c).italic, 0);
    }
  // Columns alternate between the two styles.
  EXPECT_EQ(book.FormatOf(1, 2, 0).patternColour, 13);
  EXPECT_EQ(book.FormatOf(1, 2, 1).bottom, 1);
  EXPECT_EQ(book.FormatOf(1, 2, 1).bottomColour, 10);
  EXPECT_EQ(book.FormatOf(1, 2, 2).patternColour, 13);
  // French title order: "À bout de souffle", Amélie, Le Grand Bleu (a drama), Zazie.
  EXPECT_EQ(book.At(1, 3, 2).value, "Drame");
}

TEST_F(XlsExportTest, AggregateRow) {
  OpenCatalogue(ThreeFilms());
  TQExportXLS e;
  e.DataSet = table.get();
  e.ExportedFields = {"Titre", "Nb_cd", "Index"};
  e.FieldFormats.Add().FieldName = "nb_cd";
  e.FieldFormats[0].Aggregate = aggSum;
  e.FieldFormats.Add().FieldName = "Index";
  e.FieldFormats[1].Aggregate = aggMin;
  e.FieldFormats.Add().FieldName = "INDEX";  // the last one of a name wins
  e.FieldFormats[2].Aggregate = aggMax;
  e.FieldFormats.Add().FieldName = "titre";
  e.FieldFormats[3].Aggregate = aggSum;
  e.FieldFormats.Add().FieldName = "Titre";  // even when it has none
  e.FieldFormats[4].Aggregate = aggNone;
  e.OnGetAggregateParams = [](TxlsSheet*, int, int col, TxlsFormat& f, std::string& text,
                              std::string& value) {
    if (col == 0) value = "Total";
    if (col == 1) {
      EXPECT_EQ(text, "#,###,##0.00");
    }
    f.Font.Style = {xfsBold};
  };
  const Book book = ExportAndRead(e);
  ASSERT_TRUE(book.ok);
  EXPECT_EQ(book.sheets[0].rows, 5);
  EXPECT_EQ(book.At(0, 4, 0).value, "Total");
  EXPECT_EQ(book.FormatOf(0, 4, 1).weight, 700);
  EXPECT_EQ(book.FormatOf(0, 4, 1).format, "#,###,##0.00");
  // Gnumeric computes the formulas: 1 + 2.5 + 1234 and the largest Index.
  const std::string csv = ReadWithGnumeric();
  EXPECT_NE(csv.find("Total,1237.5,3"), std::string::npos) << csv;

  // No data row: no aggregate row either (it would sum its own cell).
  OpenCatalogue({});
  e.DataSet = table.get();
  const Book empty = ExportAndRead(e);
  EXPECT_EQ(empty.sheets[0].rows, 1);
}

TEST_F(XlsExportTest, EventsRecordsAndCellFormats) {
  OpenCatalogue(FourFilms());
  TQExportXLS e;
  e.DataSet = table.get();
  e.ExportedFields = {"Reference", "Nb_cd"};
  e.OnBeforeExportRow = [](TQExport*, TQExportRow& row, bool& accept) {
    for (size_t i = 0; i < row.Count(); ++i)
      if (row[i].Value == "R2") accept = false;
  };
  std::vector<std::string> advanced;
  e.OnAdvancedExportedRecord = [&](TQExportXLS*, int sheet, int recNo) {
    advanced.push_back(std::to_string(sheet) + "/" + std::to_string(recNo));
  };
  e.OnGetCaptionParams = [](TxlsSheet* sheet, int, int col, TxlsFormat& f, std::string& caption) {
    // The sender is the sheet the cell belongs to.
    EXPECT_EQ(sheet->Title, "Sheet 1");
    if (col == 1) caption = "Disques";
    f.Font.Style = {};  // a default caption format: the default XF
  };
  e.OnGetDataParams = [](TxlsSheet*, int, int col, int row, TxlsFormat& f, std::string& text) {
    if (col == 1 && row == 3) {
      f.Font.Color = clrRed;
      text = "0.0";
    }
  };
  e.OnAdvancedGetExportText = [](TQExportXLS*, int, int col, std::string& text) {
    if (col == 0) text += "*";
  };
  const Book book = ExportAndRead(e);
  ASSERT_TRUE(book.ok);
  // In title order R4 ("À bout de souffle"), R1, R2, R3; R2 is rejected: R3 takes its row.
  EXPECT_EQ(book.sheets[0].rows, 4);
  EXPECT_EQ(book.At(0, 0, 1).value, "Disques");
  EXPECT_EQ(book.At(0, 0, 0).xf, 15);
  EXPECT_EQ(book.At(0, 2, 0).value, "R1*");
  EXPECT_EQ(book.At(0, 3, 0).value, "R3*");
  EXPECT_EQ(book.FormatOf(0, 3, 1).fontColour, 10);
  EXPECT_EQ(book.FormatOf(0, 3, 1).format, "0.0");
  EXPECT_EQ(book.FormatOf(0, 2, 1).format, "#,###,##0.00");
  EXPECT_EQ(advanced, (std::vector<std::string>{"0/1", "0/2", "0/3", "0/4"}));
  EXPECT_EQ(e.RecordCounter(), 4);

  e.OnBeforeExportRow = nullptr;
  e.ExportRecCount = 2;
  EXPECT_EQ(ExportAndRead(e).sheets[0].rows, 3);
}

TEST_F(XlsExportTest, AbortKeepsAValidWorkbook) {
  OpenCatalogue(FourFilms());
  TQExportXLS e;
  e.DataSet = table.get();
  e.ExportedFields = {"Reference"};
  e.OnExportedRecord = [](TQExport* s, int n) {
    if (n == 2) s->Abort();
  };
  int asked = 0;
  e.OnStopExport = [&](TQExport*, bool& canContinue) {
    ++asked;
    canContinue = false;
  };
  // Written to a stream, the stopped workbook is whole up to its last row.
  {
    platform::FileStream stream(path, platform::FileMode::Create);
    e.ExportToStream(stream);
  }
  const Book book = xlstest::ReadWithXlrd(path);
  ASSERT_TRUE(book.ok);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(book.sheets[0].rows, 3);
  EXPECT_EQ(book.At(0, 2, 0).value, "R1");  // second in title order, after R4
  EXPECT_FALSE(table->ControlsDisabled());
  // Into its file, the stopped export leaves the earlier workbook as it was.
  const std::string earlier = test::ReadFile(path);
  e.FileName = path;
  EXPECT_EQ(test::MessageOf([&] { e.Execute(); }),
            "Export annulé : le fichier \"" + path + "\" n'a pas été modifié.");
  EXPECT_EQ(test::ReadFile(path), earlier);
}

TEST_F(XlsExportTest, Failures) {
  OpenCatalogue(ThreeFilms());
  auto message = [](const std::function<void()>& run) { return test::MessageOf(run); };

  TQExportXLS e;
  e.DataSet = table.get();
  EXPECT_EQ(message([&] { e.Execute(); }), "fichier de résultat non présent");

  // A failed export writes no file, and leaves an earlier one as it was.
  TQExportXLS unlinked;
  unlinked.FileName = path;
  unlinked.Options.SetSheetTitle("Feuille é");
  EXPECT_EQ(message([&] { unlinked.Execute(); }),
            "La feuille Feuille é contient l'ereur: La source (DataSet) n'est pas liée");
  EXPECT_FALSE(platform::FileExists(path));
  EXPECT_EQ(unlinked.Sheets.Count(), 0u) << "the temporary sheet is removed";
  test::WriteFile(path, "classeur précédent");

  OpenCatalogue({});
  TQExportXLS empty;
  empty.DataSet = table.get();
  empty.ExportEmpty = false;
  empty.FileName = path;
  EXPECT_EQ(message([&] { empty.Execute(); }), "La source (DataSet) est vide");
  table->Close();
  EXPECT_EQ(message([&] { empty.Execute(); }), "La source (DataSet) est fermée");

  // A text longer than a cell can hold stops the export.
  test::Film longOne;
  longOne.reference = "R1";
  longOne.titre = std::string(40000, 'x');
  OpenCatalogue({longOne});
  TQExportXLS tooLong;
  tooLong.DataSet = table.get();
  tooLong.ExportedFields = {"Reference", "Titre"};
  tooLong.FileName = path;
  NameFilms(tooLong);
  EXPECT_EQ(message([&] { tooLong.Execute(); }),
            "Le film R1 ne peut pas être exporté : dans la colonne « Titre », le texte de 40000 "
            "caractères dépasse "
            "les 32767 d'une cellule XLS (Cell R2,C2: String length more than 32767 bytes).");
  EXPECT_FALSE(table->ControlsDisabled());
  EXPECT_EQ(test::ReadFile(path), "classeur précédent");

  // The compound file goes out in one write: its failure is reported.
  OpenCatalogue(ThreeFilms());
  TQExportXLS failing;
  failing.DataSet = table.get();
  test::FailingStream stream(1);
  EXPECT_EQ(message([&] { failing.ExportToStream(stream); }), "Erreur d'écriture dans le flux");
}

// Windows-1252 punctuation that Latin-1 lacks ("€", "œ", "—") is read back as
// written: from a number format by xlrd, from a page footer by Gnumeric.
TEST_F(XlsExportTest, CurrencyAndPunctuationInFormatsAndFooters) {
  OpenCatalogue(ThreeFilms());
  TQExportXLS e;
  e.DataSet = table.get();
  e.ExportedFields = {"Reference", "Nb_cd"};
  e.Formats.SetFloatFormat("#,##0.00 €");
  e.Options.PageFooter = "Cœur — page &P";
  const Book book = ExportAndRead(e);
  ASSERT_TRUE(book.ok);
  EXPECT_EQ(book.FormatOf(0, 1, 1).format, "#,##0.00 €");
  const std::string gnumeric = dir / "classeur.gnumeric";
  auto r = test::RunProgram({"ssconvert", path, gnumeric});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  auto xml = test::RunProgram({"zcat", gnumeric});
  EXPECT_NE(xml.out.find("<gnm:Footer Left=\"Cœur — page &amp;[PAGE]\""), std::string::npos)
      << xml.out;
}

// Without GoToFirstRecord, the skipped records are counted from 1 at every
// export, wherever the source stands.
TEST_F(XlsExportTest, SkippedRecordsCountFromOne) {
  OpenCatalogue(FourFilms());
  TQExportXLS e;
  TxlsSheet& sheet = e.Sheets.Add();  // kept from one export to the next
  sheet.DataSet = table.get();
  sheet.GoToFirstRecord = false;
  sheet.SkipRecCount = 2;
  std::vector<int> skipped;
  e.OnSkippedRecord = [&](TQExport*, int n) { skipped.push_back(n); };
  for (int run = 0; run < 2; ++run) {
    table->First();
    skipped.clear();
    ASSERT_TRUE(ExportAndRead(e).ok);
    EXPECT_EQ(skipped, (std::vector<int>{1, 2})) << run;
  }
}

TEST_F(XlsExportTest, SheetsForgetARemovedSource) {
  OpenCatalogue(ThreeFilms());
  MemoryStringGrid grid;
  TQExportXLS e;
  e.Sheets.Add().DataSet = table.get();
  e.Sheets.Add().StringGrid = &grid;
  e.Sheets[1].DataSet = table.get();
  e.Notification(table.get());
  EXPECT_EQ(e.Sheets[0].DataSet, nullptr);
  EXPECT_EQ(e.Sheets[1].DataSet, nullptr);
  EXPECT_EQ(e.Sheets[1].StringGrid, &grid);
  EXPECT_EQ(e.Sheets[1].Title, "Sheet 2");
}

TEST_F(XlsExportTest, SheetLimitsKeepTheEarlierFile) {
  // 65,535 records and the caption row fill a sheet exactly; one more does not fit.
  MemoryStringGrid grid;
  grid.rows.push_back({"N"});
  for (int i = 0; i < 65535; ++i) grid.rows.push_back({std::to_string(i % 7)});
  TQExportXLS e;
  e.ExportSource = TQExportSource::esStringGrid;
  e.StringGrid = &grid;
  e.CaptionRow = 0;
  const Book full = ExportAndRead(e);
  ASSERT_TRUE(full.ok);
  EXPECT_EQ(full.sheets[0].rows, 65536);
  EXPECT_EQ(full.At(0, 65535, 0).value, "0");

  // The sheet that does not fit leaves the earlier workbook as it was.
  const std::string earlier = test::ReadFile(path);
  grid.rows.push_back({"x"});
  e.FileName = path;
  try {
    e.Execute();
    FAIL() << "no error";
  } catch (const XlsLimitError& err) {
    EXPECT_STREQ(err.what(),
                 "La feuille Sheet 1 ne tient pas dans un classeur XLS : une feuille a au plus "
                 "65536 lignes");
  }
  EXPECT_EQ(test::ReadFile(path), earlier);
  ::unlink(path.c_str());

  // Columns: 250 leading columns and 7 fields are 257.
  OpenCatalogue(ThreeFilms());
  TQExportXLS wide;
  wide.DataSet = table.get();
  wide.ExportedFields = {"Index", "Reference", "Titre", "Genre", "Support", "Nom", "Nb_cd"};
  wide.StartDataCol = 250;
  wide.FileName = path;
  EXPECT_THROW(wide.Execute(), XlsLimitError);
  EXPECT_FALSE(platform::FileExists(path));
  EXPECT_FALSE(table->ControlsDisabled());
}

}  // namespace
}  // namespace kvn::exporting
