// Films the collection may hold twice: the same EAN, or the same title (in
// the list's French order, accents and case aside) and the same year.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvn::db {
class Database;
}

namespace kvn::catalogue {

struct FilmSummary {
  int64_t id = 0;
  std::string reference, title, year, ean;
};

struct DuplicateGroup {
  enum class Reason { SameEan, SameTitleAndYear };
  Reason reason = Reason::SameEan;
  std::vector<FilmSummary> films;  // two or more, in title order
  // "Même EAN : 3333297201228", "Même titre et même année : Alien (1979)".
  std::string Caption() const;
};

// Every group of possible duplicates: those of the same EAN first (by EAN),
// then those of the same title and year, in title order. A film without a year
// is grouped with the films of the same title that have none either.
std::vector<DuplicateGroup> FindDuplicates(db::Database& database);

// The films whose title is the same as title once folded (accents, case),
// in title order, at most limit of them (the question asked before adding one).
std::vector<FilmSummary> FilmsTitled(db::Database& database, const std::string& title,
                                     size_t limit = 5);

}  // namespace kvn::catalogue
