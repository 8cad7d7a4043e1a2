#include "platform/colors.h"

#include <cstdio>

#include "platform/conversions.h"
#include "platform/strings.h"

namespace kvn::platform {
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
