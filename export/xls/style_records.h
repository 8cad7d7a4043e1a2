// The style records of the workbook globals: FONT (0x0031), FORMAT (0x041E),
// XF (0x00E0) and STYLE (0x0293), the fixed default XF table, and the format
// block of user formats inserted at the end of an export.
#pragma once

#include <cstdint>
#include <string>

#include "export/xls/format_registry.h"
#include "export/xls/xls_formats.h"

namespace kvn::exporting {

constexpr uint16_t kRecFont = 0x0031;
constexpr uint16_t kRecFormat = 0x041E;
constexpr uint16_t kRecXF = 0x00E0;
constexpr uint16_t kRecStyle = 0x0293;

constexpr int kXFSize = 20;
// XF 0 to 14 (style formats) and 15, the default cell format and the template
// of every user XF.
extern const uint8_t kDefaultXFs[16][kXFSize];
// The six built-in styles: XF index with bit 15 set, style number, level 0xff.
extern const uint8_t kBuiltInStyles[6][4];

// UTF-8 text as the UTF-16 code units BIFF8 counts (a pair for a character
// past the Basic Multilingual Plane), at most limit of them, never half a pair.
std::u16string XlsUnits(std::string_view utf8, size_t limit = std::u16string::npos);
// Whether a BIFF8 string needs UTF-16: the compressed form is Latin-1, which
// has no character past U+00FF, and control characters where Windows-1252
// has € œ Œ ’ “ ” – … (0x80 to 0x9F).
bool XlsNeedsUnicode(const std::u16string& units);
// The option byte and the characters of a BIFF8 string: 0x00 and a byte
// each, or 0x01 and the code units in UTF-16LE.
std::string XlsCharacters(const std::u16string& units, bool unicode);

// FONT body: height, options, colour, weight, script, underline, family,
// character set, reserved, name length, option byte 0x01, name in UTF-16.
std::string FontBody(const TxlsFont& font);
// FORMAT body: index, character count, option byte and characters of the text
// (at most 255; UTF-16 when it holds a byte Latin-1 lacks).
std::string FormatBody(const TxlsTextFormat& format);
// XF body of a registered format, built from the default XF 15.
std::string XFBody(const TxlsXFormat& xf);
// The FORMAT, then FONT, then XF records of the registered formats, each group
// in registration order.
std::string FormatBlock(const XlsFormatRegistry& registry);

}  // namespace kvn::exporting
