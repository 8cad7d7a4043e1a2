#include "export/sql/sql_export.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/conversions.h"
#include "platform/format.h"
#include "platform/locale_settings.h"
#include "platform/strings.h"

namespace kvn::exporting {

namespace {

// The reserved words of standard SQL and the keywords of SQLite, in upper
// case and sorted: a column so named is quoted.
constexpr std::string_view kReserved[] = {
    "ABORT",
    "ABSOLUTE",
    "ACTION",
    "ADD",
    "AFTER",
    "ALL",
    "ALLOCATE",
    "ALTER",
    "ALWAYS",
    "ANALYZE",
    "AND",
    "ANY",
    "ARE",
    "AS",
    "ASC",
    "ASSERTION",
    "AT",
    "ATTACH",
    "AUTHORIZATION",
    "AUTOINCREMENT",
    "AVG",
    "BEFORE",
    "BEGIN",
    "BETWEEN",
    "BIT",
    "BIT_LENGTH",
    "BOTH",
    "BY",
    "CASCADE",
    "CASCADED",
    "CASE",
    "CAST",
    "CATALOG",
    "CHAR",
    "CHARACTER",
    "CHARACTER_LENGTH",
    "CHAR_LENGTH",
    "CHECK",
    "CLOSE",
    "COALESCE",
    "COLLATE",
    "COLLATION",
    "COLUMN",
    "COMMIT",
    "CONFLICT",
    "CONNECT",
    "CONNECTION",
    "CONSTRAINT",
    "CONSTRAINTS",
    "CONTINUE",
    "CONVERT",
    "CORRESPONDING",
    "COUNT",
    "CREATE",
    "CROSS",
    "CURRENT",
    "CURRENT_DATE",
    "CURRENT_TIME",
    "CURRENT_TIMESTAMP",
    "CURRENT_USER",
    "CURSOR",
    "DATABASE",
    "DATE",
    "DAY",
    "DEALLOCATE",
    "DEC",
    "DECIMAL",
    "DECLARE",
    "DEFAULT",
    "DEFERRABLE",
    "DEFERRED",
    "DELETE",
    "DESC",
    "DESCRIBE",
    "DESCRIPTOR",
    "DETACH",
    "DIAGNOSTICS",
    "DISCONNECT",
    "DISTINCT",
    "DO",
    "DOMAIN",
    "DOUBLE",
    "DROP",
    "EACH",
    "ELSE",
    "END",
    "ESCAPE",
    "EXCEPT",
    "EXCEPTION",
    "EXCLUDE",
    "EXCLUSIVE",
    "EXEC",
    "EXECUTE",
    "EXISTS",
    "EXPLAIN",
    "EXTERNAL",
    "EXTRACT",
    "FAIL",
    "FALSE",
    "FETCH",
    "FILTER",
    "FIRST",
    "FLOAT",
    "FOLLOWING",
    "FOR",
    "FOREIGN",
    "FOUND",
    "FROM",
    "FULL",
    "GENERATED",
    "GET",
    "GLOB",
    "GLOBAL",
    "GO",
    "GOTO",
    "GRANT",
    "GROUP",
    "GROUPS",
    "HAVING",
    "HOUR",
    "IDENTITY",
    "IF",
    "IGNORE",
    "IMMEDIATE",
    "IN",
    "INDEX",
    "INDEXED",
    "INDICATOR",
    "INITIALLY",
    "INNER",
    "INPUT",
    "INSENSITIVE",
    "INSERT",
    "INSTEAD",
    "INT",
    "INTEGER",
    "INTERSECT",
    "INTERVAL",
    "INTO",
    "IS",
    "ISNULL",
    "ISOLATION",
    "JOIN",
    "KEY",
    "LANGUAGE",
    "LAST",
    "LEADING",
    "LEFT",
    "LEVEL",
    "LIKE",
    "LIMIT",
    "LOCAL",
    "LOWER",
    "MATCH",
    "MATERIALIZED",
    "MAX",
    "MIN",
    "MINUTE",
    "MODULE",
    "MONTH",
    "NAMES",
    "NATIONAL",
    "NATURAL",
    "NCHAR",
    "NEXT",
    "NO",
    "NOT",
    "NOTHING",
    "NOTNULL",
    "NULL",
    "NULLIF",
    "NULLS",
    "NUMERIC",
    "OCTET_LENGTH",
    "OF",
    "OFFSET",
    "ON",
    "ONLY",
    "OPEN",
    "OPTION",
    "OR",
    "ORDER",
    "OTHERS",
    "OUTER",
    "OUTPUT",
    "OVER",
    "OVERLAPS",
    "PAD",
    "PARTIAL",
    "PARTITION",
    "PLAN",
    "POSITION",
    "PRAGMA",
    "PRECEDING",
    "PRECISION",
    "PREPARE",
    "PRESERVE",
    "PRIMARY",
    "PRIOR",
    "PRIVILEGES",
    "PROCEDURE",
    "PUBLIC",
    "QUERY",
    "RAISE",
    "RANGE",
    "READ",
    "REAL",
    "RECURSIVE",
    "REFERENCES",
    "REGEXP",
    "REINDEX",
    "RELATIVE",
    "RELEASE",
    "RENAME",
    "REPLACE",
    "RESTRICT",
    "RETURNING",
    "REVOKE",
    "RIGHT",
    "ROLLBACK",
    "ROW",
    "ROWS",
    "SAVEPOINT",
    "SCHEMA",
    "SCROLL",
    "SECOND",
    "SECTION",
    "SELECT",
    "SESSION",
    "SESSION_USER",
    "SET",
    "SIZE",
    "SMALLINT",
    "SOME",
    "SPACE",
    "SQL",
    "SQLCODE",
    "SQLERROR",
    "SQLSTATE",
    "SUBSTRING",
    "SUM",
    "SYSTEM_USER",
    "TABLE",
    "TEMP",
    "TEMPORARY",
    "THEN",
    "TIES",
    "TIME",
    "TIMESTAMP",
    "TIMEZONE_HOUR",
    "TIMEZONE_MINUTE",
    "TO",
    "TRAILING",
    "TRANSACTION",
    "TRANSLATE",
    "TRANSLATION",
    "TRIGGER",
    "TRIM",
    "TRUE",
    "UNBOUNDED",
    "UNION",
    "UNIQUE",
    "UNKNOWN",
    "UPDATE",
    "UPPER",
    "USAGE",
    "USER",
    "USING",
    "VACUUM",
    "VALUE",
    "VALUES",
    "VARCHAR",
    "VARYING",
    "VIEW",
    "VIRTUAL",
    "WHEN",
    "WHENEVER",
    "WHERE",
    "WINDOW",
    "WITH",
    "WITHOUT",
    "WORK",
    "WRITE",
    "YEAR",
    "ZONE",
};

bool IsReserved(const std::string& name) {
  std::string upper;
  for (char c : name) upper += platform::AsciiUpper(c);
  return std::binary_search(std::begin(kReserved), std::end(kReserved), std::string_view(upper));
}

bool IsPlainIdentifier(const std::string& name) {
  if (name.empty()) return false;
  const auto letter = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
  };
  if (!letter(name[0])) return false;
  return std::all_of(name.begin(), name.end(),
                     [&](char c) { return letter(c) || (c >= '0' && c <= '9'); });
}

// A number as SQL writes it (point as decimal separator), or false when the
// text is not one.
bool SqlNumber(const std::string& text, std::string& out) {
  const char decimal = platform::LocaleSettings::Current().decimalSeparator;
  out.clear();
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) out += text[i++];
  bool digits = false, point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      out += c;
      digits = true;
    } else if ((c == decimal || c == '.') && !point) {
      out += '.';
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return false;
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
    out += 'E';
    ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) out += text[i++];
    bool exponent = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      out += text[i];
      exponent = true;
    }
    if (!exponent) return false;
  }
  return i == text.size();
}

// A date, a time or both as SQL writes them: '2024-03-15', '01:30:58',
// '2024-03-15 01:30:58', whatever the user's pictures; a text that is none
// stays the text it is.
std::string SqlDateTime(TQExportColType type, const std::string& text) {
  const auto value = platform::TryStrToDateTime(text);
  if (!value) return SqlString(text);
  const char* picture = type == TQExportColType::Date   ? "yyyy-mm-dd"
                        : type == TQExportColType::Time ? "hh:nn:ss"
                                                        : "yyyy-mm-dd hh:nn:ss";
  return SqlString(platform::FormatDateTime(picture, *value));
}

}  // namespace

std::string SqlIdentifier(const std::string& name) {
  if (IsPlainIdentifier(name) && !IsReserved(name)) return name;
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string SqlString(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '\'';
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
  return out;
}

void TQExportSQL::BeginExport() {
  TQExportAdvancedText::BeginExport();
  TQExportWriter& w = *Writer();
  // The table's name is quoted like the columns': any name the user gave
  // stays one name, never a part of the statement.
  m_table = TableName.empty() ? std::string() : SqlIdentifier(TableName);
  for (const std::string& line : Header) w.WriteLn(line);
  if (CreateTable && !TableName.empty()) {
    std::string statement = "CREATE TABLE " + m_table + "(\r\n";
    for (size_t i = 0; i < Columns().Count(); ++i) {
      if (i > 0) statement += ",\r\n";
      statement += "  " + SqlIdentifier(Columns()[i].Name) + "  " + Columns()[i].SQLType;
    }
    w.WriteLn(statement + ");");
    w.EmptyLine();
  }
  m_columnList.clear();
  for (size_t i = 0; i < Columns().Count(); ++i) {
    if (i > 0) m_columnList += ',';
    m_columnList += SqlIdentifier(Columns()[i].Name);
  }
}

void TQExportSQL::GetColData(TQExportCol& col, std::string& text) {
  const TQExportColumn& column = Columns()[static_cast<size_t>(col.ColumnIndex)];
  // A NUL would end the statement's text for the script's readers.
  CleanControlCharacters(text, ControlCharacters::DropNul);
  if (Columns().IsNull(col.ColumnIndex)) {
    // With no null string of the user's, a null is SQL's NULL, never nothing.
    text = Formats.NullString().empty() ? "NULL" : Formats.NullString();
  } else {
    switch (column.ColType) {
      case TQExportColType::Date:
      case TQExportColType::Time:
      case TQExportColType::DateTime:
        text = SqlDateTime(column.ColType, text);
        break;
      case TQExportColType::String:
      case TQExportColType::Unknown:
        text = SqlString(text);
        break;
      case TQExportColType::Boolean:
        text = platform::EqualsNoCase(platform::Trim(text), "true") ? Formats.BooleanTrue()
                                                                    : Formats.BooleanFalse();
        break;
      case TQExportColType::Integer:
      case TQExportColType::Float:
      case TQExportColType::Currency:
        // An empty number is NULL; a text that is not a number stays text.
        if (text.empty())
          text = "NULL";
        else if (SqlNumber(text, m_number))
          text = m_number;
        else
          text = SqlString(text);
        break;
    }
  }
  text += ',';
}

std::string TQExportSQL::GetDataRow(bool) {
  m_values.clear();
  TQExportRow& row = Row();
  for (size_t i = 0; i < row.Count(); ++i) {
    row[i].GetExportedValue(false, m_value);
    m_values += m_value;
  }
  if (!m_values.empty()) m_values.pop_back();
  std::string statement =
      "INSERT INTO " + m_table + "\r\n  (" + m_columnList + ")\r\nVALUES(" + m_values + ")";
  if (StatementTerm != '\0') statement += StatementTerm;
  return statement;
}

void TQExportSQL::WriteDataRow() {
  TQExportWriter& w = *Writer();
  w.WriteLn(GetDataRow(false));
  w.EmptyLine();
  if (CommitRecCount > 0 && !CommitStatement.empty() && RecordCounter() % CommitRecCount == 0) {
    w.WriteLn(CommitStatement);
    w.EmptyLine();
  }
}

void TQExportSQL::EndExport() {
  TQExportWriter& w = *Writer();
  if (CommitAfterScript && !CommitStatement.empty()) w.WriteLn(CommitStatement);
  for (const std::string& line : Footer) w.WriteLn(line);
  TQExportAdvancedText::EndExport();
}

}  // namespace kvn::exporting
