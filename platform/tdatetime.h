// TDateTime: a double counting days since 30 December 1899; the fraction is the
// time of day (0.5 = noon). Encoding, decoding and the injectable clock.
#pragma once

#include <cstdint>
#include <optional>

namespace kvn::platform {

using TDateTime = double;

constexpr int64_t kMSecsPerDay = 86400000;
// Days from 1 January of year 1 to 30 December 1899.
constexpr int64_t kDateDelta = 693594;

struct DateParts {
  int year = 0, month = 0, day = 0;
};
struct TimeParts {
  int hour = 0, minute = 0, second = 0, msec = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

std::optional<TDateTime> TryEncodeDate(int year, int month, int day);
std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int msec);
TDateTime EncodeDate(int year, int month, int day);  // asserts a valid date
TDateTime EncodeTime(int hour, int minute, int second, int msec);

// Splits a value into its day number and milliseconds of the day, rounding to the
// nearest millisecond the way the platform does (the time of a negative value is
// the absolute fraction).
void SplitDateTime(TDateTime value, int64_t& day, int64_t& msecOfDay);
DateParts DecodeDate(TDateTime value);
TimeParts DecodeTime(TDateTime value);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime value);

// The clock: the local time of day as a TDateTime. Tests fix it with SetNow.
TDateTime Now();
TDateTime Today();
int CurrentYear();
void SetNowForTesting(std::optional<TDateTime> fixed);

}  // namespace kvn::platform
