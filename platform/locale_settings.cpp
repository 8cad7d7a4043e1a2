#include "platform/locale_settings.h"

#include <langinfo.h>
#include <locale.h>

#include <cstring>

#include "platform/codepage.h"

namespace kvn::platform {
namespace {

// A strftime date or time format as a picture of FormatDateTime; the separator
// found between numbers becomes the placeholder "/" (dates) or ":" (times).
std::string PictureFromStrftime(const std::string& fmt, char placeholder, char& separator,
                                bool& twelveHour) {
  std::string out;
  for (size_t i = 0; i < fmt.size(); ++i) {
    char c = fmt[i];
    if (c != '%') {
      if (c == '/' || c == '.' || c == '-' || c == ':') {
        separator = c;
        out += placeholder;
      } else {
        out += c;
      }
      continue;
    }
    if (++i >= fmt.size()) break;
    char f = fmt[i];
    while ((f == '-' || f == '_' || f == '0' || f == 'E' || f == 'O') && i + 1 < fmt.size())
      f = fmt[++i];
    switch (f) {
      case 'd':
        out += "dd";
        break;
      case 'e':
        out += "d";
        break;
      case 'm':
        out += "mm";
        break;
      case 'Y':
        out += "yyyy";
        break;
      case 'y':
        out += "yy";
        break;
      case 'b':
      case 'h':
        out += "mmm";
        break;
      case 'B':
        out += "mmmm";
        break;
      case 'a':
        out += "ddd";
        break;
      case 'A':
        out += "dddd";
        break;
      case 'H':
        out += "hh";
        break;
      case 'k':
        out += "h";
        break;
      case 'I':
        out += "hh";
        twelveHour = true;
        break;
      case 'l':
        out += "h";
        twelveHour = true;
        break;
      case 'M':
        out += "nn";
        break;
      case 'S':
        out += "ss";
        break;
      case 'p':
        out += "ampm";
        twelveHour = true;
        break;
      case 'T':
        out += "hh:nn:ss";
        separator = ':';
        break;
      case 'R':
        out += "hh:nn";
        separator = ':';
        break;
      case 'D':
        out += "mm/dd/yy";
        separator = '/';
        break;
      case 'F':
        out += "yyyy/mm/dd";
        separator = '-';
        break;
      case '%':
        out += '%';
        break;
      default:
        break;
    }
  }
  return out;
}

std::string Item(locale_t loc, nl_item item) {
  return Utf8ToCp1252(nl_langinfo_l(item, loc));
}

}  // namespace

LocaleSettings LocaleSettings::French() {
  LocaleSettings s;
  s.shortMonthNames = {"janv.",
                       "f\xE9vr.",
                       "mars",
                       "avr.",
                       "mai",
                       "juin",
                       "juil.",
                       "ao\xFBt",
                       "sept.",
                       "oct.",
                       "nov.",
                       "d\xE9"
                       "c."};
  s.longMonthNames = {"janvier",
                      "f\xE9vrier",
                      "mars",
                      "avril",
                      "mai",
                      "juin",
                      "juillet",
                      "ao\xFBt",
                      "septembre",
                      "octobre",
                      "novembre",
                      "d\xE9"
                      "cembre"};
  s.shortDayNames = {"dim.", "lun.", "mar.", "mer.", "jeu.", "ven.", "sam."};
  s.longDayNames = {"dimanche", "lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi"};
  return s;
}

LocaleSettings LocaleSettings::FromEnvironment() {
  LocaleSettings s = French();
  const char* names[] = {getenv("LC_ALL"), getenv("LC_TIME"), getenv("LANG")};
  const char* chosen = nullptr;
  for (const char* n : names) {
    if (n && *n) {
      chosen = n;
      break;
    }
  }
  if (!chosen || std::strcmp(chosen, "C") == 0 || std::strcmp(chosen, "POSIX") == 0 ||
      std::strncmp(chosen, "C.", 2) == 0)
    return s;
  locale_t loc = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
  if (!loc) return s;

  std::string radix = Item(loc, RADIXCHAR);
  if (radix.size() == 1) s.decimalSeparator = radix[0];
  std::string thousands = Item(loc, THOUSEP);
  s.thousandSeparator = thousands.size() == 1 ? thousands[0] : '\0';
  if (s.thousandSeparator == '\0') s.thousandSeparator = s.decimalSeparator == ',' ? '\xA0' : ',';
  s.listSeparator = s.decimalSeparator == ',' ? ';' : ',';

  bool twelve = false;
  char dateSep = '/';
  s.shortDateFormat = PictureFromStrftime(nl_langinfo_l(D_FMT, loc), '/', dateSep, twelve);
  s.dateSeparator = dateSep;
  char timeSep = ':';
  twelve = false;
  std::string longTime = PictureFromStrftime(nl_langinfo_l(T_FMT, loc), ':', timeSep, twelve);
  s.longTimeFormat = longTime;
  s.timeSeparator = timeSep;
  std::string shortTime = longTime;
  size_t secs = shortTime.find(":ss");
  if (secs != std::string::npos) shortTime.erase(secs, 3);
  s.shortTimeFormat = shortTime;
  s.timeAMString = Item(loc, AM_STR);
  s.timePMString = Item(loc, PM_STR);
  if (s.timeAMString.empty()) s.timeAMString = "AM";
  if (s.timePMString.empty()) s.timePMString = "PM";

  for (int i = 0; i < 12; ++i) {
    s.longMonthNames[i] = Item(loc, static_cast<nl_item>(MON_1 + i));
    s.shortMonthNames[i] = Item(loc, static_cast<nl_item>(ABMON_1 + i));
  }
  for (int i = 0; i < 7; ++i) {
    s.longDayNames[i] = Item(loc, static_cast<nl_item>(DAY_1 + i));
    s.shortDayNames[i] = Item(loc, static_cast<nl_item>(ABDAY_1 + i));
  }
  // CRNCYSTR: "-" before, "+" after, "." in place of the decimal point.
  std::string currency = nl_langinfo_l(CRNCYSTR, loc);
  if (!currency.empty()) {
    char pos = currency[0];
    std::string symbol = Utf8ToCp1252(currency.substr(1));
    if (!symbol.empty()) {
      s.currencyString = symbol;
      s.currencyFormat = pos == '-' ? 2 : 3;
    }
  }
  freelocale(loc);
  return s;
}

LocaleSettings& LocaleSettings::Mutable() {
  static LocaleSettings settings = FromEnvironment();
  return settings;
}

const LocaleSettings& LocaleSettings::Current() {
  return Mutable();
}

DecimalSeparatorScope::DecimalSeparatorScope(char separator)
    : m_previous(LocaleSettings::Current().decimalSeparator) {
  LocaleSettings::Mutable().decimalSeparator = separator;
}

DecimalSeparatorScope::~DecimalSeparatorScope() {
  LocaleSettings::Mutable().decimalSeparator = m_previous;
}

}  // namespace kvn::platform
