// The collection's figures and its possible duplicates: counted by hand on a
// small catalogue of awkward values, and against sqlite3's own counts on a
// catalogue of real shape.
#include "catalogue/film_stats.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "catalogue/catalogue_files.h"
#include "catalogue/film_duplicates.h"
#include "catalogue/loans.h"
#include "db/database.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tools/film_generator.h"

namespace kvn::catalogue {
namespace {

using test::RunProgram;

void Sql(const std::string& dir, const std::string& sql) {
  const test::ProgramResult r = RunProgram({"sqlite3", dir + "/video.DB", sql});
  ASSERT_EQ(r.exitCode, 0) << r.err;
}

// Values as other programs leave them: empty and missing genres, durations
// without leading zero or of zero, text in the number columns, actors split
// by commas, semicolons and slashes with spaces around.
TEST(FilmStats, AwkwardValuesCountedByHand) {
  test::TempDir dir;
  InitCatalogue(dir.Path());
  Sql(dir.Path(),
      "INSERT INTO video (Reference, Titre, Genre, Support, \"Durée\", Nom, \"Prêté_le\", Nb_cd, "
      "\"Année\", Note, Vu, \"Réalisateur\", Acteurs) VALUES "
      "('1', 'Alien', 'Science-fiction', 'DVD', '01:57:00', 'Zoé', '2026-01-02', 1, 1979, 9, 1, "
      "'Ridley Scott', 'Sigourney Weaver, John Hurt'),"
      "('2', 'Blade Runner', 'Science-fiction', 'Blu-ray', '1:57:30', NULL, NULL, 2, 1982, 10, 0, "
      "'Ridley Scott', ' Harrison Ford ;Rutger Hauer/ Sean Young'),"
      "('3', 'Amélie', 'Comédie', 'DVD', '00:00:00', '  ', NULL, '3', 2001, NULL, NULL, "
      "'Jean-Pierre Jeunet', 'Audrey Tautou,,'),"
      "('4', 'Witness', NULL, 'VHS', NULL, 'Léa', '2026-03-01', NULL, NULL, '7', 1, "
      "'Peter Weir', 'Harrison Ford, Kelly McGillis'),"
      "('5', 'Sans titre', '', '', '95', NULL, NULL, 1, 1985, 0, 0, '', NULL)");
  setenv("KVN_TODAY", "2026-03-10", 1);
  db::Database database(dir.Path());
  const CollectionStats stats = CountCollection(database, Today(), 14, 3);
  unsetenv("KVN_TODAY");
  EXPECT_EQ(StatsText(stats),
            "Films\t5\n"
            "Prêtés\t2\n"
            "En retard\t1\n"  // Zoé's loan was due on 16 January; Léa's is due on 15 March
            "Vus\t2\n"
            "Durée totale\t3 h 55 min\n"  // 1:57:00 + 1:57:30; neither zero nor "95" counts
            "Durée moyenne\t1 h 57 min\n"
            "Disques\t7\n"
            "\n"
            "Par genre\n"
            "Science-fiction\t2\n"
            "Comédie\t1\n"
            "(non renseigné)\t2\n"
            "\n"
            "Par support\n"
            "DVD\t2\n"
            "Blu-ray\t1\n"
            "VHS\t1\n"
            "(non renseigné)\t1\n"
            "\n"
            "Par décennie\n"
            "années 1970\t1\n"
            "années 1980\t2\n"
            "années 2000\t1\n"
            "(non renseigné)\t1\n"
            "\n"
            "Par note\n"
            "0\t1\n"
            "7\t1\n"
            "9\t1\n"
            "10\t1\n"
            "(non renseigné)\t1\n"
            "\n"
            "Réalisateurs les plus fréquents\n"
            "Ridley Scott\t2\n"
            "Jean-Pierre Jeunet\t1\n"
            "Peter Weir\t1\n"
            "\n"
            "Acteurs les plus fréquents\n"
            "Harrison Ford\t2\n"
            "Audrey Tautou\t1\n"
            "John Hurt\t1\n");
  EXPECT_EQ(HoursText(0), "0 h 00 min");
  EXPECT_EQ(HoursText(44444444), "12 345 h 41 min");
}

// A catalogue of real shape, counted by the command line and by sqlite3.
TEST(FilmStats, TheCommandAgreesWithSqlite3) {
  test::TempDir dir;
  tools::WriteGeneratedCatalogue(dir.Path(), 3000);
  // Every generated loan is older than this day plus the period.
  setenv("KVN_TODAY", "2027-01-01", 1);
  const test::ProgramResult r =
      RunProgram({test::KorvaneExecutable(), "--dir", dir.Path(), "stats"});
  unsetenv("KVN_TODAY");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::map<std::string, std::map<std::string, std::string>> sections;
  std::string section = "";
  size_t start = 0;
  for (size_t end; (end = r.out.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = r.out.substr(start, end - start);
    const size_t tab = line.find('\t');
    if (line.empty())
      continue;
    else if (tab == std::string::npos)
      section = line;
    else
      sections[section][line.substr(0, tab)] = line.substr(tab + 1);
  }
  const auto one = [&](const std::string& sql) { return test::SqlRows(dir.Path(), sql).at(0); };
  auto& figures = sections[""];
  EXPECT_EQ(figures["Films"], one("SELECT count(*) FROM video"));
  EXPECT_EQ(figures["Prêtés"], one("SELECT count(*) FROM video WHERE trim(Nom) <> ''"));
  EXPECT_EQ(figures["En retard"], figures["Prêtés"]);
  EXPECT_EQ(figures["Vus"], one("SELECT count(*) FROM video WHERE Vu"));
  EXPECT_EQ(figures["Disques"], one("SELECT sum(Nb_cd) FROM video"));
  const std::string seconds =
      "substr(\"Durée\", 1, 2) * 3600 + substr(\"Durée\", 4, 2) * 60 + "
      "substr(\"Durée\", 7, 2)";
  const int64_t total = std::stoll(one("SELECT sum(" + seconds + ") FROM video"));
  const int64_t timed = std::stoll(one("SELECT count(*) FROM video WHERE " + seconds + " > 0"));
  EXPECT_EQ(figures["Durée totale"], HoursText(total));
  EXPECT_EQ(figures["Durée moyenne"], HoursText(total / timed));

  // Each section against a GROUP BY; for the most frequent names, the
  // counts in order and each name's own count (ties may list either name).
  auto grouped = [&](const std::string& sql) {
    std::map<std::string, std::string> counts;
    for (const std::string& row : test::SqlRows(dir.Path(), sql)) {
      const size_t bar = row.rfind('|');
      counts[row.substr(0, bar)] = row.substr(bar + 1);
    }
    return counts;
  };
  auto withoutValue = [](std::map<std::string, std::string> counts, const std::string& missing) {
    if (missing != "0") counts[kNotGiven] = missing;
    return counts;
  };
  EXPECT_EQ(sections["Par genre"],
            withoutValue(grouped("SELECT Genre, count(*) FROM video WHERE trim(Genre) <> '' GROUP "
                                 "BY Genre"),
                         one("SELECT count(*) FROM video WHERE coalesce(trim(Genre), '') = ''")));
  EXPECT_EQ(sections["Par support"],
            grouped("SELECT Support, count(*) FROM video GROUP BY Support"));
  EXPECT_EQ(sections["Par décennie"],
            withoutValue(grouped("SELECT 'années ' || (\"Année\" / 10 * 10), count(*) FROM video "
                                 "WHERE \"Année\" IS NOT NULL GROUP BY 1"),
                         one("SELECT count(*) FROM video WHERE \"Année\" IS NULL")));
  EXPECT_EQ(sections["Par note"],
            withoutValue(grouped("SELECT Note, count(*) FROM video WHERE Note IS NOT NULL GROUP "
                                 "BY Note"),
                         one("SELECT count(*) FROM video WHERE Note IS NULL")));
  const std::string actors =
      "WITH RECURSIVE cut(rest, name) AS (SELECT Acteurs || ',', NULL FROM video WHERE Acteurs "
      "IS NOT NULL UNION ALL SELECT substr(rest, instr(rest, ',') + 1), trim(substr(rest, 1, "
      "instr(rest, ',') - 1)) FROM cut WHERE rest <> '') SELECT name, count(*) FROM cut WHERE "
      "name <> '' GROUP BY name";
  const std::pair<const char*, std::string> tops[] = {
      {"Réalisateurs les plus fréquents",
       "SELECT \"Réalisateur\", count(*) FROM video WHERE \"Réalisateur\" <> '' GROUP BY 1"},
      {"Acteurs les plus fréquents", actors}};
  for (const auto& [heading, sql] : tops) {
    const std::map<std::string, std::string> all = grouped(sql);
    std::vector<int> listed, best;
    for (const auto& [name, films] : sections[heading]) {
      EXPECT_EQ(all.at(name), films) << name;
      listed.push_back(std::stoi(films));
    }
    for (const auto& [name, films] : all) best.push_back(std::stoi(films));
    std::sort(listed.rbegin(), listed.rend());
    std::sort(best.rbegin(), best.rend());
    best.resize(10);
    EXPECT_EQ(listed, best) << heading;
  }
}

TEST(FilmDuplicates, SameEanOrSameTitleAndYear) {
  test::TempDir dir;
  InitCatalogue(dir.Path());
  Sql(dir.Path(),
      "INSERT INTO video (Reference, Titre, \"Année\", EAN) VALUES "
      "('A1', 'Alien', 1979, '3333297201228'),"
      "('A2', 'ALIEN', 1979, NULL),"
      "('A3', 'Alien', 1992, NULL),"  // same title, another year: a remake
      "('A4', 'Alïen', 1979, ' 3333297201228 '),"
      "('B1', 'Œdipe roi', NULL, ''),"
      "('B2', 'oedipe roi', NULL, ''),"
      "('B3', 'Œdipe roi ', NULL, ''),"  // another title for the list's order
      "('C1', 'Brazil', 1985, '96385074'),"
      "('C2', 'Stalker', 1979, '96385074')");
  db::Database database(dir.Path());
  std::vector<std::string> found;
  for (const DuplicateGroup& g : FindDuplicates(database)) {
    std::string line = g.Caption() + ":";
    for (const FilmSummary& f : g.films) line += " " + f.reference;
    found.push_back(line);
  }
  EXPECT_EQ(found, (std::vector<std::string>{
                       "Même EAN : 3333297201228: A1 A4",
                       "Même EAN : 96385074: C1 C2",
                       "Même titre et même année : Alien (1979): A1 A2 A4",
                       "Même titre et même année : oedipe roi (année inconnue): B2 B1",
                   }));
  std::vector<std::string> titled;
  for (const FilmSummary& f : FilmsTitled(database, "alien")) titled.push_back(f.reference);
  EXPECT_EQ(titled, (std::vector<std::string>{"A1", "A2", "A3", "A4"}));
  EXPECT_TRUE(FilmsTitled(database, "Alie").empty());
  EXPECT_EQ(FilmsTitled(database, "ALÏEN", 2).size(), 2u);

  const test::ProgramResult r =
      RunProgram({test::KorvaneExecutable(), "--dir", dir.Path(), "duplicates"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "1\tEAN\tA1\tAlien\t1979\t3333297201228\n"
            "1\tEAN\tA4\tAlïen\t1979\t3333297201228\n"
            "2\tEAN\tC1\tBrazil\t1985\t96385074\n"
            "2\tEAN\tC2\tStalker\t1979\t96385074\n"
            "3\ttitre et année\tA1\tAlien\t1979\t3333297201228\n"
            "3\ttitre et année\tA2\tALIEN\t1979\t\n"
            "3\ttitre et année\tA4\tAlïen\t1979\t3333297201228\n"
            "4\ttitre et année\tB2\toedipe roi\t\t\n"
            "4\ttitre et année\tB1\tŒdipe roi\t\t\n");
  EXPECT_EQ(RunProgram({test::KorvaneExecutable(), "--dir", dir.Path(), "stats", "x"}).err,
            "La commande stats ne prend pas d'argument.\n");
}

}  // namespace
}  // namespace kvn::catalogue
