#include "menus/menu_colors.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kvn::menus {

int RoundHalfEven(double value) {
  return static_cast<int>(std::nearbyint(value));
}

TColor Darken(TColor rgb, int d) {
  auto clamp = [](int x) { return std::clamp(x, 0, 255); };
  return MakeRGB(clamp(RedOf(rgb) - d), clamp(GreenOf(rgb) - d + 2), clamp(BlueOf(rgb) - d));
}

TColor Lighten(TColor rgb, int p) {
  p = std::min(p, 100);
  auto up = [p](int x) { return x + RoundHalfEven((255.0 - x) * p / 100.0); };
  return MakeRGB(up(RedOf(rgb)), up(GreenOf(rgb)), up(BlueOf(rgb)));
}

TColor Grey(TColor rgb, int p) {
  const int v = std::min(std::min(p, 100) + (RedOf(rgb) + GreenOf(rgb) + BlueOf(rgb)) / 3, 240);
  return MakeRGB(v, v, v);
}

namespace {

// A channel kept to `bits` bits and widened back, rounded both ways.
int Quantise(int x, int bits) {
  const int levels = (1 << bits) - 1;
  const int q = (x * levels + 127) / 255;
  return (q * 255 + levels / 2) / levels;
}

// The colours a palette-based display always holds (0xBBGGRR).
constexpr TColor kStaticColors[] = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000,
    0xC0C0C0, 0xC0DCC0, 0xF0CAA6, 0xF0FBFF, 0xA4A0A0, 0x808080, 0x0000FF,
    0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
};

}  // namespace

TColor NearestColor(TColor rgb, int depth) {
  rgb &= 0xFFFFFF;
  if (depth >= 24) return rgb;
  if (depth == 16)
    return MakeRGB(Quantise(RedOf(rgb), 5), Quantise(GreenOf(rgb), 6), Quantise(BlueOf(rgb), 5));
  if (depth == 15)
    return MakeRGB(Quantise(RedOf(rgb), 5), Quantise(GreenOf(rgb), 5), Quantise(BlueOf(rgb), 5));
  TColor best = 0;
  long bestDistance = std::numeric_limits<long>::max();
  for (TColor c : kStaticColors) {
    const long dr = RedOf(c) - RedOf(rgb), dg = GreenOf(c) - GreenOf(rgb),
               db = BlueOf(c) - BlueOf(rgb);
    const long distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = c;
    }
  }
  return best;
}

}  // namespace kvn::menus
