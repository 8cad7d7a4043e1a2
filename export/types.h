// Enumerations shared by every exporter, and the 8-bit string list the engine
// keeps its options in.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kvn::exporting {

enum class TQExportSource { esDataSet, esListView, esDBGrid, esStringGrid };
enum class TQExportColAlign { ecaLeft, ecaCenter, ecaRight };
enum class TQExportPageOrientation { poPortrait, poLandscape };
enum class TQExportUnits { unInch, unMillimeter, unDot };
enum class TQExportPageFormat {
  pfLetter,
  pfLegal,
  pfA3,
  pfA4,
  pfA5,
  pfB5_JIS,
  pfUS_Std_Fanfold,
  pfFanfold,
  pfUser
};

// "DataSet", "ListView", "DBGrid", "StringGrid".
const char* SourceName(TQExportSource source);

// A list of Windows-1252 lines; option lists hold "name=value" lines whose names
// are compared without regard to case.
class StringList {
 public:
  StringList() = default;
  StringList(std::initializer_list<std::string> lines) : m_lines(lines) {}

  size_t Count() const { return m_lines.size(); }
  bool Empty() const { return m_lines.empty(); }
  const std::string& operator[](size_t i) const { return m_lines[i]; }
  std::string& operator[](size_t i) { return m_lines[i]; }
  void Add(std::string line) { m_lines.push_back(std::move(line)); }
  void Clear() { m_lines.clear(); }
  void Assign(const StringList& other) { m_lines = other.m_lines; }
  const std::vector<std::string>& Lines() const { return m_lines; }
  auto begin() const { return m_lines.begin(); }
  auto end() const { return m_lines.end(); }

  // The line whose name (before "=") equals name, -1 when none.
  int IndexOfName(std::string_view name) const;
  // The value of the first line named name; empty when none.
  std::string Value(std::string_view name) const;
  bool HasName(std::string_view name) const { return IndexOfName(name) >= 0; }
  static std::string NameOf(const std::string& line);
  static std::string ValueOf(const std::string& line);

  bool operator==(const StringList& other) const { return m_lines == other.m_lines; }

 private:
  std::vector<std::string> m_lines;
};

}  // namespace kvn::exporting
