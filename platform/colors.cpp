#include "platform/colors.h"

#include <cstdio>

#include "platform/conversions.h"
#include "platform/strings.h"

namespace kvn::platform {

namespace {

std::function<std::optional<TColor>(int)>& Resolver() {
  static std::function<std::optional<TColor>(int)> resolver;
  return resolver;
}

}  // namespace

void SetSystemColorResolver(std::function<std::optional<TColor>(int index)> resolver) {
  Resolver() = std::move(resolver);
}

TColor ColorToRGB(TColor color) {
  if (color < kSystemColorBase) return color & 0xFFFFFF;
  const int index = static_cast<int>(color - kSystemColorBase);
  if (Resolver())
    if (auto c = Resolver()(index)) return *c & 0xFFFFFF;
  switch (index) {
    case 3:
      return 0xDBCDBF;  // inactive caption
    case 4:
    case 15:
      return 0xF0F0F0;  // menu, button face
    case 5:
    case 14:
    case 20:
      return 0xFFFFFF;  // window, highlight text, button highlight
    case 13:
      return 0xD77800;  // highlight
    case 16:
      return 0xA0A0A0;  // button shadow
    case 17:
      return 0x6D6D6D;  // grey text
    default:
      return 0x000000;  // menu text, window text, button text
  }
}

namespace {

struct NamedColor {
  TColor value;
  const char* name;
};

constexpr NamedColor kNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clBtnHighlight, "clBtnHighlight"},
};

}  // namespace

std::string ColorToString(TColor color) {
  for (const auto& n : kNames)
    if (n.value == color) return n.name;
  char buf[16];
  std::snprintf(buf, sizeof buf, "$%08X", color);
  return buf;
}

std::optional<TColor> StringToColor(std::string_view text) {
  std::string_view t = Trim(text);
  for (const auto& n : kNames)
    if (EqualsNoCase(t, n.name)) return n.value;
  auto v = TryStrToInt64(t);
  if (!v || *v < INT32_MIN || *v > 0xFFFFFFFFLL) return std::nullopt;
  return static_cast<TColor>(static_cast<uint32_t>(*v));
}

}  // namespace kvn::platform
