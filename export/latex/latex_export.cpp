#include "export/latex/latex_export.h"

#include "platform/codepage.h"
#include "platform/strings.h"

namespace kvn::exporting {

std::string TQExportLaTeX::TableEnvironment() const {
  return Options.LaTeXVersion == TLaTeXVersion::LaTeX2e ? "longtable" : "tabular";
}

std::string TQExportLaTeX::EscapeText(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 4);
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    switch (c) {
      case '\\': out += "$\\backslash$"; continue;
      // The characters themselves, not the accents "\~" and "\^" would put on
      // the next letter.
      case '~': out += "\\~{}"; continue;
      case '^': out += "\\^{}"; continue;
      case '#':
      case '$':
      case '%':
      case '&':
      case '_':
      case '{':
      case '}':
        out += '\\';
        out += c;
        continue;
      case '<': out += "$<$"; continue;
      case '>': out += "$>$"; continue;
      // A line break in a value would end the row or, doubled, the paragraph.
      case '\r':
      case '\n':
      case '\t': out += ' '; continue;
      default: break;
    }
    // Control characters and the five bytes Windows-1252 leaves undefined have
    // no character in the input encoding: TeX would stop on them.
    if (b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;
    out += c;
  }
  return out;
}

void TQExportLaTeX::BeginExport() {
  TQExportFormatText::BeginExport();
  TQExportWriter& w = *Writer();
  const std::string style = Options.DocumentStyle == TLaTeXDocStyle::dsArticle ? "article" : "book";
  if (Options.LaTeXVersion == TLaTeXVersion::LaTeX2e) {
    if (!Options.DocumentParams.empty())
      w.WriteLn("\\documentclass[" + Options.DocumentParams + "]{" + style + "}");
    else
      w.WriteLn("\\documentclass{" + style + "}");
    w.WriteLn("\\usepackage[cp" + std::to_string(Options.CodePage()) + "]{inputenc}");
    w.WriteLn("\\usepackage[" + Options.Languages + "]{babel}");
    w.WriteLn("\\usepackage{longtable}");
    if (!Preambula.Empty()) {
      for (const std::string& line : Preambula) w.WriteLn(line);
      w.EmptyLine();
    }
  } else {
    if (!Options.DocumentParams.empty())
      w.WriteLn("\\documentstyle[" + Options.DocumentParams + "]{" + style + "}");
    else
      w.WriteLn("\\documentstyle{" + style + "}");
  }
  w.WriteLn("\\begin{document}");
  if (platform::Cp1252UpperCase(Options.Languages).find("RUSSIAN") != std::string::npos) w.WriteLn("\\Rus");
  w.EmptyLine();
  for (const std::string& line : Header) w.WriteLn(line);
  w.WriteLn("\\par\\bigskip");
  std::string columnFormat = "|";
  for (size_t i = 0; i < Columns().Count(); ++i) columnFormat += Columns()[i].IsNumeric ? "r|" : "l|";
  w.WriteLn("\\begin{" + TableEnvironment() + "}{" + columnFormat + "}");
  w.WriteLn("\\hline");
  m_tableOpen = true;
}

std::string TQExportLaTeX::GetColCaption(int index) { return TQExportFormatText::GetColCaption(index) + " & "; }

std::string TQExportLaTeX::GetCaptionRow() {
  std::string row = TQExportFormatText::GetCaptionRow();
  row.resize(row.size() >= 3 ? row.size() - 3 : 0);
  return row;
}

void TQExportLaTeX::GetColData(TQExportCol&, std::string& text) { text += " & "; }

std::string TQExportLaTeX::GetDataRow(bool formatted) {
  std::string row = TQExportFormatText::GetDataRow(formatted);
  row.resize(row.size() >= 3 ? row.size() - 3 : 0);
  return row;
}

void TQExportLaTeX::WriteCaptionRow() {
  TQExportWriter& w = *Writer();
  w.WriteLn(GetCaptionRow());
  w.WriteLn("\\\\");
  w.WriteLn("\\hline");
}

void TQExportLaTeX::BeforeExport() {
  TQExportFormatText::BeforeExport();
  // What comes before is the head of the table, repeated on every page.
  if (Options.LaTeXVersion == TLaTeXVersion::LaTeX2e) Writer()->WriteLn("\\endhead");
}

void TQExportLaTeX::WriteDataRow() {
  TQExportWriter& w = *Writer();
  w.WriteLn(GetDataRow(true));
  w.WriteLn("\\\\");
  w.WriteLn("\\hline");
}

void TQExportLaTeX::EndExport() {
  TQExportWriter& w = *Writer();
  if (m_tableOpen) {
    m_tableOpen = false;
    w.WriteLn("\\end{" + TableEnvironment() + "}");
    w.EmptyLine();
    for (const std::string& line : Footer) w.WriteLn(line);
    w.WriteLn("\\end{document}");
  }
  TQExportFormatText::EndExport();
}

}  // namespace kvn::exporting
