// The catalogue directory and its own files: the catalogue file video.DB at
// a structure level, the settings file kvn.ini, the Archive folder. None of
// them is ever an output target; temporary files that a killed run left
// among them are removed at the next start.
#pragma once

#include <string>

#include "db/dataset.h"

namespace kvn::catalogue {

// Structure levels: 0 the first (Index, Reference, Titre, Genre, Support, Durée),
// 2 adds Jacquette, Nom, Prêté_le, Nb_cd; 3 adds Jaquette2; 4, the current one,
// adds the film's details (Année, Réalisateur, Acteurs, Pays, Titre_original,
// Résumé, Note, Vu, EAN).
constexpr int kCurrentStructureLevel = 4;

// The level-4 columns, in table order, as the table names them.
extern const char* const kDetailColumns[9];
// Their declarations after "ADD COLUMN", in the same order.
extern const char* const kDetailColumnDeclarations[9];

// The CREATE TABLE text of a structure level.
std::string CatalogueSchema(int level);

// Creates directory/video.DB holding an empty `video` table of that level with
// its title index and title key table. Refuses (kvn::Error) to replace an
// existing file.
void CreateCatalogueFile(const std::string& directory, int level = kCurrentStructureLevel);

// `korvane init`: an empty current-structure catalogue and its settings file.
void InitCatalogue(const std::string& directory);

// The settings file of a catalogue directory.
std::string SettingsPath(const std::string& directory);

// A database file in WAL mode says so in its header; a copy of one has no WAL
// file of its own, so it is marked as an ordinary (rollback journal) file,
// which any reader opens without creating side files. Throws kvn::Error when
// the header cannot be written.
void MarkRollbackJournal(const std::string& path);

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

}  // namespace kvn::catalogue
