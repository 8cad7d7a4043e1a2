#include "platform/conversions.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "tests/support/message_of.h"

namespace kvn::platform {
namespace {

const LocaleSettings kFr = LocaleSettings::French();

class ConversionsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetNowForTesting(EncodeDate(2026, 12, 10) + 0.5); }
  void TearDown() override { SetNowForTesting(std::nullopt); }
};

using test::MessageOf;

TEST_F(ConversionsTest, Integers) {
  struct {
    const char* text;
    std::optional<int32_t> expected;
  } cases[] = {
      {"42", 42},
      {" 42 ", 42},
      {"-7", -7},
      {"+3", 3},
      {"$FF", 255},
      {"0x1A", 26},
      {"$FFFFFFFF", -1},
      {"2147483647", 2147483647},
      {"2147483648", std::nullopt},
      {"12a", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"1 000", std::nullopt},
      {"1,5", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(TryStrToInt(c.text), c.expected) << "'" << c.text << "'";
  EXPECT_EQ(MessageOf([] { StrToInt("12a"); }), "'12a' n'est pas une valeur entière correcte");
  EXPECT_EQ(MessageOf([] { StrToInt(""); }), "'' n'est pas une valeur entière correcte");
}

TEST_F(ConversionsTest, Floats) {
  struct {
    const char* text;
    std::optional<double> expected;
  } cases[] = {
      {"2,5", 2.5},
      {" -1,5e3 ", -1500},
      {",5", 0.5},
      {"3,", 3},
      {"7", 7},
      {"1E-2", 0.01},
      {"2.5", std::nullopt},
      {"1 234", std::nullopt},
      {"1\xA0"
       "234",
       std::nullopt},
      {"abc", std::nullopt},
      {"", std::nullopt},
      {"1e", std::nullopt},
      {",", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TryStrToFloat(c.text, kFr), c.expected) << "'" << c.text << "'";
  EXPECT_EQ(MessageOf([] { StrToFloat("x2", kFr); }),
            "'x2' n'est pas une valeur en virgule flottante correcte");
}

TEST_F(ConversionsTest, Dates) {
  struct {
    const char* text;
    std::optional<TDateTime> expected;
  } cases[] = {
      {"05/03/2024", EncodeDate(2024, 3, 5)},
      {" 5 / 3 / 2024 ", EncodeDate(2024, 3, 5)},
      {"5/3/24", EncodeDate(2024, 3, 5)},
      {"5/3/80", EncodeDate(1980, 3, 5)},
      {"5/3/75", EncodeDate(2075, 3, 5)},
      {"5/3", EncodeDate(2026, 3, 5)},
      {"29/02/2024", EncodeDate(2024, 2, 29)},
      {"29/02/2023", std::nullopt},
      {"31/04/2024", std::nullopt},
      {"05-03-2024", std::nullopt},
      {"5", std::nullopt},
      {"", std::nullopt},
      {"05/03/2024 x", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TryStrToDate(c.text, kFr), c.expected) << "'" << c.text << "'";
  EXPECT_EQ(MessageOf([] { StrToDate("31/02/2024", kFr); }),
            "'31/02/2024' n'est pas une date correcte");
}

TEST_F(ConversionsTest, Times) {
  struct {
    const char* text;
    std::optional<TDateTime> expected;
  } cases[] = {
      {"01:30:00", EncodeTime(1, 30, 0, 0)},
      {"1:30", EncodeTime(1, 30, 0, 0)},
      {"7", EncodeTime(7, 0, 0, 0)},
      {" 1:30:00", EncodeTime(1, 30, 0, 0)},
      {"1 :30:00", EncodeTime(1, 30, 0, 0)},
      {"23:59:59", EncodeTime(23, 59, 59, 0)},
      {"12:30:15.250", EncodeTime(12, 30, 15, 250)},
      {"2:30 PM", EncodeTime(14, 30, 0, 0)},
      {"12:00 AM", EncodeTime(0, 0, 0, 0)},
      {"24:00:00", std::nullopt},
      {"12:60:00", std::nullopt},
      {"12:00:60", std::nullopt},
      {"13:00 PM", std::nullopt},
      {" : : ", std::nullopt},
      {"1:2:3:4", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TryStrToTime(c.text, kFr), c.expected) << "'" << c.text << "'";
  EXPECT_EQ(MessageOf([] { StrToTime("12:60:00", kFr); }),
            "'12:60:00' n'est pas une heure correcte");
}

TEST_F(ConversionsTest, DateTimes) {
  EXPECT_EQ(TryStrToDateTime("05/03/2024 14:07", kFr),
            EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 0, 0));
  EXPECT_EQ(TryStrToDateTime("05/03/2024", kFr), EncodeDate(2024, 3, 5));
  EXPECT_EQ(TryStrToDateTime("14:07", kFr), EncodeTime(14, 7, 0, 0));
  EXPECT_EQ(MessageOf([] { StrToDateTime("05/03/2024 25:00", kFr); }),
            "'05/03/2024 25:00' n'est pas une date et heure correcte");
}

}  // namespace
}  // namespace kvn::platform
