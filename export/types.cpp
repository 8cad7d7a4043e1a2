#include "export/types.h"

#include "platform/strings.h"

namespace kvn::exporting {

const char* SourceName(TQExportSource source) {
  switch (source) {
    case TQExportSource::esDataSet:
      return "DataSet";
    case TQExportSource::esListView:
      return "ListView";
    case TQExportSource::esDBGrid:
      return "DBGrid";
    case TQExportSource::esStringGrid:
      return "StringGrid";
  }
  return "";
}

std::string StringList::NameOf(const std::string& line) {
  size_t eq = line.find('=');
  return eq == std::string::npos ? line : line.substr(0, eq);
}

std::string StringList::ValueOf(const std::string& line) {
  size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

int StringList::IndexOfName(std::string_view name) const {
  for (size_t i = 0; i < m_lines.size(); ++i) {
    const std::string& l = m_lines[i];
    size_t eq = l.find('=');
    if (eq == std::string::npos) continue;
    if (platform::EqualsNoCase(std::string_view(l).substr(0, eq), name)) return static_cast<int>(i);
  }
  return -1;
}

std::string StringList::Value(std::string_view name) const {
  int i = IndexOfName(name);
  return i < 0 ? std::string() : ValueOf(m_lines[static_cast<size_t>(i)]);
}

}  // namespace kvn::exporting
