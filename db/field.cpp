#include "db/field.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "db/dataset.h"
#include "platform/codepage.h"
#include "platform/conversions.h"
#include "platform/error.h"
#include "platform/format.h"
#include "platform/strings.h"

namespace kvn::db {

using platform::LocaleSettings;
using platform::TDateTime;

FieldType FieldTypeFromDeclaration(std::string_view declared, int& size) {
  size = 0;
  std::string upper = platform::AsciiUpperCopy(platform::Trim(declared));
  size_t paren = upper.find('(');
  std::string base = std::string(platform::Trim(upper.substr(0, paren)));
  if (paren != std::string::npos) size = std::atoi(upper.c_str() + paren + 1);
  auto is = [&](std::initializer_list<const char*> names) {
    for (const char* n : names)
      if (base == n) return true;
    return false;
  };
  if (is({"VARCHAR", "CHAR", "CHARACTER", "NVARCHAR", "NCHAR", "STRING", "VARYING CHARACTER"})) {
    if (size <= 0) size = 255;
    return FieldType::String;
  }
  size = 0;
  if (is({"TEXT", "MEMO", "CLOB"})) return FieldType::Memo;
  if (is({"BLOB", "BINARY", "GRAPHIC", "VARBINARY"})) return FieldType::Blob;
  if (is({"TIME"})) return FieldType::Time;
  if (is({"DATE"})) return FieldType::Date;
  if (is({"DATETIME", "TIMESTAMP"})) return FieldType::DateTime;
  if (is({"NUMERIC", "FLOAT", "REAL", "DOUBLE", "DOUBLE PRECISION", "DECIMAL", "NUMBER"}))
    return FieldType::Float;
  if (is({"MONEY", "CURRENCY"})) return FieldType::Currency;
  if (is({"SMALLINT", "SHORT", "TINYINT"})) return FieldType::SmallInt;
  if (is({"BIGINT", "INT8"})) return FieldType::LargeInt;
  if (is({"INTEGER", "INT", "LONG", "MEDIUMINT"})) return FieldType::Integer;
  if (is({"BOOLEAN", "BOOL", "LOGICAL"})) return FieldType::Boolean;
  return FieldType::Unknown;
}

const char* FieldTypeName(FieldType type) {
  switch (type) {
    case FieldType::String:
      return "String";
    case FieldType::SmallInt:
      return "SmallInt";
    case FieldType::Integer:
      return "Integer";
    case FieldType::Word:
      return "Word";
    case FieldType::Boolean:
      return "Boolean";
    case FieldType::Float:
      return "Float";
    case FieldType::Currency:
      return "Currency";
    case FieldType::BCD:
      return "BCD";
    case FieldType::Date:
      return "Date";
    case FieldType::Time:
      return "Time";
    case FieldType::DateTime:
      return "DateTime";
    case FieldType::Blob:
      return "Blob";
    case FieldType::Memo:
      return "Memo";
    case FieldType::AutoInc:
      return "AutoInc";
    case FieldType::LargeInt:
      return "LargeInt";
    case FieldType::WideString:
      return "WideString";
    default:
      return "Unknown";
  }
}

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
int Digits2(const std::string& s, size_t at) {
  return (s[at] - '0') * 10 + (s[at + 1] - '0');
}

// "YYYY-MM-DD" as stored.
std::optional<TDateTime> StoredDate(const std::string& s) {
  if (s.size() < 10 || !IsDigit(s[0]) || !IsDigit(s[1]) || !IsDigit(s[2]) || !IsDigit(s[3]) ||
      s[4] != '-' || !IsDigit(s[5]) || !IsDigit(s[6]) || s[7] != '-' || !IsDigit(s[8]) ||
      !IsDigit(s[9]))
    return std::nullopt;
  int y = Digits2(s, 0) * 100 + Digits2(s, 2);
  return platform::TryEncodeDate(y, Digits2(s, 5), Digits2(s, 8));
}

// "HH:MM[:SS[.fff]]" as stored.
std::optional<TDateTime> StoredTime(std::string_view s) {
  auto two = [&](size_t at) -> int {
    if (at + 1 >= s.size() || !IsDigit(s[at]) || !IsDigit(s[at + 1])) return -1;
    return (s[at] - '0') * 10 + (s[at + 1] - '0');
  };
  int h = two(0);
  if (h < 0 || s.size() < 5 || s[2] != ':') return std::nullopt;
  int m = two(3);
  if (m < 0) return std::nullopt;
  int sec = 0, ms = 0;
  size_t i = 5;
  if (i < s.size() && s[i] == ':') {
    sec = two(i + 1);
    if (sec < 0) return std::nullopt;
    i += 3;
    if (i < s.size() && s[i] == '.') {
      int scale = 100;
      for (++i; i < s.size() && IsDigit(s[i]); ++i) {
        ms += (s[i] - '0') * scale;
        scale /= 10;
      }
    }
  }
  if (i != s.size()) return std::nullopt;
  return platform::TryEncodeTime(h, m, sec, ms);
}

std::string Locale(const std::string& cp1252) {
  return platform::Cp1252ToUtf8(cp1252);
}

std::string IntegerText(const Value& v) {
  switch (v.kind) {
    case Value::Kind::Integer:
      return std::to_string(v.i);
    case Value::Kind::Float:
      if (std::trunc(v.f) == v.f && std::fabs(v.f) < 9e18)
        return std::to_string(static_cast<int64_t>(v.f));
      return Locale(platform::FloatToStr(v.f));
    default:
      return v.s;
  }
}

std::string FloatText(const Value& v) {
  switch (v.kind) {
    case Value::Kind::Integer:
      return std::to_string(v.i);
    case Value::Kind::Float:
      return Locale(platform::FloatToStr(v.f));
    default: {
      char* end = nullptr;
      double d = std::strtod(v.s.c_str(), &end);
      if (!v.s.empty() && end && *end == '\0') return Locale(platform::FloatToStr(d));
      return v.s;
    }
  }
}

std::string DateText(const Value& v) {
  const LocaleSettings& ls = LocaleSettings::Current();
  if (v.kind == Value::Kind::Text) {
    auto d = StoredDate(v.s);
    if (!d) return v.s;
    if (ls.shortDateFormat == "dd/mm/yyyy") {
      std::string out = "dd/mm/yyyy";
      out[0] = v.s[8], out[1] = v.s[9], out[2] = ls.dateSeparator;
      out[3] = v.s[5], out[4] = v.s[6], out[5] = ls.dateSeparator;
      out[6] = v.s[0], out[7] = v.s[1], out[8] = v.s[2], out[9] = v.s[3];
      return Locale(out);
    }
    return Locale(platform::DateToStr(*d));
  }
  double days = v.kind == Value::Kind::Integer ? static_cast<double>(v.i) : v.f;
  return Locale(platform::DateToStr(days));
}

std::string TimeText(const Value& v) {
  const LocaleSettings& ls = LocaleSettings::Current();
  if (v.kind == Value::Kind::Text) {
    if (v.s.size() == 8 && v.s[2] == ':' && v.s[5] == ':' && ls.longTimeFormat == "hh:nn:ss" &&
        ls.timeSeparator == ':' && StoredTime(v.s))
      return v.s;
    auto t = StoredTime(v.s);
    if (!t) return v.s;
    return Locale(platform::TimeToStr(*t));
  }
  double t = v.kind == Value::Kind::Integer ? static_cast<double>(v.i) : v.f;
  return Locale(platform::TimeToStr(t));
}

std::optional<TDateTime> StoredDateTime(const std::string& s) {
  auto d = StoredDate(s);
  if (!d) return StoredTime(s);
  if (s.size() == 10) return d;
  if (s.size() > 11 && (s[10] == ' ' || s[10] == 'T')) {
    auto t = StoredTime(std::string_view(s).substr(11));
    if (t) return *d + *t;
  }
  return std::nullopt;
}

std::string DateTimeText(const Value& v) {
  if (v.kind == Value::Kind::Text) {
    auto dt = StoredDateTime(v.s);
    if (!dt) return v.s;
    return Locale(platform::DateTimeToStr(*dt));
  }
  double x = v.kind == Value::Kind::Integer ? static_cast<double>(v.i) : v.f;
  return Locale(platform::DateTimeToStr(x));
}

std::string BooleanText(const Value& v) {
  if (v.kind == Value::Kind::Integer) return v.i ? "True" : "False";
  if (v.kind == Value::Kind::Float) return v.f != 0 ? "True" : "False";
  return v.s;
}

std::string StoredDateText(TDateTime d) {
  auto p = platform::DecodeDate(d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", p.year, p.month, p.day);
  return buf;
}

std::string StoredTimeText(TDateTime t) {
  auto p = platform::DecodeTime(t);
  char buf[32];
  if (p.msec)
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", p.hour, p.minute, p.second, p.msec);
  else
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", p.hour, p.minute, p.second);
  return buf;
}

// Keeps at most `chars` UTF-8 characters.
std::string TruncateUtf8(std::string_view text, int chars) {
  if (chars <= 0) return std::string(text);
  size_t pos = 0;
  int count = 0;
  while (pos < text.size() && count < chars) {
    platform::DecodeUtf8(text, pos);
    ++count;
  }
  return std::string(text.substr(0, pos));
}

}  // namespace

void FormatFieldValueInto(FieldType type, const Value& value, std::string& out) {
  // Text values are copied into out's storage; the other types are formatted.
  if (value.kind == Value::Kind::Text || value.kind == Value::Kind::Blob) {
    switch (type) {
      case FieldType::String:
      case FieldType::WideString:
      case FieldType::Memo:
      case FieldType::Blob:
      case FieldType::Unknown:
        out.assign(value.s);
        return;
      default:
        break;
    }
  }
  if (value.IsNull()) {
    out.clear();
    return;
  }
  out = FormatFieldValue(type, value);
}

std::string FormatFieldValue(FieldType type, const Value& value) {
  if (value.IsNull()) return std::string();
  switch (type) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::AutoInc:
    case FieldType::LargeInt:
      return IntegerText(value);
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD:
      return FloatText(value);
    case FieldType::Date:
      return DateText(value);
    case FieldType::Time:
      return TimeText(value);
    case FieldType::DateTime:
      return DateTimeText(value);
    case FieldType::Boolean:
      return BooleanText(value);
    default:
      if (value.kind == Value::Kind::Integer) return std::to_string(value.i);
      if (value.kind == Value::Kind::Float) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.15g", value.f);
        return buf;
      }
      return value.s;
  }
}

Value ParseFieldText(const FieldDef& def, std::string_view text) {
  using platform::ConversionKind;
  if (text.empty()) return Value::Null();
  // Conversions work on the 8-bit text; messages show the text as typed.
  const LocaleSettings& ls = LocaleSettings::Current();
  switch (def.type) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::AutoInc:
    case FieldType::LargeInt: {
      auto v = platform::TryStrToInt64(text);
      if (!v) platform::ThrowConversionError(ConversionKind::Integer, text);
      return Value::Integer(*v);
    }
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD: {
      auto v = platform::TryStrToFloat(platform::Utf8ToCp1252(text), ls);
      if (!v) platform::ThrowConversionError(ConversionKind::Float, text);
      return Value::Float(*v);
    }
    case FieldType::Date: {
      auto v = platform::TryStrToDate(platform::Utf8ToCp1252(text), ls);
      if (!v) platform::ThrowConversionError(ConversionKind::Date, text);
      return Value::Text(StoredDateText(*v));
    }
    case FieldType::Time: {
      auto v = platform::TryStrToTime(platform::Utf8ToCp1252(text), ls);
      if (!v) platform::ThrowConversionError(ConversionKind::Time, text);
      return Value::Text(StoredTimeText(*v));
    }
    case FieldType::DateTime: {
      auto v = platform::TryStrToDateTime(platform::Utf8ToCp1252(text), ls);
      if (!v) platform::ThrowConversionError(ConversionKind::DateTime, text);
      std::string stored = StoredDateText(*v);
      if (*v != std::trunc(*v)) stored += " " + StoredTimeText(*v);
      return Value::Text(stored);
    }
    case FieldType::Boolean: {
      std::string_view t = platform::Trim(text);
      for (const char* yes : {"True", "Vrai", "1", "T", "V", "Oui"})
        if (platform::EqualsNoCase(t, yes)) return Value::Integer(1);
      for (const char* no : {"False", "Faux", "0", "F", "Non"})
        if (platform::EqualsNoCase(t, no)) return Value::Integer(0);
      throw Error(platform::Subst("'%s' n'est pas une valeur booléenne correcte", {text}));
    }
    case FieldType::String:
    case FieldType::WideString:
      return Value::Text(TruncateUtf8(text, def.size));
    case FieldType::Blob:
      return Value::Blob(std::string(text));
    default:
      return Value::Text(std::string(text));
  }
}

Field::Field(DataSet* dataSet, int index, FieldDef def)
    : m_dataSet(dataSet), m_index(index), m_def(std::move(def)) {}

const std::string& Field::DisplayLabel() const {
  return m_displayLabel.empty() ? m_def.name : m_displayLabel;
}

int Field::DisplayWidth() const {
  if (m_displayWidth >= 0) return m_displayWidth;
  switch (m_def.type) {
    case FieldType::String:
    case FieldType::WideString:
      return m_def.size;
    case FieldType::Boolean:
      return 5;
    default:
      return 10;
  }
}

const Value& Field::RawValue() const {
  return m_dataSet->CurrentValue(m_index);
}

bool Field::IsNull() const {
  return RawValue().IsNull();
}

std::string Field::AsString() const {
  return FormatFieldValue(m_def.type, RawValue());
}

std::optional<double> Field::AsFloat() const {
  const Value& v = RawValue();
  switch (v.kind) {
    case Value::Kind::Integer:
      return static_cast<double>(v.i);
    case Value::Kind::Float:
      return v.f;
    case Value::Kind::Text: {
      if (auto dt = AsDateTime()) return *dt;
      char* end = nullptr;
      double d = std::strtod(v.s.c_str(), &end);
      if (!v.s.empty() && end && *end == '\0') return d;
      return std::nullopt;
    }
    default:
      return std::nullopt;
  }
}

std::optional<int64_t> Field::AsInteger() const {
  auto f = AsFloat();
  if (!f) return std::nullopt;
  const Value& v = RawValue();
  if (v.kind == Value::Kind::Integer) return v.i;
  return static_cast<int64_t>(std::llround(*f));
}

std::optional<TDateTime> Field::AsDateTime() const {
  const Value& v = RawValue();
  if (v.kind == Value::Kind::Text) {
    switch (m_def.type) {
      case FieldType::Date:
        return StoredDate(v.s);
      case FieldType::Time:
        return StoredTime(v.s);
      case FieldType::DateTime:
        return StoredDateTime(v.s);
      default:
        return std::nullopt;
    }
  }
  if (v.kind == Value::Kind::Integer) return static_cast<double>(v.i);
  if (v.kind == Value::Kind::Float) return v.f;
  return std::nullopt;
}

void Field::SetText(std::string_view text) {
  m_dataSet->CheckFieldWritable(*this);
  m_dataSet->SetPendingValue(m_index, ParseFieldText(m_def, text));
}

void Field::SetValue(Value value) {
  m_dataSet->CheckFieldWritable(*this);
  m_dataSet->SetPendingValue(m_index, std::move(value));
}

}  // namespace kvn::db
