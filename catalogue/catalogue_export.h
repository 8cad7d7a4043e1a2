// `korvane export`: the catalogue in title order, every field but blobs, with
// the main window's export presets, to one file of a type.
#pragma once

#include <string>

#include "export/dialog_choices.h"

namespace kvn::catalogue {

// The export dialog's settings as the main window gives them: the catalogue
// table, "video.xls" in the catalogue directory (ending with "/"), and the
// main window's presets of the format pages.
exporting::ExportDialogSettings MainWindowExportSettings(db::DataSet& table,
                                                         const std::string& directory);

struct ExportRequest {
  std::string directory;    // the catalogue directory
  std::string type;         // "csv", "txt", ...
  std::string output;       // empty: <directory>/video.<ext>
  std::string optionsFile;  // empty: none
  std::string encoding;     // empty: the type's own (or the options file's)
};

// Runs the export; returns the file written and the number of films exported,
// and in note (when given) what the file's encoding could not hold ("" when
// nothing). Throws kvn::Error.
std::string RunCatalogueExport(const ExportRequest& request, int& films,
                               std::string* note = nullptr);

// The export types the command line knows, for the help text ("txt csv ...").
std::string ExportTypeNames();

}  // namespace kvn::catalogue
