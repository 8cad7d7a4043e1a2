// A field of a dataset: its definition (name, type, size, display settings) and
// the text of its value in the current or pending row.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "db/value.h"
#include "platform/tdatetime.h"

namespace kvn::db {

class DataSet;

enum class FieldType {
  Unknown,
  String,
  SmallInt,
  Integer,
  Word,
  Boolean,
  Float,
  Currency,
  BCD,
  Date,
  Time,
  DateTime,
  Blob,
  Memo,
  AutoInc,
  LargeInt,
  WideString,
};

// The field type of a declared SQL column type ("VARCHAR(30)", "TIME", ...);
// size receives the declared length of string types.
FieldType FieldTypeFromDeclaration(std::string_view declared, int& size);
const char* FieldTypeName(FieldType type);

struct FieldDef {
  std::string name;
  FieldType type = FieldType::Unknown;
  int size = 0;
  bool autoIncrement = false;
};

// Text of a stored value for a field of this type, in the locale's formats (UTF-8).
std::string FormatFieldValue(FieldType type, const Value& value);
// The same, into out (its storage is reused).
void FormatFieldValueInto(FieldType type, const Value& value, std::string& out);
// The stored value for a text typed by the user; empty text gives null. Throws
// the platform's conversion message (the text as given) when it does not convert.
Value ParseFieldText(const FieldDef& def, std::string_view text);

class Field {
 public:
  Field(DataSet* dataSet, int index, FieldDef def);

  const std::string& FieldName() const { return m_def.name; }
  int Index() const { return m_index; }
  FieldType DataType() const { return m_def.type; }
  int Size() const { return m_def.size; }
  const FieldDef& Definition() const { return m_def; }
  DataSet* GetDataSet() const { return m_dataSet; }

  const std::string& DisplayLabel() const;
  void SetDisplayLabel(std::string label) { m_displayLabel = std::move(label); }
  // The explicit width, or the type's default: the size for strings, 5 for
  // Booleans, 10 for every other type.
  int DisplayWidth() const;
  void SetDisplayWidth(int width) { m_displayWidth = width; }
  bool Visible() const { return m_visible; }
  void SetVisible(bool visible) { m_visible = visible; }
  bool ReadOnly() const { return m_def.autoIncrement; }
  bool IsBlob() const { return m_def.type == FieldType::Blob || m_def.type == FieldType::Memo; }

  bool IsNull() const;
  const Value& RawValue() const;
  // The value as text (what a bound control shows and an export reads).
  std::string AsString() const;
  // The same text into out, reusing its storage (walks read every field this way).
  void GetText(std::string& out) const { FormatFieldValueInto(m_def.type, RawValue(), out); }
  std::string Text() const { return AsString(); }
  std::optional<double> AsFloat() const;
  std::optional<int64_t> AsInteger() const;
  // Date, time or date-time values as a TDateTime.
  std::optional<platform::TDateTime> AsDateTime() const;

  // Writes into the pending row (edit or insert state): the text is converted by
  // the field's type; an empty text stores null.
  void SetText(std::string_view text);
  void SetValue(Value value);
  void Clear() { SetValue(Value::Null()); }

 private:
  DataSet* m_dataSet;
  int m_index;
  FieldDef m_def;
  std::string m_displayLabel;
  int m_displayWidth = -1;
  bool m_visible = true;
};

}  // namespace kvn::db
