// Columns, rows and value formats: the exported columns built from the source
// and the owner's options, the current row of cells, and the nine format strings
// that turn raw texts into exported texts.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "export/source.h"
#include "export/types.h"
#include "platform/conversions.h"
#include "platform/error.h"

namespace kvn::exporting {

enum class TQExportColType {
  Integer,
  Float,
  Currency,
  Date,
  Time,
  DateTime,
  String,
  Boolean,
  Unknown
};
// "Integer", "Float", ... "Unknown".
const char* ColTypeName(TQExportColType type);

class TQExportFormats {
 public:
  TQExportFormats();
  // The defaults, taken once from the locale settings.
  static std::string DefaultInteger();
  static std::string DefaultFloat();
  static std::string DefaultDate();
  static std::string DefaultTime();
  static std::string DefaultDateTime();
  static std::string DefaultCurrency();

  const std::string& IntegerFormat() const { return m_integer; }
  const std::string& FloatFormat() const { return m_float; }
  const std::string& DateFormat() const { return m_date; }
  const std::string& TimeFormat() const { return m_time; }
  const std::string& DateTimeFormat() const { return m_dateTime; }
  const std::string& CurrencyFormat() const { return m_currency; }
  const std::string& BooleanTrue() const { return m_true; }
  const std::string& BooleanFalse() const { return m_false; }
  const std::string& NullString() const { return m_null; }

  // An empty text restores the default; NullString is stored trimmed.
  void SetIntegerFormat(std::string_view v);
  void SetFloatFormat(std::string_view v);
  void SetDateFormat(std::string_view v);
  void SetTimeFormat(std::string_view v);
  void SetDateTimeFormat(std::string_view v);
  void SetCurrencyFormat(std::string_view v);
  void SetBooleanTrue(std::string_view v);
  void SetBooleanFalse(std::string_view v);
  void SetNullString(std::string_view v);
  void Assign(const TQExportFormats& other);

 private:
  std::string m_integer, m_float, m_date, m_time, m_dateTime, m_currency, m_true, m_false, m_null;
};

class TQExportColumns;

struct TQExportColumn {
  TQExportColumns* Columns = nullptr;
  int ColIndex = 0;
  TQExportColType ColType = TQExportColType::Integer;
  std::string Name;
  std::string Caption;
  int Width = 0;
  TQExportColAlign ColAlign = TQExportColAlign::ecaLeft;
  std::string Format;
  std::string SQLType;
  int Length = 0;
  int Tag = 0;
  bool IsNumericOrDate = false;
  bool IsNumeric = false;
  bool IsString = false;
  bool IsBlob = false;
  bool Visible = true;
};

// The options the columns read from their owner. An option the owner does not
// offer is left empty (null list, no formats, no event).
struct ColumnOptions {
  const StringList* ExportedFields = nullptr;
  // Memo fields are columns when no field is named (text, unlike pictures).
  bool MemoFields = false;
  SourceAccess Source;
  bool OnlyVisibleFields = false;
  const TQExportFormats* Formats = nullptr;
  bool AutoCalcStrType = false;
  int CaptionRow = -1;
  const StringList* UserFormats = nullptr;
  const StringList* ColumnsWidth = nullptr;
  const StringList* Captions = nullptr;
  const StringList* ColumnsAlign = nullptr;
  const StringList* ColumnsLength = nullptr;
  std::function<void(int recNo)> OnFetchedRecord;
};

class TQExportColumns {
 public:
  // options: how the owner answers; escape: the owner's EscapeText hook.
  TQExportColumns(std::function<void(ColumnOptions&)> options,
                  std::function<std::string(const std::string&)> escape)
      : m_options(std::move(options)), m_escape(std::move(escape)) {}

  void Clear() { m_columns.clear(); }
  // Adds the columns of the source and derives their attributes. Throws the data
  // layer's "Champ '%s' non trouvé" for an unknown exported field.
  void Fill(bool allowBlobs);
  // Widens every column to its caption and to its longest value (in bytes).
  void AutoCalcColWidth();
  // Widens the chosen columns to their longest value as measure counts it,
  // over the records the export writes (skipped ones left out); the source
  // position is kept.
  void WidenToValues(const std::vector<bool>& which,
                     const std::function<int(size_t column, std::string_view raw)>& measure);
  int IndexOfName(std::string_view name) const;
  bool IsNull(int index) const;
  void ResetTags();
  bool HasBlobColumns() const;

  size_t Count() const { return m_columns.size(); }
  TQExportColumn& operator[](size_t i) { return m_columns[i]; }
  const TQExportColumn& operator[](size_t i) const { return m_columns[i]; }
  std::string EscapeText(const std::string& text) const {
    return m_escape && m_escapes ? m_escape(text) : text;
  }
  // Whether the owner's EscapeText changes anything (it has special characters).
  void SetEscapes(bool escapes) { m_escapes = escapes; }
  bool Escapes() const { return m_escapes; }
  const ColumnOptions& Options() const { return m_read; }

 private:
  TQExportColType GuessType(const std::string& text) const;
  std::function<void(ColumnOptions&)> m_options;
  std::function<std::string(const std::string&)> m_escape;
  ColumnOptions m_read;
  std::vector<TQExportColumn> m_columns;
  int m_counter = 0;
  bool m_escapes = true;
};

class TQExportRow;

struct TQExportCol {
  std::string Name;
  std::string Value;
  int ColumnIndex = -1;
  TQExportRow* Row = nullptr;
  // The text the format writes (the formatted value when formatted is true).
  std::string GetExportedValue(bool formatted);
  // The same into result, reusing its storage.
  void GetExportedValue(bool formatted, std::string& result);
};

class TQExportRow {
 public:
  TQExportRow(TQExportColumns& columns, const TQExportFormats& formats,
              std::function<void(TQExportCol&, std::string&)> getColData)
      : m_columns(columns), m_formats(formats), m_getColData(std::move(getColData)) {}

  void AddCol(const std::string& name, int columnIndex);
  // Sorts the name index; call once all cells are added.
  void IndexNames();
  // Stores the text without surrounding blanks and control characters; unknown
  // names are ignored.
  void SetValue(std::string_view name, std::string_view text);
  // The cell that receives the values of a column (by name, as SetValue finds it).
  TQExportCol* CellByName(std::string_view name);
  void Clear();
  size_t Count() const { return m_cells.size(); }
  TQExportCol& operator[](size_t i) { return m_cells[i]; }

  TQExportColumns& Columns() { return m_columns; }
  const TQExportFormats& Formats() const { return m_formats; }
  void GetColData(TQExportCol& col, std::string& text) {
    if (m_getColData) m_getColData(col, text);
  }

 private:
  TQExportColumns& m_columns;
  const TQExportFormats& m_formats;
  std::function<void(TQExportCol&, std::string&)> m_getColData;
  std::vector<TQExportCol> m_cells;
  std::vector<std::pair<std::string, size_t>> m_index;  // sorted, case-insensitive
};

// Reads the raw text of each column at the current record into its cell (the
// cells in column order; a null cell is skipped), without the blanks and control
// characters around it.
void FillRowFromSource(const SourceAccess& source, const TQExportColumns& columns,
                       const std::vector<TQExportCol*>& cells, int counter);

// A value that does not convert to its column's type. The export loop names the
// record it belongs to (ValueErrorMessage).
class ValueError : public kvn::Error {
 public:
  // column and reason in UTF-8; reason is a sentence without its final period.
  ValueError(std::string column, std::string reason);
  const std::string& Column() const { return m_column; }
  const std::string& Reason() const { return m_reason; }

 private:
  std::string m_column, m_reason;
};
// "<record> ne peut pas être exporté : dans la colonne « <column> », <reason>."
std::string ValueErrorMessage(const std::string& record, const ValueError& error);
// The conversion a date, time or date-time column's text goes through.
platform::ConversionKind DateConversionKind(TQExportColType type);
// Throws ValueError for a raw text (Windows-1252) that does not read as kind.
[[noreturn]] void ThrowValueError(const TQExportColumn& column, platform::ConversionKind kind,
                                  const std::string& raw);

// Formats a raw text as a column of this type (the cell text rules); throws
// ValueError for unreadable numbers and dates.
std::string FormatValue(const TQExportColumn& column, const std::string& raw,
                        const std::function<std::string(const std::string&)>& escape);

// The text a value of column i shows, unescaped, as the passes that measure
// columns see it: the null string for a null, a number or date formatted as
// its column says (as it is when it does not convert: the row then stops the
// export with its own message), else the raw text. buffer holds a formatted text.
std::string_view ShownValue(const TQExportColumns& columns, size_t i, std::string_view raw,
                            std::string_view nullString, std::string& buffer);

}  // namespace kvn::exporting
