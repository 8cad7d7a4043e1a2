#include "catalogue/film_rules.h"

#include <cstdio>

#include "platform/strings.h"

namespace kvn::catalogue {

namespace {

// A whole number written with digits only (a sign, spaces around allowed).
std::optional<long> WholeNumber(std::string_view text) {
  text = platform::Trim(text);
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  // "7.0" and "7,0" are whole numbers a spreadsheet may write.
  for (std::string_view zero : {".0", ",0"})
    if (text.size() > zero.size() && text.substr(text.size() - zero.size()) == zero)
      text.remove_suffix(zero.size());
  if (text.empty() || text.size() > 9) return std::nullopt;
  long v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return negative ? -v : v;
}

std::string RangeProblem(std::string_view text, long low, long high, const char* message) {
  if (platform::Trim(text).empty()) return std::string();
  const std::optional<long> v = WholeNumber(text);
  return v && *v >= low && *v <= high ? std::string() : std::string(message);
}

bool AllDigits(std::string_view text) {
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return !text.empty();
}

std::string TwoDigits(int v) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", v);
  return text;
}

}  // namespace

std::string YearProblem(std::string_view text) {
  return RangeProblem(text, 1880, 2100, "L'année doit être un nombre de 1880 à 2100.");
}

std::string NoteProblem(std::string_view text) {
  return RangeProblem(text, 0, 10, "La note doit être un nombre entier de 0 à 10.");
}

std::string DiscsProblem(std::string_view text) {
  return RangeProblem(text, 0, 99, "Le nombre de CD doit être un nombre entier de 0 à 99.");
}

int EanCheckDigit(std::string_view digits) {
  // Weights 3 and 1 from the digit next to the check digit leftwards.
  int sum = 0;
  for (size_t i = 0; i < digits.size(); ++i) {
    const int weight = (digits.size() - i) % 2 ? 3 : 1;
    sum += (digits[i] - '0') * weight;
  }
  return (10 - sum % 10) % 10;
}

std::string EanProblem(std::string_view text) {
  text = platform::Trim(text);
  if (text.empty()) return std::string();
  if (!AllDigits(text) || (text.size() != 8 && text.size() != 13))
    return "Un code EAN compte 8 ou 13 chiffres, sans autre signe.";
  const int expected = EanCheckDigit(text.substr(0, text.size() - 1));
  if (text.back() - '0' != expected)
    return "Le dernier chiffre du code EAN (la clé) devrait être " + std::to_string(expected) +
           " : vérifiez le code.";
  return std::string();
}

std::optional<std::string> StoredDuration(std::string_view text) {
  std::string t(platform::Trim(text));
  if (t.empty()) return std::nullopt;
  // Numbers and what separates them: "1:30:00", "1h30", "1 h 30 min", "95".
  int parts[3] = {0, 0, 0};
  int count = 0;
  bool hours = false, inNumber = false;
  std::string rest;
  for (size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if (c >= '0' && c <= '9') {
      if (!inNumber) {
        if (count == 3) return std::nullopt;
        ++count;
        inNumber = true;
      }
      parts[count - 1] = parts[count - 1] * 10 + (c - '0');
      if (parts[count - 1] > 9999) return std::nullopt;
    } else {
      inNumber = false;
      if (c == 'h' || c == 'H') hours = true;
      if (c != ':' && c != ' ' && c != 'h' && c != 'H' && c != '\'' && c != '"')
        rest += static_cast<char>(c | 0x20);
    }
  }
  if (count == 0 || (!rest.empty() && rest != "min" && rest != "mn" && rest != "m" && rest != "s" &&
                     rest != "mins"))
    return std::nullopt;
  int h = 0, m = 0, s = 0;
  if (count == 1 && !hours) {
    m = parts[0];  // minutes alone
    h = m / 60;
    m %= 60;
  } else if (count == 1) {
    h = parts[0];
  } else if (count == 2) {
    h = parts[0];
    m = parts[1];
  } else {
    h = parts[0];
    m = parts[1];
    s = parts[2];
  }
  if (m > 59 || s > 59 || h > 23) return std::nullopt;
  return TwoDigits(h) + ":" + TwoDigits(m) + ":" + TwoDigits(s);
}

std::optional<std::string> StoredDate(std::string_view text) {
  std::string t(platform::Trim(text));
  // The time a spreadsheet may add after the day is left out.
  if (const size_t space = t.find_first_of(" T"); space != std::string::npos && space >= 6)
    t.resize(space);
  int a = 0, b = 0, c = 0;
  char s1 = 0, s2 = 0;
  int used = 0;
  if (std::sscanf(t.c_str(), "%d%c%d%c%d%n", &a, &s1, &b, &s2, &c, &used) != 5 ||
      used != static_cast<int>(t.size()) || s1 != s2 || (s1 != '-' && s1 != '/' && s1 != '.'))
    return std::nullopt;
  int y, mo, d;
  if (t.find_first_of("-/.") == 4) {
    y = a, mo = b, d = c;
  } else {
    d = a, mo = b, y = c;
    if (t.size() - t.find_last_of("-/.") - 1 == 2) y += y < 50 ? 2000 : 1900;
  }
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > kDays[mo - 1]) return std::nullopt;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (mo == 2 && d == 29 && !leap) return std::nullopt;
  char out[48];
  std::snprintf(out, sizeof out, "%04d-%02d-%02d", y, mo, d);
  return std::string(out);
}

std::optional<bool> YesNo(std::string_view text) {
  const std::string_view t = platform::Trim(text);
  for (const char* yes : {"1", "x", "oui", "o", "vrai", "v", "true", "t", "yes", "y", "vu"})
    if (platform::EqualsNoCase(t, yes)) return true;
  for (const char* no : {"0", "non", "n", "faux", "f", "false", "no", ""})
    if (platform::EqualsNoCase(t, no)) return false;
  return std::nullopt;
}

}  // namespace kvn::catalogue
