// What the collection holds, counted in one reading of the catalogue: films
// by genre, support, decade and note, the loans, durations and discs, and the
// directors and actors met most often. The statistics window draws them; the
// command line prints them as text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvn::db {
class Database;
}

namespace kvn::catalogue {

struct StatCount {
  std::string label;
  int64_t films = 0;
};

struct CollectionStats {
  int64_t films = 0;
  int64_t lent = 0;     // a borrower written
  int64_t overdue = 0;  // of those, past their due date
  int64_t seen = 0;     // "Vu" ticked
  int64_t totalSeconds = 0;
  int64_t timedFilms = 0;  // films with a duration above zero
  int64_t discs = 0;
  // Most films first, then by label; empty values under kNotGiven.
  std::vector<StatCount> byGenre, bySupport;
  // In order of decade ("années 1990") then note ("0" to "10"); films without
  // a year or a note last, under kNotGiven.
  std::vector<StatCount> byDecade, byNote;
  // The most frequent, most films first then by name; actors are read from
  // the list of names separated by commas, semicolons or slashes.
  std::vector<StatCount> directors, actors;

  int64_t MeanSeconds() const { return timedFilms ? totalSeconds / timedFilms : 0; }
};

// The label of films whose value is not given.
extern const char* const kNotGiven;

// Counts the catalogue (level 4, with its loans table); today and the loan
// period decide what is overdue; top limits the directors and actors.
CollectionStats CountCollection(db::Database& database, const std::string& today, int periodDays,
                                size_t top = 10);

// A duration in hours and minutes: "1 h 52 min", "12 345 h 05 min".
std::string HoursText(int64_t seconds);

// The figures as text, a "label<TAB>value" line each, in sections headed by
// a line of their own and separated by an empty line (`korvane stats`).
std::string StatsText(const CollectionStats& stats);

}  // namespace kvn::catalogue
