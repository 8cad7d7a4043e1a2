#include "platform/conversions.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/error.h"
#include "platform/strings.h"

namespace kvn::platform {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// A scanner over the text, in the manner of the platform's date and time
// parsers: numbers and separators may be preceded by blanks.
struct Scanner {
  std::string_view s;
  size_t pos = 0;

  void Blanks() {
    while (pos < s.size() && IsBlank(s[pos])) ++pos;
  }
  bool Char(char c) {
    Blanks();
    if (pos < s.size() && s[pos] == c) {
      ++pos;
      return true;
    }
    return false;
  }
  // Reads up to 4 digits; count receives how many were read.
  bool Number(int& value, int& count) {
    Blanks();
    value = 0;
    count = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && value < 1000) {
      value = value * 10 + (s[pos] - '0');
      ++pos;
      ++count;
    }
    return count > 0;
  }
  bool Word(std::string_view word) {
    Blanks();
    if (word.empty()) return false;
    if (StartsWithNoCase(s.substr(pos), word)) {
      pos += word.size();
      return true;
    }
    return false;
  }
  bool AtEnd() {
    Blanks();
    return pos >= s.size();
  }
};

enum class DateOrder { DMY, MDY, YMD };

DateOrder OrderOf(const std::string& picture) {
  for (char c : picture) {
    char l = AsciiLower(c);
    if (l == 'd') return DateOrder::DMY;
    if (l == 'm') return DateOrder::MDY;
    if (l == 'y') return DateOrder::YMD;
  }
  return DateOrder::DMY;
}

bool ScanDate(Scanner& sc, const LocaleSettings& s, TDateTime& out) {
  int n1, n2, n3 = 0, c1, c2, c3 = 0;
  if (!sc.Number(n1, c1)) return false;
  if (!sc.Char(s.dateSeparator)) return false;
  if (!sc.Number(n2, c2)) return false;
  bool third = false;
  if (sc.Char(s.dateSeparator)) {
    if (!sc.Number(n3, c3)) return false;
    third = true;
  }
  int y, m, d, yDigits;
  DateOrder order = OrderOf(s.shortDateFormat);
  if (!third) {
    y = CurrentYear();
    yDigits = 4;
    if (order == DateOrder::MDY) {
      m = n1;
      d = n2;
    } else {
      d = n1;
      m = n2;
      if (order == DateOrder::YMD) {
        m = n1;
        d = n2;
      }
    }
  } else {
    switch (order) {
      case DateOrder::MDY:
        m = n1;
        d = n2;
        y = n3;
        yDigits = c3;
        break;
      case DateOrder::YMD:
        y = n1;
        m = n2;
        d = n3;
        yDigits = c1;
        break;
      default:
        d = n1;
        m = n2;
        y = n3;
        yDigits = c3;
        break;
    }
    if (yDigits <= 2) {
      int base = CurrentYear() - s.twoDigitYearCenturyWindow;
      y += base / 100 * 100;
      if (s.twoDigitYearCenturyWindow > 0 && y < base) y += 100;
    }
  }
  auto v = TryEncodeDate(y, m, d);
  if (!v) return false;
  out = *v;
  return true;
}

bool ScanTime(Scanner& sc, const LocaleSettings& s, TDateTime& out) {
  int baseHour = -1;
  if (sc.Word(s.timeAMString) || sc.Word("AM"))
    baseHour = 0;
  else if (sc.Word(s.timePMString) || sc.Word("PM"))
    baseHour = 12;
  int hour, minute = 0, second = 0, msec = 0, n;
  if (!sc.Number(hour, n)) return false;
  if (sc.Char(s.timeSeparator)) {
    if (!sc.Number(minute, n)) return false;
    if (sc.Char(s.timeSeparator)) {
      if (!sc.Number(second, n)) return false;
      if (sc.Char(s.decimalSeparator) || sc.Char('.')) {
        if (!sc.Number(msec, n)) return false;
      }
    }
  }
  if (baseHour < 0) {
    if (sc.Word(s.timeAMString) || sc.Word("AM"))
      baseHour = 0;
    else if (sc.Word(s.timePMString) || sc.Word("PM"))
      baseHour = 12;
  }
  if (baseHour >= 0) {
    if (hour == 0 || hour > 12) return false;
    if (hour == 12) hour = 0;
    hour += baseHour;
  }
  auto v = TryEncodeTime(hour, minute, second, msec);
  if (!v) return false;
  out = *v;
  return true;
}

}  // namespace

std::optional<int64_t> TryStrToInt64(std::string_view text) {
  std::string_view t = Trim(text);
  size_t i = 0;
  bool neg = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
    neg = t[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < t.size() && t[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= t.size()) return std::nullopt;
  uint64_t value = 0;
  const uint64_t limit = neg ? (1ULL << 63) : (1ULL << 63) - 1;
  for (; i < t.size(); ++i) {
    char c = t[i];
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (hex && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return std::nullopt;
    uint64_t base = hex ? 16 : 10;
    if (value > (limit - digit) / base) {
      if (!hex) return std::nullopt;
      // Hex texts wrap as the platform's do ($FFFFFFFF is -1 in 32 bits); keep 64 bits.
      if (value > (std::numeric_limits<uint64_t>::max() - digit) / base) return std::nullopt;
    }
    value = value * base + digit;
  }
  int64_t result = static_cast<int64_t>(value);
  return neg ? -result : result;
}

std::optional<int32_t> TryStrToInt(std::string_view text) {
  auto v = TryStrToInt64(text);
  if (!v) return std::nullopt;
  std::string_view t = Trim(text);
  bool hex = t.find('$') != std::string_view::npos || t.find("0x") != std::string_view::npos ||
             t.find("0X") != std::string_view::npos;
  if (hex && *v >= 0 && *v <= 0xFFFFFFFFLL) return static_cast<int32_t>(static_cast<uint32_t>(*v));
  if (*v < std::numeric_limits<int32_t>::min() || *v > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(*v);
}

std::optional<double> TryStrToFloat(std::string_view text, const LocaleSettings& s) {
  std::string_view t = Trim(text);
  std::string normal;
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) normal += t[i++];
  bool digits = false;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
    normal += t[i++];
    digits = true;
  }
  if (i < t.size() && t[i] == s.decimalSeparator) {
    normal += '.';
    ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
      normal += t[i++];
      digits = true;
    }
  }
  if (!digits) return std::nullopt;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    normal += 'e';
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) normal += t[i++];
    bool expDigits = false;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
      normal += t[i++];
      expDigits = true;
    }
    if (!expDigits) return std::nullopt;
  }
  if (i != t.size()) return std::nullopt;
  double v = std::strtod(normal.c_str(), nullptr);
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<TDateTime> TryStrToDate(std::string_view text, const LocaleSettings& s) {
  Scanner sc{text};
  TDateTime d;
  if (!ScanDate(sc, s, d) || !sc.AtEnd()) return std::nullopt;
  return d;
}

std::optional<TDateTime> TryStrToTime(std::string_view text, const LocaleSettings& s) {
  Scanner sc{text};
  TDateTime t;
  if (!ScanTime(sc, s, t) || !sc.AtEnd()) return std::nullopt;
  return t;
}

namespace {

bool Digit(char c) {
  return c >= '0' && c <= '9';
}
int Two(std::string_view t, size_t at) {
  return (t[at] - '0') * 10 + (t[at + 1] - '0');
}

// The two shapes every field text has ("dd/mm/yyyy" and "hh:nn:ss"), read
// without the general scanner; nullopt sends other texts to it.
std::optional<TDateTime> CommonShape(std::string_view t, const LocaleSettings& s) {
  if (t.size() == 10 && t[2] == s.dateSeparator && t[5] == s.dateSeparator && Digit(t[0]) &&
      Digit(t[1]) && Digit(t[3]) && Digit(t[4]) && Digit(t[6]) && Digit(t[7]) && Digit(t[8]) &&
      Digit(t[9]) && OrderOf(s.shortDateFormat) == DateOrder::DMY)
    return TryEncodeDate(Two(t, 6) * 100 + Two(t, 8), Two(t, 3), Two(t, 0));
  if (t.size() == 8 && t[2] == s.timeSeparator && t[5] == s.timeSeparator && Digit(t[0]) &&
      Digit(t[1]) && Digit(t[3]) && Digit(t[4]) && Digit(t[6]) && Digit(t[7]))
    return TryEncodeTime(Two(t, 0), Two(t, 3), Two(t, 6), 0);
  return std::nullopt;
}

}  // namespace

std::optional<TDateTime> TryStrToDateTime(std::string_view text, const LocaleSettings& s) {
  if (auto v = CommonShape(text, s)) return v;
  Scanner sc{text};
  TDateTime d;
  if (!ScanDate(sc, s, d)) {
    // A time alone is a time on day 0.
    Scanner tsc{text};
    TDateTime t;
    if (ScanTime(tsc, s, t) && tsc.AtEnd()) return t;
    return std::nullopt;
  }
  if (sc.AtEnd()) return d;
  TDateTime t;
  if (!ScanTime(sc, s, t) || !sc.AtEnd()) return std::nullopt;
  return d < 0 ? d - t : d + t;
}

std::string ConversionMessage(ConversionKind kind, std::string_view text) {
  const char* pattern = "";
  switch (kind) {
    case ConversionKind::Integer:
      pattern = "'%s' n'est pas une valeur entière correcte";
      break;
    case ConversionKind::Float:
      pattern = "'%s' n'est pas une valeur en virgule flottante correcte";
      break;
    case ConversionKind::Date:
      pattern = "'%s' n'est pas une date correcte";
      break;
    case ConversionKind::Time:
      pattern = "'%s' n'est pas une heure correcte";
      break;
    case ConversionKind::DateTime:
      pattern = "'%s' n'est pas une date et heure correcte";
      break;
  }
  return Subst(pattern, {text});
}

void ThrowConversionError(ConversionKind kind, std::string_view text) {
  throw Error(ConversionMessage(kind, text));
}

int32_t StrToInt(std::string_view text) {
  auto v = TryStrToInt(text);
  if (!v) ThrowConversionError(ConversionKind::Integer, text);
  return *v;
}

int64_t StrToInt64(std::string_view text) {
  auto v = TryStrToInt64(text);
  if (!v) ThrowConversionError(ConversionKind::Integer, text);
  return *v;
}

double StrToFloat(std::string_view text, const LocaleSettings& s) {
  auto v = TryStrToFloat(text, s);
  if (!v) ThrowConversionError(ConversionKind::Float, text);
  return *v;
}

TDateTime StrToDate(std::string_view text, const LocaleSettings& s) {
  auto v = TryStrToDate(text, s);
  if (!v) ThrowConversionError(ConversionKind::Date, text);
  return *v;
}

TDateTime StrToTime(std::string_view text, const LocaleSettings& s) {
  auto v = TryStrToTime(text, s);
  if (!v) ThrowConversionError(ConversionKind::Time, text);
  return *v;
}

TDateTime StrToDateTime(std::string_view text, const LocaleSettings& s) {
  auto v = TryStrToDateTime(text, s);
  if (!v) ThrowConversionError(ConversionKind::DateTime, text);
  return *v;
}

}  // namespace kvn::platform
