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

class TQExportXLS;
// The dialog's Excel page copied into the exporter: with a file, its "XLS"
// section, the area formats of the "XLS_OPTION_" sections and the strip styles
// of the "XLS_STYLE_" sections; then one field format per exported field (every
// field when none is chosen), read from the field's "XLS_FIELD_" section, else
// the exporter's own format of that name, else the data format. Run by
// ApplyOptionsFile for type 0; call it with no file when there is none.
void ApplyXlsPage(const platform::IniFile* ini, db::DataSet& source, TQExportXLS& exporter);

}  // namespace kvn::exporting
