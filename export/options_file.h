// The export options file: an INI file holding the whole state of the export
// dialog (ExportChoices::SaveOptions and LoadOptions), read by the dialog and
// by the command line alike.
#pragma once

#include "platform/ini_file.h"

namespace kvn::exporting {

// Throws kvn::Error naming the file, section, key and value of the first value
// that would make a broken or endless export ("… Rien n'a été exporté.").
void CheckOptionsFile(const platform::IniFile& ini);

}  // namespace kvn::exporting
