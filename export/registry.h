// The export types by name: the one table the command line and the dialog
// share to create an exporter of a type.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "export/exporter.h"

namespace kvn::exporting {

struct ExportType {
  std::string name;       // the command line's name: "csv"
  int number;             // the dialog's type number (0 XLS ... 13 clipboard)
  std::string extension;  // "csv"
  std::string listText;   // "Fichier CSV"
  std::function<std::unique_ptr<TQExportText>()> create;
};

// The types available, in type-number order.
const std::vector<ExportType>& ExportTypes();
const ExportType* FindExportType(std::string_view name);

}  // namespace kvn::exporting
