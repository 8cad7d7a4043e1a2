#include "export/pdf/pdf_document.h"

#include "platform/codepage.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "export/pdf/pdf_metrics.h"
#include "platform/error.h"
#include "platform/strings.h"

namespace kvn::exporting {

namespace {

// An average character: the sum of the widths of the 256 bytes of the width
// table column widths were first given in, over 256.
constexpr int kWidthSum = 123990;

}  // namespace

const std::array<uint16_t, 256>& PdfCharWidths(TPDFFontName font) {
  return StandardFontWidths()[static_cast<size_t>(font)];
}

int TextWidth(std::string_view text, TPDFFontName font, int size) {
  const std::array<uint16_t, 256>& widths = PdfCharWidths(font);
  int64_t sum = 0;
  // UTF-8 text, measured as the Windows-1252 characters the page shows.
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      sum += widths[b];
      ++i;
      continue;
    }
    sum += widths[static_cast<unsigned char>(platform::Cp1252FromUnicode(platform::DecodeUtf8(text, i)))];
  }
  return static_cast<int>(sum * size / 1000);
}

int CharsWidth(int size, double n) { return static_cast<int>(std::trunc(size * n * kWidthSum / 256 / 1000)); }

const char* PdfBaseFontName(TPDFFontName font) {
  static const char* const names[] = {"Helvetica",    "Helvetica-Bold",    "Helvetica-Oblique",
                                      "Helvetica-BoldOblique", "Courier", "Courier-Bold",
                                      "Courier-Oblique", "Courier-BoldOblique", "Times-Roman",
                                      "Times-Bold",   "Times-Italic",      "Times-BoldItalic",
                                      "Symbol",       "ZapfDingbats"};
  return names[static_cast<int>(font)];
}

const char* PdfEncodingName(TPDFFontEncoding encoding) {
  static const char* const names[] = {"StandardEncoding", "WinAnsiEncoding", "MacRomanEncoding",
                                      "PDFDocEncoding"};
  return names[static_cast<int>(encoding)];
}

std::string PdfNumber(double value, int decimals) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return "0";
  std::string text(buffer, end);
  // No "-0.0": a value that rounds to zero is written as zero.
  if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

TPDFDocument::TPDFDocument(platform::Stream& stream) : m_stream(stream) {}

int64_t TPDFDocument::Size() { return m_base + m_written; }

void TPDFDocument::Write(std::string_view text) {
  m_stream.WriteString(text);
  m_written += static_cast<int64_t>(text.size());
}

void TPDFDocument::BeginDocument() {
  m_pages.clear();
  m_offsets.clear();
  m_fonts.clear();
  m_objNumber = 0;
  m_pageOpen = false;
  LineWidth = 1.0;
  LineSpacing = 1.0;
  m_lineColor = platform::clBlack;
  m_fillColor = platform::clBlack;
  // Offsets count from the start of the stream; a pipe has no position and
  // starts here.
  m_written = 0;
  try {
    m_base = m_stream.Position();
  } catch (const Error&) {
    m_base = 0;
  }
  Write("%PDF-1.3\r");
}

int TPDFDocument::NewObject() {
  ++m_objNumber;
  m_offsets.push_back(Size());
  return m_objNumber;
}

void TPDFDocument::StartPage() {
  EndPage();
  const int n = NewObject();
  m_pages.push_back(std::to_string(n) + " 0 R");
  // "stream" ends with CR LF: a carriage return alone may not end it, as
  // readers could take it for the first byte of the content.
  Write(std::to_string(n) + " 0 obj\r<< /Length " + std::to_string(n + 1) + " 0 R >>\rstream\r\n");
  m_streamStart = Size();
  m_pageOpen = true;
}

void TPDFDocument::EndPage() {
  if (!m_pageOpen) return;
  m_pageOpen = false;
  const int64_t length = Size() - m_streamStart;
  Write("endstream\rendobj\r");
  const int n = NewObject();
  Write(std::to_string(n) + " 0 obj\r" + std::to_string(length) + " \rendobj\r");
}

void TPDFDocument::TextOut(int x, int y, platform::TColor color, std::string_view text) {
  const platform::TColor previous = m_fillColor;
  const bool switched = color != m_fillColor;
  if (switched) SetFillColor(color);
  std::string out = "BT\r/";
  out += m_font.Name;
  out += ' ';
  out += std::to_string(m_font.FontSize);
  out += " Tf\r";
  out += std::to_string(x);
  out += ' ';
  out += std::to_string(y);
  out += " Td (";
  out += text;
  out += ") Tj\rET\r";
  Write(out);
  if (switched) SetFillColor(previous);
}

void TPDFDocument::DrawLine(platform::TColor color, double x1, double y1, double x2, double y2) {
  const platform::TColor previous = m_lineColor;
  const bool switched = color != m_lineColor;
  if (switched) SetStrokeColor(color);
  Write(PdfNumber(x1, 1) + " " + PdfNumber(y1, 1) + " m \r" + PdfNumber(x2, 1) + " " + PdfNumber(y2, 1) +
        " l \r" + PdfNumber(LineWidth, 1) + " w \rS\r");
  if (switched) SetStrokeColor(previous);
}

void TPDFDocument::FillRect(platform::TColor color, double x, double y, double w, double h) {
  const platform::TColor previous = m_fillColor;
  const bool switched = color != m_fillColor;
  if (switched) SetFillColor(color);
  Write(PdfNumber(x, 1) + " " + PdfNumber(y, 1) + " " + PdfNumber(w, 1) + " " + PdfNumber(h, 1) + " re f\r");
  if (switched) SetFillColor(previous);
}

namespace {

// "r g b" of a colour, each byte / 255 with two decimals.
std::string ColorComponents(platform::TColor color) {
  const platform::TColor rgb = platform::ColorToRGB(color);
  return PdfNumber((rgb & 0xFF) / 255.0, 2) + " " + PdfNumber(((rgb >> 8) & 0xFF) / 255.0, 2) + " " +
         PdfNumber(((rgb >> 16) & 0xFF) / 255.0, 2);
}

}  // namespace

void TPDFDocument::SetStrokeColor(platform::TColor color) {
  Write(ColorComponents(color) + " RG\r");
  m_lineColor = color;
}

void TPDFDocument::SetFillColor(platform::TColor color) {
  Write(ColorComponents(color) + " rg\r");
  m_fillColor = color;
}

void TPDFDocument::AddFont(const TPDFFont& font) {
  for (const TPDFFont& f : m_fonts)
    if (f.Name == font.Name) throw Error(platform::Subst("Font %s already exists", {font.Name}));
  m_fonts.push_back(font);
}

void TPDFDocument::EndDocument() {
  const auto obj = [](int n) { return std::to_string(n) + " 0 obj\r"; };

  const int outlines = NewObject();
  Write(obj(outlines) + "<< /Type /Outlines\r/Count 0\r>>\rendobj\r");

  std::string fontRefs;
  for (const TPDFFont& f : m_fonts) {
    std::string widths;
    for (int w : PdfCharWidths(f.BaseFont)) widths += std::to_string(w) + " ";
    const int n = NewObject();
    fontRefs += "/" + f.Name + " " + std::to_string(n) + " 0 R ";
    Write(obj(n) + "<< /Type /Font\r/Subtype /Type1\r/Name /" + f.Name + "\r/BaseFont /" +
          PdfBaseFontName(f.BaseFont) + "\r/Encoding /" + PdfEncodingName(f.FontEncoding) +
          "\r/FirstChar 0\r/LastChar 255\r/Widths [" + widths + "]\r>>\rendobj\r");
  }

  const int resources = NewObject();
  Write(obj(resources) + "<< /Font <<" + fontRefs + " >> /ProcSet [ /PDF /Text ] >>\rendobj\r");

  const int pages = NewObject();
  std::string kids;
  for (size_t i = 0; i < m_pages.size(); ++i) kids += std::to_string(pages + 1 + static_cast<int>(i)) + " 0 R ";
  Write(obj(pages) + "<< /Type /Pages\r/Count " + std::to_string(m_pages.size()) + "\r/Kids [" + kids +
        "]\r>>\rendobj\r");

  const auto box = [](const TPDFBox& b) {
    return "[" + std::to_string(b.Left) + " " + std::to_string(b.Bottom) + " " + std::to_string(b.Right) + " " +
           std::to_string(b.Top) + "]";
  };
  for (const std::string& contents : m_pages) {
    const int n = NewObject();
    Write(obj(n) + "<< /Type /Page\r/Parent " + std::to_string(pages) + " 0 R\r/Resources " +
          std::to_string(resources) + " 0 R\r/MediaBox " + box(MediaBox) + "\r/TrimBox " + box(TrimBox) +
          "\r/Contents " + contents + "\r>>\rendobj\r");
  }

  const int catalog = NewObject();
  Write(obj(catalog) + "<< /Type /Catalog \r/Pages " + std::to_string(pages) + " 0 R \r/Outlines " +
        std::to_string(outlines) + " 0 R \r>>\rendobj\r");

  const int64_t xref = Size();
  std::string table = "xref\r0 " + std::to_string(m_objNumber + 1) + "\r0000000000 65535 f \r";
  for (int64_t offset : m_offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010lld 00000 n \r", static_cast<long long>(offset));
    table += line;
  }
  Write(table);
  Write("trailer\r<< /Size " + std::to_string(m_objNumber + 1) + "\r/Root " + std::to_string(catalog) +
        " 0 R\r>>\rstartxref\r" + std::to_string(xref) + "\r%%EOF");
}

}  // namespace kvn::exporting
