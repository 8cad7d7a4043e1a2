#include "platform/format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace kvn::platform {

DecimalDigits ToDecimalDigits(double value) {
  DecimalDigits d;
  d.negative = std::signbit(value) && value != 0;
  if (value == 0) return d;
  const double a = std::fabs(value);
  if (a < 1e15 && a == std::trunc(a)) {
    // Whole numbers below 10^15 are exact: their digits as they are.
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, static_cast<int64_t>(a));
    d.digits.assign(buf, r.ptr);
    d.pointPos = static_cast<int>(d.digits.size());
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    return d;
  }
  char buf[40];
  auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 14);
  *r.ptr = '\0';
  // buf: d.ddddddddddddddde[+-]xx
  std::string digits;
  const char* p = buf;
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') digits += *p;
  int exp = *p == 'e' ? std::atoi(p + 1) : 0;
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  d.digits = digits;
  d.pointPos = exp + 1;
  if (d.digits.empty()) d.pointPos = 0;
  return d;
}

void RoundDecimalDigits(DecimalDigits& d, int decimals) {
  int keep = d.pointPos + decimals;
  if (keep >= static_cast<int>(d.digits.size())) return;
  if (keep < 0) {
    d.digits.clear();
    d.pointPos = 0;
    return;
  }
  bool up = d.digits[keep] >= '5';
  d.digits.resize(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') {
      d.digits[i] = '0';
      --i;
    }
    if (i < 0) {
      d.digits.insert(d.digits.begin(), '1');
      d.pointPos += 1;
    } else {
      d.digits[i] += 1;
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.pointPos = 0;
}

namespace {

std::string SpecialValue(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

// Integer digits (without leading zeros) and decimal digits of a rounded value.
void SplitDigits(const DecimalDigits& d, std::string& intPart, std::string& fracPart) {
  intPart.clear();
  fracPart.clear();
  int n = static_cast<int>(d.digits.size());
  for (int i = 0; i < d.pointPos; ++i) intPart += i < n ? d.digits[i] : '0';
  for (int i = d.pointPos; i < n; ++i) fracPart += i < 0 ? '0' : d.digits[i];
  if (d.pointPos < 0) fracPart = std::string(-d.pointPos, '0') + d.digits;
}

std::vector<std::string_view> SplitSections(std::string_view picture) {
  std::vector<std::string_view> sections;
  size_t start = 0;
  char quote = 0;
  for (size_t i = 0; i < picture.size(); ++i) {
    char c = picture[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      sections.push_back(picture.substr(start, i - start));
      start = i + 1;
    }
  }
  sections.push_back(picture.substr(start));
  return sections;
}

struct SectionInfo {
  int intPlaceholders = 0;
  int intZeros = 0;
  int decimals = 0;
  int minDecimals = 0;
  bool thousands = false;
  bool scientific = false;
};

SectionInfo Analyse(std::string_view section) {
  SectionInfo info;
  bool afterPoint = false;
  char quote = 0;
  for (size_t i = 0; i < section.size(); ++i) {
    char c = section[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
    } else if ((c == 'E' || c == 'e') && i + 1 < section.size() &&
               (section[i + 1] == '+' || section[i + 1] == '-')) {
      info.scientific = true;
      // The exponent's own zeros follow; nothing after it is a placeholder.
      i += 1;
      while (i + 1 < section.size() && section[i + 1] == '0') ++i;
    } else if (c == '.') {
      afterPoint = true;
    } else if (c == ',') {
      if (!afterPoint) info.thousands = true;
    } else if (c == '0' || c == '#') {
      if (afterPoint) {
        ++info.decimals;
        if (c == '0') info.minDecimals = info.decimals;
      } else {
        ++info.intPlaceholders;
        if (c == '0') ++info.intZeros;
      }
    }
  }
  return info;
}

std::string Render(std::string_view section, const SectionInfo& info, DecimalDigits d,
                   const LocaleSettings& s) {
  std::string intDigits, fracDigits;
  int exponent = 0;
  if (info.scientific) {
    int n = info.intPlaceholders > 0 ? info.intPlaceholders : 1;
    if (!d.digits.empty()) {
      int total = n + info.decimals;
      DecimalDigits m = d;
      int shift = m.pointPos - n;
      m.pointPos = n;
      RoundDecimalDigits(m, total - n);
      if (m.pointPos > n) {  // 9.99 rounded to 10.0
        shift += m.pointPos - n;
        m.pointPos = n;
      }
      exponent = shift;
      SplitDigits(m, intDigits, fracDigits);
    }
  } else {
    RoundDecimalDigits(d, info.decimals);
    SplitDigits(d, intDigits, fracDigits);
  }
  if (static_cast<int>(intDigits.size()) < info.intZeros)
    intDigits.insert(0, info.intZeros - intDigits.size(), '0');
  if (static_cast<int>(fracDigits.size()) < info.decimals)
    fracDigits.append(info.decimals - fracDigits.size(), '0');
  fracDigits.resize(info.decimals);
  while (static_cast<int>(fracDigits.size()) > info.minDecimals && fracDigits.back() == '0')
    fracDigits.pop_back();

  std::string out;
  const int p = info.intPlaceholders;
  const int len = static_cast<int>(intDigits.size());
  auto emitDigit = [&](int j) {  // j counts from the right, 0 = units
    out += intDigits[len - 1 - j];
    if (info.thousands && j > 0 && j % 3 == 0) out += s.thousandSeparator;
  };
  int intIndex = 0;
  int decIndex = 0;
  bool afterPoint = false;
  char quote = 0;
  for (size_t i = 0; i < section.size(); ++i) {
    char c = section[i];
    if (quote) {
      if (c == quote)
        quote = 0;
      else
        out += c;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
    } else if ((c == 'E' || c == 'e') && i + 1 < section.size() &&
               (section[i + 1] == '+' || section[i + 1] == '-')) {
      char sign = section[i + 1];
      i += 1;
      int zeros = 0;
      while (i + 1 < section.size() && section[i + 1] == '0') {
        ++zeros;
        ++i;
      }
      out += c;
      if (exponent < 0)
        out += '-';
      else if (sign == '+')
        out += '+';
      std::string e = std::to_string(exponent < 0 ? -exponent : exponent);
      if (static_cast<int>(e.size()) < zeros) e.insert(0, zeros - e.size(), '0');
      out += e;
    } else if (c == '.') {
      if (!afterPoint) {
        afterPoint = true;
        if (!fracDigits.empty()) out += s.decimalSeparator;
      }
    } else if (c == ',') {
      // The thousands flag; nothing printed here.
    } else if (c == '0' || c == '#') {
      if (afterPoint) {
        if (decIndex < static_cast<int>(fracDigits.size())) out += fracDigits[decIndex];
        ++decIndex;
      } else {
        int k = intIndex++;
        int j = p - 1 - k;
        if (k == 0)
          for (int x = len - 1; x > j; --x) emitDigit(x);
        if (j < len) emitDigit(j);
      }
    } else {
      out += c;
    }
  }
  return out;
}

std::string ExponentText(int exponent) {
  return "E" + std::to_string(exponent);
}

}  // namespace

std::string FloatToStr(double value, const LocaleSettings& s) {
  if (!std::isfinite(value)) return SpecialValue(value);
  DecimalDigits d = ToDecimalDigits(value);
  if (d.digits.empty()) return "0";
  std::string out = d.negative ? "-" : "";
  if (d.pointPos > 15 || d.pointPos < -3) {
    out += d.digits[0];
    if (d.digits.size() > 1) {
      out += s.decimalSeparator;
      out.append(d.digits, 1, std::string::npos);
    }
    out += ExponentText(d.pointPos - 1);
    return out;
  }
  std::string intPart, fracPart;
  SplitDigits(d, intPart, fracPart);
  out += intPart.empty() ? "0" : intPart;
  if (!fracPart.empty()) {
    out += s.decimalSeparator;
    out += fracPart;
  }
  return out;
}

namespace {

// The sections of the last picture, kept: exports format every cell of a
// column with the same picture.
struct ParsedPicture {
  std::string picture;
  std::vector<std::string_view> sections;
  std::vector<SectionInfo> infos;
};

const ParsedPicture& Parse(std::string_view picture) {
  thread_local ParsedPicture cache[4];
  thread_local unsigned next = 0;
  for (const auto& c : cache)
    if (!c.sections.empty() && c.picture == picture) return c;
  ParsedPicture& slot = cache[next++ % 4];
  slot.picture.assign(picture);
  slot.sections = SplitSections(slot.picture);
  slot.infos.clear();
  for (auto sec : slot.sections) slot.infos.push_back(Analyse(sec));
  return slot;
}

}  // namespace

std::string FormatFloat(std::string_view picture, double value, const LocaleSettings& s) {
  if (picture.empty()) return FloatToStr(value, s);
  if (!std::isfinite(value)) return SpecialValue(value);
  const ParsedPicture& parsed = Parse(picture);
  const std::vector<std::string_view>& sections = parsed.sections;
  DecimalDigits d = ToDecimalDigits(value);
  bool negative = d.negative;
  d.negative = false;

  size_t index = 0;
  bool minus = false;
  if (negative) {
    if (sections.size() >= 2 && !sections[1].empty())
      index = 1;
    else
      minus = true;
  }
  SectionInfo info = parsed.infos[index];
  DecimalDigits rounded = d;
  if (!info.scientific) RoundDecimalDigits(rounded, info.decimals);
  if (rounded.digits.empty()) {
    // A value that rounds to zero takes the zero section, and never a sign.
    minus = false;
    if (sections.size() >= 3 && !sections[2].empty()) {
      index = 2;
      info = parsed.infos[2];
      d = DecimalDigits{};
    } else if (index == 1) {
      index = 0;
      info = parsed.infos[0];
    }
  }
  std::string out = Render(sections[index], info, d, s);
  return minus ? "-" + out : out;
}

namespace {

void AppendNumber(std::string& out, int v, int width) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, v < 0 ? -v : v);
  int len = static_cast<int>(r.ptr - buf);
  if (v < 0) out += '-';
  for (int i = len; i < width; ++i) out += '0';
  out.append(buf, r.ptr);
}

bool StartsWithNoCaseAscii(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char a = text[i], b = prefix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a + 32);
    if (a != b) return false;
  }
  return true;
}

// Length of the am/pm specifier at the start of text, 0 when there is none.
size_t AmPmLength(std::string_view text) {
  if (StartsWithNoCaseAscii(text, "am/pm")) return 5;
  if (StartsWithNoCaseAscii(text, "a/p")) return 3;
  if (StartsWithNoCaseAscii(text, "ampm")) return 4;
  return 0;
}

// Whether an am/pm specifier appears in the picture; it turns on the 12-hour clock.
bool HasAmPm(std::string_view pic) {
  char quote = 0;
  for (size_t i = 0; i < pic.size(); ++i) {
    char c = pic[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if ((c == 'a' || c == 'A') && AmPmLength(pic.substr(i)) > 0) {
      return true;
    }
  }
  return false;
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

void AppendDateTime(std::string& out, std::string_view pic, TDateTime value,
                    const LocaleSettings& s, int depth) {
  if (depth > 2) return;
  if (pic.empty()) pic = "c";
  // Only what the picture asks for is decoded.
  bool needDate = false;
  for (char ch : pic) {
    char l = Lower(ch);
    if (l == 'c' || l == 'd' || l == 'y' || l == 'm') needDate = true;
  }
  const DateParts date = needDate ? DecodeDate(value) : DateParts{};
  const TimeParts time = DecodeTime(value);
  const bool twelve = HasAmPm(pic);
  char last = 0;  // the last date-time letter seen, for "m" after "h"
  size_t i = 0;
  while (i < pic.size()) {
    char c = pic[i];
    char lc = Lower(c);
    if (c == '"' || c == '\'') {
      size_t end = pic.find(c, i + 1);
      if (end == std::string_view::npos) end = pic.size();
      out.append(pic.substr(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    size_t count = 1;
    if (lc == 'd' || lc == 'm' || lc == 'y' || lc == 'h' || lc == 'n' || lc == 's' || lc == 'z' ||
        lc == 't') {
      while (i + count < pic.size() && Lower(pic[i + count]) == lc) ++count;
    }
    switch (lc) {
      case 'c':
        AppendDateTime(out, s.shortDateFormat, value, s, depth + 1);
        if (time.hour || time.minute || time.second || time.msec) {
          out += ' ';
          AppendDateTime(out, s.longTimeFormat, value, s, depth + 1);
        }
        last = 'c';
        break;
      case 'd':
        switch (count) {
          case 1:
            AppendNumber(out, date.day, 1);
            break;
          case 2:
            AppendNumber(out, date.day, 2);
            break;
          case 3:
            out += s.shortDayNames[DayOfWeek(value) - 1];
            break;
          case 4:
            out += s.longDayNames[DayOfWeek(value) - 1];
            break;
          case 5:
            AppendDateTime(out, s.shortDateFormat, value, s, depth + 1);
            break;
          default:
            AppendDateTime(out, s.longDateFormat, value, s, depth + 1);
            break;
        }
        last = 'd';
        break;
      case 'm':
        if (last == 'h' && count <= 2) {
          AppendNumber(out, time.minute, static_cast<int>(count));
        } else if (count <= 2) {
          AppendNumber(out, date.month, static_cast<int>(count));
        } else if (count == 3) {
          out += s.shortMonthNames[date.month - 1];
        } else {
          out += s.longMonthNames[date.month - 1];
        }
        last = 'm';
        break;
      case 'y':
        if (count <= 2)
          AppendNumber(out, date.year % 100, 2);
        else
          AppendNumber(out, date.year, 4);
        last = 'y';
        break;
      case 'h': {
        int h = time.hour;
        if (twelve) {
          h %= 12;
          if (h == 0) h = 12;
        }
        AppendNumber(out, h, count >= 2 ? 2 : 1);
        last = 'h';
        break;
      }
      case 'n':
        AppendNumber(out, time.minute, count >= 2 ? 2 : 1);
        last = 'n';
        break;
      case 's':
        AppendNumber(out, time.second, count >= 2 ? 2 : 1);
        last = 's';
        break;
      case 'z':
        AppendNumber(out, time.msec, count >= 3 ? 3 : 1);
        last = 'z';
        break;
      case 't':
        AppendDateTime(out, count >= 2 ? s.longTimeFormat : s.shortTimeFormat, value, s, depth + 1);
        last = 't';
        break;
      case 'a': {
        size_t n = AmPmLength(pic.substr(i));
        if (n == 5 || n == 3) {
          // "am/pm" and "a/p" print in the case the picture uses.
          bool pm = time.hour >= 12;
          std::string_view part =
              pm ? pic.substr(i + (n == 5 ? 3 : 2), n == 5 ? 2 : 1) : pic.substr(i, n == 5 ? 2 : 1);
          out.append(part);
          count = n;
        } else if (n == 4) {
          out += time.hour >= 12 ? s.timePMString : s.timeAMString;
          count = n;
        } else {
          out += c;
        }
        last = 'a';
        break;
      }
      case '/':
        out += s.dateSeparator;
        break;
      case ':':
        out += s.timeSeparator;
        break;
      default:
        out += c;
        break;
    }
    i += count;
  }
}

}  // namespace

std::string FormatDateTime(std::string_view picture, TDateTime value, const LocaleSettings& s) {
  std::string out;
  AppendDateTime(out, picture, value, s, 0);
  return out;
}

std::string DateToStr(TDateTime value, const LocaleSettings& s) {
  return FormatDateTime(s.shortDateFormat, value, s);
}

std::string TimeToStr(TDateTime value, const LocaleSettings& s) {
  return FormatDateTime(s.longTimeFormat, value, s);
}

std::string DateTimeToStr(TDateTime value, const LocaleSettings& s) {
  return FormatDateTime("c", value, s);
}

}  // namespace kvn::platform
