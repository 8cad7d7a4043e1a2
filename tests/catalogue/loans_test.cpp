// Loans followed in their own table: lent with or without a due date,
// returned, their history in order, overdue on a fixed day; the history kept
// by the triggers when another program writes; a level-3 catalogue brought
// up with its current loans; the command line and its refusals.
#include "catalogue/loans.h"

#include <gtest/gtest.h>

#include "catalogue/catalogue_files.h"
#include "db/database.h"
#include "platform/error.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::catalogue {
namespace {

using test::RunProgram;
using test::TempDir;

std::vector<std::string> Lines(const std::vector<Loan>& loans) {
  std::vector<std::string> lines;
  for (const Loan& l : loans)
    lines.push_back(l.title + "|" + l.borrower + "|" + l.since + "|" + l.due + "|" + l.returned +
                    "|" + std::to_string(l.daysLate) + (l.film ? "" : "|film supprimé"));
  return lines;
}

class LoansTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCatalogue(dir.Path());
    ASSERT_EQ(RunProgram({"sqlite3", dir / "video.DB",
                          "INSERT INTO video (Reference, Titre) VALUES ('A', 'Amour'), ('B', "
                          "'Brazil'), ('C', 'Casino'), ('D', 'Dogville')"})
                  .exitCode,
              0);
  }
  TempDir dir;
};

TEST_F(LoansTest, LendReturnHistoryAndOverdue) {
  db::Database database(dir.Path());
  LendFilm(database, 1, "Léa", "2026-11-01", "", 14);              // due 2026-11-15
  LendFilm(database, 2, " Zoé ", "2026-11-20", "2026-12-24", 14);  // due as given
  LendFilm(database, 3, "Noé", "2026-12-01", "", 14);              // due 2026-12-15
  EXPECT_EQ(Lines(CurrentLoans(database, "2026-12-20", 14)),
            (std::vector<std::string>{"Amour|Léa|2026-11-01|2026-11-15||35",
                                      "Casino|Noé|2026-12-01|2026-12-15||5",
                                      "Brazil|Zoé|2026-11-20|2026-12-24||0"}));
  EXPECT_EQ(OverdueCount(database, "2026-12-20", 14), 2);
  EXPECT_EQ(OverdueCount(database, "2026-11-15", 14), 0);
  // The current loan stays in the film's own fields.
  EXPECT_EQ(test::SqlRows(dir.Path(),
                          "SELECT Nom || '|' || \"Prêté_le\" FROM video WHERE "
                          "Reference = 'B'"),
            std::vector<std::string>{"Zoé|2026-11-20"});
  try {
    LendFilm(database, 1, "Paul", "2026-12-02", "", 14);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Ce film est déjà prêté à Léa : rendez-le d'abord.");
  }
  for (auto [until, day] : std::vector<std::pair<std::string, std::string>>{
           {"2026-10-01", "2026-11-01"}, {"demain", "2026-11-01"}}) {
    EXPECT_THROW(LendFilm(database, 4, "Paul", day, until, 14), Error) << until;
  }

  ::setenv("KVN_TODAY", "2026-12-21", 1);
  ReturnFilm(database, 1);
  LendFilm(database, 1, "Paul", "2026-12-21", "", 7);
  ReturnFilm(database, 1);
  ::unsetenv("KVN_TODAY");
  EXPECT_THROW(ReturnFilm(database, 1), Error);
  EXPECT_EQ(Lines(LoanHistory(database, 1)),
            (std::vector<std::string>{"Amour|Paul|2026-12-21|2026-12-28|2026-12-21|0",
                                      "Amour|Léa|2026-11-01|2026-11-15|2026-12-21|0"}));
  EXPECT_EQ(test::SqlRows(dir.Path(), "SELECT coalesce(Nom, '-') FROM video WHERE Reference = 'A'"),
            std::vector<std::string>{"-"});
  EXPECT_EQ(BorrowerNames(database), (std::vector<std::string>{"Léa", "Noé", "Paul", "Zoé"}));
}

// The sqlite3 shell (or any program) lends, corrects, returns and deletes:
// the triggers keep the history, a deleted film's loans keep its title.
TEST_F(LoansTest, OtherProgramsKeepTheHistory) {
  ASSERT_EQ(RunProgram({"sqlite3", dir / "video.DB",
                        "UPDATE video SET Nom = 'Léa', \"Prêté_le\" = '2026-01-05' WHERE "
                        "Reference = 'D';"
                        "UPDATE video SET \"Prêté_le\" = '2026-01-06' WHERE Reference = 'D';"
                        "UPDATE video SET Nom = 'Max' WHERE Reference = 'D';"
                        "UPDATE video SET Nom = NULL, \"Prêté_le\" = NULL WHERE Reference = 'D';"
                        "UPDATE video SET Nom = 'Zoé', \"Prêté_le\" = '2026-02-01' WHERE "
                        "Reference = 'D';"
                        "DELETE FROM video WHERE Reference = 'D';"
                        "INSERT INTO video (Titre, Nom, \"Prêté_le\") VALUES ('Eden', 'Léa', "
                        "'2026-03-01');"})
                .exitCode,
            0);
  db::Database database(dir.Path());
  std::vector<std::string> history;
  for (const Loan& l : LoanHistory(database))
    history.push_back(l.title + "|" + l.borrower + "|" + l.since + "|" +
                      (l.returned.empty() ? "en cours" : "rendu") + (l.film ? "" : "|supprimé"));
  EXPECT_EQ(history, (std::vector<std::string>{"Eden|Léa|2026-03-01|en cours",
                                               "Dogville|Zoé|2026-02-01|rendu|supprimé",
                                               "Dogville|Max|2026-01-06|rendu|supprimé",
                                               "Dogville|Léa|2026-01-06|rendu|supprimé"}));
  EXPECT_EQ(test::SqlRows(dir.Path(), "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
}

// ----------------------------------------------------------------- command line

test::ProgramResult Korvane(const std::string& dir, const std::string& today,
                            std::vector<std::string> args) {
  args.insert(args.begin(), {"env", "KVN_TODAY=" + today, test::KorvaneExecutable(), "--dir", dir});
  return RunProgram(args);
}

// A catalogue of the third level keeps its current loans once brought up;
// lending, returning and listing by reference, refusals in French.
TEST(LoansCommand, CurrentLoansKeptAndTheCommands) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms(), std::string("3"));
  const test::ProgramResult listed = Korvane(dir.Path(), "2024-03-25", {"loans"});
  ASSERT_EQ(listed.exitCode, 0) << listed.err;
  EXPECT_EQ(listed.out,
            "R005\tZazie dans le métro\tZoé\t2023-12-01\t2023-12-15\t101\n"
            "R002\tla Haine\tJérôme\t2024-03-15\t2024-03-29\t0\n");
  EXPECT_EQ(Korvane(dir.Path(), "2024-03-25", {"loans", "--overdue"}).out,
            "R005\tZazie dans le métro\tZoé\t2023-12-01\t2023-12-15\t101\n");

  const test::ProgramResult lent =
      Korvane(dir.Path(), "2024-03-25", {"lend", "R006", "Inès", "--until", "2024-04-01"});
  ASSERT_EQ(lent.exitCode, 0) << lent.err;
  EXPECT_EQ(lent.out, "Film « Élise » prêté à Inès le 2024-03-25, à rendre le 2024-04-01.\n");
  const test::ProgramResult back = Korvane(dir.Path(), "2024-03-26", {"return", "R005"});
  ASSERT_EQ(back.exitCode, 0) << back.err;
  EXPECT_EQ(back.out, "Film rendu : « Zazie dans le métro ».\n");
  EXPECT_EQ(Korvane(dir.Path(), "2024-04-03", {"loans", "--history"}).out,
            "R006\tÉlise\tInès\t2024-03-25\t2024-04-01\t2\t\n"
            "R002\tla Haine\tJérôme\t2024-03-15\t2024-03-29\t5\t\n"
            "R005\tZazie dans le métro\tZoé\t2023-12-01\t2023-12-15\t0\t2024-03-26\n");

  ASSERT_EQ(RunProgram({"sqlite3", dir / "video.DB",
                        "UPDATE video SET Reference = 'R001' WHERE Reference = 'R003'"})
                .exitCode,
            0);
  struct {
    std::vector<std::string> args;
    const char* err;
  } refusals[] = {
      {{"lend", "R999", "Léa"}, "Aucun film n'a la référence « R999 ».\n"},
      {{"lend", "R001", "Léa"},
       "Plusieurs films ont la référence « R001 » : donnez-leur des références distinctes.\n"},
      {{"lend", "R002", "Léa"}, "Ce film est déjà prêté à Jérôme : rendez-le d'abord.\n"},
      {{"return", "R005"}, "Ce film n'est pas prêté.\n"},
      {{"lend", "R005", "Léa", "--until", "2024-02-30"},
       "La date de retour « 2024-02-30 » doit être une date (AAAA-MM-JJ) du jour du prêt ou "
       "après.\n"},
      {{"lend", "R005"},
       "La commande lend attend la référence du film et le nom de "
       "l'emprunteur.\n"},
      {{"loans", "--late"}, "Option inconnue : --late (voir korvane --help)\n"},
  };
  for (const auto& r : refusals) {
    const test::ProgramResult result = Korvane(dir.Path(), "2024-04-03", r.args);
    EXPECT_EQ(result.exitCode, 1) << r.args[0];
    EXPECT_EQ(result.err, r.err);
  }
}

// Loans come in with imported films (borrower and date columns) and
// survive an archive and its restore.
TEST(LoansCommand, ImportAndRestoreKeepTheLoans) {
  TempDir dir;
  InitCatalogue(dir.Path());
  test::WriteFile(dir / "films.csv", "Titre;Emprunteur;Prêté le\nStalker;Léa;01/02/2026\nEden;;\n");
  ASSERT_EQ(Korvane(dir.Path(), "2026-03-01", {"import", dir / "films.csv"}).exitCode, 0);
  EXPECT_EQ(Korvane(dir.Path(), "2026-03-01", {"loans"}).out,
            "\tStalker\tLéa\t2026-02-01\t2026-02-15\t14\n");
  ASSERT_EQ(Korvane(dir.Path(), "2026-03-01", {"archive"}).exitCode, 0);
  ASSERT_EQ(RunProgram({"sqlite3", dir / "video.DB", "DELETE FROM prets"}).exitCode, 0);
  const test::ProgramResult restored = Korvane(dir.Path(), "2026-03-01", {"restore"});
  ASSERT_EQ(restored.exitCode, 0) << restored.err;
  EXPECT_EQ(test::SqlRows(dir.Path(), "SELECT emprunteur, prete_le FROM prets"),
            std::vector<std::string>{"Léa|2026-02-01"});
}

}  // namespace
}  // namespace kvn::catalogue
