// The command line as a user runs it.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "catalogue/catalogue_files.h"
#include "db/title_key.h"
#include "platform/codepage.h"
#include "platform/file_info.h"
#include "platform/ini_file.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/dbf_reader.h"
#include "tests/support/pdf_reader.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xls_reader.h"

namespace kvn::app {
namespace {

using test::KorvaneExecutable;
using test::RunProgram;
using test::TempDir;

TEST(CommandLine, InitCreatesAnEmptyCurrentCatalogueOnce) {
  TempDir dir;
  auto r = RunProgram({KorvaneExecutable(), "--dir", dir / "cat", "init"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Catalogue créé : " + (dir / "cat/video.DB") + "\n");
  EXPECT_EQ(test::ReadFile(dir / "cat/kvn.ini"), "[BASEDB]\nId_Imp_Base=4\n");
  auto schema = RunProgram({"sqlite3", dir / "cat/video.DB", ".schema"});
  // The films, their title order, then the loans' table and its triggers.
  EXPECT_EQ(schema.out.substr(0, schema.out.find("CREATE TABLE prets")),
            "CREATE TABLE video (\"Index\" INTEGER PRIMARY KEY AUTOINCREMENT, Reference "
            "VARCHAR(255), Titre VARCHAR(255) COLLATE NOCASE, Genre VARCHAR(30), Support "
            "VARCHAR(10), \"Durée\" TIME, Jacquette VARCHAR(255), Nom VARCHAR(50), \"Prêté_le\" "
            "DATE, Nb_cd NUMERIC(2), Jaquette2 VARCHAR(255), \"Année\" INTEGER, \"Réalisateur\" "
            "VARCHAR(100), Acteurs VARCHAR(255), Pays VARCHAR(50), Titre_original VARCHAR(255), "
            "\"Résumé\" TEXT, Note INTEGER, Vu BOOLEAN, EAN VARCHAR(13));\n"
            "CREATE TABLE sqlite_sequence(name,seq);\n" +
                db::TitleIndexSql() + ";\n" + db::TitleKeySchemaSql());
  for (const char* trigger :
       {"prets_debut", "prets_retour", "prets_jour", "prets_ajout", "prets_suppr"})
    EXPECT_NE(schema.out.find(std::string("CREATE TRIGGER ") + trigger), std::string::npos);
  EXPECT_EQ(test::SqlRows(dir / "cat", "SELECT count(*) FROM video"),
            std::vector<std::string>{"0"});
  // Python's sqlite3 writes a film with its details; the file stays sound.
  auto py = RunProgram(
      {"python3", "-c",
       "import sqlite3, sys\n"
       "c = sqlite3.connect(sys.argv[1])\n"
       "c.execute('INSERT INTO video (Titre, \"Année\", \"Résumé\", Note, Vu, EAN) VALUES "
       "(?, ?, ?, ?, ?, ?)', ('Stalker', 1979, 'La Zone.\\nLe Stalker.', 9, True, '96385074'))\n"
       "c.commit()\n"
       "print(c.execute('PRAGMA integrity_check').fetchone()[0])\n",
       dir / "cat/video.DB"});
  EXPECT_EQ(py.out, "ok\n") << py.err;
  EXPECT_EQ(test::SqlRows(dir / "cat", "SELECT Titre, \"Année\", Note, Vu FROM video"),
            std::vector<std::string>{"Stalker|1979|9|1"});
  RunProgram({"sqlite3", dir / "cat/video.DB", "DELETE FROM video"});

  test::WriteFile(dir / "cat/kvn.ini", "[BASEDB]\nId_Imp_Base=2\n");
  auto again = RunProgram({KorvaneExecutable(), "init"}, "", dir / "cat");
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_EQ(again.err, "Le catalogue \"./video.DB\" existe déjà : il n'est pas remplacé.\n");
  EXPECT_EQ(test::ReadFile(dir / "cat/kvn.ini"), "[BASEDB]\nId_Imp_Base=2\n");
}

TEST(CommandLine, HelpAndMistakes) {
  auto help = RunProgram({KorvaneExecutable(), "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("Utilisation : korvane [--dir RÉPERTOIRE] [COMMANDE]"),
            std::string::npos);
  EXPECT_NE(help.out.find("init"), std::string::npos);
  struct {
    std::vector<std::string> args;
    const char* err;
  } cases[] = {
      {{"frobnicate"}, "Commande inconnue : frobnicate (voir korvane --help)\n"},
      {{"--dir"}, "L'option --dir attend un répertoire.\n"},
      {{"--verbose", "init"}, "Option inconnue : --verbose (voir korvane --help)\n"},
      {{"init", "extra"}, "La commande init ne prend pas d'argument.\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv{KorvaneExecutable()};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    TempDir dir;
    auto r = RunProgram(argv, "", dir.Path());
    EXPECT_EQ(r.exitCode, 1) << c.err;
    EXPECT_EQ(r.err, c.err);
  }
}

TEST(CommandLine, ExportTheCatalogue) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  auto r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "export", "csv"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Export terminé : " + dir.Path() + "/video.csv (6 films)\n");
  std::string csv = test::ReadFile(dir / "video.csv");
  // Every field but blobs, the main window's ";" separator, title order, Windows-1252.
  EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
            "\"Index\";\"Reference\";\"Titre\";\"Genre\";\"Support\";\"Dur\xE9"
            "e\";\"Jacquette\";\"Nom\";"
            "\"Pr\xEAt\xE9_le\";\"Nb_cd\";\"Jaquette2\"");
  EXPECT_NE(csv.find("\r\n\"4\";\"\";\"\";\"Action\""), std::string::npos);
  // Durations with their seconds, whole numbers as plain digits.
  EXPECT_NE(csv.find("\"DVD\";\"01:47:00\";\"\";\"\";\"\";\"2\";"), std::string::npos) << csv;

  for (const char* type : {"txt", "dif", "slk"}) {
    auto t =
        RunProgram({KorvaneExecutable(), "export", type, "-o", "sortie/liste." + std::string(type)},
                   "", dir.Path());
    EXPECT_EQ(t.exitCode, 0) << type << t.err;
    EXPECT_FALSE(test::ReadFile(dir / ("sortie/liste." + std::string(type))).empty());
  }
}

// A catalogue Python wrote with a plain title index and no key table, never
// opened by the window: the export still lists the titles in the window's order.
TEST(CommandLine, ExportSortsTitlesLikeTheWindowOnACatalogueFromElsewhere) {
  TempDir dir;
  const std::vector<std::string> expected = test::TitlesInFrenchOrder();
  std::string titles;
  for (auto it = expected.rbegin(); it != expected.rend(); ++it) titles += *it + "\n";
  test::WriteFile(dir / "titres.txt", titles);
  auto python = RunProgram(
      {"python3", "-c",
       "import sqlite3, sys\n"
       "c = sqlite3.connect(sys.argv[1] + '/video.DB')\n"
       "c.execute(sys.argv[2])\n"
       "c.execute('CREATE INDEX idTitre ON video(Titre)')\n"
       "for t in open(sys.argv[1] + '/titres.txt', encoding='utf-8').read().split('\\n')[:-1]:\n"
       "    c.execute('INSERT INTO video (Titre) VALUES (?)', (t,))\n"
       "c.commit()\n",
       dir.Path(), catalogue::CatalogueSchema(3)});
  ASSERT_EQ(python.exitCode, 0) << python.err;
  auto r = RunProgram(
      {KorvaneExecutable(), "--dir", dir.Path(), "export", "csv", "--encoding", "UTF-8"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::vector<std::string> exported;
  std::istringstream csv(test::ReadFile(dir / "video.csv"));
  std::string line;
  std::getline(csv, line);  // the field names
  while (std::getline(csv, line)) {
    const size_t title = line.find(";\"", line.find(";\"") + 2) + 2;
    exported.push_back(line.substr(title, line.find('"', title) - title));
  }
  EXPECT_EQ(exported, expected);
}

TEST(CommandLine, ExportWithAnOptionsFile) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  test::WriteFile(dir / "opts.cfg",
                  "[GENERAL]\nExportType=8\nSkipRecCount=1\nExportRecCount=2\nShowFile=1\n"
                  "[FIELDS]\nfield0=titre\nfield1=Reference\nfield2=Inconnu\n"
                  "[CAPTIONS]\nTitre=Film\nReference=Reference\n"
                  "[HEADER]\nline0=Mes films\n"
                  "[CSV]\nQuoteStrings=0\nComma=#9\nQuote=\"\n");
  auto r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "export", "csv", "--options",
                       dir / "opts.cfg", "-o", dir / "out.csv"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(test::ReadFile(dir / "out.csv"),
            "Mes films\t\r\nFilm\tReference\r\nAst\xE9rix et Ob\xE9lix : Mission "
            "Cl\xE9op\xE2tre\tR003\r\n"
            "\xC9lise\tR006\r\n");

  // Saved for CSV with its own file name, used for another type: the type on
  // the command line wins and the name takes its extension.
  test::WriteFile(dir / "mes_films.csv", "précédent");
  test::WriteFile(dir / "csv.cfg",
                  "[GENERAL]\nExportType=8\nFileName=" + dir / "mes_films.csv" + "\n");
  r = RunProgram(
      {KorvaneExecutable(), "--dir", dir.Path(), "export", "pdf", "--options", dir / "csv.cfg"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Export terminé : " + dir / "mes_films.pdf" + " (6 films)\n");
  EXPECT_EQ(test::ReadFile(dir / "mes_films.csv"), "précédent");
  EXPECT_EQ(test::ReadFile(dir / "mes_films.pdf").substr(0, 5), "%PDF-");
}

// An options file is checked before anything is written: a value that would
// make an endless or broken file is refused, naming the section, key and value.
TEST(CommandLine, OptionsOutOfRangeAreRefused) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  for (const char* type : {"csv", "txt", "pdf", "sql"})
    test::WriteFile(dir / (std::string("video.") + type), "précédent");
  struct {
    const char* type;
    std::string options;
    std::string err;
  } cases[] = {
      {"txt", "[WIDTH]\nTitre=100000000\n",
       "section [WIDTH], clé Titre : la valeur « 100000000 » est refusée (une largeur de 0 à 1024 "
       "caractères)"},
      {"txt", "[WIDTH]\nTitre=-3\n", "section [WIDTH], clé Titre : la valeur « -3 »"},
      {"txt", "[TXT]\nSpacing=100000000\n",
       "section [TXT], clé Spacing : la valeur « 100000000 » est refusée (un espacement de 0 à "
       "1024 caractères)"},
      {"csv", "[GENERAL]\nExportRecCount=-5\n",
       "section [GENERAL], clé ExportRecCount : la valeur « -5 » est refusée (un nombre "
       "d'enregistrements positif ou nul)"},
      {"csv", "[GENERAL]\nExportRecCount=99999999999\n",
       "section [GENERAL], clé ExportRecCount : la valeur « 99999999999 »"},
      {"csv", "[GENERAL]\nSkipRecCount=beaucoup\n",
       "section [GENERAL], clé SkipRecCount : la valeur « beaucoup »"},
      {"csv", "[CSV]\nComma=;;\n",
       "section [CSV], clé Comma : la valeur « ;; » est refusée (un seul caractère)"},
      {"csv", "[CSV]\nComma=\n",
       "section [CSV], clé Comma : la valeur «  » est refusée (un seul caractère)"},
      {"csv", "[CSV]\nQuote=#999\n",
       "section [CSV], clé Quote : la valeur « #999 » est refusée (un seul caractère, ou rien)"},
      {"csv", "[CSV]\nComma=,\nQuote=,\n",
       "section [CSV], clé Quote : la valeur « , » est refusée (le guillemet doit différer du "
       "séparateur)"},
      {"csv", "[XLS_FIELD_Titre]\nFontSize=5000\n",
       "section [XLS_FIELD_Titre], clé FontSize : la valeur « 5000 »"},
      {"pdf", "[PDF_OPTION_DATA]\nFontName=14\n",
       "section [PDF_OPTION_DATA], clé FontName : la valeur « 14 » est refusée (un numéro de "
       "police de 0 à 13)"},
      {"pdf", "[PDF]\nRowSpacing=beaucoup\n",
       "section [PDF], clé RowSpacing : la valeur « beaucoup » est refusée (un interligne de 0 à "
       "100)"},
      {"pdf", "[PDF]\nPageWidth=0\n", "section [PDF], clé PageWidth : la valeur « 0 »"},
      {"sql", "[SQL]\nStatementTerm=;;\n",
       "section [SQL], clé StatementTerm : la valeur « ;; » est refusée (un seul caractère, ou "
       "rien)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    test::WriteFile(dir / "opts.cfg", c.options);
    auto r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "export", c.type, "--options",
                         dir / "opts.cfg"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("Fichier d'options \"" + dir / "opts.cfg" + "\", " + c.err, 0), 0u)
        << r.err;
    EXPECT_NE(r.err.find("Rien n'a été exporté."), std::string::npos) << r.err;
    EXPECT_EQ(test::ReadFile(dir / (std::string("video.") + c.type)), "précédent");
  }
  // The edges are accepted.
  test::WriteFile(dir / "opts.cfg",
                  "[WIDTH]\nTitre=1024\n[TXT]\nSpacing=0\n[GENERAL]\nExportRecCount=0\n");
  auto r = RunProgram(
      {KorvaneExecutable(), "--dir", dir.Path(), "export", "txt", "--options", dir / "opts.cfg"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
}

// A value that does not read as its column's type stops the export, naming the
// film, the column and the value; the text and workbook exports alike.
TEST(CommandLine, AValueThatDoesNotConvertNamesTheFilm) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  struct {
    const char* sql;
    std::string err;
  } cases[] = {
      {"UPDATE video SET \"Durée\" = 'abc' WHERE Reference = 'R002'",
       "Le film « la Haine » (référence R002) ne peut pas être exporté : dans la colonne « Durée "
       "», "
       "'abc' n'est pas une heure correcte.\n"},
      {"UPDATE video SET \"Prêté_le\" = '' WHERE Reference = 'R005'",
       "Le film « Zazie dans le métro » (référence R005) ne peut pas être exporté : dans la "
       "colonne « Prêté_le », "
       "'' n'est pas une date correcte.\n"},
      {"UPDATE video SET Nb_cd = 'deux' WHERE Reference = 'R006'",
       "Le film « Élise » (référence R006) ne peut pas être exporté : dans la colonne « Nb_cd », "
       "'deux' n'est pas une valeur en virgule flottante correcte.\n"},
  };
  const std::string catalogue = test::ReadFile(dir / "video.DB");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    test::WriteFile(dir / "video.DB", catalogue);
    RunProgram({"sqlite3", dir / "video.DB", c.sql});
    for (const char* type : {"csv", "txt", "xls"}) {
      SCOPED_TRACE(type);
      test::WriteFile(dir / (std::string("video.") + type), "précédent");
      auto r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "export", type});
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(r.err, c.err);
      EXPECT_EQ(test::ReadFile(dir / (std::string("video.") + type)), "précédent");
    }
  }
}

// HTML, RTF and Word files with the main window's presets, and the options
// file's pages for these formats.
TEST(CommandLine, ExportPagesAndDocuments) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  for (const char* type : {"html", "rtf", "doc"}) {
    auto r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "export", type});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Export terminé : " + dir.Path() + "/video." + type + " (6 films)\n");
  }
  const std::string html = test::ReadFile(dir / "video.html");
  // Arial in white, its size left to the browser.
  EXPECT_NE(
      html.find(
          "  BODY { background: #333399; color: #ffffff;\r\n         font-family: Arial;\r\n  }"),
      std::string::npos);
  EXPECT_EQ(RunProgram({"xmllint", "--html", "--noout", dir / "video.html"}).err, "");
  // MS Sans Serif 8 pt for both fonts, and the same document for RTF and Word.
  const std::string rtf = test::ReadFile(dir / "video.rtf");
  EXPECT_EQ(rtf.substr(0, 91),
            "{\\rtf1\\ansi\\deff0\\deftab720\r\n{\\fonttbl{\\f0\\fnil MS Sans Serif;}"
            "{\\f1\\fnil MS Sans Serif;}}\r\n");
  EXPECT_EQ(test::ReadFile(dir / "video.doc"), rtf);

  test::WriteFile(
      dir / "pages.cfg",
      "[GENERAL]\nExportType=3\n[HTML]\nTitle=Mes films\nFileRecCount=4\nGenerateIndex=1\n"
      "BackgroundColor=clYellow\nNextLinkTitle=Suivante\n"
      "[FIELDS]\nfield0=Titre\n");
  auto r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "export", "html", "--options",
                       dir / "pages.cfg", "-o", dir / "pages.html"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string first = test::ReadFile(dir / "pages01.html");
  EXPECT_NE(first.find(" <Title>Mes films</Title>"), std::string::npos);
  EXPECT_NE(first.find("BODY { background: #ffff00;"), std::string::npos);
  EXPECT_NE(first.find(">Suivante</a>"), std::string::npos);
  EXPECT_TRUE(platform::FileExists(dir / "pages02.html"));
  EXPECT_NE(
      test::ReadFile(dir / "pages.html").find("<LI><a href=\"pages02.html\">pages02.html</a>"),
      std::string::npos);
}

// A page set written under a relative, non-ASCII name: every link of every
// page (style sheet, pages, index, background) leads to a file that is there,
// as a browser resolves it; the bars speak French and stop at both ends.
TEST(CommandLine, EveryLinkOfAPageSetResolves) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  test::WriteFile(dir / "fond été.png", "png");
  test::WriteFile(dir / "pages.cfg",
                  "[GENERAL]\nExportType=3\n[HTML]\nCSS=1\nFileRecCount=2\nGenerateIndex=1\n"
                  "BackgroundFile=" +
                      dir / "fond été.png" + "\n[FIELDS]\nfield0=Titre\n");
  auto r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "export", "html", "--options",
                       "pages.cfg", "-o", "Vidéos/catalogue_été.html"},
                      "", dir.Path());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* name : {"catalogue_été.html", "catalogue_été01.html", "catalogue_été03.html",
                           "catalogue_été01.css"})
    EXPECT_TRUE(platform::FileExists(dir / ("Vidéos/" + std::string(name)))) << name;
  auto check = RunProgram(
      {"python3", "-c",
       "import html.parser, os, re, sys, urllib.parse\n"
       "class P(html.parser.HTMLParser):\n"
       "  def __init__(s): super().__init__(); s.links = []\n"
       "  def handle_starttag(s, tag, attrs):\n"
       "    s.links += [v for k, v in attrs if k in ('href', 'background')]\n"
       "count = 0\n"
       "for name in sorted(os.listdir(sys.argv[1])):\n"
       "  path = os.path.join(sys.argv[1], name)\n"
       "  text = open(path, encoding='cp1252').read()\n"
       "  if name.endswith('.css'):\n"
       "    links = re.findall(r'url\\(([^)]*)\\)', text)\n"
       "  else:\n"
       "    p = P(); p.feed(text); links = p.links\n"
       "  for link in links:\n"
       "    count += 1\n"
       "    target = urllib.parse.unquote(link, encoding='utf-8', errors='strict')\n"
       "    if not link.isascii() or not os.path.exists(os.path.join(sys.argv[1], target)):\n"
       "      print(name, link)\n"
       "print(count)\n",
       dir / "Vidéos"});
  ASSERT_EQ(check.exitCode, 0) << check.err;
  // Three pages of fifteen links (two bars of seven, the sheet), the index's
  // four, the sheet's picture.
  EXPECT_EQ(check.out, "50\n");
  const std::string first = test::ReadFile(dir / "Vidéos/catalogue_été01.html");
  EXPECT_NE(first.find(platform::Utf8ToCp1252(
                "<a href=\"catalogue_%C3%A9t%C3%A901.html\">Précédente</a>")),
            std::string::npos)
      << first;
  const std::string last = test::ReadFile(dir / "Vidéos/catalogue_été03.html");
  EXPECT_NE(last.find("<a href=\"catalogue_%C3%A9t%C3%A903.html\">Suivante</a>"), std::string::npos)
      << last;
  EXPECT_NE(last.find(platform::Utf8ToCp1252(">Dernière</a>")), std::string::npos);
  EXPECT_NE(test::ReadFile(dir / "Vidéos/catalogue_été.html")
                .find(platform::Utf8ToCp1252(">catalogue_été02.html</a>")),
            std::string::npos);
}

// Titles and names in any script reach every file that can hold them; the
// 8-bit formats write "?" where Windows-1252 has no character, and say how
// many and in which film.
TEST(CommandLine, EveryCharacterReachesTheFilesThatHoldIt) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  const std::string title = "Kieślowski, Nguyễn, Σμέρνα, 七人の侍 🎬";
  auto py = RunProgram({"python3", "-c",
                        "import sqlite3, sys\n"
                        "c = sqlite3.connect(sys.argv[1])\n"
                        "c.execute('UPDATE video SET Titre = ?, Nom = ? WHERE Reference = ?', "
                        "(sys.argv[2], 'Dvořák', 'R003'))\n"
                        "c.commit()\n",
                        dir / "video.DB", title});
  ASSERT_EQ(py.exitCode, 0) << py.err;
  const auto run = [&](const std::vector<std::string>& extra) {
    std::vector<std::string> argv = {KorvaneExecutable(), "--dir", dir.Path(), "export"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return RunProgram(argv);
  };
  // Files that hold every character, read back by their readers.
  for (const char* type : {"xls", "xml", "sql", "rtf", "html"})
    ASSERT_EQ(run({type}).exitCode, 0) << type;
  ASSERT_EQ(run({"csv", "--encoding", "UTF-8-BOM", "-o", dir / "u.csv"}).exitCode, 0);
  const auto book = exporting::xlstest::ReadWithXlrd(dir / "video.xls");
  ASSERT_TRUE(book.ok);
  bool inBook = false;
  for (int r = 0; r < book.sheets[0].rows; ++r) inBook = inBook || book.At(0, r, 2).value == title;
  EXPECT_TRUE(inBook);
  EXPECT_EQ(RunProgram({"xmllint", "--xpath", "string(//ROW[@Reference='R003']/@Titre)",
                        dir / "video.xml"})
                .out,
            title + "\n");
  auto sql = RunProgram(
      {"sqlite3", "-bail", dir / "copie.db"},
      "CREATE TABLE video (\"Index\", Reference, Titre, Genre, Support, \"Durée\", Jacquette, Nom, "
      "\"Prêté_le\", Nb_cd, Jaquette2);\n" +
          test::ReadFile(dir / "video.sql") +
          "SELECT Titre || '|' || Nom FROM video WHERE Reference = 'R003';\n");
  EXPECT_EQ(sql.out, title + "|Dvořák\n") << sql.err;
  auto csv = RunProgram(
      {"python3", "-c",
       "import csv, sys\n"
       "rows = list(csv.reader(open(sys.argv[1], encoding='utf-8-sig'), delimiter=';'))\n"
       "print([r[2] for r in rows if r[1] == 'R003'][0])\n",
       dir / "u.csv"});
  EXPECT_EQ(csv.out, title + "\n") << csv.err;
  // The word processor reads the RTF's \uN? characters, the browser the page's references.
  // A profile of its own: another case may run the word processor at the same time.
  auto doc = RunProgram({"soffice", "-env:UserInstallation=file://" + dir / "profil", "--headless",
                         "--convert-to", "txt:Text (encoded):UTF8", "--outdir", dir / "lu",
                         dir / "video.rtf"});
  ASSERT_EQ(doc.exitCode, 0) << doc.err;
  EXPECT_NE(test::ReadFile(dir / "lu/video.txt").find(title), std::string::npos);
  auto page = RunProgram(
      {"python3", "-c",
       "import html, sys\n"
       "print(sys.argv[2] in html.unescape(open(sys.argv[1], encoding='cp1252').read()))\n",
       dir / "video.html", title});
  EXPECT_EQ(page.out, "True\n") << page.err;
  // The PDF draws with embedded TrueType subsets what its standard fonts
  // lack; only the emoji, which no installed font draws, is a "?".
  auto pdf = run({"pdf"});
  ASSERT_EQ(pdf.exitCode, 0) << pdf.err;
  EXPECT_NE(pdf.out.find("\n1 caractère qu'aucune police du système ne sait dessiner remplacé par "
                         "« ? » (Le film « "),
            std::string::npos)
      << pdf.out;
  EXPECT_EQ(RunProgram({"qpdf", "--check", dir / "video.pdf"}).exitCode, 0);
  const std::string fonts = RunProgram({"pdffonts", dir / "video.pdf"}).out;
  EXPECT_NE(fonts.find("+LiberationSans"), std::string::npos) << fonts;
  EXPECT_NE(fonts.find("CID TrueType      Identity-H       yes yes yes"), std::string::npos)
      << fonts;
  const std::string pdfText = test::PdfText(dir / "video.pdf");
  for (const char* word : {"Nguyễn,", "Σμέρνα,", "七人の侍", "Dvořák"})
    EXPECT_NE(pdfText.find(word), std::string::npos) << word << "\n" << pdfText;
  // LaTeX in UTF-8 sets the Latin letters of its T1 fonts; the Vietnamese,
  // Greek, Japanese letters and the emoji are "?", counted.
  auto tex = run({"tex"});
  ASSERT_EQ(tex.exitCode, 0) << tex.err;
  EXPECT_NE(
      tex.out.find(
          "\n12 caractères que les polices T1 de LaTeX ne savent pas composer remplacés par « ? »"),
      std::string::npos)
      << tex.out;
  const std::string source = test::ReadFile(dir / "video.tex");
  EXPECT_NE(source.find("\\usepackage[utf8]{inputenc}"), std::string::npos);
  for (const char* word : {"Kieśl", "Nguy?", "???? ?"})
    EXPECT_NE(source.find(word), std::string::npos) << word;
  auto latex = RunProgram({"pdflatex", "-interaction=nonstopmode", "-halt-on-error", "video.tex"},
                          "", dir.Path());
  ASSERT_EQ(latex.exitCode, 0) << latex.out;
  const std::string texText = test::PdfText(dir / "video.pdf");
  // The narrow title column breaks the words where it must.
  for (const char* word : {"Kieśl", "????", "Dvořá"})
    EXPECT_NE(texText.find(word), std::string::npos) << word << "\n" << texText;

  // Windows-1252 files: "?" for each character it lacks, counted, and the film named.
  auto dbf = run({"dbf"});
  ASSERT_EQ(dbf.exitCode, 0);
  EXPECT_NE(dbf.out.find("caractères que l'encodage du fichier ne peut pas écrire remplacés par « "
                         "? » (Le film « "),
            std::string::npos)
      << dbf.out;
  auto latin = run({"csv", "-o", dir / "w.csv"});
  const std::string bytes = test::ReadFile(dir / "w.csv");
  EXPECT_NE(bytes.find("Kie?lowski, Nguy?n, ??????, ???? ?"), std::string::npos);
  // ś ễ, six Greek letters, four ideographs, the emoji, and the ř of Dvořák.
  EXPECT_NE(latin.out.find("14 caractères"), std::string::npos) << latin.out;

  // Unknown encodings, and types that have only one, are refused before anything is written.
  auto unknown = run({"csv", "--encoding", "klingon", "-o", dir / "k.csv"});
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_EQ(
      unknown.err,
      "Encodage inconnu : « klingon » (le système ne sait pas écrire ce jeu de caractères).\n");
  EXPECT_FALSE(platform::FileExists(dir / "k.csv"));
  EXPECT_EQ(run({"dbf", "--encoding", "UTF-8"}).exitCode, 1);
}

// PDF, XML, SQL, LaTeX and DBF files with the main window's presets, read by
// their readers, and the options file's sections for these formats.
TEST(CommandLine, ExportTablesAndScripts) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  for (const char* type : {"pdf", "xml", "sql", "tex", "dbf"}) {
    auto r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "export", type});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Export terminé : " + dir.Path() + "/video." + type + " (6 films)\n");
  }
  // The main window's margins: 1.17, 0.57, 0.78 and 0.78 inch.
  const std::string pdf = test::ReadFile(dir / "video.pdf");
  EXPECT_NE(pdf.find("/TrimBox [84 56 553 784]"), std::string::npos);
  auto check = RunProgram({"qpdf", "--check", dir / "video.pdf"});
  EXPECT_EQ(check.exitCode, 0) << check.out;
  // Eleven columns on a portrait page: the title wraps, its words whole.
  const std::string pdfText = test::PdfText(dir / "video.pdf");
  for (const char* word : {"Astérix et", "Obélix :", "Cléopâtre", "Genre", "Jaquette2", "DivX ;-)"})
    EXPECT_NE(pdfText.find(word), std::string::npos) << word << "\n" << pdfText;
  EXPECT_EQ(RunProgram({"xmllint", "--noout", dir / "video.xml"}).err, "");
  EXPECT_EQ(test::ReadFile(dir / "video.tex").substr(0, 34),
            "\\documentclass[a4paper]{article}\r\n");

  // The script inserts into "video": UTF-8 text, as sqlite3 reads it, it
  // fills an empty catalogue of the same structure.
  const std::string copy = dir / "copie";
  platform::ForceDirectories(copy);
  test::MakeCatalogue(copy, 3);
  auto run =
      RunProgram({"sqlite3", "-bail", copy + "/video.DB"}, test::ReadFile(dir / "video.sql"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(test::SqlRows(copy, "SELECT count(*), count(Nom), sum(Nb_cd) FROM video"),
            std::vector<std::string>{"6|2|7"});
  // Dates and times are ISO: SQLite's functions read them.
  EXPECT_EQ(
      test::SqlRows(
          copy,
          "SELECT date(\"Prêté_le\", '+1 day'), time(\"Durée\") FROM video WHERE Nom = 'Zoé'"),
      std::vector<std::string>{"2023-12-02|01:33:00"});

  // A script named after its file: the table's name is quoted whatever it
  // holds, a hostile name from an options file included.
  test::WriteFile(dir / "create.cfg", "[SQL]\nCreateTable=1\n");
  test::WriteFile(dir / "hostile.cfg",
                  "[SQL]\nCreateTable=1\nTableName=video DEFAULT VALUES; DROP TABLE video; --\n");
  struct Script {
    std::string file, options, table;
  };
  for (const Script& c :
       {Script{"mes films-2024.sql", "create.cfg", "MES FILMS-2024"},
        Script{"order.sql", "create.cfg", "ORDER"},
        Script{"h.sql", "hostile.cfg", "video DEFAULT VALUES; DROP TABLE video; --"}}) {
    SCOPED_TRACE(c.file);
    ASSERT_EQ(RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "export", "sql", "-o",
                          dir / c.file, "--options", dir / c.options})
                  .exitCode,
              0);
    const std::string db = dir / (c.file + ".DB");
    auto ran = RunProgram({"sqlite3", "-bail", db}, test::ReadFile(dir / c.file));
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    auto count = RunProgram({"sqlite3", db, "SELECT count(*) FROM \"" + c.table + "\""});
    EXPECT_EQ(count.out, "6\n") << count.err;
  }

  // Read without an encoding argument; ASCII field names.
  const test::DbfTable dbf = test::ReadDbf(dir / "video.dbf");
  ASSERT_EQ(dbf.rows.size(), 6u);
  EXPECT_EQ(dbf.rows[1][2], "Astérix et Obélix : Mission Cléopâtre");
  EXPECT_EQ(dbf.fields,
            (std::vector<std::string>{"INDEX", "REFERENCE", "TITRE", "GENRE", "SUPPORT", "DUREE",
                                      "JACQUETTE", "NOM", "PRETE_LE", "NB_CD", "JAQUETTE2"}));

  // The options file's pages: a landscape page with Courier data, an XML
  // packet in UTF-8, a script with its own table and terminator.
  test::WriteFile(
      dir / "opts.cfg",
      "[GENERAL]\nExportType=6\n[FIELDS]\nfield0=Titre\nfield1=Index\n"
      "[PDF]\nPageOrientation=1\nPageWidth=841\nPageHeight=595\nPageMarginLeft=56\n"
      "PageMarginRight=56\nPageMarginTop=42\nPageMarginBottom=84\nRowSpacing=1.5\nColSpacing=2.0\n"
      "[PDF_OPTION_DATA]\nFontName=4\nFontSize=8\nFontColor=clNavy\n"
      "[XML]\nStandalone=0\nEncoding=UTF-8\n"
      "[SQL]\nTableName=films\nCreateTable=1\nCommitAfterScript=1\nCommitStatement=COMMIT;\n"
      "StatementTerm=#59\n");
  for (const char* type : {"pdf", "xml", "sql"}) {
    auto r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "export", type, "--options",
                         dir / "opts.cfg", "-o", dir / (std::string("options.") + type)});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  const std::string landscape = test::ReadFile(dir / "options.pdf");
  EXPECT_NE(landscape.find("/MediaBox [0 0 840 594]\r/TrimBox [56 84 784 552]"), std::string::npos);
  EXPECT_NE(landscape.find("/Name /DataFont\r/BaseFont /Courier\r"), std::string::npos);
  EXPECT_NE(landscape.find("0.00 0.00 0.50 rg\rBT\r/DataFont 8 Tf\r"), std::string::npos);
  const std::string xml = test::ReadFile(dir / "options.xml");
  EXPECT_EQ(xml.substr(0, xml.find("\r\n")),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>");
  EXPECT_NE(xml.find("<ROW Titre=\"Astérix et Obélix : Mission Cléopâtre\" Index=\"3\"/>"),
            std::string::npos);
  const std::string sql = test::ReadFile(dir / "options.sql");
  EXPECT_EQ(
      sql.rfind("CREATE TABLE films(\r\n  Titre  CHAR(255),\r\n  \"Index\"  INTEGER);\r\n", 0), 0u)
      << sql;
  EXPECT_EQ(sql.substr(sql.size() - 9), "COMMIT;\r\n");
}

TEST(CommandLine, ExportAWorkbook) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  auto r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "export", "xls"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Export terminé : " + dir.Path() + "/video.xls (6 films)\n");
  auto book = exporting::xlstest::ReadWithXlrd(dir / "video.xls");
  ASSERT_TRUE(book.ok);
  EXPECT_EQ(book.sheets[0].name, "Films");
  EXPECT_EQ(book.sheets[0].rows, 7);
  EXPECT_EQ(book.sheets[0].cols, 11);
  EXPECT_EQ(book.FormatOf(0, 0, 0).weight, 700);
  // Durations are times with their seconds; the disc count a plain number.
  EXPECT_EQ(book.At(0, 2, 5).type, 3);
  EXPECT_NEAR(book.At(0, 2, 5).Number(), 107 / 1440.0, 1e-9);
  EXPECT_EQ(book.FormatOf(0, 2, 5).format, "hh:mm:ss");
  EXPECT_EQ(book.FormatOf(0, 2, 9).format, "0");

  // The Excel page of an options file: sheet title, page header, caption and
  // field formats, an aggregate.
  test::WriteFile(dir / "opts.cfg",
                  "[GENERAL]\nExportType=0\n[FIELDS]\nfield0=Titre\nfield1=Nb_cd\n"
                  "[XLS]\nSheetTitle=Catalogue\nPageHeader=Mes films\n"
                  "[XLS_OPTION_LIBELLE]\nFontItalic=1\n"
                  "[XLS_FIELD_NB_CD]\nAggregate=1\nFillPattern=1\nFillBackground=clYellow\n");
  r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "export", "xls", "--options",
                  dir / "opts.cfg", "-o", dir / "options.xls"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  book = exporting::xlstest::ReadWithXlrd(dir / "options.xls");
  ASSERT_TRUE(book.ok);
  EXPECT_EQ(book.sheets[0].name, "Catalogue");
  EXPECT_EQ(book.sheets[0].rows, 8);
  EXPECT_EQ(book.sheets[0].cols, 2);
  EXPECT_EQ(book.At(0, 0, 0).value, "Titre");
  EXPECT_EQ(book.FormatOf(0, 0, 0).weight, 400);
  EXPECT_EQ(book.FormatOf(0, 0, 0).italic, 1);
  EXPECT_EQ(book.FormatOf(0, 1, 1).patternColour, 13);
  EXPECT_EQ(book.FormatOf(0, 1, 0).patternColour, 9);
  EXPECT_EQ(book.At(0, 7, 1).type, 2) << "the sum below the data";

  // Row strips from the style sections, in file order.
  test::WriteFile(dir / "strips.cfg",
                  "[GENERAL]\nExportType=0\n[FIELDS]\nfield0=Titre\n[XLS]\nStripType=2\n"
                  "[XLS_STYLE_0]\nFillPattern=1\nFillBackground=clSilver\n"
                  "[XLS_STYLE_1]\nFillPattern=1\nFillBackground=$0099FFFF\n");
  r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "export", "xls", "--options",
                  dir / "strips.cfg", "-o", dir / "strips.xls"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  book = exporting::xlstest::ReadWithXlrd(dir / "strips.xls");
  ASSERT_TRUE(book.ok);
  for (int row = 1; row <= 6; ++row)
    EXPECT_EQ(book.FormatOf(0, row, 0).patternColour, row % 2 ? 22 : 43) << row;
}

TEST(CommandLine, PrintTheList) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  auto r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "print"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Liste imprimée : " + dir.Path() + "/liste.pdf (6 films)\n");
  const std::string text = test::PdfText(dir / "liste.pdf");
  for (const char* expected : {"LISTE DES FILMS", "Edité le : ", "Zazie dans le métro", "01:47:00",
                               " Page 1", "Nombre de films : 6"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  // Over ssh or from cron: no display is needed.
  r = RunProgram({"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM",
                  KorvaneExecutable(), "print", "-o", "imprime/ma liste.pdf"},
                 "", dir.Path());
  ASSERT_EQ(r.exitCode, 1) << "no such directory";
  std::filesystem::create_directory(dir / "imprime");
  r = RunProgram({"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM",
                  KorvaneExecutable(), "print", "-o", "imprime/ma liste.pdf"},
                 "", dir.Path());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(test::PdfPages(dir / "imprime/ma liste.pdf"), 1);

  TempDir empty;
  r = RunProgram({KorvaneExecutable(), "print"}, "", empty.Path());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err.substr(r.err.find("La table")),
            "La table \"./video.DB\" est introuvable : le fichier n'existe pas.\n");
  r = RunProgram({KorvaneExecutable(), "print", "liste.pdf"}, "", dir.Path());
  EXPECT_EQ(r.err, "Argument en trop : liste.pdf\n");
}

// The documents of a catalogue as collections hold it (11 columns, titles of
// 250 characters) keep every column inside the page: each word the readers
// find lies within the page's text box, and every column's caption and
// values are there.
// The printed list keeps its original columns; the details the user shows
// in the main list are printed on a line under each film.
TEST(CommandLine, PrintedListAddsTheDetailsTheListShows) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 4, test::SampleFilms(), std::string("4"));
  ASSERT_EQ(RunProgram({"sqlite3", dir / "video.DB",
                        "UPDATE video SET \"Année\" = 1995, \"Réalisateur\" = 'Mathieu Kassovitz', "
                        "Vu = 1, Pays = 'France' WHERE Reference = 'R002'"})
                .exitCode,
            0);
  ASSERT_EQ(RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "print"}).exitCode, 0);
  const std::string plain = test::PdfText(dir / "liste.pdf");
  EXPECT_NE(plain.find("la Haine"), std::string::npos);
  EXPECT_EQ(plain.find("Kassovitz"), std::string::npos) << plain;

  test::WriteFile(dir / "kvn.ini",
                  "[BASEDB]\nId_Imp_Base=4\n[LISTE]\nColonnes=Reference,Titre,Année,"
                  "Réalisateur,Vu\n");
  ASSERT_EQ(RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "print"}).exitCode, 0);
  const std::string detailed = test::PdfText(dir / "liste.pdf");
  EXPECT_NE(detailed.find("Année : 1995 · Réalisateur : Mathieu Kassovitz · Vu : oui"),
            std::string::npos)
      << detailed;
  // The columns are the original ones, the country is not shown.
  EXPECT_NE(detailed.find("Durée"), std::string::npos);
  EXPECT_EQ(detailed.find("France"), std::string::npos);
}

TEST(CommandLine, DocumentsKeepEveryColumnOnThePage) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3);
  test::AddRealisticFilms(dir.Path(), 60);
  struct Document {
    const char* type;
    double left, right;  // the text box, in points from the page's left
    std::function<std::string(const std::string& file)> toPdf;
  };
  const auto pdflatex = [&](const std::string& file) {
    auto r = RunProgram({"pdflatex", "-interaction=nonstopmode", "-halt-on-error", file}, "",
                        dir.Path());
    EXPECT_EQ(r.exitCode, 0) << r.out.substr(r.out.size() > 2000 ? r.out.size() - 2000 : 0);
    return dir / "doc.pdf";
  };
  const auto libreOffice = [&](const std::string& file) {
    auto r = RunProgram({"soffice", "-env:UserInstallation=file://" + dir / "profil", "--headless",
                         "--convert-to", "pdf", "--outdir", dir / "lo", file});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return dir / "lo/doc.pdf";
  };
  const Document documents[] = {
      // A4 portrait: the print box of the presets' margins (84 to 552).
      {"pdf", 84, 552, [](const std::string& file) { return file; }},
      // The standard class's text width; a table may pass it by a few points.
      {"tex", 0, 595 - 36, pdflatex},
      // The default margins of 1,800 twips (LibreOffice puts the table's
      // first cell's text a little to the left of it).
      {"rtf", 72, 595 - 90 + 3, libreOffice},
  };
  for (const Document& d : documents) {
    SCOPED_TRACE(d.type);
    const std::string file = dir / (std::string("doc.") + d.type);
    auto r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "export", d.type, "-o", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string pdf = d.toPdf(file);
    const std::vector<test::PdfWord> words = test::PdfWords(pdf);
    ASSERT_FALSE(words.empty());
    for (const test::PdfWord& w : words) {
      EXPECT_GE(w.xMin, d.left - 1) << w.text << " page " << w.page;
      EXPECT_LE(w.xMax, d.right + 1) << w.text << " page " << w.page;
    }
    // Every column's caption and values, by a few letters that no wrapping
    // splits (the columns are narrow on a portrait page).
    std::string all;
    for (const test::PdfWord& w : words) all += w.text + " ";
    for (const char* part : {"Ind", "Ref", "Tit", "Gen", "Sup", "Dur", "Jac", "Nom", "Pr", "Nb",
                             "Jaq", "Dra", "DVD", "VHS", "Fra", "home", "3000"})
      EXPECT_NE(all.find(part), std::string::npos) << part;
  }
}

// NUL bytes and other controls that other programs left in catalogue text:
// each format writes what its readers take.
TEST(CommandLine, ControlCharactersReachNoFileRaw) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  auto py = RunProgram({"python3", "-c",
                        "import sqlite3, sys\n"
                        "c = sqlite3.connect(sys.argv[1])\n"
                        "c.execute('UPDATE video SET Titre = ?, Nom = ? WHERE Reference = ?',"
                        " ('Avant\\x00apr\\x01s', 'X\\x00Y', 'R003'))\n"
                        "c.commit()\n",
                        dir / "video.DB"});
  ASSERT_EQ(py.exitCode, 0) << py.err;
  test::WriteFile(dir / "o.cfg", "[SQL]\nCreateTable=1\n");
  for (const char* type : {"rtf", "doc", "html", "xml", "txt", "csv", "dif", "slk", "sql", "tex"}) {
    SCOPED_TRACE(type);
    const std::string out = dir / (std::string("c.") + type);
    auto r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "export", type, "-o", out,
                         "--options", dir / "o.cfg"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string bytes = test::ReadFile(out);
    EXPECT_EQ(bytes.find('\0'), std::string::npos);
    // Other controls are data to the readers of CSV and SQL.
    if (type != std::string("csv") && type != std::string("sql")) {
      EXPECT_EQ(bytes.find('\x01'), std::string::npos);
    }
    EXPECT_NE(bytes.find("Avant"), std::string::npos);
  }
  // The readers: xmllint takes the page and the packet, Python's csv the
  // table, sqlite3 the script.
  for (const std::vector<std::string>& argv :
       {std::vector<std::string>{"xmllint", "--html", "--noout", dir / "c.html"},
        std::vector<std::string>{"xmllint", "--noout", dir / "c.xml"},
        std::vector<std::string>{"python3", "-c",
                                 "import csv, sys\n"
                                 "list(csv.reader(open(sys.argv[1], encoding='cp1252')))",
                                 dir / "c.csv"}}) {
    auto r = RunProgram(argv);
    EXPECT_EQ(r.exitCode, 0) << argv[0] << r.err;
    EXPECT_EQ(r.err, "") << argv[0];
  }
  auto sql = RunProgram({"sqlite3", "-bail", dir / "script.db"}, test::ReadFile(dir / "c.sql"));
  EXPECT_EQ(sql.exitCode, 0) << sql.err;
}

// What a user reads names the cause, in French; SQLite's English never shows.
TEST(CommandLine, MessagesSayTheCauseInFrench) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  const std::string catalogue = test::ReadFile(dir / "video.DB");
  // A writer killed in the middle of a transaction: the next run undoes it
  // and archives the committed films.
  auto killed = RunProgram(
      {"python3", "-c",
       "import sqlite3, os, signal, sys\n"
       "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
       "c.execute('PRAGMA cache_size=1')\n"
       "c.execute('BEGIN')\n"
       "for i in range(3000): c.execute('INSERT INTO video(Titre) VALUES (?)', ('x' * 200,))\n"
       "os.kill(os.getpid(), signal.SIGKILL)\n",
       dir / "video.DB"});
  ASSERT_NE(killed.exitCode, 0);
  ASSERT_TRUE(platform::FileExists(dir / "video.DB-journal"));
  auto r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "archive"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(test::SqlRows(dir.Path(), "SELECT count(*) FROM video"),
            std::vector<std::string>{std::to_string(test::SampleFilms().size())});

  struct Case {
    const char* name;
    std::function<void()> make;
    std::string message;
  };
  const Case cases[] = {
      {"video.DB is a folder",
       [&] {
         ::unlink((dir / "video.DB").c_str());
         platform::ForceDirectories(dir / "video.DB");
       },
       "La table \"" + dir / "video.DB" +
           "\" ne peut pas être ouverte : c'est un répertoire, pas un fichier.\n"},
      {"not a database",
       [&] {
         ::rmdir((dir / "video.DB").c_str());
         test::WriteFile(dir / "video.DB", std::string(4096, 'x'));
       },
       "Le fichier \"" + dir / "video.DB" +
           "\" est endommagé ou n'est pas une table du catalogue (ce n'est pas une base de "
           "données).\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.make();
    r = RunProgram({KorvaneExecutable(), "--dir", dir.Path(), "export", "csv"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, c.message);
  }
}

TEST(CommandLine, ExportMistakes) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3);
  struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"export"},
       "La commande export attend un type : xls doc rtf html xml dbf pdf txt csv dif slk tex "
       "sql.\n"},
      {{"export", "odt"},
       "Type d'export inconnu : odt (types : xls doc rtf html xml dbf pdf txt csv dif slk tex "
       "sql)\n"},
      {{"export", "csv", "-o"}, "L'option -o attend un nom de fichier.\n"},
      {{"export", "csv", "--options", "absent.cfg"},
       "Fichier d'options introuvable : \"absent.cfg\"\n"},
      {{"export", "csv", "-o", "/proc/interdit/v.csv"},
       "Répertoire non trouvé : \"/proc/interdit/\" ne peut pas être créé : \"/proc/interdit/\" : "
       "Le fichier spécifié est introuvable.\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv{KorvaneExecutable()};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    auto r = RunProgram(argv, "", dir.Path());
    EXPECT_EQ(r.exitCode, 1) << c.err;
    EXPECT_EQ(r.err, c.err);
  }
  TempDir empty;
  auto r = RunProgram({KorvaneExecutable(), "export", "csv"}, "", empty.Path());
  EXPECT_EQ(r.err, "La table \"./video.DB\" est introuvable : le fichier n'existe pas.\n");
}

}  // namespace
}  // namespace kvn::app
