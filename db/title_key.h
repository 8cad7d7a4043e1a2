// Titles in French order: the fold of a title, its key, and the key table
// that gives the catalogue its title order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace kvn::db {

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
// The key table's CREATE statements as sqlite_master keeps them, and the
// statements that drop it and its triggers.
std::vector<std::string> TitleKeySchema();
std::vector<std::string> DropTitleKeySql();

// The title index of the catalogue's schema, on a shorter key:
// "CREATE INDEX idTitre ON video(<key of Titre>, Titre)".
std::string TitleIndexSql();

// The catalogue's search and list statements with titles compared and sorted
// the French way: "order by titre" and "Titre=:EdTitre" go through the key
// (the statements need cle_titre()).
std::string WithFrenchTitles(std::string_view sql);

}  // namespace kvn::db
