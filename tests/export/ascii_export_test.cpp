// The four text formats, byte for byte on a small catalogue, and read back by
// independent readers: Python's csv module, and Gnumeric's ssconvert for DIF
// and SYLK.
#include "export/text/ascii_export.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "tests/export/export_fixture.h"
#include "tests/support/run_program.h"

namespace kvn::exporting {
namespace {

using platform::Cp1252ToUtf8;

class AsciiExportTest : public CatalogueTest {
 protected:
  void SetUp() override { OpenCatalogue(ThreeFilms()); }
  std::string Export(TQExportASCIIType type) {
    TQExportASCII e;
    Configure(e, type);
    return Run(e);
  }
  void Configure(TQExportASCII& e, TQExportASCIIType type) {
    e.DataSet = table.get();
    e.SetExportType(type);
    e.CSVComma = ';';
    e.ExportedFields = {"Reference", "Titre", "Durée", "Prêté_le", "Nb_cd"};
    // "Durée" and "Prêté_le" in the engine's 8-bit text.
    e.ExportedFields[2] = "Durée";
    e.ExportedFields[3] = "Prêté_le";
  }
  // Converts a file with ssconvert and returns the CSV text it reads.
  std::string ReadWithGnumeric(const std::string& bytes, const char* ext) {
    const std::string in = dir / (std::string("in.") + ext);
    const std::string out = dir / "out.csv";
    test::WriteFile(in, bytes);
    auto r = test::RunProgram({"ssconvert", "--export-type=Gnumeric_stf:stf_csv", in, out});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return test::ReadFile(out);
  }
};

TEST_F(AsciiExportTest, CsvBytes) {
  EXPECT_EQ(Cp1252ToUtf8(Export(TQExportASCIIType::etCSV)),
            "\"Reference\";\"Titre\";\"Durée\";\"Prêté_le\";\"Nb_cd\"\r\n"
            "\"R1\";\"Amélie\";\"02:02\";\"\";\"1,00\"\r\n"
            "\"R2\";\"Le \"\"Grand\"\" Bleu; suite\";\"02:48\";\"15/03/2024\";\"2,50\"\r\n"
            "\"R3\";\"Zazie\";\"01:33\";\"\";\"1\xC2\xA0"
            "234,00\"\r\n");
}

TEST_F(AsciiExportTest, CsvVariants) {
  TQExportASCII e;
  Configure(e, TQExportASCIIType::etCSV);
  e.ExportedFields = {"Reference", "Titre"};
  e.Header = {"Catalogue"};
  e.Footer = {"Fin"};
  e.CSVQuote = '\0';  // no quoting even with QuoteStrings on
  EXPECT_EQ(Run(e),
            "Catalogue;\r\nReference;Titre\r\nR1;Am\xE9lie\r\nR2;Le \"Grand\" Bleu; "
            "suite\r\nR3;Zazie\r\nFin;\r\n");
  EXPECT_FALSE(e.AutoCalcColWidth);  // a CSV export turns it off...
  e.SetExportType(TQExportASCIIType::etSYLK);
  EXPECT_FALSE(e.AutoCalcColWidth);
  e.SetExportType(TQExportASCIIType::etTXT);
  EXPECT_TRUE(e.AutoCalcColWidth);  // ...until the type is TXT again
}

TEST_F(AsciiExportTest, PythonCsvReadsEveryField) {
  TQExportASCII e;
  Configure(e, TQExportASCIIType::etCSV);
  table->Edit();
  table->FieldByName("Titre").SetText("Deux\r\nlignes; \"citées\"");
  table->Post();
  const std::string csv = dir / "v.csv";
  test::WriteFile(csv, Run(e));
  auto r = test::RunProgram(
      {"python3", "-c",
       "import csv,sys\n"
       "for row in csv.reader(open(sys.argv[1], newline='', encoding='cp1252'), delimiter=';'):\n"
       "    print(repr(row))\n",
       csv});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "['Reference', 'Titre', 'Durée', 'Prêté_le', 'Nb_cd']\n"
            "['R1', 'Deux\\r\\nlignes; \"citées\"', '02:02', '', '1,00']\n"
            "['R2', 'Le \"Grand\" Bleu; suite', '02:48', '15/03/2024', '2,50']\n"
            "['R3', 'Zazie', '01:33', '', '1\\xa0234,00']\n");
}

TEST_F(AsciiExportTest, TxtBytes) {
  TQExportASCII e;
  Configure(e, TQExportASCIIType::etTXT);
  e.ColumnsWidth = {"Reference=0", "Titre=0"};
  e.ColumnsWidth.Add("Durée=0");
  e.ColumnsWidth.Add("Prêté_le=0");
  e.ColumnsWidth.Add("Nb_cd=0");
  e.Title = "Mes films";
  e.Header = {"En-tete"};
  e.Footer = {"Pied"};
  EXPECT_EQ(Cp1252ToUtf8(Run(e)),
            "Mes films\r\n" + std::string(80, '-') +
                "\r\n\r\n"
                "En-tete\r\n"
                // Widths come from the raw texts ("02:02:00", "1234"): a longer
                // formatted value pushes its line, it is never cut.
                "Reference Titre                  Durée    Prêté_le   Nb_cd \r\n"
                "R1        Amélie                 02:02                1,00 \r\n"
                "R2        Le \"Grand\" Bleu; suite 02:48    15/03/2024  2,50 \r\n"
                "R3        Zazie                  01:33               1\xC2\xA0"
                "234,00 \r\n"
                "Pied\r\n");
}

TEST_F(AsciiExportTest, TxtCellsAreNeverCut) {
  TQExportASCII e;
  Configure(e, TQExportASCIIType::etTXT);
  e.ExportedFields = {"Titre", "Nb_cd"};
  e.AutoCalcColWidth = false;
  e.ColumnsWidth = {"Titre=5", "Nb_cd=6"};
  e.UserFormats = {"Nb_cd=0"};
  e.AllowCaptions = false;
  EXPECT_EQ(Cp1252ToUtf8(Run(e)),
            "Amélie      1 \r\n"
            "Le \"Grand\" Bleu; suite      3 \r\n"
            "Zazie   1234 \r\n");
}

TEST_F(AsciiExportTest, DifBytesAndGnumericReadsThem) {
  TQExportASCII e;
  Configure(e, TQExportASCIIType::etDIF);
  e.Title = "Films \"cultes\"";
  std::vector<int> fetched;
  e.OnFetchedRecord = [&](TQExport*, int n) { fetched.push_back(n); };
  const std::string dif = Run(e);
  EXPECT_EQ(fetched, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(
      Cp1252ToUtf8(dif),
      "TABLE\r\n0,1\r\n\"Films \"cultes\"\"\r\nVECTORS\r\n0,5\r\n\"\"\r\nTUPLES\r\n0,4\r\n\"\"\r\n"
      "DATA\r\n0,0\r\n\"\"\r\n"
      "-1,0\r\nBOT\r\n1,0\r\n\"Reference\"\r\n1,0\r\n\"Titre\"\r\n1,0\r\n\"Durée\"\r\n1,"
      "0\r\n\"Prêté_le\"\r\n1,0\r\n\"Nb_cd\"\r\n"
      "-1,0\r\nBOT\r\n1,0\r\n\"R1\"\r\n1,0\r\n\"Amélie\"\r\n1,0\r\n\"02:02\"\r\n1,0\r\n\"\"\r\n0,1."
      "00\r\nV\r\n"
      "-1,0\r\nBOT\r\n1,0\r\n\"R2\"\r\n1,0\r\n\"Le \"Grand\" Bleu; "
      "suite\"\r\n1,0\r\n\"02:48\"\r\n1,0\r\n\"15/03/2024\"\r\n0,2.50\r\nV\r\n"
      "-1,0\r\nBOT\r\n1,0\r\n\"R3\"\r\n1,0\r\n\"Zazie\"\r\n1,0\r\n\"01:33\"\r\n1,0\r\n\"\"\r\n0,"
      "1234.00\r\nV\r\n"
      "-1,0\r\nEOD\r\n");
  // Every row arrives, numbers as numbers and the quoted title whole (the
  // reader shows the times it recognises with their seconds).
  EXPECT_EQ(ReadWithGnumeric(dif, "dif"),
            "Reference,Titre,Durée,Prêté_le,Nb_cd\n"
            "R1,Amélie,02:02:00,,1\n"
            "R2,\"Le \"\"Grand\"\" Bleu; suite\",02:48:00,15/03/2024,2.5\n"
            "R3,Zazie,01:33:00,,1234\n");
}

TEST_F(AsciiExportTest, DifWithoutColumnsOrRecords) {
  test::TempDir other;
  test::MakeCatalogue(other.Path(), 3);
  db::Database db2(other.Path());
  db::Table empty(db2);
  empty.SetTableName("Video");
  empty.Open();
  TQExportASCII e;
  e.DataSet = &empty;
  e.SetExportType(TQExportASCIIType::etDIF);
  e.AllowCaptions = false;
  EXPECT_EQ(Run(e).substr(Run(e).size() - 11), "-1,0\r\nEOD\r\n");
  EXPECT_NE(Run(e).find("TUPLES\r\n0,0\r\n"), std::string::npos);
}

TEST_F(AsciiExportTest, SylkBytesAndGnumericReadsThem) {
  TQExportASCII e;
  Configure(e, TQExportASCIIType::etSYLK);
  e.ExportedFields = {"Reference", "Titre"};
  table->Edit();
  table->FieldByName("Titre").SetText("Fin;\nde ligne");
  table->Post();
  const std::string slk = Run(e);
  EXPECT_EQ(Cp1252ToUtf8(slk),
            "ID;PVASCIIEXPORT\r\n"
            "C;X1;Y1;K\"Reference\"\r\nC;X2;Y1;K\"Titre\"\r\n"
            "C;X1;Y2;K\"R1\"\r\nC;X2;Y2;K\"Fin;; de ligne\"\r\n"
            "C;X1;Y3;K\"R2\"\r\nC;X2;Y3;K\"Le \"Grand\" Bleu;; suite\"\r\n"
            "C;X1;Y4;K\"R3\"\r\nC;X2;Y4;K\"Zazie\"\r\n"
            "E\r\n");
  EXPECT_EQ(
      ReadWithGnumeric(slk, "slk"),
      "Reference,Titre\nR1,\"Fin; de ligne\"\nR2,\"Le \"\"Grand\"\" Bleu; suite\"\nR3,Zazie\n");
  e.AllowCaptions = false;
  EXPECT_EQ(Run(e).substr(18, 14), "C;X1;Y1;K\"R1\"\r");
}

TEST_F(AsciiExportTest, SettingsRoundTrip) {
  TQExportASCII e;
  Configure(e, TQExportASCIIType::etCSV);
  e.CSVComma = '\t';
  e.CSVQuote = '\'';
  e.TXTSpacing = 3;
  e.Captions = {"Titre=Film"};
  e.Header = {"ligne une", "ligne deux"};
  e.Formats.SetFloatFormat("0.0");
  e.SkipRecCount = 2;
  platform::IniFile ini(dir / "ascii.ini");
  e.SaveToIni(ini);
  EXPECT_EQ(ini.ReadString("ASCII", "Comma", ""), "#9");
  EXPECT_EQ(ini.ReadString("FIELDS", "field2", ""), "Durée");
  EXPECT_EQ(ini.ReadString("CAPTIONS", "line0", ""), "Titre=Film");
  TQExportASCII back;
  back.LoadFromIni(platform::IniFile(dir / "ascii.ini"));
  EXPECT_EQ(back.ExportType(), TQExportASCIIType::etCSV);
  EXPECT_EQ(back.CSVComma, '\t');
  EXPECT_EQ(back.CSVQuote, '\'');
  EXPECT_EQ(back.TXTSpacing, 3);
  EXPECT_EQ(back.Captions, e.Captions);
  EXPECT_EQ(back.Header, e.Header);
  EXPECT_EQ(back.ExportedFields, e.ExportedFields);
  EXPECT_EQ(back.Formats.FloatFormat(), "0.0");
  EXPECT_EQ(back.Formats.IntegerFormat(), "#,###,##0");
  EXPECT_EQ(back.SkipRecCount, 2);
}

TEST_F(AsciiExportTest, AbortWritesTheClosingTextOnce) {
  for (auto type :
       {TQExportASCIIType::etCSV, TQExportASCIIType::etDIF, TQExportASCIIType::etSYLK}) {
    TQExportASCII e;
    Configure(e, type);
    e.Footer = {"Fin"};
    e.OnExportedRecord = [](TQExport* s, int) { s->Abort(); };
    std::string out = Run(e);
    const char* closing = type == TQExportASCIIType::etCSV   ? "Fin;\r\n"
                          : type == TQExportASCIIType::etDIF ? "-1,0\r\nEOD\r\n"
                                                             : "\r\nE\r\n";
    EXPECT_EQ(out.find(closing), out.rfind(closing)) << static_cast<int>(type);
    EXPECT_EQ(out.substr(out.size() - std::string(closing).size()), closing);
  }
}

}  // namespace
}  // namespace kvn::exporting
