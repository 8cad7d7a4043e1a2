#include "export/columns.h"

#include <algorithm>

#include "platform/codepage.h"
#include "platform/conversions.h"
#include "platform/error.h"
#include "platform/format.h"
#include "platform/locale_settings.h"
#include "platform/strings.h"

namespace kvn::exporting {

using platform::LocaleSettings;

const char* ColTypeName(TQExportColType type) {
  switch (type) {
    case TQExportColType::Integer:
      return "Integer";
    case TQExportColType::Float:
      return "Float";
    case TQExportColType::Currency:
      return "Currency";
    case TQExportColType::Date:
      return "Date";
    case TQExportColType::Time:
      return "Time";
    case TQExportColType::DateTime:
      return "DateTime";
    case TQExportColType::String:
      return "String";
    case TQExportColType::Boolean:
      return "Boolean";
    case TQExportColType::Unknown:
      return "Unknown";
  }
  return "Unknown";
}

// ----------------------------------------------------------------- formats

namespace {

struct FormatDefaults {
  std::string date, time, dateTime, currency;
};

// Taken once, at first use, from the locale settings.
const FormatDefaults& Defaults() {
  static const FormatDefaults d = [] {
    const LocaleSettings& s = LocaleSettings::Current();
    FormatDefaults f;
    f.date = s.shortDateFormat;
    f.time = s.shortTimeFormat;
    f.dateTime = s.shortDateFormat + " " + s.shortTimeFormat;
    const std::string number = "#,###,##0.00";
    switch (s.currencyFormat) {
      case 0:
        f.currency = s.currencyString + number;
        break;
      case 1:
        f.currency = number + s.currencyString;
        break;
      case 2:
        f.currency = s.currencyString + " " + number;
        break;
      default:
        f.currency = number + " " + s.currencyString;
        break;
    }
    // The locale's words are Windows-1252; the engine's text is UTF-8.
    for (std::string* t : {&f.date, &f.time, &f.dateTime, &f.currency})
      *t = platform::Cp1252ToUtf8(*t);
    return f;
  }();
  return d;
}

}  // namespace

std::string TQExportFormats::DefaultInteger() {
  return "#,###,##0";
}
std::string TQExportFormats::DefaultFloat() {
  return "#,###,##0.00";
}
std::string TQExportFormats::DefaultDate() {
  return Defaults().date;
}
std::string TQExportFormats::DefaultTime() {
  return Defaults().time;
}
std::string TQExportFormats::DefaultDateTime() {
  return Defaults().dateTime;
}
std::string TQExportFormats::DefaultCurrency() {
  return Defaults().currency;
}

TQExportFormats::TQExportFormats()
    : m_integer(DefaultInteger()),
      m_float(DefaultFloat()),
      m_date(DefaultDate()),
      m_time(DefaultTime()),
      m_dateTime(DefaultDateTime()),
      m_currency(DefaultCurrency()),
      m_true("true"),
      m_false("false") {}

void TQExportFormats::SetIntegerFormat(std::string_view v) {
  m_integer = v.empty() ? DefaultInteger() : std::string(v);
}
void TQExportFormats::SetFloatFormat(std::string_view v) {
  m_float = v.empty() ? DefaultFloat() : std::string(v);
}
void TQExportFormats::SetDateFormat(std::string_view v) {
  m_date = v.empty() ? DefaultDate() : std::string(v);
}
void TQExportFormats::SetTimeFormat(std::string_view v) {
  m_time = v.empty() ? DefaultTime() : std::string(v);
}
void TQExportFormats::SetDateTimeFormat(std::string_view v) {
  m_dateTime = v.empty() ? DefaultDateTime() : std::string(v);
}
void TQExportFormats::SetCurrencyFormat(std::string_view v) {
  m_currency = v.empty() ? DefaultCurrency() : std::string(v);
}
void TQExportFormats::SetBooleanTrue(std::string_view v) {
  m_true = v.empty() ? "true" : std::string(v);
}
void TQExportFormats::SetBooleanFalse(std::string_view v) {
  m_false = v.empty() ? "false" : std::string(v);
}
void TQExportFormats::SetNullString(std::string_view v) {
  m_null = std::string(platform::Trim(v));
}

void TQExportFormats::Assign(const TQExportFormats& o) {
  SetIntegerFormat(o.m_integer);
  SetFloatFormat(o.m_float);
  SetDateFormat(o.m_date);
  SetTimeFormat(o.m_time);
  SetDateTimeFormat(o.m_dateTime);
  SetCurrencyFormat(o.m_currency);
  SetBooleanTrue(o.m_true);
  SetBooleanFalse(o.m_false);
  SetNullString(o.m_null);
}

// ----------------------------------------------------------------- columns

namespace {

TQExportColType TypeOfField(db::FieldType t) {
  using db::FieldType;
  switch (t) {
    case FieldType::String:
    case FieldType::Memo:
    case FieldType::Blob:
    case FieldType::WideString:
      return TQExportColType::String;
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::AutoInc:
    case FieldType::LargeInt:
      return TQExportColType::Integer;
    case FieldType::Boolean:
      return TQExportColType::Boolean;
    case FieldType::Float:
    case FieldType::BCD:
      return TQExportColType::Float;
    case FieldType::Currency:
      return TQExportColType::Currency;
    case FieldType::Date:
      return TQExportColType::Date;
    case FieldType::Time:
      return TQExportColType::Time;
    case FieldType::DateTime:
      return TQExportColType::DateTime;
    default:
      return TQExportColType::Unknown;
  }
}

std::string SqlTypeOfField(const db::Field& f) {
  using db::FieldType;
  switch (f.DataType()) {
    case FieldType::String:
    case FieldType::WideString:
      return "CHAR(" + std::to_string(f.Size()) + ")";
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::Boolean:
    case FieldType::LargeInt:
    // An auto-increment field holds integers too: a table statement says so.
    case FieldType::AutoInc:
      return "INTEGER";
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD:
      return "DOUBLE PRECISION";
    case FieldType::Date:
    case FieldType::DateTime:
      return "DATE";
    case FieldType::Time:
      return "TIME";
    case FieldType::Blob:
    case FieldType::Memo:
      return "BLOB";
    default:
      return "UNKNOWN";
  }
}

int WholeNumber(const std::string& text, int fallback) {
  auto v = platform::TryStrToInt(text);
  return v ? *v : fallback;
}

const TQExportFormats& DefaultFormats() {
  static const TQExportFormats f;
  return f;
}

}  // namespace

TQExportColType TQExportColumns::GuessType(const std::string& text) const {
  const TQExportFormats& f = m_read.Formats ? *m_read.Formats : DefaultFormats();
  if (text.empty()) return TQExportColType::String;
  if (platform::EqualsNoCase(text, f.BooleanTrue()) ||
      platform::EqualsNoCase(text, f.BooleanFalse()))
    return TQExportColType::Boolean;
  if (platform::TryStrToInt(text)) return TQExportColType::Integer;
  if (platform::TryStrToFloat(text)) return TQExportColType::Float;
  if (auto dt = platform::TryStrToDateTime(text)) {
    double whole = static_cast<double>(static_cast<int64_t>(*dt));
    if (*dt == whole) return TQExportColType::Date;
    if (whole == 0) return TQExportColType::Time;
    return TQExportColType::DateTime;
  }
  return TQExportColType::String;
}

void TQExportColumns::Fill(bool allowBlobs) {
  m_read = ColumnOptions();
  m_options(m_read);
  const SourceAccess& src = m_read.Source;
  const bool hasFields = m_read.ExportedFields && !m_read.ExportedFields->Empty();

  // A default source has no columns.
  const SourceReader* reader = src.HasReader() ? &src.Reader() : nullptr;
  int n = 0;
  if (hasFields)
    n = static_cast<int>(m_read.ExportedFields->Count());
  else if (reader)
    n = reader->ColumnCount();

  // 3. The candidates and their source indexes.
  for (int i = 0; i < n; ++i) {
    int index = -1;
    if (hasFields) {
      const std::string& name = (*m_read.ExportedFields)[static_cast<size_t>(i)];
      index = reader ? reader->ColumnNamed(name, m_read.OnlyVisibleFields) : -1;
    } else if (reader->Candidate(i, allowBlobs, m_read.MemoFields, m_read.OnlyVisibleFields)) {
      index = i;
    }
    if (index >= 0) {
      TQExportColumn c;
      c.Columns = this;
      c.ColIndex = index;
      m_columns.push_back(c);
    }
  }

  // 4. The attributes, in their order.
  for (TQExportColumn& c : m_columns) {
    db::Field* field = src.FieldOf(c.ColIndex);
    c.Name = reader->ColumnName(c.ColIndex);
    if (reader->HasFields()) {
      c.ColType = field ? TypeOfField(field->DataType()) : TQExportColType::Unknown;
    } else if (!m_read.AutoCalcStrType) {
      c.ColType = TQExportColType::String;
    } else if (const std::optional<std::string> sample = reader->TypeSample(c.ColIndex)) {
      c.ColType = GuessType(*sample);
    }

    if (m_read.Captions && m_read.Captions->HasName(c.Name))
      c.Caption = m_read.Captions->Value(c.Name);
    else
      c.Caption = reader->ColumnCaption(c.ColIndex, m_read.CaptionRow);

    if (m_read.ColumnsWidth && m_read.ColumnsWidth->HasName(c.Name))
      c.Width = WholeNumber(m_read.ColumnsWidth->Value(c.Name), 0);
    else
      c.Width = reader->ColumnWidth(c.ColIndex);

    if (m_read.Formats) {
      const TQExportFormats& f = *m_read.Formats;
      switch (c.ColType) {
        case TQExportColType::Integer:
          c.Format = f.IntegerFormat();
          break;
        case TQExportColType::Float:
          c.Format = f.FloatFormat();
          break;
        case TQExportColType::Currency:
          c.Format = f.CurrencyFormat();
          break;
        case TQExportColType::Date:
          c.Format = f.DateFormat();
          break;
        case TQExportColType::Time:
          c.Format = f.TimeFormat();
          break;
        case TQExportColType::DateTime:
          c.Format = f.DateTimeFormat();
          break;
        default:
          break;
      }
    }
    if (m_read.UserFormats && m_read.UserFormats->HasName(c.Name))
      c.Format = m_read.UserFormats->Value(c.Name);

    if (m_read.ColumnsAlign && m_read.ColumnsAlign->HasName(c.Name)) {
      std::string v = m_read.ColumnsAlign->Value(c.Name);
      char first = v.empty() ? ' ' : platform::AsciiUpper(v[0]);
      c.ColAlign = first == 'C'   ? TQExportColAlign::ecaCenter
                   : first == 'R' ? TQExportColAlign::ecaRight
                                  : TQExportColAlign::ecaLeft;
    } else {
      switch (c.ColType) {
        case TQExportColType::Integer:
        case TQExportColType::Float:
        case TQExportColType::Currency:
          c.ColAlign = TQExportColAlign::ecaRight;
          break;
        case TQExportColType::Boolean:
          c.ColAlign = TQExportColAlign::ecaCenter;
          break;
        default:
          c.ColAlign = TQExportColAlign::ecaLeft;
          break;
      }
    }

    if (reader->HasFields()) {
      c.SQLType = field ? SqlTypeOfField(*field) : "UNKNOWN";
    } else {
      switch (c.ColType) {
        case TQExportColType::Float:
        case TQExportColType::Currency:
          c.SQLType = "DOUBLE PRECISION";
          break;
        case TQExportColType::Date:
        case TQExportColType::DateTime:
          c.SQLType = "DATE";
          break;
        case TQExportColType::Time:
          c.SQLType = "TIME";
          break;
        case TQExportColType::String:
          c.SQLType = "CHAR(" + std::to_string(c.Width) + ")";
          break;
        case TQExportColType::Integer:
        case TQExportColType::Boolean:
          c.SQLType = "INTEGER";
          break;
        case TQExportColType::Unknown:
          c.SQLType.clear();
          break;
      }
    }

    c.IsString = c.ColType == TQExportColType::String;
    if (c.IsString) {
      if (!reader->HasFields()) {
        c.Length = m_read.ColumnsLength && m_read.ColumnsLength->HasName(c.Name)
                       ? WholeNumber(m_read.ColumnsLength->Value(c.Name), 254)
                       : 254;
      } else {
        c.Length = field ? std::min(field->Size(), 254) : 254;
      }
    }
    c.IsNumericOrDate = static_cast<int>(c.ColType) <= static_cast<int>(TQExportColType::DateTime);
    c.IsNumeric = c.ColType == TQExportColType::Integer || c.ColType == TQExportColType::Float ||
                  c.ColType == TQExportColType::Currency;
    c.IsBlob = field ? field->IsBlob() : false;
    c.Visible = field ? field->Visible() : true;
  }
}

void TQExportColumns::AutoCalcColWidth() {
  // Widths in characters, as the file's readers count them.
  for (TQExportColumn& c : m_columns)
    c.Width = std::max(c.Width, static_cast<int>(platform::Utf8Length(c.Caption)));
  WidenToValues(std::vector<bool>(m_columns.size(), true), [](size_t, std::string_view raw) {
    return static_cast<int>(platform::Utf8Length(raw));
  });
}

void TQExportColumns::WidenToValues(
    const std::vector<bool>& which,
    const std::function<int(size_t column, std::string_view raw)>& measure) {
  SourceAccess& src = m_read.Source;
  SourceBookmark mark = src.GetBookmark();
  std::string cell;
  try {
    src.First();
    m_counter = 0;
    for (int i = 0; i < src.SkipRecCount() && !src.End(m_counter); ++i) src.Next(m_counter);
    m_counter = 0;
    const int limit = src.ExportRecCount();
    while (!src.End(m_counter) && (limit == 0 || m_counter < limit)) {
      for (size_t i = 0; i < m_columns.size(); ++i) {
        if (!which[i]) continue;
        TQExportColumn& c = m_columns[i];
        src.CellInto(c.ColIndex, m_counter, cell);
        c.Width = std::max(c.Width, measure(i, platform::Trim(cell)));
      }
      src.Next(m_counter);
      if (m_read.OnFetchedRecord) m_read.OnFetchedRecord(m_counter);
    }
  } catch (...) {
    src.GotoBookmark(mark);
    src.FreeBookmark(mark);
    throw;
  }
  src.GotoBookmark(mark);
  src.FreeBookmark(mark);
}

int TQExportColumns::IndexOfName(std::string_view name) const {
  for (size_t i = 0; i < m_columns.size(); ++i)
    if (platform::EqualsNoCase(m_columns[i].Name, name)) return static_cast<int>(i);
  return -1;
}

bool TQExportColumns::IsNull(int index) const {
  return m_read.Source.IsNull(m_columns[static_cast<size_t>(index)].ColIndex);
}

void TQExportColumns::ResetTags() {
  for (TQExportColumn& c : m_columns) c.Tag = 0;
}

bool TQExportColumns::HasBlobColumns() const {
  return std::any_of(m_columns.begin(), m_columns.end(),
                     [](const TQExportColumn& c) { return c.IsBlob; });
}

// ----------------------------------------------------------------- rows

namespace {

bool LessNoCase(const std::string& a, const std::string& b) {
  return platform::CompareNoCase(a, b) < 0;
}

}  // namespace

void TQExportRow::AddCol(const std::string& name, int columnIndex) {
  TQExportCol c;
  c.Name = std::string(platform::Trim(name));
  c.ColumnIndex = columnIndex;
  c.Row = this;
  m_cells.push_back(std::move(c));
}

void TQExportRow::IndexNames() {
  m_index.clear();
  for (size_t i = 0; i < m_cells.size(); ++i) {
    m_cells[i].Row = this;
    m_index.emplace_back(m_cells[i].Name, i);
  }
  std::stable_sort(m_index.begin(), m_index.end(),
                   [](const auto& a, const auto& b) { return LessNoCase(a.first, b.first); });
}

TQExportCol* TQExportRow::CellByName(std::string_view name) {
  auto it = std::lower_bound(
      m_index.begin(), m_index.end(), name,
      [](const auto& e, std::string_view n) { return platform::CompareNoCase(e.first, n) < 0; });
  if (it == m_index.end() || platform::CompareNoCase(it->first, name) != 0) return nullptr;
  return &m_cells[it->second];
}

void TQExportRow::SetValue(std::string_view name, std::string_view text) {
  if (TQExportCol* c = CellByName(name)) c->Value.assign(platform::Trim(text));
}

void TQExportRow::Clear() {
  m_cells.clear();
  m_index.clear();
}

ValueError::ValueError(std::string column, std::string reason)
    : kvn::Error(platform::Subst("Colonne « %s » : %s.", {column, reason})),
      m_column(std::move(column)),
      m_reason(std::move(reason)) {}

std::string ValueErrorMessage(const std::string& record, const ValueError& error) {
  return platform::Subst("%s ne peut pas être exporté : dans la colonne « %s », %s.",
                         {record, error.Column(), error.Reason()});
}

void ThrowValueError(const TQExportColumn& column, platform::ConversionKind kind,
                     const std::string& raw) {
  throw ValueError(column.Name, platform::ConversionMessage(kind, raw));
}

platform::ConversionKind DateConversionKind(TQExportColType type) {
  switch (type) {
    case TQExportColType::Date:
      return platform::ConversionKind::Date;
    case TQExportColType::Time:
      return platform::ConversionKind::Time;
    default:
      return platform::ConversionKind::DateTime;
  }
}

namespace {

// The platform's pictures and locale words (month names, the euro, the
// non-breaking thousands separator) are Windows-1252; the engine's text is
// UTF-8.
std::string Picture(const std::string& format) {
  return platform::IsAscii(format) ? format : platform::Utf8ToCp1252(format);
}
std::string Shown(std::string text) {
  return platform::IsAscii(text) ? text : platform::Cp1252ToUtf8(text);
}

}  // namespace

std::string FormatValue(const TQExportColumn& column, const std::string& raw,
                        const std::function<std::string(const std::string&)>& escape) {
  using platform::ConversionKind;
  auto esc = [&](const std::string& s) { return escape ? escape(s) : s; };
  switch (column.ColType) {
    case TQExportColType::Integer: {
      auto v = platform::TryStrToInt64(raw);
      if (!v) ThrowValueError(column, ConversionKind::Integer, raw);
      return esc(Shown(platform::FormatFloat(Picture(column.Format), static_cast<double>(*v))));
    }
    case TQExportColType::Float:
    case TQExportColType::Currency: {
      auto v = platform::TryStrToFloat(raw);
      if (!v) ThrowValueError(column, ConversionKind::Float, raw);
      return esc(Shown(platform::FormatFloat(Picture(column.Format), *v)));
    }
    case TQExportColType::Date:
    case TQExportColType::Time:
    case TQExportColType::DateTime: {
      auto v = platform::TryStrToDateTime(raw);
      if (!v) ThrowValueError(column, DateConversionKind(column.ColType), raw);
      return esc(Shown(platform::FormatDateTime(Picture(column.Format), *v)));
    }
    case TQExportColType::String:
      return esc(raw);
    default:
      return raw;
  }
}

std::string TQExportCol::GetExportedValue(bool formatted) {
  std::string result;
  GetExportedValue(formatted, result);
  return result;
}

void TQExportCol::GetExportedValue(bool formatted, std::string& result) {
  TQExportColumns& columns = Row->Columns();
  const TQExportColumn& column = columns[static_cast<size_t>(ColumnIndex)];
  auto escape = [&columns](const std::string& s) { return columns.EscapeText(s); };
  if (columns.IsNull(ColumnIndex))
    Value = columns.EscapeText(Row->Formats().NullString());
  else if (formatted && !(column.ColType == TQExportColType::String && !columns.Escapes()))
    Value = FormatValue(column, Value, escape);
  result.assign(Value);
  Row->GetColData(*this, result);
}

void FillRowFromSource(const SourceAccess& source, const TQExportColumns& columns,
                       const std::vector<TQExportCol*>& cells, int counter) {
  for (size_t i = 0; i < columns.Count(); ++i) {
    TQExportCol* cell = cells[i];
    if (!cell) continue;
    std::string& value = cell->Value;
    source.CellInto(columns[i].ColIndex, counter, value);
    size_t end = value.size();
    while (end > 0 && static_cast<unsigned char>(value[end - 1]) <= ' ') --end;
    value.resize(end);
    size_t begin = 0;
    while (begin < value.size() && static_cast<unsigned char>(value[begin]) <= ' ') ++begin;
    if (begin) value.erase(0, begin);
  }
}

std::string_view ShownValue(const TQExportColumns& columns, size_t i, std::string_view raw,
                            std::string_view nullString, std::string& buffer) {
  if (columns.IsNull(static_cast<int>(i))) return nullString;
  const TQExportColumn& c = columns[i];
  if (!c.IsNumericOrDate) return raw;
  try {
    buffer = FormatValue(c, std::string(raw), nullptr);
  } catch (const ValueError&) {
    buffer.assign(raw);
  }
  return buffer;
}

}  // namespace kvn::exporting
