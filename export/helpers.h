// Helpers shared by several formats and by the export dialog: separators and
// their text form in settings files, font settings, length units, page sizes.
#pragma once

#include <string>
#include <string_view>

#include "export/types.h"
#include "platform/colors.h"
#include "platform/ini_file.h"

namespace kvn::exporting {

// The locale's list separator; "," when it gives none.
char GetListSeparator();
// The character itself for codes 33 to 127, otherwise "#" and the decimal code.
std::string CharToSettingText(char c);
// "" → 0; one character → it; "#" and digits → that code (0 when not a number).
char SettingTextToChar(std::string_view text);

// A font as the formats describe it (8-bit name).
struct Font {
  std::string name = "Arial";
  int size = 10;
  bool bold = false, italic = false, underline = false, strikeOut = false;
  platform::TColor color = platform::clBlack;
  int charset = 1;  // the default character set

  bool operator==(const Font&) const = default;
};

void SaveFontSetting(const Font& font, platform::IniFile& ini, std::string_view section);
void LoadFontSetting(Font& font, const Font& defaults, const platform::IniFile& ini,
                     std::string_view section);
void EraseAllSections(platform::IniFile& ini);

// Control characters that other programs left in catalogue text, made what a
// format's readers accept: NUL bytes are always dropped; with spaces, every
// other control but tab, CR and LF becomes a blank (fixed-width and cell
// formats whose readers stop at them).
enum class ControlCharacters { DropNul, Spaces };
void CleanControlCharacters(std::string& text, ControlCharacters rule);

// "." as decimal point whatever the locale; the default when not a number.
double StrToFloatDefault(std::string_view text, double defaultValue);

// Halves go to the even neighbour.
double RoundTo(int digits, double value);
int ToPoints(TQExportUnits unit, double value);
double FromPoints(TQExportUnits unit, int points);
// Page sizes in inches.
double PageWidth(TQExportPageFormat format);
double PageHeight(TQExportPageFormat format);

}  // namespace kvn::exporting
