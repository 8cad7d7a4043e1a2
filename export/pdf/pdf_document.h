// A small PDF 1.3 document writer: uncompressed content streams drawn with the
// standard Type 1 fonts, then the closing objects, the cross-reference table
// and the trailer. Every line ends with a carriage return. The document writes
// its numbers with a point itself, whatever the locale, so the program's own
// decimal separator (that of the values in the table) stays the user's.
//
// Objects are numbered in creation order: each page's content stream and its
// length object, then outlines, fonts, resources, pages, page objects, catalog.
#pragma once

#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/colors.h"
#include "platform/stream.h"

namespace kvn::exporting {

class TrueTypeFont;

enum class TPDFFontName {
  poHelvetica,
  poHelveticaBold,
  poHelveticaOblique,
  poHelveticaBoldOblique,
  poCourier,
  poCourierBold,
  poCourierOblique,
  poCourierBoldOblique,
  poTimesRoman,
  poTimesBold,
  poTimesItalic,
  poTimesBoldItalic,
  poSymbol,
  poZapfDingbats
};
enum class TPDFFontEncoding {
  poStandardEncoding,
  poWinAnsiEncoding,
  poMacRomanEncoding,
  poPDFDocEncoding
};

// "Helvetica", "Helvetica-Bold", ...; "StandardEncoding", ...
const char* PdfBaseFontName(TPDFFontName font);
const char* PdfEncodingName(TPDFFontEncoding encoding);

struct TPDFFont {
  std::string Name;  // the resource name ("DataFont", ...)
  TPDFFontName BaseFont = TPDFFontName::poHelvetica;
  TPDFFontEncoding FontEncoding = TPDFFontEncoding::poWinAnsiEncoding;
  int FontSize = 10;
  platform::TColor FontColor = platform::clBlack;

  void Assign(const TPDFFont& other) { *this = other; }
  bool operator==(const TPDFFont&) const = default;
};

struct TPDFBox {
  int Left = 0, Bottom = 0, Right = 0, Top = 0;
};

// The widths of a standard font (1/1000 of the font size per byte).
const std::array<uint16_t, 256>& PdfCharWidths(TPDFFontName font);
// truncate(sum of size x width / 1000) over the characters of UTF-8 text:
// the standard font's width of each Windows-1252 character, the embedded
// font's for the others (that of "?" when no font has the character).
int TextWidth(std::string_view text, TPDFFontName font, int size);
inline int TextWidth(std::string_view text, const TPDFFont& font) {
  return TextWidth(text, font.BaseFont, font.FontSize);
}
// truncate(size x n x 123990 / 256 / 1000): n average characters, the unit
// in which column widths and spacings are given.
int CharsWidth(int size, double n);

class TPDFDocument {
 public:
  // The stream is not owned.
  explicit TPDFDocument(platform::Stream& stream);
  TPDFDocument(const TPDFDocument&) = delete;
  TPDFDocument& operator=(const TPDFDocument&) = delete;

  TPDFBox MediaBox{0, 0, 612, 792};
  TPDFBox TrimBox{50, 50, 562, 742};
  double LineWidth = 1.0;
  double LineSpacing = 1.0;

  void BeginDocument();
  int NewObject();
  void StartPage();
  void EndPage();
  // UTF-8 text: what Windows-1252 holds in the current standard font, the
  // rest in an embedded TrueType font that has it, else "?".
  void TextOut(int x, int y, platform::TColor color, std::string_view text);
  void DrawLine(platform::TColor color, double x1, double y1, double x2, double y2);
  void FillRect(platform::TColor color, double x, double y, double w, double h);
  void SetStrokeColor(platform::TColor color);
  void SetFillColor(platform::TColor color);
  // Throws "Font %s already exists" for a resource name already registered.
  void AddFont(const TPDFFont& font);
  void EndDocument();

  const TPDFFont& Font() const { return m_font; }
  void SetFont(const TPDFFont& font) { m_font = font; }
  platform::TColor LineColor() const { return m_lineColor; }
  platform::TColor FillColor() const { return m_fillColor; }
  int ObjNumber() const { return m_objNumber; }
  size_t PageCount() const { return m_pages.size(); }

 private:
  void Write(std::string_view text);
  // Where the next byte goes, counted from the start of the stream.
  int64_t Size();
  // The embedded font's index, added when first used.
  size_t Embed(const TrueTypeFont* font);
  void WriteEmbeddedFonts(std::string& fontRefs);

  // A TrueType font the pages use, and the characters of its glyphs.
  struct Embedded {
    const TrueTypeFont* font;
    std::string name;
    std::map<uint16_t, char32_t> glyphs;
  };

  platform::Stream& m_stream;
  int m_objNumber = 0;
  std::vector<std::string> m_pages;  // "n 0 R" per page
  std::vector<int64_t> m_offsets;    // per object, in number order
  std::vector<TPDFFont> m_fonts;     // in registration order
  std::vector<Embedded> m_embedded;
  TPDFFont m_font;
  platform::TColor m_lineColor = platform::clBlack;
  platform::TColor m_fillColor = platform::clBlack;
  int64_t m_streamStart = 0;
  int64_t m_base = 0;
  int64_t m_written = 0;
  bool m_pageOpen = false;
};

// "%.<decimals>f" with a point, whatever the locale.
std::string PdfNumber(double value, int decimals);

}  // namespace kvn::exporting
