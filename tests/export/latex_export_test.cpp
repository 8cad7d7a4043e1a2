// LaTeX documents byte for byte (preamble, table, rows, escaping, LaTeX 2.09),
// and pdflatex compiling the document of a 2,000-film catalogue.
#include "export/latex/latex_export.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/codepage.h"
#include "tests/export/export_fixture.h"
#include "tests/support/run_program.h"

namespace kvn::exporting {
namespace {

using LatexExportTest = CatalogueTest;

TEST_F(LatexExportTest, ADocumentByteForByte) {
  test::Film f;
  f.reference = "R_1";
  f.titre = "50 % & plus";
  OpenCatalogue({f});
  TQExportLaTeX e;
  Link(e, {"Reference", "Index", "Titre"});
  e.Header = {"\\section*{Mes films}"};
  e.Footer = {"Fin."};
  e.Preambula = {"\\pagestyle{empty}"};
  EXPECT_EQ(Run(e),
            "\\documentclass[a4paper]{article}\r\n"
            "\\usepackage[cp1252]{inputenc}\r\n"
            "\\usepackage[T1]{fontenc}\r\n"
            "\\IfFileExists{lmodern.sty}{\\usepackage{lmodern}}{}\r\n"
            "\\usepackage[english]{babel}\r\n"
            "\\usepackage{longtable}\r\n"
            "\\pagestyle{empty}\r\n"
            "\r\n"
            "\\begin{document}\r\n"
            "\r\n"
            "\\section*{Mes films}\r\n"
            "\\par\\bigskip\r\n"
            "\\begin{longtable}{|l|r|l|}\r\n"
            "\\hline\r\n"
            "Reference & Index & Titre\r\n"
            "\\\\\r\n"
            "\\hline\r\n"
            "\\endhead\r\n"
            "R\\_1 & 1 & 50 \\% \\& plus\r\n"
            "\\\\\r\n"
            "\\hline\r\n"
            "\\end{longtable}\r\n"
            "\r\n"
            "Fin.\r\n"
            "\\end{document}\r\n");
}

TEST(LatexEscaping, SpecialCharactersAreWrittenAsThemselves) {
  class Probe : public TQExportLaTeX {
   public:
    using TQExportLaTeX::EscapeText;
  } e;
  const std::pair<std::string, std::string> cases[] = {
      {"50 % & 3 #", "50 \\% \\& 3 \\#"},
      {"a_b {c} $d", "a\\_b \\{c\\} \\$d"},
      {"C:\\films", "C:\\textbackslash{}films"},
      {"~ et ^", "\\~{} et \\^{}"},
      {"<Porte>", "\\textless{}Porte\\textgreater{}"},
      // Characters T1 fonts would set otherwise, and pairs they would join.
      {"a | b", "a \\textbar{} b"},
      {"\"Écho\"", "\\textquotedbl{}Écho\\textquotedbl{}"},
      {"1--2 ---", "1-{}-2 -{}-{}-"},
      {"<<x>> ,,y'' ``z",
       "\\textless{}\\textless{}x\\textgreater{}\\textgreater{} ,{},y'{}' `{}`z"},
      {"!` ?`", "!{}` ?{}`"},
      {"Deux\r\nlignes", "Deux  lignes"},
      {"\xC9t\xE9 \x80", "\xC9t\xE9 \x80"},
      {"x\x01y\u0081z", "xyz"},
  };
  for (const auto& [text, written] : cases) EXPECT_EQ(e.EscapeText(text), written) << text;
}

TEST_F(LatexExportTest, NoRecordsAndLaTeX209) {
  OpenCatalogue({});
  TQExportLaTeX e;
  Link(e, {"Titre"});
  const std::string doc = Run(e);
  EXPECT_NE(
      doc.find("\\begin{longtable}{|l|}\r\n\\hline\r\nTitre\r\n\\\\\r\n\\hline\r\n\\endhead\r\n"
               "\\end{longtable}\r\n"),
      std::string::npos)
      << doc;

  TQExportLaTeX old;
  Link(old, {"Titre"});
  old.Options.LaTeXVersion = TLaTeXVersion::LaTeX209;
  old.Options.DocumentStyle = TLaTeXDocStyle::dsBook;
  old.Options.DocumentParams = "";
  old.Options.Languages = "russian";
  old.Preambula = {"\\ignored"};
  EXPECT_EQ(Run(old),
            "\\documentstyle{book}\r\n\\begin{document}\r\n\\Rus\r\n\r\n\\par\\bigskip\r\n"
            "\\begin{tabular}{|l|}\r\n\\hline\r\nTitre\r\n\\\\\r\n\\hline\r\n\\end{tabular}\r\n\r\n"
            "\\end{document}\r\n");

  TLaTeXOptions options;
  EXPECT_EQ(options.CodePage(), 1252);
  options.SetCodePage(-3);
  EXPECT_EQ(options.CodePage(), 1252);
}

// Hundreds of rows break across pages, the caption row heads every page, and
// every special character and accent goes through TeX.
TEST_F(LatexExportTest, PdflatexCompilesTwoThousandFilms) {
  std::vector<test::Film> films;
  for (int i = 0; i < 2000; ++i) {
    test::Film f;
    char ref[16];
    std::snprintf(ref, sizeof ref, "F%04d", i);
    f.reference = ref;
    f.titre =
        "Titre " + std::string(ref) + " : l'été à 50 % & plus_{~^} C:\\x <œuvre> #$ « Noël » €";
    f.genre = i % 2 ? "Comédie" : "Drame";
    f.duree = "01:30:00";
    f.nbCd = i % 3;
    films.push_back(f);
  }
  OpenCatalogue(films);
  TQExportLaTeX e;
  Link(e, {"Reference", "Titre", "Genre", "Durée", "Nb_cd"});
  const std::string work = dir / "tex";
  platform::ForceDirectories(work);
  e.FileName = work + "/video.tex";
  e.Execute();

  auto r = test::RunProgram({"pdflatex", "-interaction=nonstopmode", "-halt-on-error", "video.tex"},
                            "", work);
  ASSERT_EQ(r.exitCode, 0) << r.out.substr(r.out.size() > 3000 ? r.out.size() - 3000 : 0);
  auto info = test::RunProgram({"pdfinfo", work + "/video.pdf"});
  std::smatch pages;
  ASSERT_TRUE(std::regex_search(info.out, pages, std::regex("Pages:\\s+(\\d+)")));
  EXPECT_GT(std::stoi(pages[1]), 20);

  // The second page starts with the caption row; the last film is there.
  const auto text = [&](int page) {
    return test::RunProgram({"pdftotext", "-f", std::to_string(page), "-l", std::to_string(page),
                             "-layout", work + "/video.pdf", "-"})
        .out;
  };
  const std::string second = text(2);
  EXPECT_LT(second.find("Reference"), second.find("F0")) << second;
  const std::string all = test::RunProgram({"pdftotext", "-layout", work + "/video.pdf", "-"}).out;
  EXPECT_NE(all.find("F1999"), std::string::npos);
  EXPECT_NE(all.find("50 % & plus"), std::string::npos) << all.substr(0, 2000);
  // T1 fonts set the accented letters whole; the text copies as it is.
  EXPECT_NE(all.find("été à 50 % & plus_{˜ˆ}"), std::string::npos);
  // The long title wraps; its words stay whole and the short genre keeps its line.
  EXPECT_NE(all.find("<œuvre>"), std::string::npos);
  EXPECT_NE(all.find("#$ « Noël » €"), std::string::npos);
  EXPECT_NE(all.find("Comédie"), std::string::npos) << all.substr(0, 2000);
  EXPECT_NE(all.find("C:\\x"), std::string::npos);
  EXPECT_NE(all.find("#$"), std::string::npos);
}

}  // namespace
}  // namespace kvn::exporting
