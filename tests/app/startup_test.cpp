// Start-up: the structure upgrade by level, its failures, and the windows that
// are created whatever happens.
#include <unistd.h>

#include <QAbstractItemModelTester>
#include <QLabel>
#include <algorithm>

#include "app/forms.h"
#include "app/list_reports.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/record_forms.h"
#include "app/search_form.h"
#include "catalogue/catalogue_files.h"
#include "platform/file_info.h"
#include "tests/app/gui_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::app {
namespace {

using test::Film;

std::vector<Film> TwoFilms() {
  Film a, b;
  a.reference = "A1";
  a.titre = "zorro";
  a.duree = "01:30:00";
  b.reference = "B2";
  b.titre = "Alien";
  b.duree = "01:57:00";
  return {a, b};
}

std::vector<std::string> Columns(GuiTest* t, const std::string& dir) {
  (void)t;
  return test::SqlRows(dir, "SELECT name FROM pragma_table_info('video')");
}

std::vector<std::string> GridTitles() {
  DBGrid* grid = Forms().form1->DBGrid1;
  std::vector<std::string> titles;
  for (int r = 0; r < grid->model()->rowCount(); ++r)
    titles.push_back(grid->model()->index(r, 1).data().toString().toStdString());
  return titles;
}

// The warnings shown before the upgrade, word for word.
constexpr const char* kFromLevel0 =
    "Votre base de données va être modifiée. Mise-à-jour de la version Beta 1.1 vers 1.0 "
    "stable ! Cette modification n'entrainera aucune perte de données. Une fois cette "
    "mise-à-jour réalisé le programme démarrera normalement.";
constexpr const char* kFromLevel2 =
    "Votre base de données va être modifiée. Mise-à-jour de la version Beta 1.3 vers 1.0 "
    "stable ! Cette modification n'entrainera aucune perte de données. Une fois cette "
    "mise-à-jour réalisé le programme démarrera normalement.";

class StartupTest : public GuiTest {};

TEST_F(StartupTest, NoSettingsFileUpgradesFromTheFirstStructure) {
  Start(0, TwoFilms(), std::nullopt);
  EXPECT_EQ(dialogs.warnings, std::vector<std::string>{kFromLevel0});
  EXPECT_TRUE(dialogs.errors.empty());
  EXPECT_EQ(
      Columns(this, dir.Path()),
      (std::vector<std::string>{"Index",          "Reference", "Titre",       "Genre",   "Support",
                                "Durée",          "Jacquette", "Jaquette2",   "Nom",     "Prêté_le",
                                "Nb_cd",          "Année",     "Réalisateur", "Acteurs", "Pays",
                                "Titre_original", "Résumé",    "Note",        "Vu",      "EAN"}));
  EXPECT_EQ(test::ReadFile(dir / "kvn.ini"), "[BASEDB]\nId_Imp_Base=4\n");
  EXPECT_TRUE(Forms().form1->Tvideo.Active());
  EXPECT_EQ(GridTitles(), (std::vector<std::string>{"Alien", "zorro"}));
  EXPECT_TRUE(Forms().form1->StatusBar1->text().isEmpty());
}

TEST_F(StartupTest, LevelTwoAddsTheBackCover) {
  Start(2, TwoFilms(), "2");
  EXPECT_EQ(dialogs.warnings, std::vector<std::string>{kFromLevel2});
  const std::vector<std::string> columns = Columns(this, dir.Path());
  ASSERT_EQ(columns.size(), 20u);
  EXPECT_EQ(columns[10], "Jaquette2");
  EXPECT_EQ(columns.back(), "EAN");
  EXPECT_EQ(test::ReadFile(dir / "kvn.ini"), "[BASEDB]\nId_Imp_Base=4\n");
  EXPECT_TRUE(Forms().form1->Tvideo.Active());
}

TEST_F(StartupTest, CurrentLevelShowsNothingAndListsInTitleOrder) {
  std::vector<Film> films = TwoFilms();
  Film c;
  c.titre = "bambi";
  films.push_back(c);
  test::MakeCatalogue(dir.Path(), 4, films);
  test::WriteFile(dir / "kvn.ini", "; réglages\n[BASEDB]\nId_Imp_Base = 4\n");
  const std::string before = test::ReadFile(dir / "video.DB");
  CreateTheWindows();
  EXPECT_TRUE(dialogs.warnings.empty());
  EXPECT_TRUE(dialogs.errors.empty());
  EXPECT_EQ(test::ReadFile(dir / "kvn.ini"), "; réglages\n[BASEDB]\nId_Imp_Base = 4\n");
  EXPECT_EQ(test::ReadFile(dir / "video.DB"), before);
  EXPECT_EQ(GridTitles(), (std::vector<std::string>{"Alien", "bambi", "zorro"}));
  QAbstractItemModelTester tester(Forms().form1->DBGrid1->model(),
                                  QAbstractItemModelTester::FailureReportingMode::Warning);
}

// Whatever kvn.ini says (or fails to say), the table's own columns decide the
// upgrade: nothing is added twice, the films are listed, and the settings file
// is brought in line (a level from another version is left as it is).
TEST_F(StartupTest, TheTableColumnsDecideTheUpgrade) {
  const std::vector<std::string> current = {
      "Index", "Reference",      "Titre",  "Genre",     "Support", "Durée",       "Jacquette",
      "Nom",   "Prêté_le",       "Nb_cd",  "Jaquette2", "Année",   "Réalisateur", "Acteurs",
      "Pays",  "Titre_original", "Résumé", "Note",      "Vu",      "EAN"};
  struct Case {
    const char* name;
    int tableLevel;
    std::optional<std::string> ini;  // kvn.ini's whole text; nullopt: no file
    const char* warning;             // nullptr: none
    std::string iniAfter;
  } cases[] = {
      {"unreadable level", 4, "[BASEDB]\nId_Imp_Base=trois\n", nullptr,
       "[BASEDB]\nId_Imp_Base=4\n"},
      {"first level on a current table", 4, "[BASEDB]\nId_Imp_Base=0\n", nullptr,
       "[BASEDB]\nId_Imp_Base=4\n"},
      {"no settings file on a current table", 4, std::nullopt, nullptr,
       "[BASEDB]\nId_Imp_Base=4\n"},
      {"damaged settings file", 4, std::string("\xff\xfe\0\x01[[[", 7), nullptr, ""},
      {"current level on a second-structure table", 2, "[BASEDB]\nId_Imp_Base=4\n", kFromLevel2,
       "[BASEDB]\nId_Imp_Base=4\n"},
      // The film's details come with no message.
      {"third structure", 3, "[BASEDB]\nId_Imp_Base=3\n", nullptr, "[BASEDB]\nId_Imp_Base=4\n"},
      {"third structure, no settings file", 3, std::nullopt, nullptr, "[BASEDB]\nId_Imp_Base=4\n"},
      {"level of another version", 4, "[BASEDB]\nId_Imp_Base=5\n", nullptr,
       "[BASEDB]\nId_Imp_Base=5\n"},
      {"level of another version on a third-structure table", 3, "[BASEDB]\nId_Imp_Base=5\n",
       nullptr, "[BASEDB]\nId_Imp_Base=4\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    created = false;
    dialogs = FakePrompts();
    ::unlink((dir / "video.DB").c_str());
    ::unlink((dir / "kvn.ini").c_str());
    test::MakeCatalogue(dir.Path(), c.tableLevel, TwoFilms());
    if (c.ini) test::WriteFile(dir / "kvn.ini", *c.ini);
    CreateTheWindows();
    EXPECT_EQ(dialogs.warnings,
              c.warning ? std::vector<std::string>{c.warning} : std::vector<std::string>{});
    EXPECT_EQ(dialogs.errors, std::vector<std::string>{});
    EXPECT_TRUE(Forms().form1->Tvideo.Active());
    EXPECT_EQ(GridTitles(), (std::vector<std::string>{"Alien", "zorro"}));
    std::vector<std::string> columns = Columns(this, dir.Path());
    std::sort(columns.begin(), columns.end());
    std::vector<std::string> expected = current;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(columns, expected);
    if (!c.iniAfter.empty()) {
      EXPECT_EQ(test::ReadFile(dir / "kvn.ini"), c.iniAfter);
    }
  }
}

// A settings file that is a link to the catalogue is never written: the
// catalogue stays byte for byte and the refusal is said once the films show.
TEST_F(StartupTest, ASettingsFileLinkedToTheCatalogueIsNotWritten) {
  test::MakeCatalogue(dir.Path(), 4, TwoFilms());
  ASSERT_EQ(::symlink("video.DB", (dir / "kvn.ini").c_str()), 0);
  const std::string catalogue = test::ReadFile(dir / "video.DB");
  CreateTheWindows();
  EXPECT_EQ(GridTitles(), (std::vector<std::string>{"Alien", "zorro"}));
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_NE(dialogs.errors[0].find("mène à \"" + dir.Path() +
                                   "/video.DB\", qui fait partie du catalogue"),
            std::string::npos)
      << dialogs.errors[0];
  Forms().form1->close();
  EXPECT_EQ(test::ReadFile(dir / "video.DB"), catalogue);
  EXPECT_EQ(test::HiddenFiles(dir.Path()), std::vector<std::string>{});
}

// An archive of an older catalogue, restored through the menu, is brought up
// at once: the films are listed with every column, and the settings file says
// the current level.
TEST_F(StartupTest, AnOlderCatalogueRestoredFromItsArchiveIsBroughtUp) {
  Start(4, TwoFilms(), "4");
  const struct {
    int level;
    const char* warning;
  } cases[] = {{0, kFromLevel0}, {2, kFromLevel2}, {3, nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    test::TempDir old;
    std::vector<Film> films = TwoFilms();
    films[0].titre = "Ancien " + std::to_string(c.level);
    test::MakeCatalogue(old.Path(), c.level, films, std::to_string(c.level));
    ASSERT_EQ(
        test::RunProgram({test::KorvaneExecutable(), "--dir", old.Path(), "archive"}).exitCode, 0);
    dialogs = FakePrompts();
    dialogs.confirmAnswers = {true};
    dialogs.files = {QString::fromStdString(old / "Archive/video.zip")};
    Forms().form1->findChild<QAction*>("Restaurerlabasededonnees1")->trigger();
    EXPECT_EQ(dialogs.errors, std::vector<std::string>{});
    EXPECT_EQ(dialogs.warnings,
              c.warning ? std::vector<std::string>{c.warning} : std::vector<std::string>{});
    EXPECT_EQ(Columns(this, dir.Path()).size(), 20u);
    EXPECT_EQ(test::ReadFile(dir / "kvn.ini"), "[BASEDB]\nId_Imp_Base=4\n");
    EXPECT_EQ(GridTitles(), (std::vector<std::string>{"Alien", films[0].titre}));
    EXPECT_EQ(Forms().form1->Tvideo.FieldCount(), 20);
  }
}

TEST_F(StartupTest, MissingTableIsReportedByEachWindowThatOpensIt) {
  StartWithoutCatalogue("3");
  const std::string expected =
      "La table \"" + dir.Path() + "/video.DB\" est introuvable : le fichier n'existe pas.";
  // The main table, the new-record table, the search table and the list query.
  EXPECT_EQ(dialogs.errors, (std::vector<std::string>{expected, expected, expected, expected}));
  EXPECT_FALSE(Forms().form1->Tvideo.Active());
  EXPECT_FALSE(Forms().frmNFiche->TNFiche.Active());
  EXPECT_FALSE(Forms().frmRecherche->Table1.Active());
  EXPECT_FALSE(Forms().frmImprimer->Query1.Active());
}

// The catalogue a start from the desktop's menu opens: none in the working
// directory, so the last one opened, else one the user creates in ~/Films or
// chooses; a folder given is taken as it is.
TEST(StartFolder, LastCatalogueOrANewOneInFilms) {
  test::TempDir home;
  const std::string films = home / "Films";
  const std::string empty = home / "ailleurs";
  ASSERT_TRUE(platform::ForceDirectories(empty));
  ::setenv("HOME", home.Path().c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  FakePrompts answers;
  qt::SetUiForTesting(&answers);

  answers.chooseAnswers = {2};  // "Quitter"
  EXPECT_EQ(StartFolder(empty, false), std::nullopt);
  ASSERT_EQ(answers.choices.size(), 1u);
  EXPECT_EQ(answers.choices[0],
            "Aucun catalogue de films n'est ouvert.\n\nKorvane peut créer un catalogue vide dans "
            "le dossier " +
                films + ", ou ouvrir un catalogue existant (son fichier video.DB).");
  EXPECT_FALSE(platform::DirectoryExists(films));

  answers.chooseAnswers = {0};  // "Créer dans ~/Films"
  EXPECT_EQ(StartFolder(empty, false), films);
  EXPECT_EQ(test::SqlRows(films, "SELECT count(*) FROM video"), std::vector<std::string>{"0"});
  RememberCatalogue(films);
  // The next start, from anywhere without a catalogue, opens it unasked.
  EXPECT_EQ(StartFolder(empty, false), films);
  EXPECT_EQ(answers.choices.size(), 2u);
  // A catalogue in the working directory, or a folder given, comes first.
  catalogue::InitCatalogue(empty);
  EXPECT_EQ(StartFolder(empty, false), empty);
  EXPECT_EQ(StartFolder(home / "autre", true), home / "autre");

  // The remembered catalogue gone: asked again; an existing ~/Films
  // catalogue is opened, never replaced; another one can be chosen.
  ASSERT_EQ(::rename(films.c_str(), (home / "vieux").c_str()), 0);
  answers.chooseAnswers = {1};
  answers.files = {QString::fromStdString(home / "vieux/video.DB")};
  EXPECT_EQ(StartFolder(home.Path(), false), home / "vieux/");
  ASSERT_EQ(::rename((home / "vieux").c_str(), films.c_str()), 0);
  ASSERT_EQ(test::RunProgram(
                {"sqlite3", films + "/video.DB", "INSERT INTO video (Titre) VALUES ('Gardé')"})
                .exitCode,
            0);
  ::unlink((home / "config/korvane/korvane.ini").c_str());
  answers.chooseAnswers = {0};
  EXPECT_EQ(StartFolder(home.Path(), false), films);
  EXPECT_EQ(test::SqlRows(films, "SELECT Titre FROM video"), std::vector<std::string>{"Gardé"});
  EXPECT_TRUE(answers.errors.empty());
  qt::SetUiForTesting(nullptr);
}

}  // namespace
}  // namespace kvn::app
