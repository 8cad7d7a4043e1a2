#include "catalogue/film_duplicates.h"

#include <map>

#include "db/database.h"
#include "db/sqlite.h"
#include "db/title_key.h"

namespace kvn::catalogue {

namespace {

// The film's columns after the key, as FilmSummary holds them.
const char kFilmColumns[] =
    "v.\"Index\", coalesce(v.Reference, ''), coalesce(v.Titre, ''), coalesce(v.\"Année\", ''), "
    "trim(coalesce(v.EAN, ''))";

FilmSummary SummaryOf(const db::Statement& s, int first) {
  return {s.ColumnInt(first), s.ColumnText(first + 1), s.ColumnText(first + 2),
          s.ColumnText(first + 3), s.ColumnText(first + 4)};
}

}  // namespace

std::string DuplicateGroup::Caption() const {
  if (films.empty()) return {};
  const FilmSummary& first = films.front();
  if (reason == Reason::SameEan) return "Même EAN : " + first.ean;
  return "Même titre et même année : " + first.title +
         (first.year.empty() ? " (année inconnue)" : " (" + first.year + ")");
}

std::vector<DuplicateGroup> FindDuplicates(db::Database& database) {
  std::vector<DuplicateGroup> groups;
  db::Statement sameEan(database.Handle(),
                        std::string("SELECT ") + kFilmColumns +
                            " FROM video v JOIN video_cle k ON k.id = v.\"Index\" WHERE "
                            "trim(v.EAN) IN (SELECT trim(EAN) FROM video WHERE trim(EAN) <> '' "
                            "GROUP BY trim(EAN) HAVING count(*) > 1) ORDER BY trim(v.EAN), "
                            "k.cle, k.id",
                        database.FilePath());
  while (sameEan.Step()) {
    FilmSummary film = SummaryOf(sameEan, 0);
    if (groups.empty() || groups.back().films.front().ean != film.ean)
      groups.push_back({DuplicateGroup::Reason::SameEan, {}});
    groups.back().films.push_back(std::move(film));
  }

  // The key table in its order puts films of the same folded title side by
  // side (the fold, char(1), the title); each run is split by year.
  db::Statement byTitle(database.Handle(),
                        std::string("SELECT k.cle, ") + kFilmColumns +
                            " FROM video_cle k JOIN video v ON v.\"Index\" = k.id ORDER BY k.cle, "
                            "k.id",
                        database.FilePath());
  std::string runKey;
  std::map<std::string, std::vector<FilmSummary>> run;  // by year
  auto endRun = [&] {
    for (auto& [year, films] : run)
      if (films.size() > 1) groups.push_back({DuplicateGroup::Reason::SameTitleAndYear, films});
    run.clear();
  };
  while (byTitle.Step()) {
    const std::string key = byTitle.ColumnText(0);
    const std::string fold = key.substr(0, key.find('\1'));
    if (fold != runKey) {
      endRun();
      runKey = fold;
    }
    FilmSummary film = SummaryOf(byTitle, 1);
    run[film.year].push_back(std::move(film));
  }
  endRun();
  return groups;
}

std::vector<FilmSummary> FilmsTitled(db::Database& database, const std::string& title,
                                     size_t limit) {
  std::vector<FilmSummary> films;
  db::Statement s(database.Handle(),
                  std::string("SELECT ") + kFilmColumns +
                      " FROM video_cle k JOIN video v ON v.\"Index\" = k.id WHERE k.cle >= ?1 || "
                      "char(1) AND k.cle < ?1 || char(2) ORDER BY k.cle, k.id LIMIT ?2",
                  database.FilePath());
  s.BindText(1, db::FoldTitle(title));
  s.BindInt(2, static_cast<int64_t>(limit));
  while (s.Step()) films.push_back(SummaryOf(s, 0));
  return films;
}

}  // namespace kvn::catalogue
