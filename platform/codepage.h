// Conversions between UTF-8 (file system, database, GUI), Windows-1252 (the
// program's 8-bit text) and code page 850 (zip entry names). A character that
// the target cannot hold becomes "?". The tables are built once from glibc iconv.
#pragma once

#include <string>
#include <string_view>

namespace kvn::platform {

std::string Utf8ToCp1252(std::string_view utf8);
// The same in place (plain ASCII costs nothing).
void ConvertUtf8ToCp1252(std::string& text);
std::string Cp1252ToUtf8(std::string_view cp1252);
std::string Cp1252ToCp850(std::string_view cp1252);
std::string Cp850ToCp1252(std::string_view cp850);
std::string Utf8ToCp850(std::string_view utf8);
std::string Cp850ToUtf8(std::string_view cp850);

// Unicode code point of a Windows-1252 byte. The five bytes Windows leaves
// undefined (0x81 0x8D 0x8F 0x90 0x9D) map to the C1 controls of the same value,
// as Windows itself does, so every byte survives a round trip.
char32_t Cp1252ToUnicode(unsigned char byte);
// Windows-1252 byte of a code point, or '?' when it has none.
char Cp1252FromUnicode(char32_t cp);

// Upper case of Windows-1252 text, accented letters included (é to É, œ to
// Œ, ÿ to Ÿ); what has no upper case stays.
std::string Cp1252UpperCase(std::string_view cp1252);
// Equal without regard to case, accented letters included.
bool Cp1252EqualsNoCase(std::string_view a, std::string_view b);

// The same for UTF-8 text: letters Windows-1252 has change case, others stay.
std::string Utf8UpperCase(std::string_view utf8);
bool Utf8EqualsNoCase(std::string_view a, std::string_view b);
// Characters (code points) of UTF-8 text.
size_t Utf8Length(std::string_view utf8);

// Whether iconv knows an encoding by this name ("UTF-8", "ISO-8859-15", "CP1252"...).
bool IsKnownEncoding(std::string_view name);

bool IsAscii(std::string_view text);
bool IsValidUtf8(std::string_view text);
// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t cp);
// Decodes one code point at pos and advances pos; an invalid sequence yields
// U+FFFD and consumes one byte.
char32_t DecodeUtf8(std::string_view text, size_t& pos);

}  // namespace kvn::platform
