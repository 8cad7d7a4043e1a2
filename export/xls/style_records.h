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

// FONT body: height, options, colour, weight, script, underline, family,
// character set, reserved, name length, option byte 0x01, name widened to UTF-16.
std::string FontBody(const TxlsFont& font);
// FORMAT body: index, character count, option byte 0x00, the bytes of the text
// (at most 255).
std::string FormatBody(const TxlsTextFormat& format);
// XF body of a registered format, built from the default XF 15.
std::string XFBody(const TxlsXFormat& xf);
// The FORMAT, then FONT, then XF records of the registered formats, each group
// in registration order.
std::string FormatBlock(const XlsFormatRegistry& registry);

}  // namespace kvn::exporting
