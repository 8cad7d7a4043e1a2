#include "tests/support/catalogue_fixture.h"

#include <sqlite3.h>

#include <stdexcept>

#include "catalogue/catalogue_files.h"
#include "catalogue/film_search.h"
#include "catalogue/loans.h"
#include "db/database.h"
#include "db/title_key.h"
#include "platform/ini_file.h"

namespace kvn::test {

namespace {

void Check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    throw std::runtime_error(sqlite3_errmsg(db));
}

void BindOpt(sqlite3_stmt* s, int i, const std::optional<std::string>& v) {
  if (v)
    sqlite3_bind_text(s, i, v->c_str(), -1, SQLITE_TRANSIENT);
  else
    sqlite3_bind_null(s, i);
}

void BindText(sqlite3_stmt* s, int i, const std::string& v) {
  if (v.empty())
    sqlite3_bind_null(s, i);
  else
    sqlite3_bind_text(s, i, v.c_str(), -1, SQLITE_TRANSIENT);
}

}  // namespace

void MakeCatalogue(const std::string& dir, int level, const std::vector<Film>& films,
                   std::optional<std::string> iniLevel) {
  catalogue::CreateCatalogueFile(dir, level);
  sqlite3* db = nullptr;
  Check(sqlite3_open((dir + "/video.DB").c_str(), &db), db);
  std::string sql = level >= 2 ? "INSERT INTO video (Reference, Titre, Genre, Support, \"Durée\", "
                                 "Jacquette, Nom, \"Prêté_le\", Nb_cd"
                               : "INSERT INTO video (Reference, Titre, Genre, Support, \"Durée\"";
  sql += level >= 3   ? ", Jaquette2) VALUES (?,?,?,?,?,?,?,?,?,?)"
         : level >= 2 ? ") VALUES (?,?,?,?,?,?,?,?,?)"
                      : ") VALUES (?,?,?,?,?)";
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* s = nullptr;
  Check(sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr), db);
  for (const Film& f : films) {
    BindText(s, 1, f.reference);
    BindText(s, 2, f.titre);
    BindText(s, 3, f.genre);
    BindText(s, 4, f.support);
    BindOpt(s, 5, f.duree);
    if (level >= 2) {
      BindText(s, 6, f.jacquette);
      BindOpt(s, 7, f.nom);
      BindOpt(s, 8, f.preteLe);
      if (f.nbCd)
        sqlite3_bind_double(s, 9, *f.nbCd);
      else
        sqlite3_bind_null(s, 9);
    }
    if (level >= 3) BindText(s, 10, f.jaquette2);
    Check(sqlite3_step(s), db);
    sqlite3_reset(s);
  }
  sqlite3_finalize(s);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  // The current structure has its loans' table beside the films.
  if (level >= catalogue::kCurrentStructureLevel) {
    db::Database database(dir);
    catalogue::UseLoanTables(database, 14);
    catalogue::UseSearchIndex(database);
  }
  if (iniLevel) {
    platform::IniFile ini(dir + "/kvn.ini");
    ini.WriteString("BASEDB", "Id_Imp_Base", *iniLevel);
  }
}

std::vector<std::string> TitlesInFrenchOrder() {
  return {"À bout de souffle",
          "Ærø",
          "Ägypten",
          "Ångel",
          "Ångström",
          "Åsa",
          "Bœuf",
          "Ça",
          "ça",
          "Čapek",
          "César",
          "Cezanne",
          "Ďábel",
          "Đakovo",
          "Dvořák",
          "Ē",
          "Été 85",
          "Ğazi",
          "Ħamrun",
          "Ĳssel",
          "İstanbul",
          "Ŀ",
          "Łódź",
          "Loïc",
          "Loup",
          "Manana",
          "Mañana",
          "Mobile",
          "Möbius",
          "Ñandú",
          "Noel",
          "NOËL",
          "Noël",
          "Ödön",
          "Œdipe",
          "Orange",
          "Øresund",
          "Ōsaka",
          "ſ",
          "Şahin",
          "Șapte",
          "Strasse",
          "Straße",
          "Ţara",
          "Țară",
          "Þórr",
          "Ŭ",
          "Ÿ",
          "Ýr",
          "Zoo",
          "Żubr"};
}

std::vector<Film> SampleFilms() {
  return {
      {"R001", "Le Fabuleux Destin d'Amélie Poulain", "Comédie", "DVD", "02:02:00", "",
       std::nullopt, std::nullopt, 1, ""},
      {"R002", "la Haine", "Drame", "VHS", "01:38:00", "/covers/haine.jpg", "Jérôme", "2024-03-15",
       1, "/covers/haine_dos.jpg"},
      {"R003", "Astérix et Obélix : Mission Cléopâtre", "Comédie", "DVD", "01:47:00", "",
       std::nullopt, std::nullopt, 2, ""},
      {"", "", "Action", "DivX ;-)", std::nullopt, "", std::nullopt, std::nullopt, std::nullopt,
       ""},
      {"R005", "Zazie dans le métro", "Comédie", "VCD", "01:33:00", "", "Zoé", "2023-12-01", 2, ""},
      {"R006", "Élise", "Drame", "DVD", "00:55:30", "", std::nullopt, std::nullopt, 1, ""},
  };
}

void AddManyFilms(const std::string& dir, int n) {
  sqlite3* db = nullptr;
  Check(sqlite3_open((dir + "/video.DB").c_str(), &db), db);
  const std::string sql =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
      std::to_string(n) +
      ") INSERT INTO video (Reference, Titre, Genre, Support, \"Durée\", Nom, \"Prêté_le\", Nb_cd) "
      "SELECT printf('G%06d', i), printf('Film %06d : une histoire « française »', i), 'Drame', "
      "'DVD', "
      "printf('%02d:%02d:00', 1 + i % 3, i % 60), CASE WHEN i % 7 = 0 THEN 'Zoé' END, "
      "CASE WHEN i % 7 = 0 THEN '2024-05-17' END, 1 + i % 2 FROM n";
  Check(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), db);
  sqlite3_close(db);
}

void AddRealisticFilms(const std::string& dir, int n) {
  sqlite3* db = nullptr;
  Check(sqlite3_open((dir + "/video.DB").c_str(), &db), db);
  // Titles from a few words to 250 characters, EAN references, cover paths,
  // names with accents, durations with seconds, loans on one film in five.
  const std::string sql =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
      std::to_string(n) +
      "), w(k, word) AS (VALUES (0, 'l''énigme'), (1, 'fenêtre'), (2, 'Noël'), (3, 'crépuscule'), "
      "(4, 'cœur'),"
      " (5, 'À bout'), (6, 'des « rivières »'), (7, 'Ødön'))"
      " INSERT INTO video (Reference, Titre, Genre, Support, \"Durée\", Jacquette, Nom, "
      "\"Prêté_le\", Nb_cd, Jaquette2)"
      " SELECT printf('%013d', 3000000000000 + i * 7919),"
      " substr(printf('%d %s %s', i, (SELECT word FROM w WHERE k = i % 8),"
      "   CASE WHEN i % 4 = 0 THEN replace(printf('%.*c', 40, 'x'), 'x', 'la longue histoire ') "
      "ELSE 'du soir' END),"
      "   1, 250),"
      " CASE i % 5 WHEN 0 THEN 'Comédie' WHEN 1 THEN 'Drame' WHEN 2 THEN 'Science-Fiction' WHEN 3 "
      "THEN 'Thriller'"
      "   ELSE 'Policier' END,"
      " CASE i % 3 WHEN 0 THEN 'DVD' WHEN 1 THEN 'Blu-ray' ELSE 'VHS' END,"
      " printf('%02d:%02d:%02d', 1 + i % 3, i % 60, (i * 7) % 60),"
      " printf('/home/collection/jaquettes/film_%06d_recto.jpg', i),"
      " CASE WHEN i % 5 = 0 THEN 'Françoise Lefèvre-Dubois' END, CASE WHEN i % 5 = 0 THEN "
      "'2024-03-15' END,"
      " 1 + i % 3, printf('/home/collection/jaquettes/film_%06d_verso.jpg', i) FROM n";
  Check(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), db);
  sqlite3_close(db);
}

void CatalogueLock::Take(const std::string& dir) {
  Release();
  Check(sqlite3_open((dir + "/video.DB").c_str(), &m_db), m_db);
  Check(sqlite3_exec(m_db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), m_db);
}

void CatalogueLock::Release() {
  if (!m_db) return;
  sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(m_db);
  m_db = nullptr;
}

std::vector<std::string> SqlRows(const std::string& dir, const std::string& sql) {
  sqlite3* db = nullptr;
  Check(sqlite3_open_v2((dir + "/video.DB").c_str(), &db, SQLITE_OPEN_READONLY, nullptr), db);
  sqlite3_stmt* s = nullptr;
  Check(sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr), db);
  std::vector<std::string> rows;
  while (sqlite3_step(s) == SQLITE_ROW) {
    std::string line;
    for (int c = 0; c < sqlite3_column_count(s); ++c) {
      if (c) line += "|";
      const unsigned char* t = sqlite3_column_text(s, c);
      line += t ? reinterpret_cast<const char*>(t) : "NULL";
    }
    rows.push_back(line);
  }
  sqlite3_finalize(s);
  sqlite3_close(db);
  return rows;
}

}  // namespace kvn::test
