// Finding films by a few words typed: the title, original title, reference,
// director, actors and borrower of every film are kept in a full-text index
// (SQLite's FTS5, tokenizer unicode61 with diacritics removed; contentless,
// so the file grows by a tenth, not by half), folded for ligatures (œ, æ, ß). Triggers written with
// built-in functions keep it right whoever writes the table; the sqlite3 shell and Python read and
// write the file as before (FTS5 is built into Debian's SQLite).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvn::db {
class Database;
}

namespace kvn::catalogue {

// Builds the index and its triggers when missing or different (one
// transaction), filling it with every film.
void UseSearchIndex(db::Database& database);
bool HasSearchIndex(db::Database& database);
bool IsSearchIndexObject(const std::string& type, const std::string& name, const std::string& sql);

// For adding many films at once (within the caller's transaction): the
// index stops following inserts, then takes the films from firstNew on in
// one statement and follows inserts again. Nothing is done without the index.
bool PauseSearchIndexForInserts(db::Database& database);
void IndexNewFilms(db::Database& database, int64_t firstNew);

// The FTS5 query for what the user typed: every word, in any order, as the
// start of a word ("amelie poul" → "amelie"* "poul"*); empty when nothing is
// typed that can be searched.
std::string SearchQuery(const std::string& typed);

// The films matching the words (the list's title order), as row ids.
std::vector<int64_t> SearchFilms(db::Database& database, const std::string& typed);

}  // namespace kvn::catalogue
