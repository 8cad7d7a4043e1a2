#include "export/pdf/pdf_export.h"

#include <algorithm>
#include <cmath>
#include <utility>

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

void TQExportPDF::SizeColumnsWithoutWidth() {
  TQExportColumns& columns = Columns();
  std::vector<bool> sized(columns.Count(), false);
  bool any = false;
  for (size_t i = 0; i < columns.Count(); ++i) {
    TQExportColumn& c = columns[i];
    const bool given = ColumnsWidth.HasName(c.Name) && c.Width > 0;
    if (given) continue;
    sized[i] = any = true;
    c.Width = 0;
  }
  if (!any) return;
  // A width in characters counts average characters of the data font: the
  // smallest number of them as wide as the text.
  const int dataSize = Options.DataFont.FontSize;
  const double average = std::max(1, dataSize) * 123990.0 / 256 / 1000;
  const auto characters = [average](std::string_view text, int size) {
    return static_cast<int>(std::ceil(TextWidth(text, size) / average));
  };
  if (AllowCaptions)
    for (size_t i = 0; i < columns.Count(); ++i)
      if (sized[i]) columns[i].Width = characters(columns[i].Caption, Options.CaptionFont.FontSize);
  // The text a value shows: formatted as its column says, the null string
  // for a null. A value that does not convert is measured as it is; the row
  // then stops the export with its own message.
  std::string shown;
  columns.WidenToValues(sized, [&](size_t i, std::string_view raw) {
    const TQExportColumn& c = columns[i];
    if (columns.IsNull(static_cast<int>(i))) return characters(Formats.NullString(), dataSize);
    if (!c.IsNumericOrDate) return characters(raw, dataSize);
    try {
      shown = FormatValue(c, std::string(raw), nullptr);
    } catch (const ValueError&) {
      shown.assign(raw);
    }
    return characters(shown, dataSize);
  });
}

void TQExportPDF::BeginExport() {
  TQExportFormatText::BeginExport();
  SizeColumnsWithoutWidth();

  m_box = Options.PageOptions.PrintBox();
  if (m_box.Right <= m_box.Left || m_box.Top <= m_box.Bottom)
    throw Error("Les marges de la page PDF ne laissent aucune place au tableau.");
  m_y = m_gridTop = m_box.Top;
  m_x.assign(1, m_box.Left);
  for (size_t i = 0; i < Columns().Count(); ++i)
    m_x.push_back(m_x.back() + CharsWidth(Options.DataFont.FontSize, Columns()[i].Width + Options.ColSpacing));

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

void TQExportPDF::HeaderOrFooterLines(const StringList& lines, const TPDFFont& font, bool finalGap) {
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
      d.TextOut(m_box.Left, m_y, font.FontColor, EscapeText(line));
    }
    if (finalGap) m_y -= Gap(font);
  }
  m_gridTop = m_y;
}

void TQExportPDF::WriteCaptionRow() {
  TPDFDocument& d = Doc();
  const TPDFFont& font = Options.CaptionFont;
  d.SetFont(font);
  HorizontalRule(m_y);
  m_y -= Step(font);
  const int indent = CharsWidth(font.FontSize, Options.ColSpacing / 2);
  for (size_t i = 0; i < Columns().Count(); ++i)
    d.TextOut(m_x[i] + indent, m_y, font.FontColor, GetColCaption(static_cast<int>(i)));
  m_y -= Gap(font);
  HorizontalRule(m_y);
}

void TQExportPDF::WriteDataRow() {
  TPDFDocument& d = Doc();
  const TPDFFont& font = Options.DataFont;
  const int size = font.FontSize;
  d.SetFont(font);
  if (m_y - static_cast<int>(std::trunc((Options.RowSpacing + 1) * size)) < m_box.Bottom) {
    VerticalLines(m_gridTop, m_y);
    m_y = m_gridTop = m_box.Top;
    d.StartPage();
    d.SetFillColor(font.FontColor);
    d.SetStrokeColor(Options.GridLineColor);
    HorizontalRule(m_y);
  }
  m_y -= Step(font);

  const int indent = CharsWidth(size, Options.ColSpacing / 2);
  TQExportRow& row = Row();
  for (size_t i = 0; i < row.Count(); ++i) {
    row[i].GetExportedValue(true, m_cell);
    const TQExportColumn& column = Columns()[static_cast<size_t>(row[i].ColumnIndex)];
    TQExportColAlign align = column.ColAlign;
    Font cellFont;
    cellFont.size = size;
    cellFont.color = font.FontColor;
    platform::TColor background = platform::clWhite;
    DoGetCellParams(RecordCounter(), static_cast<int>(i), m_cell, align, cellFont, background);
    if (background != platform::clWhite)
      d.FillRect(background, m_x[i], m_y - size * Options.RowSpacing / 2, m_x[i + 1] - m_x[i],
                 (Options.RowSpacing + 1) * size - Options.GridLineWidth / 2.0);
    int x = m_x[i] + indent;
    if (align != TQExportColAlign::ecaLeft) {
      // Measured as it shows, without the escaping backslashes.
      const bool escaped = m_cell.find('\\') != std::string::npos;
      const int width = TextWidth(escaped ? PdfUnescape(m_cell) : m_cell, size);
      if (align == TQExportColAlign::ecaCenter)
        x += (CharsWidth(size, column.Width) - width) / 2;
      else
        x = m_x[i + 1] - indent - width;
    }
    d.TextOut(x, m_y, cellFont.color, m_cell);
  }
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
