#include "export/rtf/rtf_writer.h"

#include <cmath>

#include "platform/colors.h"
#include "platform/strings.h"

namespace kvn::exporting {

std::string TRTFFontTableItem::Text() const {
  return "{\\f" + std::to_string(index) + "\\f" + family + " " + name + ";}";
}

std::string TRTFColorTableItem::Text() const {
  return "\\red" + std::to_string(red) + "\\green" + std::to_string(green) + "\\blue" +
         std::to_string(blue) + ";";
}

std::string TQRTFWriter::AlignToStr(TQExportColAlign align) const {
  switch (align) {
    case TQExportColAlign::ecaLeft:
      return "\\ql";
    case TQExportColAlign::ecaCenter:
      return "\\qc";
    case TQExportColAlign::ecaRight:
      return "\\qr";
  }
  return "";
}

void TQRTFWriter::WriteHeader() {
  WriteLn("\\rtf" + std::to_string(m_header.version) + "\\" + m_header.charset + "\\deff" +
          std::to_string(m_header.defaultFont) + "\\deftab" + std::to_string(m_header.tabWidth));
}

void TQRTFWriter::WriteFontTable() {
  std::string t = "{\\fonttbl";
  for (const auto& f : m_fonts) t += f.Text();
  WriteLn(t + "}");
}

void TQRTFWriter::WriteColorTable() {
  std::string t = "{\\colortbl";
  for (const auto& c : m_colors) t += c.Text();
  WriteLn(t + "}");
  m_tablesWritten = true;
}

size_t TQRTFWriter::HeaderLength() const {
  return std::to_string(m_header.version).size() + std::to_string(m_header.defaultFont).size() +
         std::to_string(m_header.tabWidth).size() + m_header.charset.size() + 20;
}

size_t TQRTFWriter::FontTableLength() const {
  size_t n = 12;
  for (const auto& f : m_fonts) n += f.Text().size();
  return n;
}

size_t TQRTFWriter::ColorTableLength() const {
  size_t n = 13;
  for (const auto& c : m_colors) n += c.Text().size();
  return n;
}

void TQRTFWriter::InsertAt(size_t position, const std::string& text) {
  platform::Stream& s = Stream();
  const int64_t end = s.Seek(0, platform::SeekOrigin::End);
  std::string rest(static_cast<size_t>(end) - position, '\0');
  s.Seek(static_cast<int64_t>(position), platform::SeekOrigin::Begin);
  s.ReadBuffer(rest.data(), rest.size());
  s.Seek(static_cast<int64_t>(position), platform::SeekOrigin::Begin);
  s.WriteString(text);
  s.WriteString(rest);
}

void TQRTFWriter::AddFont(const std::string& family, const std::string& name) {
  int index = 0;
  for (const auto& f : m_fonts) index = std::max(index, f.index + 1);
  TRTFFontTableItem item{index, family, name};
  // A font met once the tables are out goes into the table in place.
  if (m_tablesWritten) InsertAt(HeaderLength() + FontTableLength() - 3, item.Text());
  m_fonts.push_back(item);
}

void TQRTFWriter::AddColor(int red, int green, int blue) {
  TRTFColorTableItem item{red, green, blue};
  if (m_tablesWritten)
    InsertAt(HeaderLength() + FontTableLength() + ColorTableLength() - 3, item.Text());
  m_colors.push_back(item);
}

std::string TQRTFWriter::GetFontText(const Font& font, bool write) {
  const TRTFFontTableItem* found = nullptr;
  for (const auto& f : m_fonts)
    if (platform::EqualsNoCase(f.name, font.name)) {
      found = &f;
      break;
    }
  int index;
  if (found) {
    index = found->index;
  } else {
    AddFont("nil", font.name);
    index = m_fonts.back().index;
  }
  const std::string text = "\\f" + std::to_string(index) + "\\fs" + std::to_string(font.size * 2);
  if (write) WriteLn(text);
  return text;
}

std::string TQRTFWriter::GetColorText(platform::TColor color, bool background) {
  const platform::TColor rgb = platform::ColorToRGB(color);
  const int red = static_cast<int>(rgb & 0xFF), green = static_cast<int>((rgb >> 8) & 0xFF),
            blue = static_cast<int>((rgb >> 16) & 0xFF);
  size_t position = m_colors.size();
  for (size_t i = 0; i < m_colors.size(); ++i)
    if (m_colors[i].red == red && m_colors[i].green == green && m_colors[i].blue == blue) {
      position = i;
      break;
    }
  if (position == m_colors.size()) AddColor(red, green, blue);
  return (background ? "\\cbpat" : "\\cf") + std::to_string(position);
}

int XWidthPixels(const Font& font) {
  // The advance of "X" in em units of the font (Arial's 1366/2048 for the
  // sans-serif family).
  double em = 1366.0 / 2048;
  const std::string& n = font.name;
  if (platform::StartsWithNoCase(n, "Courier")) em = 1229.0 / 2048;
  if (platform::StartsWithNoCase(n, "Times")) em = 1479.0 / 2048;
  if (platform::StartsWithNoCase(n, "Tahoma") || platform::StartsWithNoCase(n, "Verdana"))
    em = 1231.0 / 2048;
  const double pixels = em * font.size * 96.0 / 72.0;
  return std::max(1, static_cast<int>(std::lround(pixels)));
}

}  // namespace kvn::exporting
