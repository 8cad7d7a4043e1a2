#include "export/pdf/pdf_export.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

#include "export/column_fit.h"
#include "export/pdf/pdf_truetype.h"
#include "platform/codepage.h"
#include "platform/error.h"

namespace kvn::exporting {

// ----------------------------------------------------------------- page

TQExportPDFPageOptions::TQExportPDFPageOptions() {
  SetFormat(TQExportPageFormat::pfA4);
  SetMarginLeft(1.18);
  SetMarginRight(0.59);
  SetMarginTop(0.79);
  SetMarginBottom(0.79);
}

void TQExportPDFPageOptions::SetFormat(TQExportPageFormat format) {
  m_format = format;
  if (format == TQExportPageFormat::pfUser) return;
  m_width = ToPoints(TQExportUnits::unInch, PageWidth(format));
  m_height = ToPoints(TQExportUnits::unInch, PageHeight(format));
}

void TQExportPDFPageOptions::SetWidth(double value) {
  m_width = ToPoints(m_units, value);
  m_format = TQExportPageFormat::pfUser;
}

void TQExportPDFPageOptions::SetHeight(double value) {
  m_height = ToPoints(m_units, value);
  m_format = TQExportPageFormat::pfUser;
}

void TQExportPDFPageOptions::SetOrientation(TQExportPageOrientation orientation) {
  if (orientation == m_orientation) return;
  m_orientation = orientation;
  std::swap(m_width, m_height);
  const int left = m_left, right = m_right, top = m_top, bottom = m_bottom;
  if (orientation == TQExportPageOrientation::poLandscape) {
    m_left = bottom;
    m_right = top;
    m_top = left;
    m_bottom = right;
  } else {
    m_left = top;
    m_right = bottom;
    m_top = right;
    m_bottom = left;
  }
}

void TQExportPDFPageOptions::SetPoints(const Points& p) {
  m_width = p.width;
  m_height = p.height;
  m_left = p.left;
  m_right = p.right;
  m_top = p.top;
  m_bottom = p.bottom;
}

void TQExportPDFPageOptions::SetFormatAndOrientation(TQExportPageFormat format,
                                                     TQExportPageOrientation orientation) {
  m_format = format;
  m_orientation = orientation;
}

// ----------------------------------------------------------------- exporter

std::string PdfUnescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

const std::string& TQExportPDF::Shown(const std::string& utf8, const TPDFFont& font) {
  if (platform::IsAscii(utf8) || !Encoder()) return utf8;
  for (size_t i = 0; i < utf8.size();) {
    const char32_t cp = platform::DecodeUtf8(utf8, i);
    if (cp >= 0x80 && platform::Cp1252FromUnicode(cp) == '?' &&
        !FindFallbackGlyph(font.BaseFont, cp).font)
      Encoder()->CountReplaced();
  }
  return utf8;
}

std::string TQExportPDF::EscapeText(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (char c : text) {
    if (c == '\\' || c == '(' || c == ')') out += '\\';
    out += c;
  }
  return out;
}

void TQExportPDF::GetColumnOptions(ColumnOptions& o) const {
  TQExportFormatText::GetColumnOptions(o);
  o.ColumnsWidth = &ColumnsWidth;
  o.ColumnsAlign = &ColumnsAlign;
}

bool TQExportPDF::WriterEncodes() const {
  return false;
}

std::unique_ptr<TQExportWriter> TQExportPDF::CreateWriter(platform::Stream& stream) {
  return std::make_unique<TQPDFWriter>(this, stream);
}

int TQExportPDF::Step(const TPDFFont& f) const {
  return static_cast<int>(std::trunc((Options.RowSpacing / 2 + 1) * f.FontSize));
}

int TQExportPDF::Gap(const TPDFFont& f) const {
  return static_cast<int>(std::trunc(f.FontSize * Options.RowSpacing / 2));
}

void TQExportPDF::HorizontalRule(int y) {
  Doc().DrawLine(Options.GridLineColor, m_x.front(), y, m_x.back(), y);
}

void TQExportPDF::VerticalLines(int top, int bottom) {
  const double half = Options.GridLineWidth / 2.0;
  for (int x : m_x) Doc().DrawLine(Options.GridLineColor, x, top + half, x, bottom - half);
}

namespace {

// The width of the longest word of a text, in points.
int LongestWord(std::string_view text, const TPDFFont& font) {
  int longest = 0;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = std::min(text.find(' ', at), text.size());
    longest = std::max(longest, TextWidth(text.substr(at, end - at), font));
    at = end + 1;
  }
  return longest;
}

}  // namespace

void TQExportPDF::SizeColumnsWithoutWidth() {
  TQExportColumns& columns = Columns();
  m_longestWord.assign(columns.Count(), 0);
  m_given.assign(columns.Count(), false);
  std::vector<bool> sized(columns.Count(), false);
  bool any = false;
  for (size_t i = 0; i < columns.Count(); ++i) {
    TQExportColumn& c = columns[i];
    m_given[i] = ColumnsWidth.HasName(c.Name) && c.Width > 0;
    if (m_given[i]) continue;
    sized[i] = any = true;
    c.Width = 0;
  }
  if (!any) return;
  // A width in characters counts average characters of the data font: the
  // smallest number of them as wide as the text.
  const TPDFFont& data = Options.DataFont;
  const double average = std::max(1, data.FontSize) * 123990.0 / 256 / 1000;
  const auto characters = [average](std::string_view text, const TPDFFont& font) {
    return static_cast<int>(std::ceil(TextWidth(text, font) / average));
  };
  if (AllowCaptions)
    for (size_t i = 0; i < columns.Count(); ++i)
      if (sized[i]) {
        columns[i].Width = characters(columns[i].Caption, Options.CaptionFont);
        // The caption's words count like the values': a caption is not cut
        // while the values' words are whole.
        m_longestWord[i] = LongestWord(columns[i].Caption, Options.CaptionFont);
      }
  std::string shown;
  columns.WidenToValues(sized, [&](size_t i, std::string_view raw) {
    const TQExportColumn& c = columns[i];
    const std::string_view text = ShownValue(columns, i, raw, Formats.NullString(), shown);
    // Numbers and dates never wrap: their whole text is one word.
    m_longestWord[i] = std::max(
        m_longestWord[i], c.IsNumericOrDate ? TextWidth(text, data) : LongestWord(text, data));
    return characters(text, data);
  });
}

void TQExportPDF::LayOutColumns() {
  TQExportColumns& columns = Columns();
  const size_t n = columns.Count();
  const int size = Options.DataFont.FontSize;
  m_indent = CharsWidth(size, Options.ColSpacing / 2);
  m_x.assign(1, m_box.Left);
  for (size_t i = 0; i < n; ++i)
    m_x.push_back(m_x.back() + CharsWidth(size, columns[i].Width + Options.ColSpacing));
  m_squeezed = m_x.back() > m_box.Right;
  m_textWidth.assign(n, 0);
  if (!m_squeezed) {
    for (size_t i = 0; i < n; ++i) m_textWidth[i] = CharsWidth(size, columns[i].Width);
    return;
  }
  // Too wide for the page: the spacing between columns shrinks first, down
  // to one character; then the columns share the rest (FitColumns): a
  // text column's least width is its longest word, from four to ten
  // characters (a longer word is cut).
  const double available = m_box.Right - m_box.Left;
  std::vector<ColumnFit> fits(n);
  double text = 0, least = 0;
  for (size_t i = 0; i < n; ++i) {
    ColumnFit& f = fits[i];
    f.natural = CharsWidth(size, columns[i].Width);
    f.given = m_given[i];
    f.whole = columns[i].IsNumericOrDate;
    f.least = f.whole ? f.natural
                      : std::clamp(m_longestWord[i], CharsWidth(size, 4), CharsWidth(size, 10));
    text += f.natural;
    least += f.given ? f.natural : std::min(f.natural, f.least);
  }
  const double spacing =
      std::clamp((available - std::min(text, least)) / CharsWidth(size, 1) / static_cast<double>(n),
                 1.0, Options.ColSpacing);
  const double padding = CharsWidth(size, spacing);
  m_indent = CharsWidth(size, spacing / 2);
  const std::vector<double> width =
      FitColumns(fits, available - padding * static_cast<double>(n), CharsWidth(size, 3));
  double right = m_box.Left;
  for (size_t i = 0; i < n; ++i) {
    right += width[i] + padding;
    m_x[i + 1] = std::min(m_box.Right, static_cast<int>(std::floor(right)));
    m_textWidth[i] = std::max(1, m_x[i + 1] - m_x[i] - 2 * m_indent);
  }
}

void TQExportPDF::BeginExport() {
  TQExportFormatText::BeginExport();
  SizeColumnsWithoutWidth();

  m_box = Options.PageOptions.PrintBox();
  if (m_box.Right <= m_box.Left || m_box.Top <= m_box.Bottom)
    throw Error("Les marges de la page PDF ne laissent aucune place au tableau.");
  m_y = m_gridTop = m_box.Top;
  LayOutColumns();
  m_lines.assign(Columns().Count(), {});

  TPDFDocument& d = Doc();
  d.MediaBox = Options.PageOptions.MediaBox();
  d.TrimBox = m_box;
  d.BeginDocument();
  d.StartPage();
  d.LineWidth = Options.GridLineWidth;
  d.LineSpacing = Options.RowSpacing;
  d.SetStrokeColor(Options.GridLineColor);
  HeaderOrFooterLines(Header, Options.HeaderFont, true);
  d.AddFont(Options.DataFont);
  d.AddFont(Options.CaptionFont);
  d.AddFont(Options.HeaderFont);
  d.AddFont(Options.FooterFont);
}

void TQExportPDF::HeaderOrFooterLines(const StringList& lines, const TPDFFont& font,
                                      bool finalGap) {
  if (!lines.Empty()) {
    TPDFDocument& d = Doc();
    d.SetFont(font);
    for (const std::string& line : lines) {
      m_y -= Step(font);
      if (m_y < m_box.Bottom) {
        d.StartPage();
        d.SetFillColor(font.FontColor);
        d.SetStrokeColor(Options.GridLineColor);
        m_y = m_box.Top - Step(font);
      }
      d.TextOut(m_box.Left, m_y, font.FontColor, Shown(line, font));
    }
    if (finalGap) m_y -= Gap(font);
  }
  m_gridTop = m_y;
}

int TQExportPDF::LineHeight(const TPDFFont& font) const {
  return static_cast<int>(std::trunc(font.FontSize * 1.2));
}

int TQExportPDF::RowHeight(const TPDFFont& font, size_t lines) const {
  const int one = static_cast<int>(std::trunc((Options.RowSpacing + 1) * font.FontSize));
  return one + static_cast<int>(lines > 1 ? lines - 1 : 0) * LineHeight(font);
}

std::vector<std::string> TQExportPDF::CellLines(std::string_view shown, size_t column,
                                                const TPDFFont& font) const {
  const int room = m_textWidth[column];
  if (!m_squeezed || TextWidth(shown, font) <= room) return {std::string(shown)};
  // Words go on a line while they fit; a word longer than the line is cut
  // where the line ends.
  std::vector<std::string> lines;
  std::string line;
  size_t at = 0;
  while (at < shown.size()) {
    size_t end = std::min(shown.find(' ', at), shown.size());
    std::string_view word = shown.substr(at, end - at);
    at = end + 1;
    const std::string candidate = line.empty() ? std::string(word) : line + " " + std::string(word);
    if (TextWidth(candidate, font) <= room) {
      line = candidate;
      continue;
    }
    if (!line.empty()) lines.push_back(line);
    line.clear();
    // Cuts fall between characters, never inside one.
    const auto next = [&word](size_t i) {
      ++i;
      while (i < word.size() && (static_cast<unsigned char>(word[i]) & 0xC0) == 0x80) ++i;
      return i;
    };
    while (TextWidth(word, font) > room) {
      size_t cut = next(0);
      while (cut < word.size() && TextWidth(word.substr(0, next(cut)), font) <= room)
        cut = next(cut);
      lines.emplace_back(word.substr(0, cut));
      word.remove_prefix(cut);
    }
    line = std::string(word);
  }
  if (!line.empty() || lines.empty()) lines.push_back(line);
  return lines;
}

void TQExportPDF::CellText(size_t column, int baseline, const TPDFFont& font,
                           platform::TColor color, TQExportColAlign align,
                           const std::vector<std::string>& lines) {
  const int indent = m_indent;
  int y = baseline;
  for (const std::string& line : lines) {
    int x = m_x[column] + indent;
    if (align != TQExportColAlign::ecaLeft) {
      const int width = TextWidth(line, font);
      if (align == TQExportColAlign::ecaCenter)
        x += (m_textWidth[column] - width) / 2;
      else
        x = m_x[column + 1] - indent - width;
    }
    Doc().TextOut(x, y, color, Shown(line, font));
    y -= LineHeight(font);
  }
}

void TQExportPDF::WriteCaptionRow() {
  TPDFDocument& d = Doc();
  const TPDFFont& font = Options.CaptionFont;
  d.SetFont(font);
  HorizontalRule(m_y);
  size_t lines = 1;
  for (size_t i = 0; i < Columns().Count(); ++i) {
    m_lines[i] = CellLines(PdfUnescape(GetColCaption(static_cast<int>(i))), i, font);
    lines = std::max(lines, m_lines[i].size());
  }
  m_y -= Step(font);
  const int indent = m_squeezed ? m_indent : CharsWidth(font.FontSize, Options.ColSpacing / 2);
  for (size_t i = 0; i < Columns().Count(); ++i) {
    int y = m_y;
    for (const std::string& line : m_lines[i]) {
      d.TextOut(m_x[i] + indent, y, font.FontColor, Shown(line, font));
      y -= LineHeight(font);
    }
  }
  m_y -= static_cast<int>(lines - 1) * LineHeight(font);
  m_y -= Gap(font);
  HorizontalRule(m_y);
}

void TQExportPDF::WriteDataRow() {
  TPDFDocument& d = Doc();
  const TPDFFont& font = Options.DataFont;
  const int size = font.FontSize;
  d.SetFont(font);
  TQExportRow& row = Row();
  size_t lines = 1;
  for (size_t i = 0; i < row.Count(); ++i) {
    row[i].GetExportedValue(true, m_cell);
    m_lines[i] =
        CellLines(m_cell.find('\\') != std::string::npos ? PdfUnescape(m_cell) : m_cell, i, font);
    lines = std::max(lines, m_lines[i].size());
  }
  // A row that does not fit goes to the next page, unless it is the first
  // of its page (it could never fit).
  if (m_y - RowHeight(font, lines) < m_box.Bottom && m_y != m_box.Top) {
    VerticalLines(m_gridTop, m_y);
    m_y = m_gridTop = m_box.Top;
    d.StartPage();
    d.SetFillColor(font.FontColor);
    d.SetStrokeColor(Options.GridLineColor);
    HorizontalRule(m_y);
  }
  m_y -= Step(font);
  const int extra = static_cast<int>(lines - 1) * LineHeight(font);

  for (size_t i = 0; i < row.Count(); ++i) {
    const TQExportColumn& column = Columns()[static_cast<size_t>(row[i].ColumnIndex)];
    TQExportColAlign align = column.ColAlign;
    Font cellFont;
    cellFont.size = size;
    cellFont.color = font.FontColor;
    platform::TColor background = platform::clWhite;
    const std::string value = m_lines[i].size() == 1 ? EscapeText(m_lines[i][0]) : m_cell;
    DoGetCellParams(RecordCounter(), static_cast<int>(i), value, align, cellFont, background);
    if (background != platform::clWhite)
      d.FillRect(background, m_x[i], m_y - size * Options.RowSpacing / 2 - extra,
                 m_x[i + 1] - m_x[i],
                 (Options.RowSpacing + 1) * size - Options.GridLineWidth / 2.0 + extra);
    CellText(i, m_y, font, cellFont.color, align, m_lines[i]);
  }
  m_y -= extra;
  m_y -= Gap(font);
  HorizontalRule(m_y);
}

void TQExportPDF::EndExport() {
  TPDFDocument& d = Doc();
  if (m_y != m_box.Top) VerticalLines(m_gridTop, m_y);
  HeaderOrFooterLines(Footer, Options.FooterFont, false);
  d.EndPage();
  d.EndDocument();
  TQExportFormatText::EndExport();
}

}  // namespace kvn::exporting
