// TrueType fonts for the characters the standard PDF fonts lack: the fonts
// are read from the system (Liberation, matching the standard font's family
// and style, then DejaVu, then a wide fallback for East Asian scripts), and a
// document embeds a subset of each one it uses — the glyphs it shows, with
// their glyph numbers kept, so the text can name glyphs directly.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kvn::exporting {

enum class TPDFFontName;

class TrueTypeFont {
 public:
  // Nothing when the file is missing or is not a TrueType font the
  // document can embed (glyph outlines in a "glyf" table, a Unicode cmap).
  static std::unique_ptr<TrueTypeFont> Load(const std::filesystem::path& path);

  // The PostScript name ("LiberationSans-Bold").
  const std::string& Name() const { return m_name; }
  // The glyph of a character, 0 when the font has none.
  uint16_t GlyphOf(char32_t cp) const;
  // A glyph's advance width in 1/1000 of the font size.
  int Advance(uint16_t glyph) const;

  // The descriptor's figures, in 1/1000 of the font size.
  struct Metrics {
    int left = 0, bottom = 0, right = 0, top = 0;  // bounding box
    int ascent = 0, descent = 0, capHeight = 0;
    double italicAngle = 0;
    bool fixedPitch = false;
  };
  const Metrics& Measures() const { return m_metrics; }

  // A font file holding only the given glyphs (and those they are built
  // of), each at its own number; the others are empty.
  std::string Subset(const std::vector<uint16_t>& glyphs) const;

 private:
  TrueTypeFont() = default;
  struct Table {
    uint32_t offset = 0, length = 0;
  };
  std::string_view TableData(const char* tag) const;
  bool ReadCmap();
  // The bytes of a glyph's outline.
  std::string_view Glyph(uint16_t glyph) const;

  std::string m_data;
  std::map<std::string, Table> m_tables;
  std::string m_name;
  Metrics m_metrics;
  int m_unitsPerEm = 1000;
  int m_numGlyphs = 0;
  int m_numHMetrics = 0;
  bool m_longLoca = false;
  std::unordered_map<char32_t, uint16_t> m_cmap;
};

// One character found in a fallback font.
struct FallbackGlyph {
  const TrueTypeFont* font = nullptr;  // nullptr: no font has it
  uint16_t glyph = 0;
};

// The fonts tried, in order, for a character a standard font lacks. The
// fonts are read once, when first needed, and kept for the program's life.
FallbackGlyph FindFallbackGlyph(TPDFFontName font, char32_t cp);

}  // namespace kvn::exporting
