// Builds catalogue directories for tests: a video.DB at a structure level with
// the given films, written straight through SQLite.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace kvn::test {

struct Film {
  std::string reference;
  std::string titre;
  std::string genre;
  std::string support;
  std::optional<std::string> duree;  // "HH:MM:SS"
  std::string jacquette;
  std::optional<std::string> nom;
  std::optional<std::string> preteLe;  // "YYYY-MM-DD"
  std::optional<double> nbCd;
  std::string jaquette2;
};

// Creates dir/video.DB at level 0, 2 or 3 and inserts the films (only the
// columns the level has); optionally writes kvn.ini with a level text.
void MakeCatalogue(const std::string& dir, int level, const std::vector<Film>& films = {},
                   std::optional<std::string> iniLevel = std::nullopt);

// Titles in the program's title order, with Latin letters of every kind
// (diacritics, ligatures, letters of their own, both cases).
std::vector<std::string> TitlesInFrenchOrder();

// A few films with accents, loans and an empty title.
std::vector<Film> SampleFilms();

// Adds n generated films (titles "Film 000001"…, durations, some loans) in one transaction.
void AddManyFilms(const std::string& dir, int n);
// Adds n films with every column filled as collections fill them: titles of
// up to 250 characters with accents, 13-digit references, cover paths, loans.
void AddRealisticFilms(const std::string& dir, int n);
// Another program in the middle of writing dir/video.DB: an exclusive lock
// held from Take until Release (or the end of the object).
class CatalogueLock {
 public:
  CatalogueLock() = default;
  ~CatalogueLock() { Release(); }
  CatalogueLock(const CatalogueLock&) = delete;
  CatalogueLock& operator=(const CatalogueLock&) = delete;
  void Take(const std::string& dir);
  void Release();

 private:
  ::sqlite3* m_db = nullptr;
};

// Runs one SQL statement on dir/video.DB and returns the rows as "a|b|c" lines.
std::vector<std::string> SqlRows(const std::string& dir, const std::string& sql);

}  // namespace kvn::test
