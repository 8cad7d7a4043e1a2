// Bringing films from a file into the catalogue: the file's columns matched
// to the catalogue's fields, every value checked with the rules of the record
// windows, the films already there found (same reference, or same title and
// year), then everything written in one transaction after the catalogue as it
// was is kept as video.DB.avant-import, which "Annuler l'import" brings back.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "import/import_reader.h"

namespace kvn::db {
class Database;
}

namespace kvn::importing {

// How a field's text is checked and stored.
enum class FieldKind { Text, Memo, Duration, Date, Discs, Year, Note, YesNo, Ean };

struct TargetField {
  const char* column;   // the table's column
  const char* caption;  // what the windows call it
  FieldKind kind;
  int size;  // characters at most, for a text
};

constexpr size_t kTargetCount = 19;
// Every field of a film but its number, in the table's order.
const std::array<TargetField, kTargetCount>& TargetFields();

// For each of the file's columns, the field it fills (-1: none). Names are
// compared without accents, case, spaces or punctuation, in French and in
// English, and in the names the other programs use ("Title", "director",
// "synopsis"...); a field is filled by one column at most.
std::vector<int> MatchColumns(const std::vector<std::string>& columns);

struct RowProblem {
  int line = 0;
  std::string reason;  // French, naming the column and the value
};

struct PreparedFilm {
  int line = 0;
  std::array<std::optional<std::string>, kTargetCount> values;  // stored text; nullopt: empty
};

struct Duplicate {
  size_t film = 0;       // index in ImportPlan::films
  int64_t existing = 0;  // the catalogue film's number
  std::string reason;    // "même référence", "même titre et même année"
  std::string existingTitle;
};

struct ImportPlan {
  std::vector<PreparedFilm> films;    // the rows that passed the checks
  std::vector<RowProblem> problems;   // the rows that did not
  std::vector<Duplicate> duplicates;  // films already in the catalogue
  size_t rows = 0;                    // the file's rows
  // The fields the file gives: a film replaced keeps its other fields.
  std::array<bool, kTargetCount> mapped{};
};

// Checks the rows and finds the duplicates; writes nothing.
ImportPlan PrepareImport(db::Database& database, const ImportTable& table,
                         const std::vector<int>& mapping);

enum class DuplicateChoice { Skip, Replace, KeepBoth };

struct ImportResult {
  int added = 0, replaced = 0, skipped = 0;
};

// progress(done, total) is called now and then; returning false stops the
// import, which then changes nothing.
using ImportProgress = std::function<bool(size_t done, size_t total)>;

// Keeps the catalogue as it is in video.DB.avant-import (replacing an earlier
// copy), then writes the films in one transaction. On any failure (or a kill)
// the catalogue stays as it was. Throws kvn::Error.
ImportResult ApplyImport(db::Database& database, const ImportPlan& plan, DuplicateChoice choice,
                         const ImportProgress& progress = {});

// The copy kept by the last import, and whether there is one.
std::string BeforeImportPath(const std::string& directory);
bool CanUndoImport(const std::string& directory);
// Puts the copy back in place of the catalogue (one transaction) and removes
// it; returns the number of films the catalogue holds again. Throws
// kvn::Error, the catalogue then unchanged. The catalogue must not be open
// for writing elsewhere in the program.
int64_t UndoImport(const std::string& directory);

// The French summary of an import ("12 films ajoutés, ...").
std::string ResultText(const ImportResult& result, size_t problems);

}  // namespace kvn::importing
