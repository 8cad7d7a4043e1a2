#include "platform/colors.h"

#include <gtest/gtest.h>

namespace kvn::platform {
namespace {

TEST(Colors, TextForms) {
  EXPECT_EQ(ColorToString(0x000000), "clBlack");
  EXPECT_EQ(ColorToString(0x800000), "clNavy");
  EXPECT_EQ(ColorToString(0xFFFFFF), "clWhite");
  EXPECT_EQ(ColorToString(0x80000008), "clWindowText");
  EXPECT_EQ(ColorToString(0x8000000F), "clBtnFace");
  EXPECT_EQ(ColorToString(0x00003399), "$00003399");
  EXPECT_EQ(ColorToString(0x80000001), "$80000001");
  EXPECT_EQ(StringToColor("clwhite"), 0xFFFFFFu);
  EXPECT_EQ(StringToColor("CLHIGHLIGHT"), 0x8000000Du);
  EXPECT_EQ(StringToColor("$00FF0000"), 0xFF0000u);
  EXPECT_EQ(StringToColor("255"), 0x0000FFu);
  EXPECT_EQ(StringToColor("nope"), std::nullopt);
  for (TColor c : {0x000080u, 0x123456u, 0x80000012u})
    EXPECT_EQ(StringToColor(ColorToString(c)), c);
}

}  // namespace
}  // namespace kvn::platform
