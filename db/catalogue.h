// The catalogue file itself: creating an empty `video` table at a structure level.
#pragma once

#include <string>
#include <string_view>

struct sqlite3;

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

// Titles in French order: a title is compared by its key, the title with A-Z
// lowered and every Latin letter with a diacritic folded to its base letter
// ("À bout de souffle" among the A's, "Ödön" among the O's, "Łódź" with
// "lodz"), then by the title without regard to A-Z case, then by the row id.
//
// The catalogue keeps each film's key in a table of its own, `video_cle`
// (id, cle: the key, char(1), the title), kept by triggers written with
// SQLite's built-in functions only, so that every program that changes
// video.DB (the sqlite3 shell, Python) keeps it right; its index gives the
// main list its order. The program's statements compute the same key with
// the function cle_titre(), registered on its connections.

// The folded title (what the triggers' lower() and replace() calls give).
std::string FoldTitle(std::string_view title);
// The key table's key of a title: FoldTitle, char(1), the title.
std::string TitleSortKey(std::string_view title);
// Registers cle_titre(x) on a connection.
void RegisterTitleFunctions(sqlite3* handle);
// The SQL expression of the folded text of an operand (a column or a parameter).
std::string TitleKey(std::string_view operand);
// The SQL expression of the key table's key of an operand.
std::string TitleSortKeySql(std::string_view operand);
// The key table, its index idCle and its three triggers (statements ended by ";\n").
std::string TitleKeySchemaSql();
// Whether a trigger of that name and CREATE text is one of the key table's.
bool IsTitleKeyTrigger(std::string_view name, std::string_view sql);
// Whether the key table and its triggers are there as this program writes
// them (and, when asked, with one key per film: two counts of the tables).
bool HasFrenchTitleKey(sqlite3* handle, bool countKeys = false);
// Builds the key table when it is not (one transaction).
void UseFrenchTitleKey(Database& database);

// The title index of the catalogue's schema, on a shorter key:
// "CREATE INDEX idTitre ON video(<key of Titre>, Titre)".
std::string TitleIndexSql();
// Whether the catalogue's idTitre is the French one.
bool HasFrenchTitleIndex(Database& database);
// Rebuilds idTitre in French order when it is not (one transaction).
void UseFrenchTitleIndex(Database& database);
// The catalogue's search and list statements with titles compared and sorted
// the French way: "order by titre" and "Titre=:EdTitre" go through the key
// (the statements need cle_titre()).
std::string WithFrenchTitles(std::string_view sql);

}  // namespace kvn::db
