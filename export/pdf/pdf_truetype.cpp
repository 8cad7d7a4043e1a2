#include "export/pdf/pdf_truetype.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <mutex>
#include <set>

#include "export/pdf/pdf_document.h"

namespace kvn::exporting {

namespace {

// Big-endian reads that never pass the end of the data: what lies beyond
// reads as zero, so a damaged font gives wrong glyphs, never a crash.
uint32_t Be(std::string_view d, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) {
    v <<= 8;
    if (at + static_cast<size_t>(i) < d.size())
      v |= static_cast<unsigned char>(d[at + static_cast<size_t>(i)]);
  }
  return v;
}
uint16_t U16(std::string_view d, size_t at) {
  return static_cast<uint16_t>(Be(d, at, 2));
}
int16_t S16(std::string_view d, size_t at) {
  return static_cast<int16_t>(Be(d, at, 2));
}
uint32_t U32(std::string_view d, size_t at) {
  return Be(d, at, 4);
}

void PutU16(std::string& out, uint32_t v) {
  out += static_cast<char>((v >> 8) & 0xFF);
  out += static_cast<char>(v & 0xFF);
}
void PutU32(std::string& out, uint32_t v) {
  PutU16(out, v >> 16);
  PutU16(out, v & 0xFFFF);
}
void SetU16(std::string& data, size_t at, uint32_t v) {
  if (at + 2 > data.size()) return;
  data[at] = static_cast<char>((v >> 8) & 0xFF);
  data[at + 1] = static_cast<char>(v & 0xFF);
}
void SetU32(std::string& data, size_t at, uint32_t v) {
  SetU16(data, at, v >> 16);
  SetU16(data, at + 2, v & 0xFFFF);
}

// The sum of a table's 32-bit words, its last word padded with zeros.
uint32_t Checksum(std::string_view data) {
  uint32_t sum = 0;
  for (size_t i = 0; i < data.size(); i += 4) sum += U32(data, i);
  return sum;
}

}  // namespace

std::unique_ptr<TrueTypeFont> TrueTypeFont::Load(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  std::unique_ptr<TrueTypeFont> font(new TrueTypeFont);
  font->m_data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  const std::string_view d = font->m_data;
  const uint32_t version = U32(d, 0);
  if (version != 0x00010000 && version != 0x74727565) return nullptr;  // 'true'
  const uint16_t count = U16(d, 4);
  for (uint16_t i = 0; i < count; ++i) {
    const size_t at = 12 + 16 * static_cast<size_t>(i);
    if (at + 16 > d.size()) return nullptr;
    Table t{U32(d, at + 8), U32(d, at + 12)};
    if (t.offset > d.size() || t.length > d.size() - t.offset) return nullptr;
    font->m_tables[std::string(d.substr(at, 4))] = t;
  }
  for (const char* needed : {"head", "hhea", "hmtx", "maxp", "loca", "glyf", "cmap"})
    if (font->m_tables.count(needed) == 0) return nullptr;

  const std::string_view head = font->TableData("head");
  font->m_unitsPerEm = U16(head, 18);
  if (font->m_unitsPerEm < 16) return nullptr;
  font->m_longLoca = S16(head, 50) != 0;
  font->m_numGlyphs = U16(font->TableData("maxp"), 4);
  const std::string_view hhea = font->TableData("hhea");
  font->m_numHMetrics = U16(hhea, 34);
  if (font->m_numGlyphs == 0 || font->m_numHMetrics == 0 ||
      font->TableData("hmtx").size() < 4 * static_cast<size_t>(font->m_numHMetrics) ||
      font->TableData("loca").size() <
          (font->m_longLoca ? 4u : 2u) * (static_cast<size_t>(font->m_numGlyphs) + 1))
    return nullptr;
  if (!font->ReadCmap()) return nullptr;

  const auto scaled = [&](int v) {
    return static_cast<int>(std::lround(v * 1000.0 / font->m_unitsPerEm));
  };
  Metrics& m = font->m_metrics;
  m.left = scaled(S16(head, 36));
  m.bottom = scaled(S16(head, 38));
  m.right = scaled(S16(head, 40));
  m.top = scaled(S16(head, 42));
  m.ascent = scaled(S16(hhea, 4));
  m.descent = scaled(S16(hhea, 6));
  m.capHeight = m.ascent;
  const std::string_view os2 = font->TableData("OS/2");
  if (U16(os2, 0) >= 2 && os2.size() >= 90) m.capHeight = scaled(S16(os2, 88));
  const std::string_view post = font->TableData("post");
  m.italicAngle = static_cast<int32_t>(U32(post, 4)) / 65536.0;
  m.fixedPitch = U32(post, 12) != 0;

  // The PostScript name, from the name table (Windows or Macintosh record).
  const std::string_view names = font->TableData("name");
  const uint16_t records = U16(names, 2);
  const size_t strings = U16(names, 4);
  for (uint16_t i = 0; i < records && font->m_name.empty(); ++i) {
    const size_t r = 6 + 12 * static_cast<size_t>(i);
    if (U16(names, r + 6) != 6) continue;
    const uint16_t platform = U16(names, r);
    const size_t length = U16(names, r + 8), offset = strings + U16(names, r + 10);
    if (offset + length > names.size()) continue;
    const std::string_view raw = names.substr(offset, length);
    std::string name;
    if (platform == 3 || platform == 0) {
      for (size_t k = 1; k < raw.size(); k += 2) name += raw[k];
    } else {
      name.assign(raw);
    }
    // A PDF name keeps to plain printable characters.
    std::erase_if(name, [](char c) {
      return c <= ' ' || c > '~' ||
             std::string_view("()<>[]{}/%#").find(c) != std::string_view::npos;
    });
    font->m_name = name;
  }
  if (font->m_name.empty()) font->m_name = path.stem().string();
  return font;
}

std::string_view TrueTypeFont::TableData(const char* tag) const {
  const auto it = m_tables.find(tag);
  if (it == m_tables.end()) return {};
  return std::string_view(m_data).substr(it->second.offset, it->second.length);
}

bool TrueTypeFont::ReadCmap() {
  const std::string_view cmap = TableData("cmap");
  const uint16_t count = U16(cmap, 2);
  // The full Unicode subtable when there is one, else the BMP one.
  size_t best = 0;
  int bestRank = 0;
  for (uint16_t i = 0; i < count; ++i) {
    const size_t r = 4 + 8 * static_cast<size_t>(i);
    const uint16_t platform = U16(cmap, r), encoding = U16(cmap, r + 2);
    const size_t offset = U32(cmap, r + 4);
    const uint16_t format = U16(cmap, offset);
    int rank = 0;
    if (format == 12 && ((platform == 3 && encoding == 10) || platform == 0)) rank = 2;
    if (format == 4 && ((platform == 3 && encoding == 1) || platform == 0)) rank = 1;
    if (rank > bestRank) {
      bestRank = rank;
      best = offset;
    }
  }
  if (bestRank == 0 || best >= cmap.size()) return false;
  const std::string_view t = cmap.substr(best);
  const auto add = [this](char32_t cp, uint32_t glyph) {
    if (glyph != 0 && glyph < static_cast<uint32_t>(m_numGlyphs))
      m_cmap.emplace(cp, static_cast<uint16_t>(glyph));
  };
  if (bestRank == 2) {
    const uint32_t groups = U32(t, 12);
    for (uint32_t g = 0; g < groups && 16 + 12 * static_cast<size_t>(g) + 12 <= t.size(); ++g) {
      const size_t at = 16 + 12 * static_cast<size_t>(g);
      const uint32_t start = U32(t, at), end = std::min<uint32_t>(U32(t, at + 4), 0x10FFFF),
                     glyph = U32(t, at + 8);
      for (uint32_t c = start; c <= end && c - start < 0x10000; ++c) add(c, glyph + (c - start));
    }
    return true;
  }
  const size_t segments = U16(t, 6) / 2;
  const size_t ends = 14, starts = ends + 2 * segments + 2, deltas = starts + 2 * segments,
               ranges = deltas + 2 * segments;
  for (size_t s = 0; s < segments; ++s) {
    const uint16_t start = U16(t, starts + 2 * s), end = U16(t, ends + 2 * s);
    const uint16_t delta = U16(t, deltas + 2 * s), range = U16(t, ranges + 2 * s);
    for (uint32_t c = start; c <= end && c != 0xFFFF; ++c) {
      uint32_t glyph;
      if (range == 0) {
        glyph = (c + delta) & 0xFFFF;
      } else {
        glyph = U16(t, ranges + 2 * s + range + 2 * (c - start));
        if (glyph != 0) glyph = (glyph + delta) & 0xFFFF;
      }
      add(c, glyph);
    }
  }
  return true;
}

uint16_t TrueTypeFont::GlyphOf(char32_t cp) const {
  const auto it = m_cmap.find(cp);
  return it == m_cmap.end() ? 0 : it->second;
}

int TrueTypeFont::Advance(uint16_t glyph) const {
  const size_t entry = std::min<size_t>(glyph, static_cast<size_t>(m_numHMetrics) - 1);
  return static_cast<int>(std::lround(U16(TableData("hmtx"), 4 * entry) * 1000.0 / m_unitsPerEm));
}

std::string_view TrueTypeFont::Glyph(uint16_t glyph) const {
  if (glyph >= m_numGlyphs) return {};
  const std::string_view loca = TableData("loca"), glyf = TableData("glyf");
  size_t from, to;
  if (m_longLoca) {
    from = U32(loca, 4 * static_cast<size_t>(glyph));
    to = U32(loca, 4 * static_cast<size_t>(glyph) + 4);
  } else {
    from = 2 * static_cast<size_t>(U16(loca, 2 * static_cast<size_t>(glyph)));
    to = 2 * static_cast<size_t>(U16(loca, 2 * static_cast<size_t>(glyph) + 2));
  }
  if (to <= from || to > glyf.size()) return {};
  return glyf.substr(from, to - from);
}

std::string TrueTypeFont::Subset(const std::vector<uint16_t>& glyphs) const {
  // The glyphs kept: those asked for, .notdef, and the parts of composites.
  std::set<uint16_t> kept{0};
  std::vector<uint16_t> pending(glyphs.begin(), glyphs.end());
  while (!pending.empty()) {
    const uint16_t g = pending.back();
    pending.pop_back();
    if (g >= m_numGlyphs || !kept.insert(g).second) continue;
    const std::string_view outline = Glyph(g);
    if (outline.size() < 10 || S16(outline, 0) >= 0) continue;
    size_t at = 10;
    for (;;) {
      const uint16_t flags = U16(outline, at);
      pending.push_back(U16(outline, at + 2));
      at += 4 + ((flags & 0x0001) ? 4 : 2);
      if (flags & 0x0008)
        at += 2;
      else if (flags & 0x0040)
        at += 4;
      else if (flags & 0x0080)
        at += 8;
      if (!(flags & 0x0020) || at >= outline.size()) break;
    }
  }
  // Numbers stay: the font ends at the highest glyph kept.
  const int count = *kept.rbegin() + 1;
  std::string glyf, loca;
  for (int g = 0; g < count; ++g) {
    PutU32(loca, static_cast<uint32_t>(glyf.size()));
    if (!kept.count(static_cast<uint16_t>(g))) continue;
    glyf += Glyph(static_cast<uint16_t>(g));
    while (glyf.size() % 4) glyf += '\0';
  }
  PutU32(loca, static_cast<uint32_t>(glyf.size()));

  const int metrics = std::min(m_numHMetrics, count);
  const std::string_view hmtxIn = TableData("hmtx");
  std::string hmtx(hmtxIn.substr(0, 4 * static_cast<size_t>(metrics)));
  for (int g = metrics; g < count; ++g)
    PutU16(hmtx, U16(hmtxIn, 4 * static_cast<size_t>(m_numHMetrics) +
                                 2 * static_cast<size_t>(g - m_numHMetrics)));

  std::string head(TableData("head")), hhea(TableData("hhea")), maxp(TableData("maxp"));
  SetU32(head, 8, 0);   // checksum adjustment, set once the file is whole
  SetU16(head, 50, 1);  // long offsets in loca
  SetU16(hhea, 34, static_cast<uint32_t>(metrics));
  SetU16(maxp, 4, static_cast<uint32_t>(count));

  // Tables in tag order; the hinting programs go with the outlines.
  std::vector<std::pair<std::string, std::string>> tables;
  if (!TableData("cvt ").empty()) tables.emplace_back("cvt ", std::string(TableData("cvt ")));
  if (!TableData("fpgm").empty()) tables.emplace_back("fpgm", std::string(TableData("fpgm")));
  tables.emplace_back("glyf", std::move(glyf));
  tables.emplace_back("head", std::move(head));
  tables.emplace_back("hhea", std::move(hhea));
  tables.emplace_back("hmtx", std::move(hmtx));
  tables.emplace_back("loca", std::move(loca));
  tables.emplace_back("maxp", std::move(maxp));
  if (!TableData("prep").empty()) tables.emplace_back("prep", std::string(TableData("prep")));

  const auto n = static_cast<uint16_t>(tables.size());
  uint16_t power = 1, log2 = 0;
  while (power * 2 <= n) {
    power = static_cast<uint16_t>(power * 2);
    ++log2;
  }
  std::string out;
  PutU32(out, 0x00010000);
  PutU16(out, n);
  PutU16(out, power * 16u);
  PutU16(out, log2);
  PutU16(out, n * 16u - power * 16u);
  size_t offset = 12 + 16 * static_cast<size_t>(n);
  size_t headAt = 0;
  for (const auto& [tag, data] : tables) {
    out += tag;
    PutU32(out, Checksum(data));
    PutU32(out, static_cast<uint32_t>(offset));
    PutU32(out, static_cast<uint32_t>(data.size()));
    if (tag == "head") headAt = offset;
    offset += (data.size() + 3) / 4 * 4;
  }
  for (const auto& [tag, data] : tables) {
    out += data;
    while (out.size() % 4) out += '\0';
  }
  SetU32(out, headAt + 8, 0xB1B0AFBAu - Checksum(out));
  return out;
}

namespace {

// Font files of a family in its four styles: regular, bold, italic, bold italic.
using Styles = std::array<const char*, 4>;
constexpr Styles kLiberation[] = {
    {"LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf", "LiberationSans-Italic.ttf",
     "LiberationSans-BoldItalic.ttf"},
    {"LiberationMono-Regular.ttf", "LiberationMono-Bold.ttf", "LiberationMono-Italic.ttf",
     "LiberationMono-BoldItalic.ttf"},
    {"LiberationSerif-Regular.ttf", "LiberationSerif-Bold.ttf", "LiberationSerif-Italic.ttf",
     "LiberationSerif-BoldItalic.ttf"},
};
constexpr Styles kDejaVu[] = {
    {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSans-Oblique.ttf",
     "DejaVuSans-BoldOblique.ttf"},
    {"DejaVuSansMono.ttf", "DejaVuSansMono-Bold.ttf", "DejaVuSansMono-Oblique.ttf",
     "DejaVuSansMono-BoldOblique.ttf"},
    {"DejaVuSerif.ttf", "DejaVuSerif-Bold.ttf", "DejaVuSerif-Italic.ttf",
     "DejaVuSerif-BoldItalic.ttf"},
};
constexpr const char* kWide = "DroidSansFallbackFull.ttf";
constexpr const char* kDirectories[] = {
    "/usr/share/fonts/truetype/liberation2", "/usr/share/fonts/truetype/liberation",
    "/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/truetype/droid"};

class FallbackFonts {
 public:
  FallbackGlyph Find(TPDFFontName font, char32_t cp) {
    const std::lock_guard lock(m_mutex);
    const uint64_t key = (static_cast<uint64_t>(font) << 32) | cp;
    const auto known = m_found.find(key);
    if (known != m_found.end()) return known->second;
    FallbackGlyph found;
    for (const char* file : Chain(font)) {
      const TrueTypeFont* f = Font(file);
      if (f == nullptr) continue;
      if (const uint16_t glyph = f->GlyphOf(cp)) {
        found = {f, glyph};
        break;
      }
    }
    m_found.emplace(key, found);
    return found;
  }

 private:
  static std::vector<const char*> Chain(TPDFFontName font) {
    const auto n = static_cast<size_t>(font);
    // Symbol and ZapfDingbats have no matching family: the sans serif one.
    const size_t family = n < 12 ? n / 4 : 0, style = n < 12 ? n % 4 : 0;
    std::vector<const char*> chain{kLiberation[family][style], kDejaVu[family][style]};
    if (family != 0 || style != 0) chain.push_back(kDejaVu[0][0]);
    chain.push_back(kWide);
    return chain;
  }

  const TrueTypeFont* Font(const char* file) {
    auto [it, added] = m_fonts.try_emplace(file);
    if (added)
      for (const char* dir : kDirectories)
        if ((it->second = TrueTypeFont::Load(std::filesystem::path(dir) / file))) break;
    return it->second.get();
  }

  std::mutex m_mutex;
  std::map<std::string, std::unique_ptr<TrueTypeFont>> m_fonts;
  std::unordered_map<uint64_t, FallbackGlyph> m_found;
};

}  // namespace

FallbackGlyph FindFallbackGlyph(TPDFFontName font, char32_t cp) {
  static FallbackFonts fonts;
  return fonts.Find(font, cp);
}

}  // namespace kvn::exporting
