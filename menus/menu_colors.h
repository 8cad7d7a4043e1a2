// The colour arithmetic of the flat menus: darker, lighter and grey shades of
// a red-green-blue value, and the colour a drawing surface of a given depth
// can show that is closest to a computed one.
#pragma once

#include "platform/colors.h"

namespace kvn::menus {

using platform::TColor;

constexpr int RedOf(TColor rgb) {
  return static_cast<int>(rgb & 0xFF);
}
constexpr int GreenOf(TColor rgb) {
  return static_cast<int>((rgb >> 8) & 0xFF);
}
constexpr int BlueOf(TColor rgb) {
  return static_cast<int>((rgb >> 16) & 0xFF);
}
constexpr TColor MakeRGB(int red, int green, int blue) {
  return static_cast<TColor>(red) | (static_cast<TColor>(green) << 8) |
         (static_cast<TColor>(blue) << 16);
}

// Half-way cases go to the even neighbour.
int RoundHalfEven(double value);

// Red and blue lose d, green loses d - 2; each channel stays within 0..255.
// A negative d lightens.
TColor Darken(TColor rgb, int d);
// Each channel moves p per cent of the way to 255 (p at most 100).
TColor Lighten(TColor rgb, int p);
// A grey of level min(p, 100) + the channels' mean, at most 240.
TColor Grey(TColor rgb, int p);

// The colour a surface of `depth` bits per pixel shows for `rgb`: itself from
// 24 bits up; the nearest 5-6-5 or 5-5-5 value for 16 and 15 bits; the nearest
// of the twenty static palette colours for 8 bits and fewer.
TColor NearestColor(TColor rgb, int depth);

}  // namespace kvn::menus
