// The catalogue directory's own files: the table files, the settings file and
// the Archive folder are never an output target; temporary files that a killed
// run left among them are removed at the next start.
#pragma once

#include <string>

#include "db/dataset.h"

namespace kvn::app {

// Names of the table files, as the table engine keeps them.
extern const char* const kTableFileNames[];

// Registers the catalogue's files as protected from every output of this process.
void ProtectCatalogueFiles(const std::string& directory);
// Removes the temporary files of outputs whose writer is gone, in the catalogue
// directory and its Archive folder.
void RemoveStaleCatalogueTemporaries(const std::string& directory);

// The user's settings folder of the program, with a trailing "/":
// $XDG_CONFIG_HOME/korvane/, else ~/.config/korvane/ (not created here).
std::string UserSettingsDirectory();

// The current film of a catalogue data set as messages name it:
// "Le film « Titre » (référence R12)".
std::string FilmLabel(db::DataSet& films);

}  // namespace kvn::app
