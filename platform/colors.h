// Colours as the platform holds them: 32 bits 0x00BBGGRR, system colours as
// 0x80000000 plus their index; their text forms.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kvn::platform {

using TColor = uint32_t;

constexpr TColor kSystemColorBase = 0x80000000u;
constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;
constexpr TColor clInactiveCaption = kSystemColorBase + 3, clMenu = kSystemColorBase + 4,
                 clWindow = kSystemColorBase + 5, clMenuText = kSystemColorBase + 7,
                 clWindowText = kSystemColorBase + 8, clHighlight = kSystemColorBase + 13,
                 clHighlightText = kSystemColorBase + 14, clBtnFace = kSystemColorBase + 15,
                 clBtnShadow = kSystemColorBase + 16, clGrayText = kSystemColorBase + 17,
                 clBtnText = kSystemColorBase + 18, clBtnHighlight = kSystemColorBase + 20;

// The red-green-blue value of a colour (0x00BBGGRR): a system colour is
// resolved by the resolver the GUI installs from its palette, or by the usual
// desktop colours when none is installed.
TColor ColorToRGB(TColor color);
void SetSystemColorResolver(std::function<std::optional<TColor>(int index)> resolver);

// A name when the value has one, otherwise "$" and eight upper-case hex digits.
std::string ColorToString(TColor color);
// A name (any case), "$" hex or decimal; nullopt when none of these.
std::optional<TColor> StringToColor(std::string_view text);

}  // namespace kvn::platform
