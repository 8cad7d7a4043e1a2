// Conversions from text with the platform's rules and French messages. The Try
// forms never throw; the others throw kvn::Error with the message, showing the
// text as given (UTF-8).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/locale_settings.h"
#include "platform/tdatetime.h"

namespace kvn::platform {

std::optional<int64_t> TryStrToInt64(std::string_view text);
std::optional<int32_t> TryStrToInt(std::string_view text);
std::optional<double> TryStrToFloat(std::string_view text,
                                    const LocaleSettings& s = LocaleSettings::Current());
std::optional<TDateTime> TryStrToDate(std::string_view text,
                                      const LocaleSettings& s = LocaleSettings::Current());
std::optional<TDateTime> TryStrToTime(std::string_view text,
                                      const LocaleSettings& s = LocaleSettings::Current());
std::optional<TDateTime> TryStrToDateTime(std::string_view text,
                                          const LocaleSettings& s = LocaleSettings::Current());

int32_t StrToInt(std::string_view text);
int64_t StrToInt64(std::string_view text);
double StrToFloat(std::string_view text, const LocaleSettings& s = LocaleSettings::Current());
TDateTime StrToDate(std::string_view text, const LocaleSettings& s = LocaleSettings::Current());
TDateTime StrToTime(std::string_view text, const LocaleSettings& s = LocaleSettings::Current());
TDateTime StrToDateTime(std::string_view text, const LocaleSettings& s = LocaleSettings::Current());

// The messages, for callers that convert with the Try forms.
enum class ConversionKind { Integer, Float, Date, Time, DateTime };
std::string ConversionMessage(ConversionKind kind, std::string_view textUtf8);
[[noreturn]] void ThrowConversionError(ConversionKind kind, std::string_view textUtf8);

}  // namespace kvn::platform
