// The rows as a complete LaTeX document holding one ruled table: preamble,
// header lines, the table with its caption row and one row per record, footer
// lines. The table is a longtable, which breaks across pages and repeats the
// caption row at the top of each page.
//
//   \documentclass[a4paper]{article}
//   \usepackage[cp1252]{inputenc}
//   \usepackage[english]{babel}
//   \usepackage{longtable}
//   \begin{document}
//   \par\bigskip
//   \begin{longtable}{|l|r|l|}
//   \hline
//   Titre & Durée & Genre \\ \hline \endhead
//   ...
//   \end{longtable}
//   \end{document}
#pragma once

#include "export/exporter.h"

namespace kvn::exporting {

enum class TLaTeXVersion { LaTeX209, LaTeX2e };
enum class TLaTeXDocStyle { dsArticle, dsBook };

// The program's 8-bit code page (Windows-1252).
constexpr int kAnsiCodePage = 1252;

class TLaTeXOptions {
 public:
  TLaTeXVersion LaTeXVersion = TLaTeXVersion::LaTeX2e;
  TLaTeXDocStyle DocumentStyle = TLaTeXDocStyle::dsArticle;
  std::string DocumentParams = "a4paper";
  std::string Languages = "english";

  int CodePage() const { return m_codePage; }
  // 0 or less gives the program's code page.
  void SetCodePage(int codePage) { m_codePage = codePage > 0 ? codePage : kAnsiCodePage; }

  void Assign(const TLaTeXOptions& other) { *this = other; }

 private:
  int m_codePage = kAnsiCodePage;
};

class TQExportLaTeX : public TQExportFormatText {
 public:
  TLaTeXOptions Options;
  StringList Preambula;

  // Only a flag: the table and the document are closed once, by EndExport,
  // so that rows written after a request to stop are still in the table.
  void Abort() override { TQExport::Abort(); }

  // The table environment: "longtable" (LaTeX 2e) or "tabular" (LaTeX 2.09,
  // which loads no package).
  std::string TableEnvironment() const;

 protected:
  void BeginExport() override;
  void BeforeExport() override;
  void EndExport() override;
  std::string GetCaptionRow() override;
  void WriteCaptionRow() override;
  std::string GetDataRow(bool formatted) override;
  void WriteDataRow() override;
  std::string GetColCaption(int index) override;
  void GetColData(TQExportCol& col, std::string& text) override;
  std::set<char> GetSpecialChars() override {
    return {'#', '$', '%', '&', '\\', '^', '_', '{', '}', '~'};
  }
  std::string EscapeText(const std::string& text) override;
  std::string UnholdableWhy() const override;

 private:
  // The table's column format: "l"/"r" columns when the table fits
  // the line, paragraph columns sharing the line's width when it does not.
  std::string ColumnFormat();

  bool m_tableOpen = false;
  bool m_breakable = false;  // texts may break after "/", "_" and "-"
  // The document is written in UTF-8 (its texts hold characters
  // Windows-1252 lacks); else in Windows-1252, as LaTeX 2.09 reads it too.
  bool m_utf8 = false;
  std::vector<int> m_wordLimit;  // per column: the longest word that fits
  std::string m_fontSize;        // the narrowed table's size command
};

}  // namespace kvn::exporting
