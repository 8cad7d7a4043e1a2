#include "export/xls/style_records.h"

#include "export/xls/biff_stream.h"
#include "platform/codepage.h"
#include "platform/endian.h"

namespace kvn::exporting {

const uint8_t kDefaultXFs[16][kXFSize] = {
    {0x00, 0x00, 0x00, 0x00, 0xf5, 0xff, 0x20, 0x00, 0x00, 0x00,
     0,    0,    0,    0,    0,    0,    0,    0,    0xc0, 0x20},
    {0x01, 0x00, 0x00, 0x00, 0xf5, 0xff, 0x20, 0x00, 0x00, 0xf4,
     0,    0,    0,    0,    0,    0,    0,    0,    0xc0, 0x20},
    {0x01, 0x00, 0x00, 0x00, 0xf5, 0xff, 0x20, 0x00, 0x00, 0xf4,
     0,    0,    0,    0,    0,    0,    0,    0,    0xc0, 0x20},
    {0x02, 0x00, 0x00, 0x00, 0xf5, 0xff, 0x20, 0x00, 0x00, 0xf4,
     0,    0,    0,    0,    0,    0,    0,    0,    0xc0, 0x20},
    {0x02, 0x00, 0x00, 0x00, 0xf5, 0xff, 0x20, 0x00, 0x00, 0xf4,
     0,    0,    0,    0,    0,    0,    0,    0,    0xc0, 0x20},
    {0x00, 0x00, 0x00, 0x00, 0xf5, 0xff, 0x20, 0x00, 0x00, 0xf4,
     0,    0,    0,    0,    0,    0,    0,    0,    0xc0, 0x20},
    {0x00, 0x00, 0x00, 0x00, 0xf5, 0xff, 0x20, 0x00, 0x00, 0xf4,
     0,    0,    0,    0,    0,    0,    0,    0,    0xc0, 0x20},
    {0x00, 0x00, 0x00, 0x00, 0xf5, 0xff, 0x20, 0x00, 0x00, 0xf4,
     0,    0,    0,    0,    0,    0,    0,    0,    0xc0, 0x20},
    {0x00, 0x00, 0x00, 0x00, 0xf5, 0xff, 0x20, 0x00, 0x00, 0xf4,
     0,    0,    0,    0,    0,    0,    0,    0,    0xc0, 0x20},
    {0x00, 0x00, 0x00, 0x00, 0xf5, 0xff, 0x20, 0x00, 0x00, 0xf4,
     0,    0,    0,    0,    0,    0,    0,    0,    0xc0, 0x20},
    {0x00, 0x00, 0x00, 0x00, 0xf5, 0xff, 0x20, 0x00, 0x00, 0xf4,
     0,    0,    0,    0,    0,    0,    0,    0,    0xc0, 0x20},
    {0x00, 0x00, 0x00, 0x00, 0xf5, 0xff, 0x20, 0x00, 0x00, 0xf4,
     0,    0,    0,    0,    0,    0,    0,    0,    0xc0, 0x20},
    {0x00, 0x00, 0x00, 0x00, 0xf5, 0xff, 0x20, 0x00, 0x00, 0xf4,
     0,    0,    0,    0,    0,    0,    0,    0,    0xc0, 0x20},
    {0x00, 0x00, 0x00, 0x00, 0xf5, 0xff, 0x20, 0x00, 0x00, 0xf4,
     0,    0,    0,    0,    0,    0,    0,    0,    0xc0, 0x20},
    {0x00, 0x00, 0x00, 0x00, 0xf5, 0xff, 0x20, 0x00, 0x00, 0xf4,
     0,    0,    0,    0,    0,    0,    0,    0,    0xc0, 0x20},
    {0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x20, 0x00, 0x00, 0x00,
     0,    0,    0,    0,    0,    0,    0,    0,    0xc0, 0x20},
};

const uint8_t kBuiltInStyles[6][4] = {
    {0x10, 0x80, 0x03, 0xff}, {0x11, 0x80, 0x06, 0xff}, {0x12, 0x80, 0x04, 0xff},
    {0x13, 0x80, 0x07, 0xff}, {0x00, 0x80, 0x00, 0xff}, {0x14, 0x80, 0x05, 0xff},
};

namespace {

constexpr uint8_t kUnderlineBytes[] = {0x00, 0x01, 0x02, 0x21, 0x22};

}  // namespace

std::u16string XlsUnits(std::string_view utf8, size_t limit) {
  std::u16string units;
  units.reserve(std::min(utf8.size(), limit));
  for (size_t i = 0; i < utf8.size() && units.size() < limit;) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      units += static_cast<char16_t>(b);
      ++i;
      continue;
    }
    const char32_t cp = platform::DecodeUtf8(utf8, i);
    if (cp < 0x10000) {
      units += static_cast<char16_t>(cp);
    } else {
      if (units.size() + 2 > limit) break;
      units += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      units += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
  }
  return units;
}

bool XlsNeedsUnicode(const std::u16string& units) {
  for (char16_t u : units)
    if (u >= 0x80 && (u <= 0x9F || u > 0xFF)) return true;
  return false;
}

std::string XlsCharacters(const std::u16string& units, bool unicode) {
  std::string out;
  out += unicode ? '\x01' : '\x00';
  for (char16_t u : units) {
    if (unicode)
      platform::AppendLE16(out, static_cast<uint16_t>(u));
    else
      out += static_cast<char>(u);
  }
  return out;
}

std::string FontBody(const TxlsFont& f) {
  std::string b;
  const std::u16string name = XlsUnits(f.Name, 255);
  platform::AppendLE16(b, static_cast<uint16_t>(f.Size * 20));
  uint16_t options = 0;
  if (f.Style.Has(xfsItalic)) options |= 0x0002;
  if (f.Style.Has(xfsStrikeOut)) options |= 0x0008;
  platform::AppendLE16(b, options);
  platform::AppendLE16(b, PaletteIndex(f.Color));
  platform::AppendLE16(b, f.Style.Has(xfsBold) ? 700 : 400);
  platform::AppendLE16(b, f.Script);
  b += static_cast<char>(kUnderlineBytes[f.Underline]);
  b += '\0';  // family
  b += static_cast<char>(f.Charset);
  b += '\0';  // reserved
  b += static_cast<char>(name.size());
  b += XlsCharacters(name, true);
  return b;
}

std::string FormatBody(const TxlsTextFormat& f) {
  std::string b;
  const std::u16string text = XlsUnits(f.Text, 255);
  platform::AppendLE16(b, static_cast<uint16_t>(f.Index));
  platform::AppendLE16(b, static_cast<uint16_t>(text.size()));
  b += XlsCharacters(text, XlsNeedsUnicode(text));
  return b;
}

std::string XFBody(const TxlsXFormat& x) {
  uint8_t r[kXFSize];
  std::copy(std::begin(kDefaultXFs[15]), std::end(kDefaultXFs[15]), r);
  uint8_t used = 0x40 | 0x10;
  if (x.Font) {
    used |= 0x08;
    platform::PutLE16(r + 0, static_cast<uint16_t>(x.Font->Index));
  }
  if (x.Format) platform::PutLE16(r + 2, static_cast<uint16_t>(x.Format->Index));

  uint32_t border1 = platform::GetLE32(r + 10);
  uint32_t border2 = platform::GetLE32(r + 14);
  if (x.Borders.AnyStyled()) {
    used |= 0x20;
    border1 &= ~0xFFFFu;
    auto line = [&](const TxlsBorder& b, int styleShift) {
      if (b.Style != bstNone) border1 |= static_cast<uint32_t>(b.Style) << styleShift;
    };
    line(x.Borders.Left, 0);
    line(x.Borders.Right, 4);
    line(x.Borders.Top, 8);
    line(x.Borders.Bottom, 12);
    if (x.Borders.Left.Style != bstNone)
      border1 |= static_cast<uint32_t>(PaletteIndex(x.Borders.Left.Color)) << 16;
    if (x.Borders.Right.Style != bstNone)
      border1 |= static_cast<uint32_t>(PaletteIndex(x.Borders.Right.Color)) << 23;
    if (x.Borders.Top.Style != bstNone)
      border2 |= static_cast<uint32_t>(PaletteIndex(x.Borders.Top.Color));
    if (x.Borders.Bottom.Style != bstNone)
      border2 |= static_cast<uint32_t>(PaletteIndex(x.Borders.Bottom.Color)) << 7;
    if (x.Borders.DiagDown.Style != bstNone) border1 |= 1u << 30;
    if (x.Borders.DiagUp.Style != bstNone) border1 |= 1u << 31;
    const TxlsBorder& diagonal =
        x.Borders.DiagDown.Style != bstNone ? x.Borders.DiagDown : x.Borders.DiagUp;
    if (diagonal.Style != bstNone) {
      border2 |= static_cast<uint32_t>(PaletteIndex(diagonal.Color)) << 14;
      border2 |= static_cast<uint32_t>(diagonal.Style) << 21;
    }
  }
  border2 = (border2 & 0x03FFFFFFu) | (static_cast<uint32_t>(x.Fill.Pattern) << 26);
  platform::PutLE32(r + 10, border1);
  platform::PutLE32(r + 14, border2);
  uint16_t fill = platform::GetLE16(r + 18);
  fill = static_cast<uint16_t>((fill & 0xC000) | PaletteIndex(x.Fill.Background) |
                               (PaletteIndex(x.Fill.Foreground) << 7));
  platform::PutLE16(r + 18, fill);
  r[6] = static_cast<uint8_t>(x.Alignment.Horizontal | (x.Wrap ? 0x08 : 0) |
                              (x.Alignment.Vertical << 4));
  r[7] = 0;
  r[9] = used;
  return std::string(reinterpret_cast<const char*>(r), kXFSize);
}

std::string FormatBlock(const XlsFormatRegistry& registry) {
  std::string block;
  for (const auto& f : registry.TextFormats()) AppendRecord(block, kRecFormat, FormatBody(*f));
  for (const auto& f : registry.Fonts()) AppendRecord(block, kRecFont, FontBody(*f));
  for (const auto& x : registry.XFormats()) AppendRecord(block, kRecXF, XFBody(*x));
  return block;
}

}  // namespace kvn::exporting
