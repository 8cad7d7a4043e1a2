#include "export/helpers.h"

#include <cmath>
#include <cstdlib>

#include "platform/codepage.h"
#include "platform/conversions.h"
#include "platform/locale_settings.h"

namespace kvn::exporting {

char GetListSeparator() {
  char c = platform::LocaleSettings::Current().listSeparator;
  return c ? c : ',';
}

std::string CharToSettingText(char c) {
  auto code = static_cast<unsigned char>(c);
  if (code >= 33 && code <= 127) return std::string(1, c);
  return "#" + std::to_string(code);
}

char SettingTextToChar(std::string_view text) {
  if (text.empty()) return '\0';
  if (text.size() == 1) return text[0];
  if (text[0] == '#') {
    auto v = platform::TryStrToInt(text.substr(1));
    if (!v || *v < 0 || *v > 255) return '\0';
    return static_cast<char>(*v);
  }
  return '\0';
}

void SaveFontSetting(const Font& font, platform::IniFile& ini, std::string_view section) {
  ini.WriteString(section, "FontName", font.name);
  ini.WriteBool(section, "FontBold", font.bold);
  ini.WriteBool(section, "FontItalic", font.italic);
  ini.WriteBool(section, "FontUnderline", font.underline);
  ini.WriteBool(section, "FontStrikeOut", font.strikeOut);
  ini.WriteInteger(section, "FontSize", font.size);
  ini.WriteString(section, "FontColor", platform::ColorToString(font.color));
  ini.WriteInteger(section, "FontCharset", font.charset);
}

void LoadFontSetting(Font& font, const Font& defaults, const platform::IniFile& ini,
                     std::string_view section) {
  font.name = ini.ReadString(section, "FontName", defaults.name);
  font.bold = ini.ReadBool(section, "FontBold", defaults.bold);
  font.italic = ini.ReadBool(section, "FontItalic", defaults.italic);
  font.underline = ini.ReadBool(section, "FontUnderline", defaults.underline);
  font.strikeOut = ini.ReadBool(section, "FontStrikeOut", defaults.strikeOut);
  font.size = static_cast<int>(ini.ReadInteger(section, "FontSize", defaults.size));
  font.color = platform::StringToColor(
                   ini.ReadString(section, "FontColor", platform::ColorToString(defaults.color)))
                   .value_or(defaults.color);
  font.charset = static_cast<int>(ini.ReadInteger(section, "FontCharset", defaults.charset));
}

void EraseAllSections(platform::IniFile& ini) {
  for (const auto& s : ini.ReadSections()) ini.EraseSection(s);
}

void CleanControlCharacters(std::string& text, ControlCharacters rule) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) >= 0x20) ++i;
  if (i == text.size()) return;  // the usual case: nothing to do
  size_t out = i;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\0') continue;
    text[out++] = static_cast<unsigned char>(c) < 0x20 && rule == ControlCharacters::Spaces &&
                          c != '\t' && c != '\r' && c != '\n'
                      ? ' '
                      : c;
  }
  text.resize(out);
}

double StrToFloatDefault(std::string_view text, double defaultValue) {
  platform::LocaleSettings point = platform::LocaleSettings::Current();
  point.decimalSeparator = '.';
  return platform::TryStrToFloat(text, point).value_or(defaultValue);
}

double RoundTo(int digits, double value) {
  double scale = std::pow(10.0, digits);
  return std::nearbyint(value * scale) / scale;
}

int ToPoints(TQExportUnits unit, double value) {
  switch (unit) {
    case TQExportUnits::unInch:
      return static_cast<int>(std::trunc(value * 72));
    case TQExportUnits::unMillimeter:
      return static_cast<int>(std::trunc(value / 25.4 * 72));
    case TQExportUnits::unDot:
      return static_cast<int>(std::trunc(value));
  }
  return 0;
}

double FromPoints(TQExportUnits unit, int points) {
  switch (unit) {
    case TQExportUnits::unInch:
      return RoundTo(2, points / 72.0);
    case TQExportUnits::unMillimeter:
      return RoundTo(0, points / 72.0 * 25.4);
    case TQExportUnits::unDot:
      return points;
  }
  return 0;
}

double PageWidth(TQExportPageFormat format) {
  switch (format) {
    case TQExportPageFormat::pfLetter:
      return 8.5;
    case TQExportPageFormat::pfLegal:
      return 8.5;
    case TQExportPageFormat::pfA3:
      return 11.69;
    case TQExportPageFormat::pfA4:
      return 8.27;
    case TQExportPageFormat::pfA5:
      return 5.83;
    case TQExportPageFormat::pfB5_JIS:
      return 7.17;
    case TQExportPageFormat::pfUS_Std_Fanfold:
      return 14.88;
    case TQExportPageFormat::pfFanfold:
      return 8.5;
    case TQExportPageFormat::pfUser:
      return 8.27;
  }
  return 8.27;
}

double PageHeight(TQExportPageFormat format) {
  switch (format) {
    case TQExportPageFormat::pfLetter:
      return 11;
    case TQExportPageFormat::pfLegal:
      return 14;
    case TQExportPageFormat::pfA3:
      return 16.54;
    case TQExportPageFormat::pfA4:
      return 11.69;
    case TQExportPageFormat::pfA5:
      return 8.27;
    case TQExportPageFormat::pfB5_JIS:
      return 10.12;
    case TQExportPageFormat::pfUS_Std_Fanfold:
      return 11;
    case TQExportPageFormat::pfFanfold:
      return 12;
    case TQExportPageFormat::pfUser:
      return 11.69;
  }
  return 11.69;
}

}  // namespace kvn::exporting
