#include "export/xls/xls_formats.h"

#include "platform/codepage.h"
#include "platform/strings.h"

namespace kvn::exporting {

namespace {

struct ColorEntry {
  const char* name;
  uint8_t palette;
  uint32_t rgb;  // 0xRRGGBB as the colour is usually written
};

constexpr ColorEntry kColors[kXlsColorCount] = {
    {"clrBlack", 0x08, 0x000000},
    {"clrBrown", 0x3C, 0x993300},
    {"clrOliveGreen", 0x3B, 0x333300},
    {"clrDarkGreen", 0x3A, 0x003300},
    {"clrDarkTeal", 0x38, 0x003366},
    {"clrDarkBlue", 0x12, 0x000080},
    {"clrIndigo", 0x3E, 0x333399},
    {"clrGray80Percent", 0x3F, 0x333333},
    {"clrDarkRed", 0x10, 0x800000},
    {"clrOrange", 0x35, 0xFF6600},
    {"clrDarkYellow", 0x13, 0x808000},
    {"clrGreen", 0x11, 0x008000},
    {"clrTeal", 0x15, 0x008080},
    {"clrBlue", 0x0C, 0x0000FF},
    {"clrBlueGray", 0x36, 0x666699},
    {"clrGray50Percent", 0x17, 0x808080},
    {"clrRed", 0x0A, 0xFF0000},
    {"clrLightOrange", 0x34, 0xFF9900},
    {"clrLime", 0x32, 0x99CC00},
    {"clrSeaGreen", 0x39, 0x339966},
    {"clrAqua", 0x31, 0x33CCCC},
    {"clrLightBlue", 0x30, 0x3366FF},
    {"clrViolet", 0x14, 0x800080},
    {"clrGray40Percent", 0x37, 0x969696},
    {"clrPink", 0x0E, 0xFF00FF},
    {"clrGold", 0x33, 0xFFCC00},
    {"clrYellow", 0x0D, 0xFFFF00},
    {"clrBrightGreen", 0x0B, 0x00FF00},
    {"clrTurquoise", 0x0F, 0x00FFFF},
    {"clrSkyBlue", 0x28, 0x00CCFF},
    {"clrPlum", 0x3D, 0x993366},
    {"clrGray25Percent", 0x16, 0xC0C0C0},
    {"clrRose", 0x2D, 0xFF99CC},
    {"clrTan", 0x2F, 0xFFCC99},
    {"clrLightYellow", 0x2B, 0xFFFF99},
    {"clrLihtGreen", 0x2A, 0xCCFFCC},
    {"clrLightTurquoise", 0x29, 0xCCFFFF},
    {"clrPaleBlue", 0x2C, 0x99CCFF},
    {"clrLavender", 0x2E, 0xCC99FF},
    {"clrWhite", 0x09, 0xFFFFFF},
};

TxlsColor ColorAt(int i) {
  return static_cast<TxlsColor>(i);
}

// Keys of the settings sections, in writing order.
constexpr const char* kBorderKeys[4][2] = {{"BorderTop", "BorderTopColor"},
                                           {"BorderBottom", "BorderBottomColor"},
                                           {"BorderLeft", "BorderLeftColor"},
                                           {"BorderRight", "BorderRightColor"}};

template <class E>
E Ordinal(int64_t value, E last, E fallback) {
  return value >= 0 && value <= static_cast<int64_t>(last) ? static_cast<E>(value) : fallback;
}

}  // namespace

uint8_t PaletteIndex(TxlsColor color) {
  return kColors[color].palette;
}

platform::TColor ScreenColor(TxlsColor color) {
  uint32_t rgb = kColors[color].rgb;
  return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

const char* ColorName(TxlsColor color) {
  return kColors[color].name;
}

std::string XlsColorToText(TxlsColor color) {
  return platform::ColorToString(ScreenColor(color));
}

TxlsColor XlsColorFromScreen(platform::TColor value) {
  for (int i = 0; i < kXlsColorCount; ++i)
    if (ScreenColor(ColorAt(i)) == value) return ColorAt(i);
  return clrBlack;
}

TxlsColor XlsColorFromText(std::string_view text) {
  auto value = platform::StringToColor(platform::Trim(text));
  return value ? XlsColorFromScreen(*value) : clrBlack;
}

// ----------------------------------------------------------------- fonts

void TxlsFont::Assign(const TxlsFont& o) {
  Size = o.Size;
  Style = o.Style;
  Color = o.Color;
  Script = o.Script;
  Underline = o.Underline;
  Charset = o.Charset;
  Name = o.Name;
}

void TxlsFont::Assign(const Font& f) {
  Size = f.size;
  Style = {};
  Style.Set(xfsBold, f.bold);
  Style.Set(xfsItalic, f.italic);
  Style.Set(xfsStrikeOut, f.strikeOut);
  Underline = f.underline ? fulSingle : fulNone;
  Charset = static_cast<uint8_t>(f.charset);
  Name = f.name;
  Script = fscNone;
  using namespace platform;
  switch (f.color) {
    case clMaroon:
      Color = clrDarkRed;
      break;
    case clRed:
      Color = clrRed;
      break;
    case clGreen:
      Color = clrGreen;
      break;
    case clOlive:
      Color = clrDarkYellow;
      break;
    case clLime:
      Color = clrBrightGreen;
      break;
    case clYellow:
      Color = clrYellow;
      break;
    case clNavy:
      Color = clrDarkBlue;
      break;
    case clPurple:
      Color = clrViolet;
      break;
    case clTeal:
      Color = clrTeal;
      break;
    case clGray:
      Color = clrGray50Percent;
      break;
    case clSilver:
      Color = clrGray25Percent;
      break;
    case clBlue:
      Color = clrBlue;
      break;
    case clFuchsia:
      Color = clrPink;
      break;
    case clAqua:
      Color = clrTurquoise;
      break;
    case clWhite:
      Color = clrWhite;
      break;
    default:
      Color = clrBlack;
      break;
  }
}

bool TxlsFont::SameValues(const TxlsFont& o) const {
  return Size == o.Size && Style == o.Style && Color == o.Color && Script == o.Script &&
         Underline == o.Underline && Charset == o.Charset && Name == o.Name;
}

bool TxlsFont::IsDefault() const {
  return SameValues(TxlsFont());
}

bool TxlsBorders::AnyStyled() const {
  for (const TxlsBorder* b : {&Left, &Right, &Top, &Bottom, &DiagDown, &DiagUp})
    if (b->Style != bstNone) return true;
  return false;
}

// ----------------------------------------------------------------- formats

void TxlsFormat::Assign(const TxlsFormat& o) {
  if (&o == this) return;
  Font.Assign(o.Font);
  Borders = o.Borders;
  Fill = o.Fill;
  Alignment = o.Alignment;
  Wrap = o.Wrap;
}

std::string TxlsFormat::GetDisplayName() const {
  if (m_stripStyles) return "StripStyle_" + std::to_string(m_index);
  return "TxlsFormat";
}

void TxlsFormat::SetDefault() {
  Font.Assign(TxlsFont());
  Borders = {};
  Fill = {};
  Alignment = {};
  Wrap = false;
}

bool TxlsFormat::IsDefault() const {
  return Font.IsDefault() && !Borders.AnyStyled() && Fill == TxlsFill() &&
         Alignment == TxlsAlignment() && !Wrap;
}

void TxlsFormat::SaveToIni(platform::IniFile& ini, std::string_view s) const {
  ini.WriteString(s, "FontName", Font.Name);
  ini.WriteInteger(s, "FontSize", Font.Size);
  ini.WriteString(s, "FontColor", XlsColorToText(Font.Color));
  ini.WriteBool(s, "FontBold", Font.Style.Has(xfsBold));
  ini.WriteBool(s, "FontItalic", Font.Style.Has(xfsItalic));
  ini.WriteBool(s, "FontStrikeOut", Font.Style.Has(xfsStrikeOut));
  ini.WriteInteger(s, "FontUnderline", Font.Underline);
  ini.WriteInteger(s, "HorAlignment", Alignment.Horizontal);
  ini.WriteInteger(s, "VertAlignment", Alignment.Vertical);
  const TxlsBorder* borders[4] = {&Borders.Top, &Borders.Bottom, &Borders.Left, &Borders.Right};
  for (int i = 0; i < 4; ++i) {
    ini.WriteInteger(s, kBorderKeys[i][0], borders[i]->Style);
    ini.WriteString(s, kBorderKeys[i][1], XlsColorToText(borders[i]->Color));
  }
  ini.WriteInteger(s, "FillPattern", Fill.Pattern);
  ini.WriteString(s, "FillBackground", XlsColorToText(Fill.Background));
  ini.WriteString(s, "FillForeground", XlsColorToText(Fill.Foreground));
}

void TxlsFormat::LoadFromIni(const platform::IniFile& ini, std::string_view s) {
  auto color = [&](const char* key, TxlsColor fallback) {
    return ini.ValueExists(s, key) ? XlsColorFromText(ini.ReadString(s, key, "")) : fallback;
  };
  Font.Name = ini.ReadString(s, "FontName", "arial");
  Font.Size = static_cast<int>(ini.ReadInteger(s, "FontSize", 10));
  Font.Color = color("FontColor", clrBlack);
  Font.Style = {};
  Font.Style.Set(xfsBold, ini.ReadBool(s, "FontBold", false));
  Font.Style.Set(xfsItalic, ini.ReadBool(s, "FontItalic", false));
  Font.Style.Set(xfsStrikeOut, ini.ReadBool(s, "FontStrikeOut", false));
  Font.Underline = Ordinal(ini.ReadInteger(s, "FontUnderline", 0), fulDoubleAccounting, fulNone);
  Alignment.Horizontal = Ordinal(ini.ReadInteger(s, "HorAlignment", 0), halFill, halGeneral);
  Alignment.Vertical = Ordinal(ini.ReadInteger(s, "VertAlignment", 2), valJustify, valBottom);
  TxlsBorder* borders[4] = {&Borders.Top, &Borders.Bottom, &Borders.Left, &Borders.Right};
  for (int i = 0; i < 4; ++i) {
    borders[i]->Style =
        Ordinal(ini.ReadInteger(s, kBorderKeys[i][0], 0), bstSlantedDashDot, bstNone);
    borders[i]->Color = color(kBorderKeys[i][1], clrBlack);
  }
  Fill.Pattern = Ordinal(ini.ReadInteger(s, "FillPattern", 0), ptThinThinSpots, ptNone);
  Fill.Background = color("FillBackground", clrWhite);
  Fill.Foreground = color("FillForeground", clrBlack);
}

void TxlsFieldFormat::Assign(const TxlsFormat& o) {
  TxlsFormat::Assign(o);
  if (auto* f = dynamic_cast<const TxlsFieldFormat*>(&o); f && f != this) {
    FieldName = f->FieldName;
    Width = f->Width;
    Aggregate = f->Aggregate;
  }
}

std::string TxlsFieldFormat::GetDisplayName() const {
  if (!FieldName.empty()) return FieldName;
  return InStripStyles() ? TxlsFormat::GetDisplayName() : "TxlsFieldFormat";
}

void TxlsFieldFormat::SetDefault() {
  TxlsFormat::SetDefault();
  Aggregate = aggNone;
  Width = 0;
  FieldName.clear();
}

void TxlsFieldFormat::SaveToIni(platform::IniFile& ini, std::string_view s) const {
  TxlsFormat::SaveToIni(ini, s);
  ini.WriteInteger(s, "Aggregate", Aggregate);
}

void TxlsFieldFormat::LoadFromIni(const platform::IniFile& ini, std::string_view s) {
  TxlsFormat::LoadFromIni(ini, s);
  Aggregate = Ordinal(ini.ReadInteger(s, "Aggregate", 0), aggMax, aggNone);
}

int TxlsFieldFormats::IndexOfName(std::string_view name) const {
  for (size_t i = 0; i < Count(); ++i)
    if (platform::EqualsNoCase((*this)[i].FieldName, name)) return static_cast<int>(i);
  return -1;
}

// ----------------------------------------------------------------- options

TXLSOptions::TXLSOptions() {
  CaptionsFormat.Font.Style.Include(xfsBold);
}

void TXLSOptions::SetSheetTitle(std::string_view title) {
  m_sheetTitle = title.empty() ? "Sheet1" : title;
}

void TXLSOptions::Assign(const TXLSOptions& o) {
  if (&o == this) return;
  PageHeader = o.PageHeader;
  PageFooter = o.PageFooter;
  m_sheetTitle = o.m_sheetTitle;
  HeaderFormat.Assign(o.HeaderFormat);
  CaptionsFormat.Assign(o.CaptionsFormat);
  DataFormat.Assign(o.DataFormat);
  AggregateFormat.Assign(o.AggregateFormat);
  FooterFormat.Assign(o.FooterFormat);
}

}  // namespace kvn::exporting
