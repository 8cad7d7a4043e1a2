// HTML pages byte for byte (style sheet, head, rows, escaping, cell styles),
// page files with their index and navigation bars, external style sheets,
// templates; every page read back by xmllint's HTML parser.
#include "export/html/html_export.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/file_info.h"
#include "tests/export/export_fixture.h"
#include "tests/support/message_of.h"
#include "tests/support/run_program.h"

namespace kvn::exporting {
namespace {

using platform::Utf8ToCp1252;

// xmllint's HTML parser reads the file without a word.
void ExpectHtmlReadable(const std::string& path) {
  auto r = test::RunProgram({"xmllint", "--html", "--noout", path});
  EXPECT_EQ(r.exitCode, 0) << path << "\n" << r.err;
  EXPECT_EQ(r.err, "") << path;
}

std::vector<test::Film> Numbered(int n) {
  std::vector<test::Film> films;
  for (int i = 1; i <= n; ++i) {
    test::Film f;
    char ref[8];
    std::snprintf(ref, sizeof ref, "R%02d", i);
    f.reference = ref;
    f.titre = "Film " + std::string(ref);
    films.push_back(f);
  }
  return films;
}

using HtmlExportTest = CatalogueTest;

// The whole page of a small export, byte for byte.
TEST_F(HtmlExportTest, APageByteForByte) {
  test::Film f;
  f.reference = "R1";
  f.titre = "Été \"<&>\"";
  f.genre = "Deux\r\nlignes\nici";
  OpenCatalogue({f, test::Film{}});
  TQExportHTML e;
  Link(e, {"Reference", "Titre", "Genre"});
  e.Title = "Mes films";
  e.SetHTMLTemplate(THTMLTemplate::htGray);
  e.HTMLOptions.DefaultFontSize = false;
  e.HTMLOptions.TextFont.size = 8;
  const std::string page = Run(e);
  const std::string expected =
      "<HTML>\r\n<HEAD>\r\n"
      " <meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">\r\n"
      " <Title>Mes films</Title>\r\n"
      "<Style type=\"text/css\">\r\n"
      "  BODY { background: #ffffff; color: #000000;\r\n"
      "         font-family: Arial;\r\n"
      "         font-size: 8pt;\r\n"
      "  }\r\n"
      "  A:link { color: #ff0000 }\r\n"
      "  A:visited { color: #800080 }\r\n"
      "  A:active { color: #0000ff }\r\n"
      "  .ThRows { \r\n"
      "            background-color: #808080;\r\n"
      "            color: #ffffff;\r\n"
      "            font-weight: bold; text-align: center;\r\n"
      "            font-family: Arial;\r\n"
      "            font-size: 8pt;\r\n"
      "  }\r\n"
      "  .TrRows {\r\n"
      "            background-color: #ffffff;\r\n"
      "            color: #000000;\r\n"
      "            font-family: Arial;\r\n"
      "            font-size: 8pt;\r\n"
      "  }\r\n"
      "  .TrOdd  {\r\n"
      "            background-color: #eeeeee;\r\n"
      "            color: #000000;\r\n"
      "            font-family: Arial;\r\n"
      "            font-size: 8pt;\r\n"
      "  }\r\n"
      "</STYLE>\r\n</HEAD>\r\n<BODY>\r\n<br>\r\n"
      "<Table Border=\"1\" Cellpadding=\"4\" Cellspacing=\"1\">\r\n"
      "  <tr>\r\n"
      "    <td class=\"ThRows\">Reference</td>\r\n"
      "    <td class=\"ThRows\">Titre</td>\r\n"
      "    <td class=\"ThRows\">Genre</td>\r\n"
      "  </tr>\r\n"
      "  <tr>\r\n"
      "    <td class=\"TrOdd\" align=Left>&nbsp;</td>\r\n"
      "    <td class=\"TrOdd\" align=Left>&nbsp;</td>\r\n"
      "    <td class=\"TrOdd\" align=Left>&nbsp;</td>\r\n"
      "  </tr>\r\n"
      "  <tr>\r\n"
      "    <td class=\"TrRows\" align=Left>R1</td>\r\n"
      "    <td class=\"TrRows\" align=Left>" +
      Utf8ToCp1252("Été") +
      " &quot;&lt;&amp;&gt;&quot;</td>\r\n"
      "    <td class=\"TrRows\" align=Left>Deux<br>lignes<br>ici</td>\r\n"
      "  </tr>\r\n"
      "</Table>\r\n<br>\r\n</BODY>\r\n</HTML>\r\n";
  EXPECT_EQ(page, expected);
}

// Cell parameters that differ from the row's give a style; a frame colour
// wraps the table in a frame that is closed after it.
TEST_F(HtmlExportTest, CellStylesAndFrame) {
  OpenCatalogue(ThreeFilms());
  TQExportHTML e;
  Link(e, {"Reference", "Nb_cd"});
  e.TableOptions.BorderColor = platform::clNavy;
  e.OnGetCellParams = [](TQExport*, int recNo, int colNo, const std::string&,
                         TQExportColAlign& align, Font& font, platform::TColor& background) {
    if (recNo == 1 && colNo == 0) {
      font.bold = true;
      font.color = platform::clRed;
      background = platform::clYellow;
      align = TQExportColAlign::ecaCenter;
    }
  };
  const std::string page = Run(e);
  EXPECT_NE(page.find("  .TrBC { background-color: #000080 }\r\n"), std::string::npos);
  EXPECT_NE(
      page.find("<Table cellspacing=0 cellpadding=0 class=\"TrBC\">\r\n<tr><td>\r\n<Table Border"),
      std::string::npos);
  EXPECT_NE(page.find("    <td class=\"TrRows\" align=Center style=\"background-color: #ffff00; "
                      "color: #ff0000; "
                      "font-weight: bold\">R2</td>\r\n"),
            std::string::npos)
      << page;
  EXPECT_NE(page.find("    <td class=\"TrOdd\" align=Right>1,00</td>\r\n"), std::string::npos);
  EXPECT_NE(page.find("</Table>\r\n</td></tr></Table>\r\n<br>\r\n</BODY>"), std::string::npos);
}

// 25 records in pages of 10: three page files with navigation bars above and
// below the table, an index page in FileName; every page a real reader reads.
TEST_F(HtmlExportTest, PagesIndexAndNavigation) {
  OpenCatalogue(Numbered(25));
  TQExportHTML e;
  Link(e, {"Reference", "Titre"});
  e.FileName = dir / "films.html";
  e.SetMaxRecords(10);
  e.GenerateIndex = true;
  e.Navigation.IndexLinkTemplate = "Page ";
  e.Execute();
  std::vector<std::string> pages;
  for (const char* name : {"films01.html", "films02.html", "films03.html"}) {
    ASSERT_TRUE(platform::FileExists(dir / name)) << name;
    pages.push_back(test::ReadFile(dir / name));
    ExpectHtmlReadable(dir / name);
  }
  EXPECT_FALSE(platform::FileExists(dir / "films04.html"));
  auto rows = [](const std::string& page) {  // data rows (the caption row's cells are ThRows)
    size_t n = 0;
    const std::string row = "  <tr>\r\n    <td class=\"Tr";
    for (size_t at = page.find(row); at != std::string::npos; at = page.find(row, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(rows(pages[0]), 10u);
  EXPECT_EQ(rows(pages[2]), 5u);
  const std::string topOfPage1 =
      "<BODY>\r\n"
      "<Table Border=\"0\" Cellpadding=\"4\" Cellspacing=\"1\">\r\n  <tr>\r\n"
      "    <td><a href=\"films.html\">Index</a></td>\r\n"
      "    <td><a href=\"films01.html\">First</a></td>\r\n"
      "    <td><a href=\"films01.html\">Prior</a></td>\r\n"
      "    <td><b>01</b></td>\r\n"
      "    <td><a href=\"films02.html\">02</a></td>\r\n"
      "    <td><a href=\"films03.html\">03</a></td>\r\n"
      "    <td><a href=\"films02.html\">Next</a></td>\r\n"
      "    <td><a href=\"films03.html\">Last</a></td>\r\n"
      "  </tr>\r\n</Table>\r\n<br>\r\n<br>\r\n<Table Border=\"1\"";
  EXPECT_NE(pages[0].find(topOfPage1), std::string::npos) << pages[0];
  // The bottom bar comes after the footer lines, before the end of the body.
  EXPECT_NE(pages[2].find("</Table>\r\n<br>\r\n<br>\r\n<Table Border=\"0\""), std::string::npos);
  // Neither end of the set leads round to the other.
  EXPECT_NE(pages[2].find("<td><a href=\"films03.html\">Next</a></td>\r\n    <td><a "
                          "href=\"films03.html\">Last</a></td>\r\n"
                          "  </tr>\r\n</Table>\r\n</BODY>\r\n</HTML>\r\n"),
            std::string::npos)
      << pages[2];
  const std::string index = test::ReadFile(dir / "films.html");
  EXPECT_NE(index.find("<UL>\r\n<LI><a href=\"films01.html\">Page 01</a>\r\n<LI><a "
                       "href=\"films02.html\">Page 02</a>\r\n"
                       "<LI><a href=\"films03.html\">Page 03</a>\r\n</UL>"),
            std::string::npos)
      << index;
  ExpectHtmlReadable(dir / "films.html");
  EXPECT_EQ(test::HiddenFiles(dir.Path()), std::vector<std::string>{});

  // Ten records in pages of ten: one page, no bar.
  OpenCatalogue(Numbered(10));
  TQExportHTML one;
  Link(one, {"Reference", "Titre"});
  one.FileName = dir / "seul.html";
  one.SetMaxRecords(10);
  one.Execute();
  const std::string single = test::ReadFile(dir / "seul01.html");
  EXPECT_EQ(single.find("First"), std::string::npos);
  EXPECT_FALSE(platform::FileExists(dir / "seul02.html"));
}

// An external style sheet takes its name from the first file written and every
// page links to it by a relative address, as to its background picture.
TEST_F(HtmlExportTest, ExternalStyleSheet) {
  OpenCatalogue(Numbered(3));
  TQExportHTML e;
  Link(e, {"Reference", "Titre"});
  e.UsingCSS = TUsingCSS::usExternal;
  e.FileName = dir / "films.html";
  e.Execute();
  EXPECT_EQ(e.CSSFileName, dir / "films.css");
  const std::string page = test::ReadFile(dir / "films.html");
  EXPECT_NE(page.find(" <link rel=\"stylesheet\" type=\"text/css\" href=\"films.css\">\r\n</HEAD>"),
            std::string::npos)
      << page;
  EXPECT_EQ(page.find("<Style"), std::string::npos);
  EXPECT_EQ(test::ReadFile(dir / "films.css").substr(0, 24), "  BODY { background: #33");

  TQExportHTML paged;
  Link(paged, {"Reference", "Titre"});
  paged.UsingCSS = TUsingCSS::usExternal;
  paged.FileName = dir / "pages.html";
  paged.SetMaxRecords(2);
  paged.Execute();
  EXPECT_EQ(paged.CSSFileName, dir / "pages01.css");
  EXPECT_TRUE(platform::FileExists(dir / "pages01.css"));
  for (const char* name : {"pages01.html", "pages02.html"})
    EXPECT_NE(test::ReadFile(dir / name).find("href=\"pages01.css\""), std::string::npos) << name;

  // A sheet in another folder, a picture beside the pages: each address is
  // relative to the file that holds it, its non-ASCII bytes encoded.
  platform::ForceDirectories(dir / "web/styles");
  test::WriteFile(dir / "web/fond été.png", "png");
  TQExportHTML other;
  Link(other, {"Reference", "Titre"});
  other.UsingCSS = TUsingCSS::usExternal;
  other.CSSFileName = dir / "web/styles/site.css";
  other.OverwriteCSSFile = true;
  other.HTMLOptions.BackgroundFileName = dir / "web/fond été.png";
  other.FileName = dir / "web/films.html";
  other.Execute();
  EXPECT_NE(test::ReadFile(dir / "web/films.html").find("href=\"styles/site.css\""),
            std::string::npos);
  EXPECT_NE(test::ReadFile(dir / "web/styles/site.css").find("url(../fond%20%C3%A9t%C3%A9.png)"),
            std::string::npos);
}

TEST_F(HtmlExportTest, TemplatesAndTheirFiles) {
  TQExportHTML e;
  EXPECT_EQ(e.HTMLTemplate(), THTMLTemplate::htClassic);
  EXPECT_EQ(HtmlColor(e.TableOptions.HeadersRowBgColor), "#ff0000");
  e.SetHTMLTemplate(THTMLTemplate::htMurky);
  EXPECT_EQ(HtmlColor(e.HTMLOptions.BackgroundColor), "#317676");
  EXPECT_EQ(HtmlColor(e.TableOptions.OddRowBgColor), "#367800");
  e.TableOptions.BorderColor = platform::clNavy;
  e.HTMLOptions.TextFont.name = "Verdana";
  e.SaveTemplateToFile(dir / "schema.ini");
  EXPECT_NE(test::ReadFile(dir / "schema.ini").find("[Table options]\nHeader-bgcolor=9671482\n"),
            std::string::npos)
      << test::ReadFile(dir / "schema.ini");
  EXPECT_NE(test::ReadFile(dir / "schema.ini").find("\nFont-family=Verdana\nLinkColor="),
            std::string::npos)
      << test::ReadFile(dir / "schema.ini");
  TQExportHTML other;
  other.SetHTMLTemplate(THTMLTemplate::htBW);
  other.LoadTemplateFromFile(dir / "schema.ini");
  EXPECT_EQ(other.HTMLOptions.BackgroundColor, e.HTMLOptions.BackgroundColor);
  EXPECT_EQ(other.TableOptions.BorderColor, platform::clNavy);
  EXPECT_EQ(other.HTMLOptions.TextFont.name, "Verdana");
  // htCustom keeps what is there; a system colour gives its real colour.
  other.SetHTMLTemplate(THTMLTemplate::htCustom);
  EXPECT_EQ(other.TableOptions.BorderColor, platform::clNavy);
  EXPECT_EQ(HtmlColor(platform::clWindowText), "#000000");
  EXPECT_EQ(PageFileName("/x/films.html", 7), "/x/films07.html");
  EXPECT_EQ(PageFileName("films.html", 100), "films100.html");
}

// A failure keeps the earlier pages: nothing is replaced unless the whole
// export is complete.
TEST_F(HtmlExportTest, AFailureKeepsTheEarlierPages) {
  OpenCatalogue(Numbered(25));
  for (const char* name : {"films.html", "films01.html", "films02.html"})
    test::WriteFile(dir / name, "ancien");
  TQExportHTML e;
  Link(e, {"Reference", "Titre"});
  e.FileName = dir / "films.html";
  e.SetMaxRecords(10);
  e.OnExportedRecord = [](TQExport*, int n) {
    if (n == 15) throw Error("panne");
  };
  EXPECT_EQ(test::MessageOf([&] { e.Execute(); }), "panne");
  for (const char* name : {"films.html", "films01.html", "films02.html"})
    EXPECT_EQ(test::ReadFile(dir / name), "ancien") << name;
  EXPECT_FALSE(platform::FileExists(dir / "films03.html"));
  EXPECT_EQ(test::HiddenFiles(dir.Path()), std::vector<std::string>{});
}

}  // namespace
}  // namespace kvn::exporting
