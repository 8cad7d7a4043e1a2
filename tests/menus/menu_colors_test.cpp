#include "menus/menu_colors.h"

#include <gtest/gtest.h>

namespace kvn::menus {
namespace {

TEST(MenuColors, DarkenLightenGrey) {
  struct Case {
    const char* what;
    TColor got, want;
  } cases[] = {
      {"darken keeps green 2 higher", Darken(MakeRGB(200, 200, 200), 90), MakeRGB(110, 112, 110)},
      {"darken stops at 0", Darken(MakeRGB(10, 0, 50), 30), MakeRGB(0, 0, 20)},
      {"negative darken lightens, stops at 255", Darken(MakeRGB(0, 250, 100), -40),
       MakeRGB(40, 255, 140)},
      {"lighten 0 is identity", Lighten(MakeRGB(12, 34, 56), 0), MakeRGB(12, 34, 56)},
      {"lighten 100 is white", Lighten(MakeRGB(12, 34, 56), 100), MakeRGB(255, 255, 255)},
      {"lighten above 100 is 100", Lighten(MakeRGB(12, 34, 56), 250), MakeRGB(255, 255, 255)},
      // 2.5 rounds to 2 and 3.5 to 4: halves go to the even neighbour.
      {"lighten rounds halves to even", Lighten(MakeRGB(250, 248, 0), 50), MakeRGB(252, 252, 128)},
      {"system button face lightened 86", Lighten(MakeRGB(240, 240, 240), 86),
       MakeRGB(253, 253, 253)},
      {"grey of a mean", Grey(MakeRGB(200, 40, 40), 90), MakeRGB(183, 183, 183)},
      {"grey at most 240", Grey(MakeRGB(255, 255, 255), 90), MakeRGB(240, 240, 240)},
      {"grey's p at most 100", Grey(MakeRGB(0, 0, 0), 300), MakeRGB(100, 100, 100)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(MenuColors, NearestColorOfTheSurface) {
  struct Case {
    const char* what;
    TColor rgb;
    int depth;
    TColor want;
  } cases[] = {
      {"true colour keeps everything", MakeRGB(1, 2, 3), 32, MakeRGB(1, 2, 3)},
      {"24 bits keeps everything", MakeRGB(1, 2, 3), 24, MakeRGB(1, 2, 3)},
      {"16 bits: 5-6-5", MakeRGB(250, 130, 3), 16, MakeRGB(247, 130, 0)},
      {"15 bits: 5-5-5", MakeRGB(100, 100, 100), 15, MakeRGB(99, 99, 99)},
      {"palette: light grey goes to silver", MakeRGB(200, 200, 200), 8, MakeRGB(192, 192, 192)},
      {"palette: near white goes to white", MakeRGB(253, 253, 253), 8, MakeRGB(255, 255, 255)},
      {"palette: a light blue", MakeRGB(170, 200, 240), 8, MakeRGB(166, 202, 240)},
      {"palette: dark red", MakeRGB(120, 10, 10), 8, MakeRGB(128, 0, 0)},
  };
  for (const Case& c : cases) EXPECT_EQ(NearestColor(c.rgb, c.depth), c.want) << c.what;
}

}  // namespace
}  // namespace kvn::menus
