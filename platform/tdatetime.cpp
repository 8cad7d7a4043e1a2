#include "platform/tdatetime.h"

#include <cassert>
#include <cmath>
#include <ctime>

namespace kvn::platform {
namespace {

std::optional<TDateTime> g_fixedNow;

int64_t DaysBeforeYear(int64_t year) {
  int64_t y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400;
}

}  // namespace

bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::optional<TDateTime> TryEncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return std::nullopt;
  int64_t days = day;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  return static_cast<TDateTime>(DaysBeforeYear(year) + days - kDateDelta);
}

std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int msec) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
      msec > 999)
    return std::nullopt;
  int64_t ms = ((hour * 60 + minute) * 60 + second) * 1000LL + msec;
  return static_cast<TDateTime>(ms) / kMSecsPerDay;
}

TDateTime EncodeDate(int year, int month, int day) {
  auto v = TryEncodeDate(year, month, day);
  assert(v);
  return v.value_or(0);
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  auto v = TryEncodeTime(hour, minute, second, msec);
  assert(v);
  return v.value_or(0);
}

void SplitDateTime(TDateTime value, int64_t& day, int64_t& msecOfDay) {
  double whole = std::trunc(value);
  double frac = std::fabs(value - whole);
  day = static_cast<int64_t>(whole);
  msecOfDay = std::llround(frac * kMSecsPerDay);
  if (msecOfDay >= kMSecsPerDay) {
    msecOfDay -= kMSecsPerDay;
    day += value < 0 ? -1 : 1;
  }
}

DateParts DecodeDate(TDateTime value) {
  int64_t day, ms;
  SplitDateTime(value, day, ms);
  int64_t t = day + kDateDelta - 1;  // days since 1/1/0001, 0-based
  DateParts p;
  if (t < 0) return p;
  // 400-, 100-, 4- and 1-year cycles.
  int64_t y = 1;
  int64_t d = t;
  y += (d / 146097) * 400;
  d %= 146097;
  int64_t c = d / 36524;
  if (c == 4) c = 3;
  y += c * 100;
  d -= c * 36524;
  y += (d / 1461) * 4;
  d %= 1461;
  int64_t i = d / 365;
  if (i == 4) i = 3;
  y += i;
  d -= i * 365;
  p.year = static_cast<int>(y);
  int m = 1;
  while (d >= DaysInMonth(p.year, m)) {
    d -= DaysInMonth(p.year, m);
    ++m;
  }
  p.month = m;
  p.day = static_cast<int>(d) + 1;
  return p;
}

TimeParts DecodeTime(TDateTime value) {
  int64_t day, ms;
  SplitDateTime(value, day, ms);
  TimeParts t;
  t.hour = static_cast<int>(ms / 3600000);
  t.minute = static_cast<int>(ms / 60000 % 60);
  t.second = static_cast<int>(ms / 1000 % 60);
  t.msec = static_cast<int>(ms % 1000);
  return t;
}

int DayOfWeek(TDateTime value) {
  int64_t day, ms;
  SplitDateTime(value, day, ms);
  // Day 0 (30/12/1899) was a Saturday.
  int64_t w = (day + kDateDelta - 1) % 7;  // 0 = Monday, the weekday of 1/1/0001
  if (w < 0) w += 7;
  return static_cast<int>((w + 1) % 7) + 1;
}

TDateTime Now() {
  if (g_fixedNow) return *g_fixedNow;
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::tm tm{};
  localtime_r(&ts.tv_sec, &tm);
  TDateTime date = EncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  TDateTime time = EncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec,
                              static_cast<int>(ts.tv_nsec / 1000000));
  return date + time;
}

TDateTime Today() {
  return std::trunc(Now());
}

int CurrentYear() {
  return DecodeDate(Now()).year;
}

void SetNowForTesting(std::optional<TDateTime> fixed) {
  g_fixedNow = fixed;
}

}  // namespace kvn::platform
