#include "catalogue/film_stats.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "catalogue/loans.h"
#include "db/database.h"
#include "db/sqlite.h"
#include "db/title_key.h"
#include "platform/strings.h"

namespace kvn::catalogue {

const char* const kNotGiven = "(non renseigné)";

namespace {

// Seconds of "H:MM:SS", "HH:MM:SS" or "HH:MM"; 0 for anything else.
int64_t SecondsOf(std::string_view text) {
  int64_t parts[3] = {0, 0, 0};
  int count = 0;
  bool digit = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      parts[count] = parts[count] * 10 + (c - '0');
      digit = true;
      if (parts[count] > 100000) return 0;
    } else if (c == ':' && digit && count < 2) {
      ++count;
      digit = false;
    } else {
      return 0;
    }
  }
  if (!digit || count == 0) return 0;
  return count == 2 ? parts[0] * 3600 + parts[1] * 60 + parts[2] : parts[0] * 3600 + parts[1] * 60;
}

using Tally = std::unordered_map<std::string, int64_t>;

void Add(Tally& tally, std::string_view value) {
  value = platform::Trim(value);
  if (!value.empty()) ++tally[std::string(value)];
}

// Most films first, then in French order of the label; at most top of them
// (all when top is 0). Films without a value come last when counted.
std::vector<StatCount> Ranked(const Tally& tally, size_t top, int64_t notGiven = 0) {
  std::vector<std::pair<std::string, StatCount>> keyed;
  keyed.reserve(tally.size());
  for (const auto& [label, films] : tally) keyed.push_back({db::FoldTitle(label), {label, films}});
  auto before = [](const auto& a, const auto& b) {
    if (a.second.films != b.second.films) return a.second.films > b.second.films;
    if (a.first != b.first) return a.first < b.first;
    return a.second.label < b.second.label;
  };
  if (top && keyed.size() > top) {
    std::partial_sort(keyed.begin(), keyed.begin() + static_cast<ptrdiff_t>(top), keyed.end(),
                      before);
    keyed.resize(top);
  } else {
    std::sort(keyed.begin(), keyed.end(), before);
  }
  std::vector<StatCount> ranked;
  for (auto& [key, count] : keyed) ranked.push_back(std::move(count));
  if (notGiven) ranked.push_back({kNotGiven, notGiven});
  return ranked;
}

std::vector<StatCount> InOrder(const std::map<int64_t, int64_t>& counts, int64_t notGiven,
                               const std::string& prefix) {
  std::vector<StatCount> ordered;
  for (const auto& [value, films] : counts)
    ordered.push_back({prefix + std::to_string(value), films});
  if (notGiven) ordered.push_back({kNotGiven, notGiven});
  return ordered;
}

// Digits grouped by three with a space, as French writes them.
std::string Grouped(int64_t n) {
  const std::string digits = std::to_string(n < 0 ? -n : n);
  std::string grouped = n < 0 ? "-" : "";
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ' ';
    grouped += digits[i];
  }
  return grouped;
}

}  // namespace

CollectionStats CountCollection(db::Database& database, const std::string& today, int periodDays,
                                size_t top) {
  CollectionStats stats;
  Tally genres, supports, directors, actors;
  std::map<int64_t, int64_t> decades, notes;
  int64_t noGenre = 0, noSupport = 0, noYear = 0, noNote = 0;
  db::Statement films(database.Handle(),
                      "SELECT Genre, Support, \"Durée\", Nom, Nb_cd, \"Année\", Note, Vu, "
                      "\"Réalisateur\", Acteurs FROM video",
                      database.FilePath());
  while (films.Step()) {
    ++stats.films;
    const std::string genre = films.ColumnText(0);
    if (platform::Trim(genre).empty())
      ++noGenre;
    else
      Add(genres, genre);
    const std::string support = films.ColumnText(1);
    if (platform::Trim(support).empty())
      ++noSupport;
    else
      Add(supports, support);
    if (const int64_t seconds = SecondsOf(platform::Trim(films.ColumnText(2))); seconds > 0) {
      stats.totalSeconds += seconds;
      ++stats.timedFilms;
    }
    if (!platform::Trim(films.ColumnText(3)).empty()) ++stats.lent;
    if (!films.ColumnIsNull(4)) stats.discs += std::max<int64_t>(0, films.ColumnInt(4));
    if (const int64_t year = films.ColumnIsNull(5) ? 0 : films.ColumnInt(5); year > 0)
      ++decades[year / 10 * 10];
    else
      ++noYear;
    if (films.ColumnIsNull(6) || platform::Trim(films.ColumnText(6)).empty())
      ++noNote;
    else
      ++notes[films.ColumnInt(6)];
    if (!films.ColumnIsNull(7) && films.ColumnInt(7) != 0) ++stats.seen;
    Add(directors, films.ColumnText(8));
    const std::string cast = films.ColumnText(9);
    size_t start = 0;
    for (size_t i = 0; i <= cast.size(); ++i)
      if (i == cast.size() || cast[i] == ',' || cast[i] == ';' || cast[i] == '/') {
        Add(actors, std::string_view(cast).substr(start, i - start));
        start = i + 1;
      }
  }
  stats.overdue = OverdueCount(database, today, periodDays);
  stats.byGenre = Ranked(genres, 0, noGenre);
  stats.bySupport = Ranked(supports, 0, noSupport);
  stats.byDecade = InOrder(decades, noYear, "années ");
  stats.byNote = InOrder(notes, noNote, "");
  stats.directors = Ranked(directors, top);
  stats.actors = Ranked(actors, top);
  return stats;
}

std::string HoursText(int64_t seconds) {
  const int64_t minutes = (seconds + 30) / 60;
  const int64_t m = minutes % 60;
  return Grouped(minutes / 60) + " h " + (m < 10 ? "0" : "") + std::to_string(m) + " min";
}

std::string StatsText(const CollectionStats& stats) {
  std::string text;
  auto line = [&](const std::string& label, const std::string& value) {
    text += label + '\t' + value + '\n';
  };
  line("Films", std::to_string(stats.films));
  line("Prêtés", std::to_string(stats.lent));
  line("En retard", std::to_string(stats.overdue));
  line("Vus", std::to_string(stats.seen));
  line("Durée totale", HoursText(stats.totalSeconds));
  line("Durée moyenne", HoursText(stats.MeanSeconds()));
  line("Disques", std::to_string(stats.discs));
  const std::pair<const char*, const std::vector<StatCount>*> sections[] = {
      {"Par genre", &stats.byGenre},
      {"Par support", &stats.bySupport},
      {"Par décennie", &stats.byDecade},
      {"Par note", &stats.byNote},
      {"Réalisateurs les plus fréquents", &stats.directors},
      {"Acteurs les plus fréquents", &stats.actors}};
  for (const auto& [heading, counts] : sections) {
    text += std::string("\n") + heading + '\n';
    for (const StatCount& c : *counts) {
      std::string label = c.label;
      for (char& ch : label)
        if (ch == '\t' || ch == '\n' || ch == '\r') ch = ' ';
      line(label, std::to_string(c.films));
    }
  }
  return text;
}

}  // namespace kvn::catalogue
