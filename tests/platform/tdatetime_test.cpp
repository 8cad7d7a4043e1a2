#include "platform/tdatetime.h"

#include <gtest/gtest.h>

namespace kvn::platform {
namespace {

TEST(TDateTime, DayNumbers) {
  struct {
    int y, m, d;
    double day;
  } cases[] = {
      {1899, 12, 30, 0},    {1899, 12, 31, 1},   {1900, 1, 1, 2},    {1900, 3, 1, 61},
      {2000, 2, 29, 36585}, {2024, 3, 5, 45356}, {1, 1, 1, -693593}, {9999, 12, 31, 2958465},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.day) << c.y << "-" << c.m << "-" << c.d;
    DateParts p = DecodeDate(c.day);
    EXPECT_EQ(p.year, c.y);
    EXPECT_EQ(p.month, c.m);
    EXPECT_EQ(p.day, c.d);
  }
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29));
  EXPECT_FALSE(TryEncodeDate(2024, 13, 1));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1));
}

TEST(TDateTime, TimesAndWeekdays) {
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  TimeParts t = DecodeTime(EncodeDate(2024, 3, 5) + EncodeTime(23, 59, 59, 999));
  EXPECT_EQ(t.hour, 23);
  EXPECT_EQ(t.minute, 59);
  EXPECT_EQ(t.second, 59);
  EXPECT_EQ(t.msec, 999);
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0));
  EXPECT_EQ(DayOfWeek(0), 7);                         // Saturday 30/12/1899
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 5)), 3);    // Tuesday
  EXPECT_EQ(DayOfWeek(EncodeDate(2023, 12, 31)), 1);  // Sunday
  // A negative value's time is its absolute fraction: 29/12/1899 06:00.
  EXPECT_EQ(DecodeDate(-1.25).day, 29);
  EXPECT_EQ(DecodeTime(-1.25).hour, 6);
}

TEST(TDateTime, InjectedClock) {
  SetNowForTesting(EncodeDate(2030, 6, 1) + 0.25);
  EXPECT_EQ(CurrentYear(), 2030);
  EXPECT_EQ(Today(), EncodeDate(2030, 6, 1));
  SetNowForTesting(std::nullopt);
  EXPECT_GE(CurrentYear(), 2024);
}

}  // namespace
}  // namespace kvn::platform
