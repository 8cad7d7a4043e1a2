// Loans a collector can follow. video.Nom and video."Prêté_le" stay the
// current loan, as every tool sees it; the table `prets` beside it keeps
// every loan with its due date and the day the film came back. Triggers on
// `video` (built-in functions only, so the sqlite3 shell and other programs
// keep the history too) open a loan when a borrower is written, move its day
// when the loan day is corrected, and close it when the borrower is cleared.
// A deleted film's loans keep its title.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kvn::db {
class Database;
}

namespace kvn::catalogue {

// The loan period a new loan gets when no due date is given (kvn.ini,
// [PRETS] Duree, in days; 14 by default).
int LoanPeriodDays(const std::string& directory);

// Builds the loans table and its triggers when they are missing or differ,
// and opens a loan for each film lent before (its due date the loan day
// plus the period). One transaction.
void UseLoanTables(db::Database& database, int periodDays);
bool HasLoanTables(db::Database& database);
// Whether a trigger is one of those, as this program writes it.
bool IsLoanTrigger(const std::string& name, const std::string& sql);

struct Loan {
  int64_t id = 0;
  std::optional<int64_t> film;  // nullopt: the film was deleted
  std::string reference, title, borrower;
  std::string since;     // YYYY-MM-DD
  std::string due;       // YYYY-MM-DD (the loan day plus the period when none was set)
  std::string returned;  // YYYY-MM-DD, empty while lent
  int daysLate = 0;      // on "today", for a current loan
};

// "Today" as YYYY-MM-DD: KVN_TODAY when set (tests), else the local date.
std::string Today();

// The current loans, overdue first (most days late first), then by due date.
std::vector<Loan> CurrentLoans(db::Database& database, const std::string& today, int periodDays);
// Every loan, the most recent first; of one film when given.
std::vector<Loan> LoanHistory(db::Database& database, std::optional<int64_t> film = {},
                              int periodDays = 14);
int OverdueCount(db::Database& database, const std::string& today, int periodDays);
// The names already used, for completion.
std::vector<std::string> BorrowerNames(db::Database& database);

// The film whose reference is ref: refused in French when none or several
// have it.
int64_t FilmByReference(db::Database& database, const std::string& ref);
// Lends a film (its borrower and day in `video`, the due date in the loan);
// refused when the film is already lent. until empty: the day plus the period.
void LendFilm(db::Database& database, int64_t film, const std::string& borrower,
              const std::string& day, const std::string& until, int periodDays);
// Sets the due date of the film's current loan.
void SetDueDate(db::Database& database, int64_t film, const std::string& until);
// Ends the film's current loan; refused when it is not lent.
void ReturnFilm(db::Database& database, int64_t film);

}  // namespace kvn::catalogue
