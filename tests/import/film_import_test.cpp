// Bringing films into the catalogue: columns matched by name, values checked
// with the windows' rules, duplicates found before anything is written, one
// transaction, the catalogue before kept and brought back; the command line
// from the user's side, a kill included, and the round trip through the
// catalogue's own exports.
#include "import/film_import.h"

#include <gtest/gtest.h>

#include "catalogue/catalogue_files.h"
#include "db/database.h"
#include "platform/error.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tools/film_generator.h"

namespace kvn::importing {
namespace {

using test::ReadFile;
using test::RunProgram;
using test::TempDir;

std::vector<std::string> Fields(const std::vector<int>& mapping) {
  std::vector<std::string> names;
  for (int m : mapping)
    names.push_back(m < 0 ? "-" : TargetFields()[static_cast<size_t>(m)].column);
  return names;
}

TEST(FilmImport, ColumnsAreMatchedByTheirNames) {
  EXPECT_EQ(Fields(MatchColumns({"Index", "Référence", "TITRE", "Durée", "Prêté le", "Nb CD",
                                 "Année", "Réalisateur", "Titre original", "Résumé", "EAN"})),
            (std::vector<std::string>{"-", "Reference", "Titre", "Durée", "Prêté_le", "Nb_cd",
                                      "Année", "Réalisateur", "Titre_original", "Résumé", "EAN"}));
  // English names and the other programs' ones; a field is filled once.
  EXPECT_EQ(Fields(MatchColumns({"Title", "Year", "Director", "Cast", "Running Time", "Plot",
                                 "Rating", "Seen", "Barcode", "Title", "Notes"})),
            (std::vector<std::string>{"Titre", "Année", "Réalisateur", "Acteurs", "Durée", "Résumé",
                                      "Note", "Vu", "EAN", "-", "-"}));
  // Tellico's medium is the support, its format (PAL) is not.
  EXPECT_EQ(Fields(MatchColumns({"format", "medium", "nationality", "origtitle"})),
            (std::vector<std::string>{"-", "Support", "Pays", "Titre_original"}));
}

class FilmImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    catalogue::InitCatalogue(dir.Path());
    ASSERT_EQ(RunProgram({"sqlite3", dir / "video.DB",
                          "INSERT INTO video (Reference, Titre, \"Année\") VALUES "
                          "('R1', 'Amélie', 2001), (NULL, 'Brazil', 1985), (NULL, 'Casino', NULL)"})
                  .exitCode,
              0);
  }
  ImportTable Table(std::vector<std::vector<std::string>> rows) {
    ImportTable t;
    t.columns = rows.front();
    for (size_t i = 1; i < rows.size(); ++i) t.rows.push_back({static_cast<int>(i + 1), rows[i]});
    return t;
  }
  TempDir dir;
};

TEST_F(FilmImportTest, WrongRowsAreListedWithTheirLineAndReason) {
  db::Database database(dir.Path());
  const ImportTable t = Table({
      {"Titre", "Durée", "Nb CD", "Année", "Note", "Vu", "EAN", "Prêté le"},
      {"Bon", "1h35", "2", "1999", "7", "oui", "3700259801034", "01/03/2024"},
      {"Durée", "trois heures", "", "", "", "", "", ""},
      {"Disques", "", "120", "", "", "", "", ""},
      {"Année", "", "", "1789", "", "", "", ""},
      {"Note", "", "", "", "11", "", "", ""},
      {"Vu", "", "", "", "", "peut-être", "", ""},
      {"EAN", "", "", "", "", "", "3700 2598 0103 6", ""},
      {"", "95", "", "", "", "", "", ""},
      {"Date", "", "", "", "", "", "", "31/02/2024"},
      {"Trop", "", "", "", "", "", "", "", "en plus"},
      {std::string(256, 'x'), "", "", "", "", "", "", ""},
  });
  const ImportPlan plan = PrepareImport(database, t, MatchColumns(t.columns));
  ASSERT_EQ(plan.films.size(), 1u);
  const auto& v = plan.films[0].values;
  EXPECT_EQ(v[4], "01:35:00");
  EXPECT_EQ(v[8], "2");
  EXPECT_EQ(v[16], "7");
  EXPECT_EQ(v[17], "1");
  EXPECT_EQ(v[7], "2024-03-01");
  std::vector<std::string> problems;
  for (const RowProblem& p : plan.problems)
    problems.push_back(std::to_string(p.line) + ": " + p.reason);
  EXPECT_EQ(problems,
            (std::vector<std::string>{
                "3: la durée « trois heures » n'est pas une durée (HH:MM:SS, 1h30 ou 95 minutes)",
                "4: le nombre de CD « 120 » n'est pas un nombre de 0 à 99",
                "5: l'année « 1789 » n'est pas une année de 1880 à 2100",
                "6: la note « 11 » n'est pas un nombre de 0 à 10",
                "7: « Vu » vaut « peut-être » au lieu de oui ou non",
                "8: le code EAN « 3700 2598 0103 6 » est refusé : Le dernier chiffre du code EAN "
                "(la clé) devrait être 4 : vérifiez le code.",
                "9: le film n'a pas de titre",
                "10: la date du prêt « 31/02/2024 » n'est pas une date (JJ/MM/AAAA)",
                "11: la ligne a 9 valeurs pour 8 colonnes",
                "12: « Titre » compte 256 caractères (255 au plus)"}));
  // Without a title column nothing can be imported.
  const ImportTable untitled = Table({{"Nom du fichier"}, {"a.avi"}});
  EXPECT_THROW(PrepareImport(database, untitled, MatchColumns(untitled.columns)), Error);
}

// The films of a catalogue file, as the sqlite3 shell prints them.
std::string Films(const std::string& file) {
  return RunProgram({"sqlite3", file, "SELECT * FROM video ORDER BY \"Index\""}).out;
}

TEST_F(FilmImportTest, DuplicatesAreSkippedReplacedOrKeptAndTheImportCanBeUndone) {
  const std::string before = Films(dir / "video.DB");
  const ImportTable t = Table({
      {"Référence", "Titre", "Année", "Réalisateur"},
      {"R1", "Autre titre", "", "Jean-Pierre Jeunet"},  // same reference as Amélie
      {"", "BRAZIL", "1985", "Terry Gilliam"},          // same title and year
      {"", "Casino", "1995", "Martin Scorsese"},        // another year: a new film
      {"", "Zazie dans le métro", "1960", "Louis Malle"},
  });
  struct Case {
    DuplicateChoice choice;
    std::vector<std::string> films;
    int added, replaced, skipped;
  } cases[] = {
      {DuplicateChoice::Skip,
       {"R1|Amélie|2001|NULL", "NULL|Brazil|1985|NULL", "NULL|Casino|NULL|NULL",
        "NULL|Casino|1995|Martin Scorsese", "NULL|Zazie dans le métro|1960|Louis Malle"},
       2,
       0,
       2},
      {DuplicateChoice::Replace,
       {"R1|Autre titre|NULL|Jean-Pierre Jeunet", "NULL|BRAZIL|1985|Terry Gilliam",
        "NULL|Casino|NULL|NULL", "NULL|Casino|1995|Martin Scorsese",
        "NULL|Zazie dans le métro|1960|Louis Malle"},
       2,
       2,
       0},
      {DuplicateChoice::KeepBoth,
       {"R1|Amélie|2001|NULL", "NULL|Brazil|1985|NULL", "NULL|Casino|NULL|NULL",
        "R1|Autre titre|NULL|Jean-Pierre Jeunet", "NULL|BRAZIL|1985|Terry Gilliam",
        "NULL|Casino|1995|Martin Scorsese", "NULL|Zazie dans le métro|1960|Louis Malle"},
       4,
       0,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.choice));
    ImportResult result;
    {
      db::Database database(dir.Path());
      const ImportPlan plan = PrepareImport(database, t, MatchColumns(t.columns));
      ASSERT_EQ(plan.duplicates.size(), 2u);
      EXPECT_EQ(plan.duplicates[0].reason, "même référence");
      EXPECT_EQ(plan.duplicates[0].existingTitle, "Amélie");
      EXPECT_EQ(plan.duplicates[1].reason, "même titre et même année");
      result = ApplyImport(database, plan, c.choice);
    }
    EXPECT_EQ(result.added, c.added);
    EXPECT_EQ(result.replaced, c.replaced);
    EXPECT_EQ(result.skipped, c.skipped);
    EXPECT_EQ(test::SqlRows(dir.Path(),
                            "SELECT coalesce(Reference, 'NULL') || '|' || Titre || '|' || "
                            "coalesce(\"Année\", 'NULL') || '|' || coalesce(\"Réalisateur\", "
                            "'NULL') FROM video ORDER BY \"Index\""),
              c.films);
    // The list's title order holds for the new and the changed films.
    EXPECT_EQ(test::SqlRows(dir.Path(),
                            "SELECT count(*) FROM video v JOIN video_cle k ON k.id = v.\"Index\""),
              std::vector<std::string>{std::to_string(c.films.size())});
    EXPECT_EQ(test::SqlRows(dir.Path(), "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
    // The catalogue before the import is kept, and comes back.
    EXPECT_EQ(Films(dir / "video.DB.avant-import"), before);
    ASSERT_TRUE(CanUndoImport(dir.Path()));
    EXPECT_EQ(UndoImport(dir.Path()), 3);
    EXPECT_FALSE(CanUndoImport(dir.Path()));
    EXPECT_EQ(test::SqlRows(dir.Path(), "SELECT group_concat(Titre, '|') FROM video"),
              std::vector<std::string>{"Amélie|Brazil|Casino"});
  }
  try {
    UndoImport(dir.Path());
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Il n'y a pas d'import à annuler : aucune copie du catalogue d'avant l'import.");
  }
}

// ----------------------------------------------------------------- command line

test::ProgramResult Korvane(const std::string& dir, std::vector<std::string> args) {
  args.insert(args.begin(), {test::KorvaneExecutable(), "--dir", dir});
  return RunProgram(args);
}

TEST(ImportCommand, ARowInErrorStopsTheImportUnlessSkipped) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms(), std::string("3"));
  const char* const films = "SELECT Reference, Titre, Genre, \"Durée\", Nom FROM video";
  const std::vector<std::string> before = test::SqlRows(dir.Path(), films);
  test::WriteFile(dir / "films.csv",
                  "Titre;Durée;Genre;Inconnue\r\nUn;1:30:00;Drame;x\r\nDeux;deux heures;;\r\n");
  const test::ProgramResult refused = Korvane(dir.Path(), {"import", dir / "films.csv"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.err,
            "Ligne 3 : la durée « deux heures » n'est pas une durée (HH:MM:SS, 1h30 ou 95 "
            "minutes).\n1 ligne est fautive : rien n'a été importé (--skip-errors écarte ces "
            "lignes et importe les autres).\n");
  EXPECT_EQ(test::SqlRows(dir.Path(), films), before);
  EXPECT_FALSE(CanUndoImport(dir.Path()));

  // Skipped: the other film goes in, after the level-3 catalogue was brought up.
  const test::ProgramResult done =
      Korvane(dir.Path(), {"import", dir / "films.csv", "--skip-errors"});
  ASSERT_EQ(done.exitCode, 0) << done.err;
  EXPECT_EQ(done.out,
            "Colonne « Inconnue » laissée de côté : aucun champ du catalogue ne porte ce nom.\n"
            "Import terminé : 1 film ajouté, 1 ligne écartée.\n"
            "Le catalogue d'avant l'import est conservé dans \"" +
                dir.Path() + "/video.DB.avant-import\" (korvane undo-import le remet).\n");
  EXPECT_EQ(test::SqlRows(dir.Path(), "SELECT count(*), max(\"Année\" IS NULL) FROM video"),
            std::vector<std::string>{"7|1"});
  EXPECT_EQ(test::SqlRows(dir.Path(), "SELECT Genre, \"Durée\" FROM video WHERE Titre = 'Un'"),
            std::vector<std::string>{"Drame|01:30:00"});
  // The quick filter finds the films imported, and the others still.
  EXPECT_EQ(Korvane(dir.Path(), {"search", "un"}).out, "\tUn\t\n");
  EXPECT_EQ(Korvane(dir.Path(), {"search", "zazie"}).out, "R005\tZazie dans le métro\t\n");
  // The kept copy is never an export's target.
  EXPECT_NE(Korvane(dir.Path(), {"export", "csv", "-o", dir / "video.DB.avant-import"}).exitCode,
            0);
  const test::ProgramResult undone = Korvane(dir.Path(), {"undo-import"});
  ASSERT_EQ(undone.exitCode, 0) << undone.err;
  EXPECT_EQ(undone.out,
            "Import annulé : le catalogue d'avant l'import est remis en place (6 films).\n");
  EXPECT_EQ(test::SqlRows(dir.Path(), "SELECT count(*) FROM video"), std::vector<std::string>{"6"});

  // Options the user gives win over the detection; mistakes are said.
  test::WriteFile(dir / "virgules.txt", "Titre,Note\n\"A, B\",4\n");
  ASSERT_EQ(Korvane(dir.Path(), {"import", dir / "virgules.txt", "--delimiter", ","}).exitCode, 0);
  EXPECT_EQ(test::SqlRows(dir.Path(), "SELECT Note FROM video WHERE Titre = 'A, B'"),
            std::vector<std::string>{"4"});
  struct {
    std::vector<std::string> args;
    const char* err;
  } mistakes[] = {
      {{"import"}, "La commande import attend le fichier à importer.\n"},
      {{"import", "a.csv", "--duplicates", "tous"},
       "--duplicates attend skip (laisser de côté), replace (remplacer) ou keep (garder les "
       "deux), pas « tous ».\n"},
      {{"import", "a.csv", "--delimiter", ";;"},
       "L'option --delimiter attend un seul caractère (ou \\t).\n"},
      {{"import", dir / "absent.csv"}, ""},
  };
  for (const auto& m : mistakes) {
    const test::ProgramResult r = Korvane(dir.Path(), m.args);
    EXPECT_EQ(r.exitCode, 1);
    if (*m.err) {
      EXPECT_EQ(r.err, m.err);
    }
  }
}

// A catalogue of real shape exported to CSV, to the workbook and to the XML
// packet, each imported into an empty catalogue: the same films (the
// exports leave out a title's closing spaces and write an empty text for
// an empty field).
TEST(ImportCommand, RoundTripThroughTheExports) {
  TempDir dir;
  tools::WriteGeneratedCatalogue(dir / "source", 2000);
  std::string columns;
  for (const TargetField& f : TargetFields())
    columns += std::string(columns.empty() ? "" : ", ") + "rtrim(nullif(\"" + f.column + "\", ''))";
  for (const char* type : {"csv", "xls", "xml"}) {
    SCOPED_TRACE(type);
    const std::string file = dir / (std::string("films.") + type);
    std::vector<std::string> exportArgs = {"export", type, "-o", file};
    if (std::string(type) == "csv") exportArgs.insert(exportArgs.end(), {"--encoding", "UTF-8"});
    ASSERT_EQ(Korvane(dir / "source", exportArgs).exitCode, 0);
    const std::string target = dir / (std::string("copie-") + type);
    ASSERT_EQ(Korvane(target, {"init"}).exitCode, 0);
    const test::ProgramResult r = Korvane(target, {"import", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Import terminé : 2000 films ajoutés."), std::string::npos) << r.out;
    const std::string compare = "ATTACH '" + dir.Path() +
                                "/source/video.DB' AS o; SELECT count(*) FROM "
                                "(SELECT " +
                                columns + " FROM o.video EXCEPT SELECT " + columns +
                                " FROM main.video);";
    EXPECT_EQ(RunProgram({"sqlite3", target + "/video.DB", compare}).out, "0\n");
  }
}

TEST(ImportCommand, AKilledImportLeavesTheCatalogueAsItWas) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 4, test::SampleFilms(), std::string("4"));
  std::string csv = "Titre;Année\n";
  for (int i = 0; i < 5000; ++i) csv += "Film " + std::to_string(i) + ";1999\n";
  test::WriteFile(dir / "films.csv", csv);
  const std::string before = test::SqlRows(dir.Path(), "SELECT group_concat(Titre) FROM video")[0];
  for (const char* point : {"import-copied", "import-written"}) {
    SCOPED_TRACE(point);
    ASSERT_TRUE(test::KillProgramAtPausePoint(
        {test::KorvaneExecutable(), "--dir", dir.Path(), "import", dir / "films.csv"}, point));
    EXPECT_EQ(test::SqlRows(dir.Path(), "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
    EXPECT_EQ(test::SqlRows(dir.Path(), "SELECT group_concat(Titre) FROM video")[0], before);
  }
  // Killed while the copy is put back: the import is whole, or undone.
  ASSERT_EQ(Korvane(dir.Path(), {"import", dir / "films.csv"}).exitCode, 0);
  ASSERT_TRUE(test::KillProgramAtPausePoint(
      {test::KorvaneExecutable(), "--dir", dir.Path(), "undo-import"}, "undo-replaced"));
  EXPECT_EQ(test::SqlRows(dir.Path(), "SELECT group_concat(Titre) FROM video")[0], before);
  EXPECT_EQ(test::SqlRows(dir.Path(), "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
}

}  // namespace
}  // namespace kvn::importing
