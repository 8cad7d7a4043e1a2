#include "export/pdf/pdf_document.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "export/pdf/pdf_metrics.h"
#include "export/pdf/pdf_truetype.h"
#include "platform/codepage.h"
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
    const char32_t cp = platform::DecodeUtf8(text, i);
    const char shown = platform::Cp1252FromUnicode(cp);
    if (shown != '?') {
      sum += widths[static_cast<unsigned char>(shown)];
      continue;
    }
    // What Windows-1252 lacks is drawn with a TrueType font, or as "?".
    const FallbackGlyph glyph = FindFallbackGlyph(font, cp);
    sum += glyph.font ? glyph.font->Advance(glyph.glyph) : widths['?'];
  }
  return static_cast<int>(sum * size / 1000);
}

int CharsWidth(int size, double n) {
  return static_cast<int>(std::trunc(size * n * kWidthSum / 256 / 1000));
}

const char* PdfBaseFontName(TPDFFontName font) {
  static const char* const names[] = {
      "Helvetica",   "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique",
      "Courier",     "Courier-Bold",   "Courier-Oblique",   "Courier-BoldOblique",
      "Times-Roman", "Times-Bold",     "Times-Italic",      "Times-BoldItalic",
      "Symbol",      "ZapfDingbats"};
  return names[static_cast<int>(font)];
}

const char* PdfEncodingName(TPDFFontEncoding encoding) {
  static const char* const names[] = {"StandardEncoding", "WinAnsiEncoding", "MacRomanEncoding",
                                      "PDFDocEncoding"};
  return names[static_cast<int>(encoding)];
}

std::string PdfNumber(double value, int decimals) {
  char buffer[64];
  auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return "0";
  std::string text(buffer, end);
  // No "-0.0": a value that rounds to zero is written as zero.
  if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

TPDFDocument::TPDFDocument(platform::Stream& stream) : m_stream(stream) {}

int64_t TPDFDocument::Size() {
  return m_base + m_written;
}

void TPDFDocument::Write(std::string_view text) {
  m_stream.WriteString(text);
  m_written += static_cast<int64_t>(text.size());
}

void TPDFDocument::BeginDocument() {
  m_pages.clear();
  m_offsets.clear();
  m_fonts.clear();
  m_embedded.clear();
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
  const std::string size = " " + std::to_string(m_font.FontSize) + " Tf\r";
  std::string out = "BT\r";
  // Runs of Windows-1252 text in the standard font, runs of other
  // characters as glyph numbers of an embedded TrueType font.
  size_t embedded = SIZE_MAX;  // the font of the run being written
  bool first = true;
  std::string run;
  const auto flush = [&] {
    if (first) {
      out += '/';
      out += embedded == SIZE_MAX ? m_font.Name : m_embedded[embedded].name;
      out += size + std::to_string(x) + ' ' + std::to_string(y) + " Td ";
      first = false;
    }
    out += embedded == SIZE_MAX ? "(" + run + ") Tj\r" : "<" + run + "> Tj\r";
    run.clear();
  };
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    size_t font = SIZE_MAX;
    char byte = static_cast<char>(b);
    uint16_t glyph = 0;
    if (b < 0x80) {
      ++i;
    } else {
      const char32_t cp = platform::DecodeUtf8(text, i);
      byte = platform::Cp1252FromUnicode(cp);
      if (byte == '?') {
        if (const FallbackGlyph g = FindFallbackGlyph(m_font.BaseFont, cp); g.font) {
          font = Embed(g.font);
          glyph = g.glyph;
          m_embedded[font].glyphs.emplace(glyph, cp);
        }
      }
    }
    if (font != embedded && (!run.empty() || first)) {
      if (!run.empty()) flush();
      if (!first) out += '/' + (font == SIZE_MAX ? m_font.Name : m_embedded[font].name) + size;
    }
    embedded = font;
    if (font == SIZE_MAX) {
      if (byte == '\\' || byte == '(' || byte == ')') run += '\\';
      run += byte;
    } else {
      static const char digits[] = "0123456789ABCDEF";
      for (int shift = 12; shift >= 0; shift -= 4) run += digits[(glyph >> shift) & 0xF];
    }
  }
  if (!run.empty() || first) flush();
  out += "ET\r";
  Write(out);
  if (switched) SetFillColor(previous);
}

size_t TPDFDocument::Embed(const TrueTypeFont* font) {
  for (size_t i = 0; i < m_embedded.size(); ++i)
    if (m_embedded[i].font == font) return i;
  m_embedded.push_back({font, "KvnTT" + std::to_string(m_embedded.size() + 1), {}});
  return m_embedded.size() - 1;
}

void TPDFDocument::DrawLine(platform::TColor color, double x1, double y1, double x2, double y2) {
  const platform::TColor previous = m_lineColor;
  const bool switched = color != m_lineColor;
  if (switched) SetStrokeColor(color);
  Write(PdfNumber(x1, 1) + " " + PdfNumber(y1, 1) + " m \r" + PdfNumber(x2, 1) + " " +
        PdfNumber(y2, 1) + " l \r" + PdfNumber(LineWidth, 1) + " w \rS\r");
  if (switched) SetStrokeColor(previous);
}

void TPDFDocument::FillRect(platform::TColor color, double x, double y, double w, double h) {
  const platform::TColor previous = m_fillColor;
  const bool switched = color != m_fillColor;
  if (switched) SetFillColor(color);
  Write(PdfNumber(x, 1) + " " + PdfNumber(y, 1) + " " + PdfNumber(w, 1) + " " + PdfNumber(h, 1) +
        " re f\r");
  if (switched) SetFillColor(previous);
}

void TPDFDocument::WriteEmbeddedFonts(std::string& fontRefs) {
  const auto obj = [](int n) { return std::to_string(n) + " 0 obj\r"; };
  const auto hex = [](uint32_t v) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (int shift = 12; shift >= 0; shift -= 4) out += digits[(v >> shift) & 0xF];
    return out;
  };
  for (const Embedded& e : m_embedded) {
    std::vector<uint16_t> glyphs;
    for (const auto& [glyph, cp] : e.glyphs) glyphs.push_back(glyph);
    // A subset's name starts with six capitals drawn from its glyphs.
    uint32_t hash = 2166136261u;
    for (uint16_t g : glyphs) hash = (hash ^ g) * 16777619u;
    std::string name;
    for (int i = 0; i < 6; ++i, hash /= 26) name += static_cast<char>('A' + hash % 26);
    name += "+" + e.font->Name();

    const std::string file = e.font->Subset(glyphs);
    const int fontFile = NewObject();
    Write(obj(fontFile) + "<< /Length " + std::to_string(file.size()) + " /Length1 " +
          std::to_string(file.size()) + " >>\rstream\r\n");
    Write(file);
    Write("\rendstream\rendobj\r");

    const TrueTypeFont::Metrics& m = e.font->Measures();
    const int descriptor = NewObject();
    Write(obj(descriptor) + "<< /Type /FontDescriptor\r/FontName /" + name + "\r/Flags " +
          std::to_string(m.fixedPitch ? 5 : 4) + "\r/FontBBox [" + std::to_string(m.left) + " " +
          std::to_string(m.bottom) + " " + std::to_string(m.right) + " " + std::to_string(m.top) +
          "]\r/ItalicAngle " + PdfNumber(m.italicAngle, 1) + "\r/Ascent " +
          std::to_string(m.ascent) + "\r/Descent " + std::to_string(m.descent) + "\r/CapHeight " +
          std::to_string(m.capHeight) + "\r/StemV 80\r/FontFile2 " + std::to_string(fontFile) +
          " 0 R\r>>\rendobj\r");

    std::string widths;
    for (uint16_t g : glyphs)
      widths += std::to_string(g) + " [" + std::to_string(e.font->Advance(g)) + "] ";
    const int cidFont = NewObject();
    Write(obj(cidFont) + "<< /Type /Font\r/Subtype /CIDFontType2\r/BaseFont /" + name +
          "\r/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 "
          ">>\r/FontDescriptor " +
          std::to_string(descriptor) + " 0 R\r/CIDToGIDMap /Identity\r/W [" + widths +
          "]\r>>\rendobj\r");

    // What each glyph stands for, so readers can copy and search the text.
    std::string cmap =
        "/CIDInit /ProcSet findresource begin\r12 dict begin\rbegincmap\r"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\r"
        "/CMapName /Adobe-Identity-UCS def\r/CMapType 2 def\r"
        "1 begincodespacerange\r<0000> <FFFF>\rendcodespacerange\r";
    size_t done = 0;
    for (auto it = e.glyphs.begin(); it != e.glyphs.end();) {
      const size_t block = std::min<size_t>(100, e.glyphs.size() - done);
      cmap += std::to_string(block) + " beginbfchar\r";
      for (size_t k = 0; k < block; ++k, ++it, ++done) {
        const char32_t cp = it->second;
        std::string units = cp < 0x10000 ? hex(cp)
                                         : hex(0xD800 + ((cp - 0x10000) >> 10)) +
                                               hex(0xDC00 + ((cp - 0x10000) & 0x3FF));
        cmap += "<" + hex(it->first) + "> <" + units + ">\r";
      }
      cmap += "endbfchar\r";
    }
    cmap += "endcmap\rCMapName currentdict /CMap defineresource pop\rend\rend";
    const int toUnicode = NewObject();
    Write(obj(toUnicode) + "<< /Length " + std::to_string(cmap.size()) + " >>\rstream\r\n" + cmap +
          "\rendstream\rendobj\r");

    const int font = NewObject();
    Write(obj(font) + "<< /Type /Font\r/Subtype /Type0\r/BaseFont /" + name +
          "\r/Encoding /Identity-H\r/DescendantFonts [" + std::to_string(cidFont) +
          " 0 R]\r/ToUnicode " + std::to_string(toUnicode) + " 0 R\r>>\rendobj\r");
    fontRefs += "/" + e.name + " " + std::to_string(font) + " 0 R ";
  }
}

namespace {

// "r g b" of a colour, each byte / 255 with two decimals.
std::string ColorComponents(platform::TColor color) {
  const platform::TColor rgb = platform::ColorToRGB(color);
  return PdfNumber((rgb & 0xFF) / 255.0, 2) + " " + PdfNumber(((rgb >> 8) & 0xFF) / 255.0, 2) +
         " " + PdfNumber(((rgb >> 16) & 0xFF) / 255.0, 2);
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

  WriteEmbeddedFonts(fontRefs);

  const int resources = NewObject();
  Write(obj(resources) + "<< /Font <<" + fontRefs + " >> /ProcSet [ /PDF /Text ] >>\rendobj\r");

  const int pages = NewObject();
  std::string kids;
  for (size_t i = 0; i < m_pages.size(); ++i)
    kids += std::to_string(pages + 1 + static_cast<int>(i)) + " 0 R ";
  Write(obj(pages) + "<< /Type /Pages\r/Count " + std::to_string(m_pages.size()) + "\r/Kids [" +
        kids + "]\r>>\rendobj\r");

  const auto box = [](const TPDFBox& b) {
    return "[" + std::to_string(b.Left) + " " + std::to_string(b.Bottom) + " " +
           std::to_string(b.Right) + " " + std::to_string(b.Top) + "]";
  };
  for (const std::string& contents : m_pages) {
    const int n = NewObject();
    Write(obj(n) + "<< /Type /Page\r/Parent " + std::to_string(pages) + " 0 R\r/Resources " +
          std::to_string(resources) + " 0 R\r/MediaBox " + box(MediaBox) + "\r/TrimBox " +
          box(TrimBox) + "\r/Contents " + contents + "\r>>\rendobj\r");
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
  Write("trailer\r<< /Size " + std::to_string(m_objNumber + 1) + "\r/Root " +
        std::to_string(catalog) + " 0 R\r>>\rstartxref\r" + std::to_string(xref) + "\r%%EOF");
}

}  // namespace kvn::exporting
