#include "export/registry.h"

#include "export/dbf/dbf_export.h"
#include "export/html/html_export.h"
#include "export/latex/latex_export.h"
#include "export/pdf/pdf_export.h"
#include "export/rtf/rtf_export.h"
#include "export/sql/sql_export.h"
#include "export/text/ascii_export.h"
#include "export/xls/xls_export.h"
#include "export/xml/xml_export.h"
#include "platform/strings.h"

namespace kvn::exporting {

namespace {

std::function<std::unique_ptr<TQExportText>()> Ascii(TQExportASCIIType type) {
  return [type] {
    auto e = std::make_unique<TQExportASCII>();
    e->SetExportType(type);
    return std::unique_ptr<TQExportText>(std::move(e));
  };
}

template <class T>
std::unique_ptr<TQExportText> Make() {
  return std::make_unique<T>();
}

}  // namespace

const std::vector<ExportType>& ExportTypes() {
  static const std::vector<ExportType> types = {
      {"xls", 0, "xls", "MS Excel", Make<TQExportXLS>},
      // A Word file is the same RTF document under its own extension.
      {"doc", 1, "doc", "MS Word", Make<TQExportRTF>},
      {"rtf", 2, "rtf", "RTF", Make<TQExportRTF>},
      {"html", 3, "html", "HTML", Make<TQExportHTML>},
      {"xml", 4, "xml", "XML", Make<TQExportXML>},
      {"dbf", 5, "dbf", "DBF", Make<TQExportDBF>},
      {"pdf", 6, "pdf", "PDF", Make<TQExportPDF>},
      {"txt", 7, "txt", "Fichier Texte", Ascii(TQExportASCIIType::etTXT)},
      {"csv", 8, "csv", "Fichier CSV", Ascii(TQExportASCIIType::etCSV)},
      {"dif", 9, "dif", "Fichier DIF", Ascii(TQExportASCIIType::etDIF)},
      {"slk", 10, "slk", "Fichier SYLK", Ascii(TQExportASCIIType::etSYLK)},
      {"tex", 11, "tex", "LaTeX", Make<TQExportLaTeX>},
      {"sql", 12, "sql", "SQL", Make<TQExportSQL>},
  };
  return types;
}

const ExportType* FindExportType(std::string_view name) {
  for (const auto& t : ExportTypes())
    if (platform::EqualsNoCase(t.name, name)) return &t;
  return nullptr;
}

}  // namespace kvn::exporting
