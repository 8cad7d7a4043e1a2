// The locale settings that formatting and conversions follow, as 8-bit
// Windows-1252 text. Read once from the user's locale; the French values stand in
// for C and POSIX.
#pragma once

#include <array>
#include <string>

namespace kvn::platform {

struct LocaleSettings {
  char listSeparator = ';';
  char decimalSeparator = ',';
  char thousandSeparator = '\xA0';
  char dateSeparator = '/';
  char timeSeparator = ':';
  // Pictures in the syntax of FormatDateTime.
  std::string shortDateFormat = "dd/mm/yyyy";
  std::string longDateFormat = "dddd d mmmm yyyy";
  std::string shortTimeFormat = "hh:nn";
  std::string longTimeFormat = "hh:nn:ss";
  std::string timeAMString = "AM";
  std::string timePMString = "PM";
  std::string currencyString = "\x80";
  // 0 symbol before, 1 after, 2 before with a space, 3 after with a space.
  int currencyFormat = 3;
  int currencyDecimals = 2;
  std::array<std::string, 12> shortMonthNames;
  std::array<std::string, 12> longMonthNames;
  // Index 0 is Sunday.
  std::array<std::string, 7> shortDayNames;
  std::array<std::string, 7> longDayNames;
  // Two-digit years fall within this many years of the current year.
  int twoDigitYearCenturyWindow = 50;

  static LocaleSettings French();
  // From the LC_ALL / LC_* environment; French when that locale is C or POSIX.
  static LocaleSettings FromEnvironment();

  // The program's settings, read once at first use. Tests and the exporters that
  // switch a separator for a while replace them through Mutable().
  static const LocaleSettings& Current();
  static LocaleSettings& Mutable();
};

// Puts the previous decimal separator back when it goes out of scope.
class DecimalSeparatorScope {
 public:
  explicit DecimalSeparatorScope(char separator);
  ~DecimalSeparatorScope();
  DecimalSeparatorScope(const DecimalSeparatorScope&) = delete;
  DecimalSeparatorScope& operator=(const DecimalSeparatorScope&) = delete;

 private:
  char m_previous;
};

}  // namespace kvn::platform
