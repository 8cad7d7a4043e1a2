// The catalogue file itself: creating an empty `video` table at a structure level.
#pragma once

#include <string>
#include <string_view>

namespace kvn::db {

class Database;

// Structure levels: 0 the first (Index, Reference, Titre, Genre, Support, Durée),
// 2 adds Jacquette, Nom, Prêté_le, Nb_cd; 3, the current one, adds Jaquette2.
constexpr int kCurrentStructureLevel = 3;

// Creates directory/video.DB holding an empty `video` table of that level with
// its title index. Refuses (kvn::Error) to replace an existing file.
void CreateCatalogueFile(const std::string& directory, int level = kCurrentStructureLevel);

// A database file in WAL mode says so in its header; a copy of one has no WAL
// file of its own, so it is marked as an ordinary (rollback journal) file,
// which any reader opens without creating side files. Throws kvn::Error when
// the header cannot be written.
void MarkRollbackJournal(const std::string& path);

// The CREATE TABLE text of a structure level.
std::string CatalogueSchema(int level);

// Titles in French order: the key is the title without case or accents
// ("À bout de souffle" among the A's, "Été 85" among the E's), written with
// SQLite's built-in functions only, so that every program that opens video.DB
// (the sqlite3 shell, Python) can read, check and change the table and keeps
// its index up to date. Ties are then ordered by the title itself and the row id.
// The SQL expression of the key of a text (a column or a parameter).
std::string TitleKey(std::string_view operand);
// "CREATE INDEX idTitre ON video(<key of Titre>, Titre)".
std::string TitleIndexSql();
// Whether the catalogue's idTitre is the French one.
bool HasFrenchTitleIndex(Database& database);
// Rebuilds idTitre in French order when it is not (one transaction).
void UseFrenchTitleIndex(Database& database);
// The catalogue's search and list statements with titles compared and sorted
// the French way: "order by titre" and "Titre=:EdTitre" go through the key.
std::string WithFrenchTitles(std::string_view sql);

}  // namespace kvn::db
