// PDF tables: the page options and their turns, the width measures, a whole
// document byte for byte, rows, alignment, escaping, pages, header and footer
// lines, cell backgrounds, columns sized from their values; qpdf and poppler
// reading the files back.
#include "export/pdf/pdf_export.h"

#include <gtest/gtest.h>

#include <numeric>
#include <regex>

#include "platform/codepage.h"
#include "platform/locale_settings.h"
#include "tests/export/export_fixture.h"
#include "tests/support/message_of.h"
#include "tests/support/run_program.h"

namespace kvn::exporting {
namespace {

// qpdf finds nothing wrong, not even a warning.
void ExpectPdfValid(const std::string& path) {
  auto r = test::RunProgram({"qpdf", "--check", path});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(r.out.find("WARNING"), std::string::npos) << r.out;
}

std::string PdfText(const std::string& path, int page = 0) {
  std::vector<std::string> argv = {"pdftotext", "-layout"};
  if (page > 0) argv.insert(argv.end(), {"-f", std::to_string(page), "-l", std::to_string(page)});
  argv.insert(argv.end(), {path, "-"});
  auto r = test::RunProgram(argv);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return r.out;
}

int PdfPages(const std::string& path) {
  auto r = test::RunProgram({"pdfinfo", path});
  std::smatch m;
  if (std::regex_search(r.out, m, std::regex("Pages:\\s+(\\d+)"))) return std::stoi(m[1]);
  return 0;
}

// The content streams of a document, in page order.
std::vector<std::string> ContentStreams(const std::string& doc) {
  std::vector<std::string> streams;
  for (size_t at = doc.find("stream\r\n"); at != std::string::npos;
       at = doc.find("stream\r\n", at)) {
    at += 8;
    streams.push_back(doc.substr(at, doc.find("endstream", at) - at));
  }
  return streams;
}

std::string Line(double x1, double y1, double x2, double y2) {
  return PdfNumber(x1, 1) + " " + PdfNumber(y1, 1) + " m \r" + PdfNumber(x2, 1) + " " +
         PdfNumber(y2, 1) + " l \r1.0 w \rS\r";
}

std::string Text(const char* font, int x, int y, const std::string& text) {
  return std::string("BT\r/") + font + " 10 Tf\r" + std::to_string(x) + " " + std::to_string(y) +
         " Td (" + text + ") Tj\rET\r";
}

TEST(PdfPageOptions, FormatsMarginsAndTurns) {
  TQExportPDFPageOptions page;
  const TPDFBox media = page.MediaBox(), print = page.PrintBox();
  EXPECT_EQ((std::vector<int>{media.Left, media.Bottom, media.Right, media.Top}),
            (std::vector<int>{0, 0, 594, 840}));
  EXPECT_EQ((std::vector<int>{print.Left, print.Bottom, print.Right, print.Top}),
            (std::vector<int>{84, 56, 552, 784}));
  EXPECT_DOUBLE_EQ(page.MarginLeft(), 1.17);
  EXPECT_DOUBLE_EQ(page.MarginRight(), 0.58);
  EXPECT_DOUBLE_EQ(page.MarginTop(), 0.78);

  // The main window's margins.
  page.SetMarginLeft(1.17);
  page.SetMarginRight(0.57);
  page.SetMarginTop(0.78);
  page.SetMarginBottom(0.78);
  const TPDFBox app = page.PrintBox();
  EXPECT_EQ((std::vector<int>{app.Left, app.Bottom, app.Right, app.Top}),
            (std::vector<int>{84, 56, 553, 784}));

  const std::pair<TQExportPageFormat, std::pair<int, int>> formats[] = {
      {TQExportPageFormat::pfLetter, {612, 792}},
      {TQExportPageFormat::pfLegal, {612, 1008}},
      {TQExportPageFormat::pfA3, {841, 1190}},
      {TQExportPageFormat::pfA4, {595, 841}},
      {TQExportPageFormat::pfA5, {419, 595}},
      {TQExportPageFormat::pfB5_JIS, {516, 728}},
      {TQExportPageFormat::pfUS_Std_Fanfold, {1071, 792}},
      {TQExportPageFormat::pfFanfold, {612, 864}},
  };
  for (const auto& [format, size] : formats) {
    page.SetFormat(format);
    EXPECT_EQ(page.InPoints().width, size.first) << static_cast<int>(format);
    EXPECT_EQ(page.InPoints().height, size.second) << static_cast<int>(format);
  }

  // Landscape: width and height swap, the margins turn; back, all as before.
  page.SetFormat(TQExportPageFormat::pfA4);
  const auto before = page.InPoints();
  page.SetOrientation(TQExportPageOrientation::poLandscape);
  const auto turned = page.InPoints();
  EXPECT_EQ(turned.width, 841);
  EXPECT_EQ(turned.height, 595);
  EXPECT_EQ(turned.left, before.bottom);
  EXPECT_EQ(turned.right, before.top);
  EXPECT_EQ(turned.top, before.left);
  EXPECT_EQ(turned.bottom, before.right);
  page.SetOrientation(TQExportPageOrientation::poPortrait);
  const auto back = page.InPoints();
  EXPECT_EQ(
      std::tie(back.width, back.height, back.left, back.right, back.top, back.bottom),
      std::tie(before.width, before.height, before.left, before.right, before.top, before.bottom));

  // A width of its own makes the format the user's; millimetres in and out.
  page.SetUnits(TQExportUnits::unMillimeter);
  page.SetWidth(100);
  EXPECT_EQ(page.Format(), TQExportPageFormat::pfUser);
  EXPECT_EQ(page.InPoints().width, 283);
  EXPECT_DOUBLE_EQ(page.Width(), 100);
}

// The standard fonts' own metrics, for every character of Windows-1252:
// accented letters as wide as the font draws them (no gap in "l'énigme").
TEST(PdfMeasures, WidthTablesAndAverageCharacters) {
  struct Row {
    TPDFFontName font;
    unsigned char byte;
    int width;
  };
  const Row rows[] = {
      {TPDFFontName::poHelvetica, 'a', 556},
      {TPDFFontName::poHelvetica, 0xE9, 556},  // é
      {TPDFFontName::poHelvetica, 0xC9, 667},
      {TPDFFontName::poHelvetica, ' ', 278},  // É
      {TPDFFontName::poHelvetica, 0x80, 556},
      {TPDFFontName::poHelvetica, 0x27, 191},  // €, '
      {TPDFFontName::poHelveticaBold, 'a', 556},
      {TPDFFontName::poHelveticaBold, 'W', 944},
      {TPDFFontName::poHelveticaBold, 0xEA, 556},
      {TPDFFontName::poTimesRoman, 'a', 444},  // ê
      {TPDFFontName::poTimesRoman, 0xE9, 444},
      {TPDFFontName::poTimesBold, 0xC9, 667},
      {TPDFFontName::poTimesItalic, 'm', 722},
      {TPDFFontName::poTimesBoldItalic, 0x9C, 722},  // œ
      {TPDFFontName::poCourier, 'i', 600},
      {TPDFFontName::poCourierBoldOblique, 0xE9, 600},
      {TPDFFontName::poHelvetica, 0x81, 0},  // no character there
  };
  for (const Row& r : rows)
    EXPECT_EQ(PdfCharWidths(r.font)[r.byte], r.width)
        << PdfBaseFontName(r.font) << " " << int(r.byte);
  // A column of 10 characters with a spacing of 3, at 10 points.
  EXPECT_EQ(CharsWidth(10, 13), 62);
  EXPECT_EQ(CharsWidth(10, 1.5), 7);
  // (722 + 556) x 10 / 1000, truncated.
  EXPECT_EQ(TextWidth("R1", TPDFFontName::poHelvetica, 10), 12);
  EXPECT_EQ(TextWidth("", TPDFFontName::poHelvetica, 10), 0);
  EXPECT_EQ(TextWidth("l'\xC3\xA9nigme", TPDFFontName::poHelvetica, 10), 36);
  // What Windows-1252 lacks is measured in the embedded font: the ś of
  // Liberation Sans is as wide as an s (4667 / 100).
  EXPECT_EQ(TextWidth("Kie\xC5\x9Blowski", TPDFFontName::poHelvetica, 10), 46);
}

using PdfExportTest = CatalogueTest;

// No record and no caption: one page whose stream only sets the grid colour,
// four fonts, and a cross-reference table of 20-byte lines.
TEST_F(PdfExportTest, AnEmptyDocumentByteForByte) {
  OpenCatalogue({});
  TQExportPDF e;
  Link(e, {"Reference"});
  e.AllowCaptions = false;
  const std::string doc = Run(e);

  std::string expected = "%PDF-1.3\r";
  std::vector<size_t> offsets;
  const auto object = [&](const std::string& body) {
    offsets.push_back(expected.size());
    expected += std::to_string(offsets.size()) + " 0 obj\r" + body;
  };
  object("<< /Length 2 0 R >>\rstream\r\n0.00 0.00 0.00 RG\rendstream\rendobj\r");
  object("18 \rendobj\r");
  object("<< /Type /Outlines\r/Count 0\r>>\rendobj\r");
  std::string widths;
  for (int w : PdfCharWidths(TPDFFontName::poHelvetica)) widths += std::to_string(w) + " ";
  for (const char* font : {"DataFont", "CaptionFont", "HeaderFont", "FooterFont"})
    object(std::string("<< /Type /Font\r/Subtype /Type1\r/Name /") + font +
           "\r/BaseFont /Helvetica\r/Encoding /WinAnsiEncoding\r/FirstChar 0\r/LastChar "
           "255\r/Widths [" +
           widths + "]\r>>\rendobj\r");
  object(
      "<< /Font <</DataFont 4 0 R /CaptionFont 5 0 R /HeaderFont 6 0 R /FooterFont 7 0 R  >> "
      "/ProcSet [ /PDF /Text ] >>\rendobj\r");
  object("<< /Type /Pages\r/Count 1\r/Kids [10 0 R ]\r>>\rendobj\r");
  object(
      "<< /Type /Page\r/Parent 9 0 R\r/Resources 8 0 R\r/MediaBox [0 0 594 840]\r/TrimBox [84 56 "
      "552 784]\r"
      "/Contents 1 0 R\r>>\rendobj\r");
  object("<< /Type /Catalog \r/Pages 9 0 R \r/Outlines 3 0 R \r>>\rendobj\r");
  const size_t xref = expected.size();
  expected += "xref\r0 12\r0000000000 65535 f \r";
  for (size_t offset : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \r", offset);
    ASSERT_EQ(std::string(line).size(), 20u);
    expected += line;
  }
  expected +=
      "trailer\r<< /Size 12\r/Root 11 0 R\r>>\rstartxref\r" + std::to_string(xref) + "\r%%EOF";
  EXPECT_EQ(doc, expected);

  test::WriteFile(dir / "vide.pdf", doc);
  ExpectPdfValid(dir / "vide.pdf");
  EXPECT_EQ(PdfPages(dir / "vide.pdf"), 1);
}

// Captions, one row in three alignments, escaping, and the grid around them.
TEST_F(PdfExportTest, RowsAlignmentEscapingAndGrid) {
  test::Film f;
  f.reference = "R1";
  f.titre = "C:\\films (1";
  f.genre = "R1";
  OpenCatalogue({f});
  TQExportPDF e;
  Link(e, {"Reference", "Titre", "Genre"});
  e.ColumnsWidth = {"Reference=10", "Titre=20", "Genre=10"};
  e.ColumnsAlign = {"Reference=Right", "Titre=Left", "Genre=Center"};
  e.Captions = {"Titre=Titre (VF)"};
  const std::string doc = Run(e);
  const auto streams = ContentStreams(doc);
  ASSERT_EQ(streams.size(), 1u);

  // Bounds: 84, +62 (10 + 3 characters), +111 (23), +62.
  EXPECT_EQ(e.ColumnBounds(), (std::vector<int>{84, 146, 257, 319}));
  std::string content = "0.00 0.00 0.00 RG\r";
  // The caption row: a rule, texts 15 points lower, a rule 5 points lower.
  content += Line(84, 784, 319, 784);
  content += Text("CaptionFont", 91, 769, "Reference") +
             Text("CaptionFont", 153, 769, "Titre \\(VF\\)") +
             Text("CaptionFont", 264, 769, "Genre");
  content += Line(84, 764, 319, 764);
  // "R1" is 12 points wide: right-aligned at 146 - 7 - 12, centred at
  // 264 + (48 - 12) / 2. The backslash and the parenthesis are escaped.
  content += Text("DataFont", 127, 749, "R1") + Text("DataFont", 153, 749, "C:\\\\films \\(1") +
             Text("DataFont", 282, 749, "R1");
  content += Line(84, 744, 319, 744);
  // The vertical lines from the grid top to the last rule.
  for (int x : {84, 146, 257, 319}) content += Line(x, 784.5, x, 743.5);
  EXPECT_EQ(streams[0], content);

  test::WriteFile(dir / "ligne.pdf", doc);
  ExpectPdfValid(dir / "ligne.pdf");
  const std::string text = PdfText(dir / "ligne.pdf");
  EXPECT_NE(text.find("C:\\films (1"), std::string::npos) << text;
  EXPECT_NE(text.find("Titre (VF)"), std::string::npos) << text;
}

std::vector<test::Film> Numbered(int n) {
  std::vector<test::Film> films;
  for (int i = 1; i <= n; ++i) {
    test::Film f;
    char ref[8];
    std::snprintf(ref, sizeof ref, "R%03d", i);
    f.reference = ref;
    f.titre = "Été n° " + std::string(ref + 1);
    films.push_back(f);
  }
  return films;
}

// Rows go on as many pages as they need; header and footer lines; cells whose
// handler gives a colour.
TEST_F(PdfExportTest, PagesHeaderFooterAndCellColours) {
  OpenCatalogue(Numbered(100));
  TQExportPDF e;
  Link(e, {"Reference", "Titre"});
  e.ColumnsWidth = {"Reference=6", "Titre=20"};
  e.Header = {"Liste (complète)"};
  e.Footer = {"Fin de la liste"};
  e.Options.DataFont.FontColor = platform::clNavy;
  e.OnGetCellParams = [](TQExport*, int recNo, int colNo, const std::string&, TQExportColAlign&,
                         Font& font, platform::TColor& background) {
    if (recNo == 0 && colNo == 1) {
      background = platform::clYellow;
      font.color = platform::clRed;
    }
  };
  const std::string doc = Run(e);
  const auto streams = ContentStreams(doc);
  // The header line takes 15 + 5 points and the captions 20: 34 rows fit on
  // the first page, 36 on the next, 30 on the last.
  ASSERT_EQ(streams.size(), 3u);
  const auto count = [](const std::string& s, const std::string& what) {
    size_t n = 0;
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count(streams[0], "/DataFont"), 34u * 2);
  EXPECT_EQ(count(streams[1], "/DataFont"), 36u * 2);
  EXPECT_EQ(count(streams[2], "/DataFont"), 30u * 2);
  EXPECT_EQ(streams[0].find(Text("HeaderFont", 84, 769, "Liste \\(compl\xE8te\\)")), 18u);
  // The next pages start with the data colour and a rule at the top.
  EXPECT_EQ(streams[1].rfind("0.00 0.00 0.50 rg\r0.00 0.00 0.00 RG\r" + Line(84, 784, 238, 784), 0),
            0u);
  EXPECT_NE(streams[2].find("BT\r/FooterFont 10 Tf\r84 "), std::string::npos);
  // The first title: a yellow box under red text, each colour set back.
  EXPECT_NE(streams[0].find("1.00 1.00 0.00 rg\r127.0 724.0 111.0 19.5 re f\r0.00 0.00 0.00 rg\r"
                            "1.00 0.00 0.00 rg\rBT\r/DataFont 10 Tf\r134 729 Td ("),
            std::string::npos)
      << streams[0];

  test::WriteFile(dir / "pages.pdf", doc);
  ExpectPdfValid(dir / "pages.pdf");
  EXPECT_EQ(PdfPages(dir / "pages.pdf"), 3);
  const std::string second = PdfText(dir / "pages.pdf", 2);
  EXPECT_NE(second.find("R035"), std::string::npos);
  EXPECT_NE(second.find("Été n° 070"), std::string::npos) << second;
  EXPECT_EQ(second.find("R071"), std::string::npos);
  EXPECT_NE(PdfText(dir / "pages.pdf", 3).find("Fin de la liste"), std::string::npos);
}

// A column with no width of its own is as wide as its longest caption or
// value; a width given is kept.
TEST_F(PdfExportTest, ColumnsWithoutWidthFitTheirValues) {
  OpenCatalogue(ThreeFilms());
  TQExportPDF e;
  Link(e, {"Reference", "Titre", "Genre", "Nom"});
  e.ColumnsWidth = {"Reference=10"};
  Run(e);
  const std::vector<int>& x = e.ColumnBounds();
  ASSERT_EQ(x.size(), 5u);
  EXPECT_EQ(x[1] - x[0], 62);
  const int padding = CharsWidth(10, 3), average = CharsWidth(10, 1);
  const std::pair<int, std::vector<std::string>> columns[] = {
      {1, {"Titre", "Amélie", "Le \"Grand\" Bleu; suite", "Zazie"}},
      {2, {"Genre", "Comédie", "Drame"}},
      {3, {"Nom", "Zoé"}},
  };
  for (const auto& [i, texts] : columns) {
    int widest = 0;
    for (const auto& t : texts)
      widest = std::max(widest, TextWidth(t, TPDFFontName::poHelvetica, 10));
    const int width = x[i + 1] - x[i] - padding;
    EXPECT_GE(width + 1, widest) << i;
    EXPECT_LE(width, widest + average + 1) << i;
  }
}

TEST_F(PdfExportTest, MistakesAreRefused) {
  OpenCatalogue(ThreeFilms());
  TQExportPDF same;
  Link(same, {"Reference"});
  same.Options.HeaderFont.Name = "DataFont";
  EXPECT_EQ(test::MessageOf([&] { Run(same); }), "Font DataFont already exists");

  TQExportPDF margins;
  Link(margins, {"Reference"});
  margins.Options.PageOptions.SetMarginTop(6);
  margins.Options.PageOptions.SetMarginBottom(6);
  EXPECT_EQ(test::MessageOf([&] { Run(margins); }),
            "Les marges de la page PDF ne laissent aucune place au tableau.");
}

// The table's numbers are the user's (a decimal comma here); the document's
// own numbers have a point.
TEST_F(PdfExportTest, NumbersOfTheTableKeepTheUsersSeparator) {
  OpenCatalogue(ThreeFilms());
  TQExportPDF e;
  Link(e, {"Nb_cd"});
  e.Options.GridLineWidth = 1;
  e.Options.RowSpacing = 0.5;
  const std::string doc = Run(e);
  EXPECT_NE(doc.find("(2,50) Tj"), std::string::npos);
  // Sized from the formatted values, the column holds the widest of them.
  EXPECT_NE(doc.find("(1\xA0"
                     "234,00) Tj"),
            std::string::npos);
  const std::vector<int>& x = e.ColumnBounds();
  EXPECT_GE(x[1] - x[0] - CharsWidth(10, 3) + 1, TextWidth("1\u00A0"
                                                           "234,00",
                                                           TPDFFontName::poHelvetica, 10));
  // Only the texts of the table hold commas.
  for (size_t at = 0, end; at < doc.size(); at = end + 1) {
    end = std::min(doc.find('\r', at), doc.size());
    const std::string line = doc.substr(at, end - at);
    if (line.find(") Tj") == std::string::npos) {
      EXPECT_EQ(line.find(','), std::string::npos) << line;
    }
  }
  EXPECT_EQ(platform::LocaleSettings::Current().decimalSeparator, ',');
}

}  // namespace
}  // namespace kvn::exporting
