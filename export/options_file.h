// The export options file written by the export dialog (an INI file): its
// sections applied to an exporter of a given type, as the dialog would copy them.
#pragma once

#include "db/dataset.h"
#include "export/exporter.h"
#include "platform/ini_file.h"

namespace kvn::exporting {

// Applies GENERAL (but FileName, ShowFile and PrintFile), FIELDS, FORMATS,
// USER_FORMATS, HEADER, FOOTER, CAPTIONS, ALIGN, WIDTH and the type's own
// section. Names of fields not in the data set are ignored.
void ApplyOptionsFile(const platform::IniFile& ini, int typeNumber, db::DataSet& source,
                      TQExport& exporter);

}  // namespace kvn::exporting
