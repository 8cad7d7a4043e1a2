#include "platform/format.h"

#include <gtest/gtest.h>

namespace kvn::platform {
namespace {

const LocaleSettings kFr = LocaleSettings::French();

struct FloatCase {
  const char* picture;
  double value;
  const char* expected;  // Windows-1252
};

TEST(FormatFloat, FrenchPictures) {
  const FloatCase cases[] = {
      {"#,###,##0.00", 1234567.891,
       "1\xA0"
       "234\xA0"
       "567,89"},
      {"#,###,##0", 0, "0"},
      {"#,###,##0", -1234,
       "-1\xA0"
       "234"},
      {"0.00", 2.005, "2,01"},
      {"00.00 \x80", 3.5, "03,50 \x80"},
      {"#,##0", 12345678,
       "12\xA0"
       "345\xA0"
       "678"},
      {"0", 2.5, "3"},
      {"0", -2.5, "-3"},
      {"0.00", -0.001, "0,00"},
      {"#.##", 0.5, ",5"},
      {"0.0#", 1.5, "1,5"},
      {"0.0#", 1.25, "1,25"},
      {"0.0#", 1, "1,0"},
      {"0.##", 1, "1"},
      {"00-00", 1234, "12-34"},
      {"\"Total : \"0", 5, "Total : 5"},
      {"'x'0'y'", 7, "x7y"},
      {"0.00;(0.00)", -5, "(5,00)"},
      {"0.00;(0.00);\"z\xE9ro\"", 0, "z\xE9ro"},
      {"0.00;(0.00);\"z\xE9ro\"", 0.001, "z\xE9ro"},
      {"0.00;;\"nul\"", -2, "-2,00"},
      {"0.00E+00", 1234.5, "1,23E+03"},
      {"0.0E-0", 0.00012, "1,2E-4"},
      {"0.0E+0", 0, "0,0E+0"},
      {"0.00E+00", 9.999, "1,00E+01"},
      {"#,###,##0.00", 999.999,
       "1\xA0"
       "000,00"},
      {"", 1234.5, "1234,5"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatFloat(c.picture, c.value, kFr), c.expected)
        << "picture " << c.picture << " value " << c.value;
}

TEST(FormatFloat, GeneralForm) {
  const FloatCase cases[] = {
      {"", 0, "0"},           {"", 100, "100"},
      {"", -2.5, "-2,5"},     {"", 1.0 / 3, "0,333333333333333"},
      {"", 0.0001, "0,0001"}, {"", 0.00001, "1E-5"},
      {"", 1.5e-7, "1,5E-7"}, {"", 123456789012345, "123456789012345"},
      {"", 1e15, "1E15"},     {"", 1e20, "1E20"},
      {"", 0.1 + 0.2, "0,3"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToStr(c.value, kFr), c.expected) << c.value;
}

struct DateCase {
  const char* picture;
  const char* expected;  // Windows-1252
};

TEST(FormatDateTime, FrenchPictures) {
  // Tuesday 5 March 2024, 14:07:09.045
  const TDateTime v = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 45);
  const DateCase cases[] = {
      {"dd/mm/yyyy", "05/03/2024"},
      {"d/m/yy", "5/3/24"},
      {"dddd d mmmm yyyy", "mardi 5 mars 2024"},
      {"ddd", "mar."},
      {"mmm", "mars"},
      {"yyyy-mm-dd", "2024-03-05"},
      {"hh:nn:ss", "14:07:09"},
      {"hh:mm", "14:07"},
      {"HH:MM:SS", "14:07:09"},
      {"h:n:s", "14:7:9"},
      {"hh:nn am/pm", "02:07 pm"},
      {"hh:nn AM/PM", "02:07 PM"},
      {"h a/p", "2 p"},
      {"h ampm", "2 PM"},
      {"zzz", "045"},
      {"z", "45"},
      {"c", "05/03/2024 14:07:09"},
      {"", "05/03/2024 14:07:09"},
      {"ddddd", "05/03/2024"},
      {"dddddd", "mardi 5 mars 2024"},
      {"t", "14:07"},
      {"tt", "14:07:09"},
      {"'le' d", "le 5"},
      {"\"\xE0\" hh", "\xE0 14"},
      {"mm", "03"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatDateTime(c.picture, v, kFr), c.expected) << "picture " << c.picture;
}

TEST(FormatDateTime, DateOnlyAndMonthNames) {
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 2, 29), kFr), "29/02/2024");
  EXPECT_EQ(FormatDateTime("mmmm mmm", EncodeDate(2024, 2, 1), kFr), "f\xE9vrier f\xE9vr.");
  EXPECT_EQ(FormatDateTime("dddd", EncodeDate(2023, 12, 31), kFr), "dimanche");
  EXPECT_EQ(FormatDateTime("hh:nn", 0.5, kFr), "12:00");
  EXPECT_EQ(FormatDateTime("h am/pm", 0, kFr), "12 am");
  EXPECT_EQ(DateTimeToStr(0, kFr), "30/12/1899");
}

}  // namespace
}  // namespace kvn::platform
