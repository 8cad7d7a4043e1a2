// The rows as a table in a PDF file: optional header lines, a caption row, one
// text line per record with grid lines around the cells, optional footer
// lines, on as many pages as needed.
//
// Lengths are integer points (1/72 inch), origin at the bottom left. Column
// boundaries come from the widths in characters of an average character of the
// data font; a column with no width of its own is as wide as its longest caption
// or value. The table always fits the print box: when the columns are wider,
// widths typed by the user are kept (scaled down only when they alone pass the
// page), the other columns share the rest and their texts wrap inside the
// cells, which grow.
#pragma once

#include "export/exporter.h"
#include "export/pdf/pdf_document.h"

namespace kvn::exporting {

// The page: its format, units, orientation and margins, kept in points and
// shown in Units.
class TQExportPDFPageOptions {
 public:
  // A4 portrait in inches, margins 1.18, 0.59, 0.79 and 0.79 inch.
  TQExportPDFPageOptions();

  TQExportPageFormat Format() const { return m_format; }
  // Any format but pfUser sets the portrait size of that format.
  void SetFormat(TQExportPageFormat format);
  TQExportUnits Units() const { return m_units; }
  void SetUnits(TQExportUnits units) { m_units = units; }
  TQExportPageOrientation Orientation() const { return m_orientation; }
  // Swaps width and height and turns the margins.
  void SetOrientation(TQExportPageOrientation orientation);

  // In Units; setting a width or height makes the format pfUser.
  double Width() const { return FromPoints(m_units, m_width); }
  double Height() const { return FromPoints(m_units, m_height); }
  void SetWidth(double value);
  void SetHeight(double value);
  double MarginLeft() const { return FromPoints(m_units, m_left); }
  double MarginRight() const { return FromPoints(m_units, m_right); }
  double MarginTop() const { return FromPoints(m_units, m_top); }
  double MarginBottom() const { return FromPoints(m_units, m_bottom); }
  void SetMarginLeft(double value) { m_left = ToPoints(m_units, value); }
  void SetMarginRight(double value) { m_right = ToPoints(m_units, value); }
  void SetMarginTop(double value) { m_top = ToPoints(m_units, value); }
  void SetMarginBottom(double value) { m_bottom = ToPoints(m_units, value); }

  // The same values in points, as settings files keep them.
  struct Points {
    int width, height, left, right, top, bottom;
  };
  Points InPoints() const { return {m_width, m_height, m_left, m_right, m_top, m_bottom}; }
  // Sets the six values as they are (no format change, no turn).
  void SetPoints(const Points& p);
  // Sets format and orientation as they are, without changing the sizes.
  void SetFormatAndOrientation(TQExportPageFormat format, TQExportPageOrientation orientation);

  TPDFBox MediaBox() const { return {0, 0, m_width - 1, m_height - 1}; }
  TPDFBox PrintBox() const {
    return {m_left, m_bottom, m_width - m_right - 1, m_height - m_top - 1};
  }

  void Assign(const TQExportPDFPageOptions& other) { *this = other; }

 private:
  TQExportPageFormat m_format = TQExportPageFormat::pfA4;
  TQExportUnits m_units = TQExportUnits::unInch;
  TQExportPageOrientation m_orientation = TQExportPageOrientation::poPortrait;
  int m_width = 0, m_height = 0, m_left = 0, m_right = 0, m_top = 0, m_bottom = 0;
};

struct TPDFOptions {
  TQExportPDFPageOptions PageOptions;
  TPDFFont HeaderFont{"HeaderFont"};
  TPDFFont CaptionFont{"CaptionFont"};
  TPDFFont DataFont{"DataFont"};
  TPDFFont FooterFont{"FooterFont"};
  double RowSpacing = 1.0;
  double ColSpacing = 3.0;
  int GridLineWidth = 1;
  platform::TColor GridLineColor = platform::clBlack;

  void Assign(const TPDFOptions& other) { *this = other; }
};

// The writer owns the document on its output stream.
class TQPDFWriter : public TQExportWriter {
 public:
  TQPDFWriter(TQExport* owner, platform::Stream& stream)
      : TQExportWriter(owner, stream), m_document(stream) {}
  TPDFDocument& Document() { return m_document; }

 private:
  TPDFDocument m_document;
};

class TQExportPDF : public TQExportFormatText {
 public:
  TPDFOptions Options;

  void GetColumnOptions(ColumnOptions& options) const override;
  // Only a flag: the table and the document are closed by EndExport.
  void Abort() override { TQExport::Abort(); }

  // The column boundaries of the last export (column count + 1 values).
  const std::vector<int>& ColumnBounds() const { return m_x; }

 protected:
  std::unique_ptr<TQExportWriter> CreateWriter(platform::Stream& stream) override;
  // The file holds bytes of its own: texts are converted one by one.
  bool WriterEncodes() const override;
  std::string UnholdableWhy() const override {
    return "qu'aucune police du système ne sait dessiner";
  }
  void BeginExport() override;
  void EndExport() override;
  void WriteCaptionRow() override;
  void WriteDataRow() override;
  std::set<char> GetSpecialChars() override { return {'\\'}; }
  // A backslash before every backslash and parenthesis: the text stays one
  // balanced string operand.
  std::string EscapeText(const std::string& text) override;
  // A line of UTF-8 text drawn in a font: counts the characters neither the
  // standard font nor an embedded one has (the page shows them as "?").
  const std::string& Shown(const std::string& utf8, const TPDFFont& font);

 private:
  TPDFDocument& Doc() { return static_cast<TQPDFWriter&>(*Writer()).Document(); }
  // Columns with no width given are sized from their caption and values.
  void SizeColumnsWithoutWidth();
  // The column boundaries within the print box.
  void LayOutColumns();
  // The lines a text takes in a column (one when it fits), unescaped.
  std::vector<std::string> CellLines(std::string_view shown, size_t column,
                                     const TPDFFont& font) const;
  // Draws the lines of a cell from its first baseline down.
  void CellText(size_t column, int baseline, const TPDFFont& font, platform::TColor color,
                TQExportColAlign align, const std::vector<std::string>& lines);
  // The height a row of that many lines takes, with its spacing.
  int RowHeight(const TPDFFont& font, size_t lines) const;
  int LineHeight(const TPDFFont& font) const;
  void HorizontalRule(int y);
  void VerticalLines(int top, int bottom);
  void HeaderOrFooterLines(const StringList& lines, const TPDFFont& font, bool finalGap);
  int Step(const TPDFFont& f) const;
  int Gap(const TPDFFont& f) const;

  int m_y = 0;
  int m_gridTop = 0;
  TPDFBox m_box;
  std::vector<int> m_x;
  std::vector<int> m_longestWord;  // per column, in points of its font
  std::vector<bool> m_given;       // per column: its width was typed by the user
  std::vector<int> m_textWidth;    // per column: where its text may go
  bool m_squeezed = false;         // the columns were narrowed to fit the page
  int m_indent = 0;                // from a column's edge to its text
  std::string m_cell;
  std::vector<std::vector<std::string>> m_lines;
};

// The text as it shows: the escaping backslashes removed.
std::string PdfUnescape(std::string_view text);

}  // namespace kvn::exporting
