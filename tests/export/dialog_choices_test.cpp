// The export dialog's choices without its window: what an export receives from
// them, the user formats, the Excel styles file, and the options file's
// loading rules.
#include "export/dialog_choices.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/codepage.h"
#include "platform/locale_settings.h"
#include "tests/export/export_fixture.h"
#include "tests/support/message_of.h"

namespace kvn::exporting {
namespace {

class DialogChoicesTest : public CatalogueTest {
 protected:
  ExportDialogSettings Settings() {
    ExportDialogSettings s;
    s.DataSet = table.get();
    s.FileName = dir / "video.xls";
    return s;
  }
};

TEST_F(DialogChoicesTest, WhatAnExportReceives) {
  OpenTable(
      "CREATE TABLE t (Titre VARCHAR(40), Resume TEXT, Nb INTEGER, Sortie DATE);"
      "INSERT INTO t VALUES ('Zazie', 'Une fillette à Paris', 3, '1960-10-28');");
  ExportChoices c(Settings());
  // No field chosen: every field but the memo.
  c.SetType(aeSQL);
  EXPECT_EQ(c.FileName, dir / "video.sql");
  TQExport& sql = c.PrepareExport();
  EXPECT_EQ(&sql, &c.SQLExp);
  EXPECT_EQ(sql.ExportedFields.Lines(), (std::vector<std::string>{"Titre", "Nb", "Sortie"}));
  // No table name: the file's name in capitals.
  EXPECT_EQ(c.SQLExp.TableName, "VIDEO");
  c.SqlTableName = "films";
  c.SqlStatementTerm = "/";
  c.PrepareExport();
  EXPECT_EQ(c.SQLExp.TableName, "films");
  EXPECT_EQ(c.SQLExp.StatementTerm, '/');

  // Captions differing from their field only; PDF widths only where the user
  // changed the source's.
  c.SetType(aePDF);
  c.Captions[0].caption = "Le titre";
  c.Captions[2].width = "4";
  TQExport& pdf = c.PrepareExport();
  EXPECT_EQ(pdf.Captions.Lines(), std::vector<std::string>{"Titre=Le titre"});
  EXPECT_EQ(pdf.ColumnsWidth.Lines(), std::vector<std::string>{"Nb=4"});
  EXPECT_EQ(pdf.ColumnsAlign.Value("Nb"), "Right");
  c.SetType(aeRTF);
  TQExport& rtf = c.PrepareExport();
  EXPECT_EQ(rtf.ColumnsWidth.Value("Titre"), "40");
  // CSV: every alignment Left, every width empty.
  c.SetType(aeCSV);
  TQExport& csv = c.PrepareExport();
  EXPECT_EQ(csv.ColumnsAlign.Value("Nb"), "Left");
  EXPECT_EQ(csv.ColumnsWidth.Value("Nb"), "");
  EXPECT_TRUE(csv.ColumnsWidth.HasName("Nb"));
  // The clipboard: no file.
  c.SetType(aeClipboard);
  c.FileName.clear();
  EXPECT_TRUE(c.CanStart());
  EXPECT_EQ(&c.PrepareExport(), &c.ClipExp);
}

TEST_F(DialogChoicesTest, UserFormats) {
  OpenTable("CREATE TABLE t (Titre VARCHAR(40), Nb INTEGER, Prix FLOAT, Sortie DATE, Duree TIME);");
  ExportDialogSettings s = Settings();
  s.UserFormats = {"Nb=000"};
  ExportChoices c(s);
  EXPECT_EQ(c.UserFormatFields(), (std::vector<std::string>{"Nb", "Prix", "Sortie", "Duree"}));
  // The component's own user formats are listed.
  EXPECT_EQ(c.UserFormats.Lines(), std::vector<std::string>{"Nb=000"});
  const platform::LocaleSettings& l = platform::LocaleSettings::Current();
  EXPECT_EQ(c.FormatSuggestions("Nb"), (std::vector<std::string>{"#,###,##0", "0"}));
  EXPECT_EQ(c.FormatSuggestions("Prix").size(), 4u);
  EXPECT_EQ(c.FormatSuggestions("Sortie"),
            (std::vector<std::string>{l.shortDateFormat, l.longDateFormat}));
  EXPECT_EQ(c.FormatSuggestions("Duree"),
            (std::vector<std::string>{l.shortTimeFormat, l.longTimeFormat}));
  c.AddUserFormat("nb", "0");
  c.AddUserFormat("Sortie", "yyyy");
  c.AddUserFormat("Prix", "");
  EXPECT_EQ(c.UserFormats.Lines(), (std::vector<std::string>{"nb=0", "Sortie=yyyy"}));
}

TEST_F(DialogChoicesTest, ExcelStylesFileAndOptionsLoading) {
  OpenCatalogue(ThreeFilms());
  ExportChoices c(Settings());
  c.XlsStyles.resize(2);
  c.XlsStyles[0].Font.Style.Include(xfsBold);
  c.XlsStyles[1].Fill.Background = clrYellow;
  c.SaveXlsStyles(dir / "styles.stl");
  ExportChoices other(Settings());
  other.LoadXlsStyles(dir / "styles.stl");
  ASSERT_EQ(other.XlsStyles.size(), 2u);
  EXPECT_TRUE(other.XlsStyles[0].Font.Style.Has(xfsBold));
  EXPECT_EQ(other.XlsStyles[1].Fill.Background, clrYellow);

  // A type not offered leaves the current one; a field the source lacks is
  // ignored; an options file with a value out of range changes nothing.
  ExportDialogSettings s = Settings();
  s.AllowedExports = {aeXLS, aeCSV};
  ExportChoices limited(s);
  test::WriteFile(dir / "o.cfg",
                  "[GENERAL]\nExportType=3\n[FIELDS]\nfield0=Inconnu\nfield1=titre\n");
  limited.LoadOptions(platform::IniFile(dir / "o.cfg"));
  EXPECT_EQ(limited.Type(), aeXLS);
  EXPECT_EQ(limited.Exported, std::vector<std::string>{"Titre"});
  test::WriteFile(dir / "bad.cfg", "[GENERAL]\nExportType=8\nSkipRecCount=-1\n");
  EXPECT_NE(test::MessageOf([&] {
              limited.LoadOptions(platform::IniFile(dir / "bad.cfg"));
            }).find("SkipRecCount"),
            std::string::npos);
  EXPECT_EQ(limited.Type(), aeXLS);

  ExportDialogSettings none = Settings();
  none.AllowedExports.clear();
  EXPECT_EQ(test::MessageOf([&] { ExportChoices x(none); }),
            "La propriété Allowed ne peut être vide");
  none.DataSet = nullptr;
  EXPECT_EQ(test::MessageOf([&] { ExportChoices x(none); }), "La source (DataSet) n'est pas liée");
}

// Every page's options come back from the file they were saved to: changed
// values are read back, and a file saved again after loading is the same.
TEST_F(DialogChoicesTest, EveryPageRoundTripsThroughItsOptionsFile) {
  OpenCatalogue(ThreeFilms());
  struct Case {
    int type;
    std::function<void(ExportChoices&)> change;
    std::function<void(ExportChoices&)> check;
  } cases[] = {
      {aeXLS,
       [](ExportChoices& c) {
         c.XLSExp.Options.PageHeader = "Mes films « VHS »";
         c.XLSExp.Options.SetSheetTitle("Catalogue");
         c.XLSExp.StripType = ssRow;
         c.XLSExp.AutoCalcColWidth = false;
       },
       [](ExportChoices& c) {
         EXPECT_EQ(c.XLSExp.Options.PageHeader, "Mes films « VHS »");
         EXPECT_EQ(c.XLSExp.Options.SheetTitle(), "Catalogue");
         EXPECT_EQ(c.XLSExp.StripType, ssRow);
         EXPECT_FALSE(c.XLSExp.AutoCalcColWidth);
       }},
      {aeRTF,
       [](ExportChoices& c) {
         c.RTFExp.Options.PageOrientation = TQExportPageOrientation::poLandscape;
       },
       [](ExportChoices& c) {
         EXPECT_EQ(c.RTFExp.Options.PageOrientation, TQExportPageOrientation::poLandscape);
       }},
      {aeHTML,
       [](ExportChoices& c) {
         c.HTMLExp.Title = "Vidéothèque";
         c.HTMLExp.UsingCSS = TUsingCSS::usExternal;
         c.HtmlMultiFile = true;
         c.HtmlMaxRecords = 25;
         c.HTMLExp.Navigation.NextLinkTitle = "Suivant »";
         c.HTMLExp.TableOptions.CellPadding = 7;
         c.HTMLExp.HTMLOptions.LinkColor = 0x00336699;
         c.HTMLExp.TableOptions.AdvancedAttributes.Clear();
         c.HTMLExp.TableOptions.AdvancedAttributes.Add("summary=\"films\"");
       },
       [](ExportChoices& c) {
         EXPECT_EQ(c.HTMLExp.Title, "Vidéothèque");
         EXPECT_EQ(c.HTMLExp.UsingCSS, TUsingCSS::usExternal);
         EXPECT_TRUE(c.HtmlMultiFile);
         EXPECT_EQ(c.HtmlMaxRecords, 25);
         EXPECT_EQ(c.HTMLExp.Navigation.NextLinkTitle, "Suivant »");
         EXPECT_EQ(c.HTMLExp.TableOptions.CellPadding, 7);
         EXPECT_EQ(c.HTMLExp.HTMLOptions.LinkColor, 0x00336699);
         EXPECT_EQ(c.HTMLExp.TableOptions.AdvancedAttributes.Lines(),
                   std::vector<std::string>{"summary=\"films\""});
       }},
      {aeXML, [](ExportChoices& c) { c.XMLExp.Options.Encoding = "ISO-8859-15"; },
       [](ExportChoices& c) { EXPECT_EQ(c.XMLExp.Options.Encoding, "ISO-8859-15"); }},
      {aePDF,
       [](ExportChoices& c) {
         c.PDFExp.Options.ColSpacing = 2.5;
         c.PDFExp.Options.GridLineWidth = 3;
         c.PDFExp.Options.DataFont.FontSize = 9;
       },
       [](ExportChoices& c) {
         EXPECT_EQ(c.PDFExp.Options.ColSpacing, 2.5);
         EXPECT_EQ(c.PDFExp.Options.GridLineWidth, 3);
         EXPECT_EQ(c.PDFExp.Options.DataFont.FontSize, 9);
       }},
      {aeTXT,
       [](ExportChoices& c) {
         c.TxtSpacing = 4;
         c.ASCIIExp.Encoding = "UTF-8";
       },
       [](ExportChoices& c) {
         EXPECT_EQ(c.TxtSpacing, 4);
         EXPECT_EQ(c.ASCIIExp.Encoding, "UTF-8");
       }},
      {aeCSV,
       [](ExportChoices& c) {
         c.ASCIIExp.CSVComma = '\t';
         c.ASCIIExp.CSVQuote = '\'';
       },
       [](ExportChoices& c) {
         EXPECT_EQ(c.ASCIIExp.CSVComma, '\t');
         EXPECT_EQ(c.ASCIIExp.CSVQuote, '\'');
       }},
      {aeSQL,
       [](ExportChoices& c) {
         c.SqlTableName = "films";
         c.SqlStatementTerm.clear();
         c.SQLExp.CommitRecCount = 100;
       },
       [](ExportChoices& c) {
         EXPECT_EQ(c.SqlTableName, "films");
         EXPECT_EQ(c.SqlStatementTerm, "");
         EXPECT_EQ(c.SQLExp.CommitRecCount, 100);
       }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.type);
    ExportChoices c(Settings());
    c.SetType(k.type);
    c.SkipRecCount = 2;
    c.Formats.SetDateFormat("dd/mm/yyyy");
    k.change(c);
    const std::string first = dir / ("a" + std::to_string(k.type) + ".cfg");
    {
      platform::IniFile ini(first);
      c.SaveOptions(ini);
    }
    ASSERT_NE(test::ReadFile(first).find("[GENERAL]\nExportType=" + std::to_string(k.type)),
              std::string::npos);
    ExportChoices back(Settings());
    back.LoadOptions(platform::IniFile(first));
    EXPECT_EQ(back.Type(), k.type);
    EXPECT_EQ(back.SkipRecCount, 2);
    EXPECT_EQ(back.Formats.DateFormat(), "dd/mm/yyyy");
    k.check(back);
    const std::string second = dir / ("b" + std::to_string(k.type) + ".cfg");
    {
      platform::IniFile ini(second);
      back.SaveOptions(ini);
    }
    EXPECT_EQ(test::ReadFile(second), test::ReadFile(first));
  }
}

// Hostile options files: each is refused, naming the section and key, and
// leaves every choice as it was (type, file name, header, fields, formats).
TEST_F(DialogChoicesTest, HostileOptionsFilesChangeNothing) {
  OpenCatalogue(ThreeFilms());
  ExportChoices c(Settings());
  c.SetType(aeCSV);
  c.FileName = dir / "avant.csv";
  c.Header.Add("Entête d'avant");
  c.MoveToExported(0);
  c.ASCIIExp.CSVComma = ';';
  const auto snapshot = [&] {
    return std::to_string(c.Type()) + "|" + c.FileName + "|" + std::to_string(c.Header.Count()) +
           "|" + std::to_string(c.Exported.size()) + "|" + c.Formats.NullString() + "|" +
           c.ASCIIExp.CSVComma;
  };
  const std::string before = snapshot();
  const std::string big(1 << 20, 'n');
  struct Case {
    const char* name;
    std::string text;
    const char* refused;  // a part of the message
  };
  const Case cases[] = {
      {"a null string of 1 MB", "[GENERAL]\nExportType=6\n[FORMATS]\nNullString=" + big + "\n",
       "section [FORMATS], clé NullString"},
      {"a commit statement of 1 MB",
       "[GENERAL]\nExportType=12\n[SQL]\nCommitStatement=" + big + "\n",
       "section [SQL], clé CommitStatement"},
      {"a header line of 1 MB", "[HEADER]\nline0=" + big + "\n", "section [HEADER], clé line0"},
      {"too many header lines",
       [] {
         std::string t = "[HEADER]\n";
         for (int i = 0; i < 1001; ++i) t += "line" + std::to_string(i) + "=x\n";
         return t;
       }(),
       "section [HEADER] : 1001 lignes"},
      {"a boolean that is a word", "[GENERAL]\nExportType=1\nShowFile=peut-être\n",
       "clé ShowFile : la valeur « peut-être »"},
      {"a boolean of 2", "[CSV]\nQuoteStrings=2\n", "clé QuoteStrings : la valeur « 2 »"},
      {"an unknown encoding", "[GENERAL]\nExportType=4\n[XML]\nEncoding=KLINGON-9\n",
       "clé Encoding : la valeur « KLINGON-9 »"},
      {"a colour that is none", "[HTML]\nLinkColor=bleuâtre\n",
       "clé LinkColor : la valeur « bleuâtre »"},
      {"a colour out of the workbook's palette", "[XLS_OPTION_ENTETE]\nFontColor=$00123456\n",
       "clé FontColor"},
      {"an alignment", "[ALIGN]\nTitre=Diagonale\n",
       "section [ALIGN], clé Titre : la valeur « Diagonale »"},
      {"a strip type", "[XLS]\nStripType=7\n", "clé StripType : la valeur « 7 »"},
      {"a sheet title Excel refuses", "[XLS]\nSheetTitle=" + std::string(40, 'f') + "\n",
       "clé SheetTitle"},
      {"a quote equal to the separator",
       "[GENERAL]\nExportType=8\nFileName=x.csv\n[CSV]\nQuote=;\n",
       "clé Quote : la valeur « ; » est refusée (le guillemet doit différer du séparateur)"},
      {"UTF-16", std::string("\xFF\xFE[\0G\0E\0N\0]\0", 12), "n'est pas un fichier texte"},
      {"NUL bytes", std::string("[GENERAL]\nFileName=a\0b\n", 22), "n'est pas un fichier texte"},
      {"binary",
       std::string("\x7F"
                   "ELF\x02\x01\x01\x00\x00",
                   9),
       "n'est pas un fichier texte"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    test::WriteFile(dir / "hostile.cfg", k.text);
    const std::string message =
        test::MessageOf([&] { c.LoadOptions(platform::IniFile(dir / "hostile.cfg")); });
    EXPECT_NE(message.find(k.refused), std::string::npos) << message.substr(0, 300);
    EXPECT_LT(message.size(), 1000u) << "the refused value is not quoted whole";
    EXPECT_EQ(snapshot(), before);
  }
  // A file that does not mention the header, the fields or the user formats
  // empties them, as loading does; the type's own values stay.
  test::WriteFile(dir / "court.cfg", "[GENERAL]\nExportType=8\n");
  c.UserFormats.Add("Titre=x");
  c.LoadOptions(platform::IniFile(dir / "court.cfg"));
  EXPECT_TRUE(c.Header.Empty());
  EXPECT_TRUE(c.Exported.empty());
  EXPECT_TRUE(c.UserFormats.Empty());
  EXPECT_EQ(c.ASCIIExp.CSVComma, ';');
}

}  // namespace
}  // namespace kvn::exporting
