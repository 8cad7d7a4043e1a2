// Number and date-time pictures, and the general text form of numbers, with the
// platform's rules. Input pictures and output are 8-bit Windows-1252 text.
#pragma once

#include <string>
#include <string_view>

#include "platform/locale_settings.h"
#include "platform/tdatetime.h"

namespace kvn::platform {

// Up to three sections "positive;negative;zero" of 0 # . , E+ E- and literals.
std::string FormatFloat(std::string_view picture, double value,
                        const LocaleSettings& settings = LocaleSettings::Current());

// The general form: shortest text with at most 15 significant digits.
std::string FloatToStr(double value, const LocaleSettings& settings = LocaleSettings::Current());

std::string FormatDateTime(std::string_view picture, TDateTime value,
                           const LocaleSettings& settings = LocaleSettings::Current());

// The text forms of a field or a setting: short date, long time, both.
std::string DateToStr(TDateTime value, const LocaleSettings& settings = LocaleSettings::Current());
std::string TimeToStr(TDateTime value, const LocaleSettings& settings = LocaleSettings::Current());
std::string DateTimeToStr(TDateTime value,
                          const LocaleSettings& settings = LocaleSettings::Current());

// Decimal digits of a value rounded to 15 significant digits: value =
// 0.digits x 10^pointPos; digits has no trailing zeros and is empty for zero.
struct DecimalDigits {
  bool negative = false;
  std::string digits;
  int pointPos = 0;
};
DecimalDigits ToDecimalDigits(double value);
// Keeps `decimals` digits after the decimal point, rounding half away from zero.
void RoundDecimalDigits(DecimalDigits& d, int decimals);

}  // namespace kvn::platform
