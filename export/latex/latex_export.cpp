#include "export/latex/latex_export.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "export/column_fit.h"
#include "export/latex/latex_chars.h"
#include "platform/codepage.h"
#include "platform/strings.h"

namespace kvn::exporting {

namespace {

// Characters of a text (UTF-8 or 8-bit: one byte, one character outside
// UTF-8's continuation bytes).
size_t Utf8Length(std::string_view text) {
  size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

// Whether UTF-8 text holds a character Windows-1252 lacks.
bool BeyondCp1252(std::string_view text) {
  if (platform::IsAscii(text)) return false;
  for (size_t i = 0; i < text.size();) {
    const char32_t cp = platform::DecodeUtf8(text, i);
    if (cp >= 0x80 && platform::Cp1252FromUnicode(cp) == '?') return true;
  }
  return false;
}

}  // namespace

std::string TQExportLaTeX::TableEnvironment() const {
  return Options.LaTeXVersion == TLaTeXVersion::LaTeX2e ? "longtable" : "tabular";
}

std::string TQExportLaTeX::EscapeText(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 4);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto b = static_cast<unsigned char>(c);
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    switch (c) {
      case '\\':
        out += "\\textbackslash{}";
        continue;
      // The characters themselves, not the accents "\~" and "\^" would put on
      // the next letter.
      case '~':
        out += "\\~{}";
        continue;
      case '^':
        out += "\\^{}";
        continue;
      case '#':
      case '$':
      case '%':
      case '&':
      case '_':
      case '{':
      case '}':
        out += '\\';
        out += c;
        if (c == '_' && m_breakable) out += "\\allowbreak{}";
        continue;
      // Characters the fonts' encodings set otherwise as text: named.
      case '<':
        out += "\\textless{}";
        continue;
      case '>':
        out += "\\textgreater{}";
        continue;
      case '|':
        out += "\\textbar{}";
        continue;
      case '"':
        out += "\\textquotedbl{}";
        continue;
      // A line break in a value would end the row or, doubled, the paragraph.
      case '\r':
      case '\n':
      case '\t':
        out += ' ';
        continue;
      // Pairs the fonts join into one sign ("--" a dash, ",," "''" "``"
      // quotes, "!`" "?`" inverted marks) stay two characters.
      case '-':
      case ',':
      case '\'':
      case '`':
        out += c;
        if (next == c) out += "{}";
        if (c == '-' && m_breakable) out += "\\allowbreak{}";
        continue;
      case '!':
      case '?':
        out += c;
        if (next == '`') out += "{}";
        continue;
      case '/':
        out += c;
        // A path may break after each of its folders in a narrow column.
        if (m_breakable) out += "\\allowbreak{}";
        continue;
      default:
        break;
    }
    // Control characters have no character in the input encoding: TeX would
    // stop on them (the five code points Windows-1252 leaves undefined too).
    // Past ASCII the text is UTF-8. In a Windows-1252 document a character is
    // written whole and the file's encoder makes it "?" if need be; in a
    // UTF-8 document, a character the fonts cannot set is "?" here, counted,
    // as LaTeX would stop on it.
    if (b < 0x20 || b == 0x7F) continue;
    if (b >= 0x80) {
      const size_t start = i;
      size_t end = i;
      const char32_t cp = platform::DecodeUtf8(text, end);
      i = end - 1;
      if (cp == 0x81 || cp == 0x8D || cp == 0x8F || cp == 0x90 || cp == 0x9D) continue;
      if (m_utf8 && !LatexCanSet(cp)) {
        out += '?';
        if (Encoder()) Encoder()->CountReplaced();
        continue;
      }
      out.append(text, start, end - start);
      continue;
    }
    out += c;
  }
  return out;
}

std::string TQExportLaTeX::ColumnFormat() {
  const size_t n = Columns().Count();
  std::string plain = "|";
  for (size_t i = 0; i < n; ++i) plain += Columns()[i].IsNumeric ? "r|" : "l|";
  m_breakable = false;
  if (Options.LaTeXVersion != TLaTeXVersion::LaTeX2e || n == 0) return plain;
  // The widest text of each column, in characters: its caption and its values
  // as they show.
  TQExportColumns& columns = Columns();
  std::vector<int> widest(n, 0);
  for (size_t i = 0; i < n; ++i)
    widest[i] = AllowCaptions ? static_cast<int>(Utf8Length(columns[i].Caption)) : 0;
  std::vector<int> longestWord = widest;
  std::string shown;
  columns.WidenToValues(std::vector<bool>(n, true), [&](size_t i, std::string_view raw) {
    const std::string_view text = ShownValue(columns, i, raw, Formats.NullString(), shown);
    widest[i] = std::max(widest[i], static_cast<int>(Utf8Length(text)));
    m_utf8 = m_utf8 || BeyondCp1252(text);
    size_t at = 0;
    while (at < text.size()) {
      const size_t end = std::min(text.find(' ', at), text.size());
      longestWord[i] =
          std::max(longestWord[i], static_cast<int>(Utf8Length(text.substr(at, end - at))));
      at = end + 1;
    }
    return 0;
  });
  // The text width of a page of the standard classes holds some 60
  // characters of the 10-point roman font, less two for each column's space
  // (one once the spaces are narrowed).
  constexpr double kLineCharacters = 60;
  if (kLineCharacters - 2.5 * static_cast<double>(n) >= 0) {
    double total = 0;
    for (int w : widest) total += w;
    if (total <= kLineCharacters - 2.5 * static_cast<double>(n)) return plain;
  }
  // Too wide: every column gets a paragraph width, a share of the line that
  // the columns' spaces and rules come out of; texts wrap (after a "/", "_"
  // or "-" too), numbers keep their width.
  std::vector<ColumnFit> fits(n);
  double leastSum = 0;
  for (size_t i = 0; i < n; ++i) {
    // A character more than the count: capitals and wide letters make a
    // short word longer than the average the line is counted in.
    fits[i].natural = std::max(1, widest[i]) + 1;
    fits[i].whole = columns[i].IsNumericOrDate;
    fits[i].least = fits[i].whole ? fits[i].natural : std::clamp(longestWord[i] + 1, 4, 11);
    leastSum += std::min(fits[i].natural, fits[i].least);
  }
  // Narrowed to the line, the table is set in the footnote size (a quarter
  // more characters to the line), or the script size when the words would
  // not fit whole in the footnote size.
  const auto roomAt = [&](double points) {
    return kLineCharacters * 10 / points - 1.0 * static_cast<double>(n);
  };
  m_fontSize = leastSum > roomAt(8) ? "\\scriptsize" : "\\footnotesize";
  const double room = roomAt(leastSum > roomAt(8) ? 7 : 8);
  std::vector<double> width = FitColumns(fits, std::max(room, 4.0 * static_cast<double>(n)), 3);
  double sum = 0;
  for (double w : width) sum += w;
  m_breakable = true;
  m_wordLimit.assign(n, 0);
  for (size_t i = 0; i < n; ++i) m_wordLimit[i] = std::max(2, static_cast<int>(width[i]) - 1);
  std::string format = "|";
  for (size_t i = 0; i < n; ++i) {
    // At least room for the column's own spaces (2 \tabcolsep, 12pt).
    const double share = std::max(0.05, 0.99 * width[i] / sum);
    char fraction[16];
    std::snprintf(fraction, sizeof fraction, "%.4f", share);
    format += std::string(columns[i].IsNumeric ? ">{\\raggedleft\\arraybackslash}"
                                               : ">{\\raggedright\\arraybackslash}") +
              "p{\\dimexpr " + fraction + "\\linewidth-2\\tabcolsep-\\arrayrulewidth\\relax}|";
  }
  return format;
}

std::string TQExportLaTeX::UnholdableWhy() const {
  return m_utf8 ? "que les polices T1 de LaTeX ne savent pas composer"
                : TQExportFormatText::UnholdableWhy();
}

void TQExportLaTeX::BeginExport() {
  TQExportFormatText::BeginExport();
  // Windows-1252 while it holds every text, UTF-8 otherwise (LaTeX 2e only).
  m_utf8 = false;
  if (Options.LaTeXVersion == TLaTeXVersion::LaTeX2e) {
    for (const StringList* lines : {&Header, &Footer, &Preambula})
      for (const std::string& line : *lines) m_utf8 = m_utf8 || BeyondCp1252(line);
    if (AllowCaptions)
      for (size_t i = 0; i < Columns().Count(); ++i)
        m_utf8 = m_utf8 || BeyondCp1252(Columns()[i].Caption);
  }
  const std::string columnFormat = ColumnFormat();
  if (m_utf8) SwitchTextEncoding("UTF-8");
  TQExportWriter& w = *Writer();
  const std::string style = Options.DocumentStyle == TLaTeXDocStyle::dsArticle ? "article" : "book";
  if (Options.LaTeXVersion == TLaTeXVersion::LaTeX2e) {
    if (!Options.DocumentParams.empty())
      w.WriteLn("\\documentclass[" + Options.DocumentParams + "]{" + style + "}");
    else
      w.WriteLn("\\documentclass{" + style + "}");
    w.WriteLn(m_utf8 ? std::string("\\usepackage[utf8]{inputenc}")
                     : "\\usepackage[cp" + std::to_string(Options.CodePage()) + "]{inputenc}");
    // T1 fonts set every accented letter and "<", ">", "|", '"' as themselves.
    w.WriteLn("\\usepackage[T1]{fontenc}");
    // Outline fonts where the system has them (readers then copy the text).
    w.WriteLn("\\IfFileExists{lmodern.sty}{\\usepackage{lmodern}}{}");
    w.WriteLn("\\usepackage[" + Options.Languages + "]{babel}");
    if (m_breakable) w.WriteLn("\\usepackage{array}");
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
  if (platform::Utf8UpperCase(Options.Languages).find("RUSSIAN") != std::string::npos)
    w.WriteLn("\\Rus");
  w.EmptyLine();
  for (const std::string& line : Header) w.WriteLn(line);
  w.WriteLn("\\par\\bigskip");
  // A table narrowed to the line: narrower spaces between its columns, a
  // smaller size.
  if (m_breakable) {
    w.WriteLn("\\setlength{\\tabcolsep}{2pt}");
    w.WriteLn(m_fontSize);
  }
  w.WriteLn("\\begin{" + TableEnvironment() + "}{" + columnFormat + "}");
  w.WriteLn("\\hline");
  m_tableOpen = true;
}

namespace {

// The escaped text with a break allowed inside each word longer than limit
// characters (a command and its braces count as one character).
std::string BreakLongWords(const std::string& escaped, int limit) {
  std::string out;
  int run = 0;
  for (size_t i = 0; i < escaped.size();) {
    size_t end = i + 1;
    if (escaped[i] == '\\') {
      // A command: its name or one sign, then an empty group when there is one.
      while (end < escaped.size() && std::isalpha(static_cast<unsigned char>(escaped[end]))) ++end;
      if (end == i + 1 && end < escaped.size()) ++end;
      if (escaped.compare(end, 2, "{}") == 0) end += 2;
      if (escaped.compare(i, end - i, "\\allowbreak{}") == 0) run = -1;
    } else if ((static_cast<unsigned char>(escaped[i]) & 0xC0) == 0xC0) {
      while (end < escaped.size() && (static_cast<unsigned char>(escaped[end]) & 0xC0) == 0x80)
        ++end;
    }
    if (escaped[i] == ' ') {
      run = 0;
    } else if (++run > limit) {
      out += "\\allowbreak{}";
      run = 1;
    }
    out.append(escaped, i, end - i);
    i = end;
  }
  return out;
}

}  // namespace

std::string TQExportLaTeX::GetColCaption(int index) {
  std::string caption = TQExportFormatText::GetColCaption(index);
  if (m_breakable && static_cast<size_t>(index) < m_wordLimit.size())
    caption = BreakLongWords(caption, m_wordLimit[static_cast<size_t>(index)]);
  return caption + " & ";
}

std::string TQExportLaTeX::GetCaptionRow() {
  std::string row = TQExportFormatText::GetCaptionRow();
  row.resize(row.size() >= 3 ? row.size() - 3 : 0);
  return row;
}

void TQExportLaTeX::GetColData(TQExportCol& col, std::string& text) {
  if (m_breakable && static_cast<size_t>(col.ColumnIndex) < m_wordLimit.size())
    text = BreakLongWords(text, m_wordLimit[static_cast<size_t>(col.ColumnIndex)]);
  text += " & ";
}

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
    if (m_breakable) w.WriteLn("\\normalsize");
    w.EmptyLine();
    for (const std::string& line : Footer) w.WriteLn(line);
    w.WriteLn("\\end{document}");
  }
  TQExportFormatText::EndExport();
}

}  // namespace kvn::exporting
