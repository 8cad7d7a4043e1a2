#include "catalogue/loans.h"

#include <cstdlib>
#include <ctime>

#include "catalogue/catalogue_files.h"
#include "catalogue/film_rules.h"
#include "db/database.h"
#include "db/sqlite.h"
#include "platform/error.h"
#include "platform/ini_file.h"
#include "platform/strings.h"

namespace kvn::catalogue {

using platform::Subst;

namespace {

// A borrower is written: the loan opens (the one before, if any, ends).
const char kLoanStarts[] =
    "CREATE TRIGGER prets_debut AFTER UPDATE OF Nom ON video "
    "WHEN coalesce(trim(new.Nom), '') <> '' AND coalesce(new.Nom, '') <> coalesce(old.Nom, '') "
    "BEGIN "
    "UPDATE prets SET rendu_le = date('now', 'localtime') WHERE film = new.\"Index\" AND rendu_le "
    "IS NULL; "
    "INSERT INTO prets (film, titre, emprunteur, prete_le) VALUES (new.\"Index\", new.Titre, "
    "trim(new.Nom), coalesce(new.\"Prêté_le\", date('now', 'localtime'))); "
    "END";
// The borrower is cleared: the film is back.
const char kLoanEnds[] =
    "CREATE TRIGGER prets_retour AFTER UPDATE OF Nom ON video "
    "WHEN coalesce(trim(new.Nom), '') = '' AND coalesce(trim(old.Nom), '') <> '' "
    "BEGIN "
    "UPDATE prets SET rendu_le = date('now', 'localtime') WHERE film = new.\"Index\" AND rendu_le "
    "IS NULL; "
    "END";
// The loan day is corrected for the same borrower.
const char kLoanDayMoves[] =
    "CREATE TRIGGER prets_jour AFTER UPDATE OF \"Prêté_le\" ON video "
    "WHEN coalesce(trim(new.Nom), '') <> '' AND new.Nom = old.Nom AND new.\"Prêté_le\" IS NOT NULL "
    "BEGIN "
    "UPDATE prets SET prete_le = new.\"Prêté_le\" WHERE film = new.\"Index\" AND rendu_le IS NULL; "
    "END";
// A film added already lent (by another program, or an import).
const char kLoanOfNewFilm[] =
    "CREATE TRIGGER prets_ajout AFTER INSERT ON video "
    "WHEN coalesce(trim(new.Nom), '') <> '' "
    "BEGIN "
    "INSERT INTO prets (film, titre, emprunteur, prete_le) VALUES (new.\"Index\", new.Titre, "
    "trim(new.Nom), coalesce(new.\"Prêté_le\", date('now', 'localtime'))); "
    "END";
// A deleted film's loans keep its title; a current one ends.
const char kFilmDeleted[] =
    "CREATE TRIGGER prets_suppr AFTER DELETE ON video "
    "BEGIN "
    "UPDATE prets SET titre = old.Titre, rendu_le = coalesce(rendu_le, date('now', 'localtime')) "
    "WHERE film = old.\"Index\"; "
    "END";

const char kTable[] =
    "CREATE TABLE prets (id INTEGER PRIMARY KEY AUTOINCREMENT, film INTEGER REFERENCES "
    "video(\"Index\") ON DELETE SET NULL, titre VARCHAR(255), emprunteur VARCHAR(50) NOT NULL, "
    "prete_le DATE NOT NULL, rendre_le DATE, rendu_le DATE)";
const char kIndex[] = "CREATE INDEX idPretsFilm ON prets(film, rendu_le)";

const char* const kTriggers[] = {kLoanStarts, kLoanEnds, kLoanDayMoves, kLoanOfNewFilm,
                                 kFilmDeleted};
const char* const kTriggerNames[] = {"prets_debut", "prets_retour", "prets_jour", "prets_ajout",
                                     "prets_suppr"};

void RollBack(db::Database& database) noexcept {
  try {
    database.ExecSQL("ROLLBACK");
  } catch (const Error&) {
  }
}

std::string SchemaSql(db::Database& database, const char* name) {
  db::Statement s(database.Handle(), "SELECT sql FROM sqlite_master WHERE name = ?1",
                  database.FilePath());
  s.BindText(1, name);
  return s.Step() && !s.ColumnIsNull(0) ? s.ColumnText(0) : std::string();
}

// The effective due date: the one set, or the loan day plus the period.
std::string DueSql(int periodDays) {
  return "coalesce(p.rendre_le, date(p.prete_le, '+" + std::to_string(periodDays) + " days'))";
}

Loan LoanOf(db::Statement& s) {
  Loan l;
  l.id = s.ColumnInt(0);
  if (!s.ColumnIsNull(1)) l.film = s.ColumnInt(1);
  l.reference = s.ColumnText(2);
  l.title = s.ColumnText(3);
  l.borrower = s.ColumnText(4);
  l.since = s.ColumnText(5);
  l.due = s.ColumnText(6);
  l.returned = s.ColumnText(7);
  l.daysLate = static_cast<int>(s.ColumnInt(8));
  return l;
}

std::vector<Loan> Loans(db::Database& database, const std::string& where, const std::string& order,
                        const std::string& today, int periodDays,
                        std::optional<int64_t> film = {}) {
  // A deleted film shows the title it had.
  const std::string sql =
      "SELECT p.id, v.\"Index\", coalesce(v.Reference, ''), coalesce(v.Titre, p.titre, ''), "
      "p.emprunteur, p.prete_le, " +
      DueSql(periodDays) +
      ", coalesce(p.rendu_le, ''), CASE WHEN p.rendu_le IS NULL THEN max(0, "
      "CAST(julianday(?1) - julianday(" +
      DueSql(periodDays) +
      ") AS INTEGER)) ELSE 0 END FROM prets p LEFT JOIN video v ON v.\"Index\" = p.film WHERE " +
      where + (film ? " AND p.film = ?2" : "") + " ORDER BY " + order;
  db::Statement s(database.Handle(), sql, database.FilePath());
  s.BindText(1, today);
  if (film) s.BindInt(2, *film);
  std::vector<Loan> loans;
  while (s.Step()) loans.push_back(LoanOf(s));
  return loans;
}

// The film's borrower now ("" when it is not lent).
std::string CurrentBorrower(db::Database& database, int64_t film) {
  db::Statement lent(database.Handle(),
                     "SELECT coalesce(trim(Nom), '') FROM video WHERE \"Index\" = ?1",
                     database.FilePath());
  lent.BindInt(1, film);
  return lent.Step() ? lent.ColumnText(0) : std::string();
}

// Runs the writes in one transaction that nobody else writes in meanwhile.
template <typename Writes>
void InTransaction(db::Database& database, Writes writes) {
  database.ExecSQL("BEGIN IMMEDIATE");
  try {
    writes();
    database.ExecSQL("COMMIT");
  } catch (...) {
    RollBack(database);
    throw;
  }
}

bool ValidDay(const std::string& day) {
  const auto stored = StoredDate(day);
  return stored && *stored == day;
}

}  // namespace

int LoanPeriodDays(const std::string& directory) {
  try {
    platform::IniFile ini(SettingsPath(directory), {.allowProtected = true});
    const long days = ini.ReadInteger("PRETS", "Duree", 14);
    return days >= 1 && days <= 3650 ? static_cast<int>(days) : 14;
  } catch (const Error&) {
    return 14;
  }
}

bool HasLoanTables(db::Database& database) {
  if (SchemaSql(database, "prets") != kTable) return false;
  for (size_t i = 0; i < std::size(kTriggers); ++i)
    if (SchemaSql(database, kTriggerNames[i]) != kTriggers[i]) return false;
  return true;
}

bool IsLoanTrigger(const std::string& name, const std::string& sql) {
  for (size_t i = 0; i < std::size(kTriggers); ++i)
    if (name == kTriggerNames[i] && sql == kTriggers[i]) return true;
  return false;
}

void UseLoanTables(db::Database& database, int periodDays) {
  if (HasLoanTables(database)) return;
  InTransaction(database, [&] {
    for (const char* name : kTriggerNames)
      database.ExecSQL(std::string("DROP TRIGGER IF EXISTS ") + name);
    if (SchemaSql(database, "prets").empty()) {
      database.ExecSQL(kTable);
      database.ExecSQL(kIndex);
    }
    // The films lent before: their current loans, due after the period.
    database.ExecSQL(
        "INSERT INTO prets (film, titre, emprunteur, prete_le, rendre_le) SELECT v.\"Index\", "
        "v.Titre, trim(v.Nom), coalesce(v.\"Prêté_le\", date('now', 'localtime')), "
        "date(coalesce(v.\"Prêté_le\", date('now', 'localtime')), '+" +
        std::to_string(periodDays) +
        " days') FROM video v WHERE coalesce(trim(v.Nom), '') <> '' AND NOT EXISTS (SELECT 1 "
        "FROM prets p WHERE p.film = v.\"Index\" AND p.rendu_le IS NULL)");
    for (const char* trigger : kTriggers) database.ExecSQL(trigger);
  });
}

std::string Today() {
  if (const char* forced = std::getenv("KVN_TODAY"); forced && ValidDay(forced)) return forced;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

std::vector<Loan> CurrentLoans(db::Database& database, const std::string& today, int periodDays) {
  return Loans(database, "p.rendu_le IS NULL", "9 DESC, 7, lower(coalesce(v.Titre, p.titre))",
               today, periodDays);
}

std::vector<Loan> LoanHistory(db::Database& database, std::optional<int64_t> film, int periodDays) {
  return Loans(database, "1", "p.prete_le DESC, p.id DESC", Today(), periodDays, film);
}

int OverdueCount(db::Database& database, const std::string& today, int periodDays) {
  db::Statement s(
      database.Handle(),
      "SELECT count(*) FROM prets p WHERE p.rendu_le IS NULL AND " + DueSql(periodDays) + " < ?1",
      database.FilePath());
  s.BindText(1, today);
  return s.Step() ? static_cast<int>(s.ColumnInt(0)) : 0;
}

std::vector<std::string> BorrowerNames(db::Database& database) {
  db::Statement s(database.Handle(),
                  "SELECT emprunteur FROM prets GROUP BY lower(emprunteur) ORDER BY "
                  "lower(emprunteur)",
                  database.FilePath());
  std::vector<std::string> names;
  while (s.Step()) names.push_back(s.ColumnText(0));
  return names;
}

int64_t FilmByReference(db::Database& database, const std::string& ref) {
  db::Statement s(database.Handle(),
                  "SELECT \"Index\" FROM video WHERE trim(Reference) = trim(?1) LIMIT 2",
                  database.FilePath());
  s.BindText(1, ref);
  if (platform::Trim(ref).empty() || !s.Step())
    throw Error(Subst("Aucun film n'a la référence « %s ».", {ref}));
  const int64_t film = s.ColumnInt(0);
  if (s.Step())
    throw Error(Subst(
        "Plusieurs films ont la référence « %s » : donnez-leur des références distinctes.", {ref}));
  return film;
}

void LendFilm(db::Database& database, int64_t film, const std::string& borrower,
              const std::string& day, const std::string& until, int periodDays) {
  const std::string name(platform::Trim(borrower));
  if (name.empty()) throw Error("Le nom de l'emprunteur est vide.");
  if (!ValidDay(day)) throw Error(Subst("« %s » n'est pas une date (AAAA-MM-JJ).", {day}));
  if (!until.empty() && (!ValidDay(until) || until < day))
    throw Error(
        Subst("La date de retour « %s » doit être une date (AAAA-MM-JJ) du jour du prêt "
              "ou après.",
              {until}));
  InTransaction(database, [&] {
    const std::string current = CurrentBorrower(database, film);
    if (!current.empty())
      throw Error(Subst("Ce film est déjà prêté à %s : rendez-le d'abord.", {current}));
    db::Statement lend(database.Handle(),
                       "UPDATE video SET Nom = ?1, \"Prêté_le\" = ?2 WHERE \"Index\" = ?3",
                       database.FilePath());
    lend.BindText(1, name);
    lend.BindText(2, day);
    lend.BindInt(3, film);
    while (lend.Step()) {
    }
    db::Statement due(database.Handle(),
                      "UPDATE prets SET rendre_le = coalesce(?1, date(prete_le, '+' || ?2 || "
                      "' days')) WHERE film = ?3 AND rendu_le IS NULL",
                      database.FilePath());
    if (until.empty())
      due.BindNull(1);
    else
      due.BindText(1, until);
    due.BindInt(2, periodDays);
    due.BindInt(3, film);
    while (due.Step()) {
    }
  });
}

void SetDueDate(db::Database& database, int64_t film, const std::string& until) {
  db::Statement due(database.Handle(),
                    "UPDATE prets SET rendre_le = ?1 WHERE film = ?2 AND rendu_le IS NULL",
                    database.FilePath());
  if (until.empty())
    due.BindNull(1);
  else
    due.BindText(1, until);
  due.BindInt(2, film);
  while (due.Step()) {
  }
}

void ReturnFilm(db::Database& database, int64_t film) {
  InTransaction(database, [&] {
    if (CurrentBorrower(database, film).empty()) throw Error("Ce film n'est pas prêté.");
    db::Statement end(database.Handle(),
                      "UPDATE prets SET rendu_le = ?1 WHERE film = ?2 AND rendu_le IS NULL",
                      database.FilePath());
    end.BindText(1, Today());
    end.BindInt(2, film);
    while (end.Step()) {
    }
    db::Statement back(database.Handle(),
                       "UPDATE video SET Nom = NULL, \"Prêté_le\" = NULL WHERE \"Index\" = ?1 AND "
                       "coalesce(trim(Nom), '') <> ''",
                       database.FilePath());
    back.BindInt(1, film);
    while (back.Step()) {
    }
  });
}

}  // namespace kvn::catalogue
