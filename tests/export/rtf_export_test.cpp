// RTF documents byte for byte (header, tables, page words, row definition,
// caption and data cells, escaping), fonts registered late inserted in their
// table, and LibreOffice reading the RTF and Word files back as text.
#include "export/rtf/rtf_export.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/file_info.h"
#include "tests/export/export_fixture.h"
#include "tests/support/run_program.h"

namespace kvn::exporting {
namespace {

using RtfExportTest = CatalogueTest;

TEST_F(RtfExportTest, ADocumentByteForByte) {
  test::Film f;
  f.reference = "R1";
  f.titre = "C:\\films {Été}";
  f.genre = "Deux\r\nlignes\nici";
  OpenCatalogue({f});
  TQExportRTF e;
  Link(e, {"Reference", "Titre", "Genre"});
  e.ColumnsWidth = {"Reference=10", "Titre=20", "Genre=5"};
  e.Header = {"{\\b Ma liste}"};
  e.Footer = {"Fin"};
  const std::string doc = Run(e);
  // X of Arial 10 pt bold: 9 pixels; edges 36 + width × 9 × 15 + 10.
  const std::string expected =
      "{\\rtf1\\ansi\\deff0\\deftab720\r\n"
      "{\\fonttbl{\\f0\\fnil Arial;}{\\f1\\fnil Arial;}}\r\n"
      "{\\colortbl\\red0\\green0\\blue0;}\r\n"
      "\\f0\\fs20\r\n"
      "\\paperw11906\r\n\\paperh16838\r\n"
      "{\\b Ma liste}\r\n\\par\r\n"
      "\\par\r\n"
      "\\trowd\\trql\\trgaph0\\trleft36\r\n"
      "\\clbrdrl\\brdrth \\clbrdrr\\brdrth \\clbrdrt\\brdrth \\clbrdrb\\brdrth\r\n\\cellx1396\r\n"
      "\\clbrdrl\\brdrth \\clbrdrr\\brdrth \\clbrdrt\\brdrth \\clbrdrb\\brdrth\r\n\\cellx4106\r\n"
      "\\clbrdrl\\brdrth \\clbrdrr\\brdrth \\clbrdrt\\brdrth \\clbrdrb\\brdrth\r\n\\cellx4791\r\n"
      "\\f0\\fs20\r\n"
      "\\pard\\intbl\\li30\\ri30{\\b Reference}\\cell\\pard\\intbl\\li30\\ri30{\\b Titre}\\cell"
      "\\pard\\intbl\\li30\\ri30{\\b Genre}\\cell\\row\r\n"
      "\\f0\\fs20\r\n"
      "\\pard\\intbl\\li30\\ri30\\ql{R1}\\cell"
      "\\pard\\intbl\\li30\\ri30\\ql{C:\\\\films \\{\\'c9t\\'e9\\}}\\cell"
      "\\pard\\intbl\\li30\\ri30\\ql{Deux \\par lignes\\line ici}\\cell\\row\r\n"
      "\\pard\r\n\\par\r\n\\par\r\nFin\r\n}";
  EXPECT_EQ(doc, expected);
}

TEST_F(RtfExportTest, LandscapeItalicDataAndFontsRegisteredLate) {
  OpenCatalogue(ThreeFilms());
  TQExportRTF e;
  Link(e, {"Reference"});
  e.Options.PageOrientation = TQExportPageOrientation::poLandscape;
  e.Options.DefaultFont.name = "Times New Roman";
  e.Options.DefaultFont.italic = true;
  e.Options.HeaderFont.bold = false;
  e.AllowCaptions = false;
  const std::string doc = Run(e);
  EXPECT_NE(doc.find("{\\fonttbl{\\f0\\fnil Arial;}{\\f1\\fnil Times New Roman;}}"),
            std::string::npos);
  EXPECT_NE(doc.find("\\f1\\fs20\r\n\\landscape\r\n\\paperw16838\r\n\\paperh11906\r\n"),
            std::string::npos)
      << doc;
  EXPECT_NE(doc.find("\\pard\\intbl\\li30\\ri30\\ql{\\i R1}\\cell\\row"), std::string::npos) << doc;

  // A font or a colour met after the tables are out goes into its table.
  platform::MemoryStream m;
  TQRTFWriter w(nullptr, m);
  w.WriteDocStart();
  w.WriteHeader();
  w.AddFont("nil", "Arial");
  w.AddFont("nil", "Arial");
  w.WriteFontTable();
  w.AddColor(0, 0, 0);
  w.WriteColorTable();
  w.Write("corps");
  Font courier;
  courier.name = "Courier New";
  courier.size = 9;
  EXPECT_EQ(w.GetFontText(courier, false), "\\f2\\fs18");
  EXPECT_EQ(w.GetColorText(platform::clRed, false), "\\cf1");
  EXPECT_EQ(w.GetColorText(platform::clBlack, true), "\\cbpat0");
  EXPECT_EQ(m.Data(),
            "{\\rtf1\\ansi\\deff0\\deftab720\r\n"
            "{\\fonttbl{\\f0\\fnil Arial;}{\\f1\\fnil Arial;}{\\f2\\fnil Courier New;}}\r\n"
            "{\\colortbl\\red0\\green0\\blue0;\\red255\\green0\\blue0;}\r\n"
            "corps");
}

// LibreOffice reads the RTF file and the Word file back with every title,
// accent, brace and backslash in place.
TEST_F(RtfExportTest, ReadBackByAWordProcessor) {
  std::vector<test::Film> films = ThreeFilms();
  test::Film special;
  special.reference = "R9";
  special.titre = "Œdipe {roi} \\ l'Été « 2 »";
  films.push_back(special);
  OpenCatalogue(films);
  for (const char* ext : {"rtf", "doc"}) {
    SCOPED_TRACE(ext);
    TQExportRTF e;
    Link(e, {"Reference", "Titre", "Genre"});
    e.ColumnsWidth = {"Reference=6", "Titre=30", "Genre=10"};
    e.FileName = dir / (std::string("films.") + ext);
    e.Execute();
    // A profile of its own: two conversions never share one.
    auto r = test::RunProgram({"soffice", "-env:UserInstallation=file://" + dir / "profil",
                               "--headless", "--convert-to", "txt:Text (encoded):UTF8", "--outdir",
                               dir / "texte", e.FileName});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const std::string text = test::ReadFile(dir / (std::string("texte/films.txt")));
    for (const char* expected :
         {"Amélie", "Le \"Grand\" Bleu; suite", "Zazie", "Comédie", "Œdipe {roi} \\ l'Été « 2 »"})
      EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
}

}  // namespace
}  // namespace kvn::exporting
