// The main window's commands, status texts, shortcuts and list.
#include "app/main_window.h"

#include <sys/stat.h>

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTranslator>
#include <QUrlQuery>
#include <algorithm>

#include "app/about.h"
#include "app/forms.h"
#include "app/handlers.h"
#include "app/record_forms.h"
#include "app/search_form.h"
#include "menus/xp_menu.h"
#include "menus/xp_menu_style.h"
#include "platform/codepage.h"
#include "platform/file_info.h"
#include "platform/ini_file.h"
#include "qt_support/prompts.h"
#include "tests/app/gui_fixture.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::app {
namespace {

class MainWindowTest : public GuiTest {
 protected:
  void SetUp() override { Start(3, test::SampleFilms()); }
  TForm1& Main() { return *Forms().form1; }
};

TEST_F(MainWindowTest, StatusTextFollowsTheMouse) {
  Screenshot(&Main(), "fenetre_principale");
  const char* expected[] = {"Nouvelle fiche de film",
                            "Modifier l'enregistrement courant",
                            "Exportation de la base de données",
                            "Effacer l'enregistrement courant",
                            "Effectuer une recherche dans la base de données",
                            "Imprimer l'ensemble de la base de données",
                            "Quitter l'application"};
  const char* captions[] = {"Nouveau",    "Modifier", "Exporter", "Détruire",
                            "Rechercher", "Imprimer", "Quitter"};
  ASSERT_EQ(Main().SpeedButtons.size(), 7u);
  for (size_t i = 0; i < 7; ++i) {
    QToolButton* b = Main().SpeedButtons[i];
    EXPECT_EQ(b->text().toStdString(), captions[i]);
    EXPECT_EQ(b->size(), QSize(104, 39));
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(b, &move);
    EXPECT_EQ(Main().StatusBar1->text().toStdString(), expected[i]);
  }
  QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(Main().GroupBox1, &move);
  EXPECT_TRUE(Main().StatusBar1->text().isEmpty());
}

TEST_F(MainWindowTest, MenusAreDrawnFlat) {
  using menus::TXPMenu;
  TXPMenu* xp = Main().XPMenu1;
  ASSERT_NE(xp, nullptr);
  EXPECT_TRUE(xp->Active());
  EXPECT_TRUE(xp->AutoDetect());
  EXPECT_TRUE(xp->DrawSelect());
  EXPECT_TRUE(xp->UseSystemColors());
  EXPECT_FALSE(xp->OverrideOwnerDraw());
  EXPECT_FALSE(xp->Gradient());
  EXPECT_FALSE(xp->FlatMenu());
  EXPECT_EQ(xp->IconWidth(), 24);
  // The menu bar, its drop-down menus and the list's pop-up menu are owner-drawn.
  EXPECT_EQ(Main().menuBar()->style(), xp->Style());
  for (QAction* item : Main().menuBar()->actions()) EXPECT_EQ(item->menu()->style(), xp->Style());
  ASSERT_NE(Main().PopupMenu1, nullptr);
  EXPECT_EQ(Main().PopupMenu1->style(), xp->Style());

  // "Fichier" opened from the menu bar, "Exporter" under the mouse.
  Main().show();
  QAction* fileItem = Main().menuBar()->actions().at(0);
  QMenu* file = fileItem->menu();
  Main().menuBar()->setActiveAction(fileItem);
  QApplication::processEvents();
  ASSERT_TRUE(file->isVisible());
  const menus::TXPMenuColors colors = xp->EffectiveColors(32);
  auto at = [](const QImage& i, int x, int y) {
    const QRgb p = i.pixel(x, y);
    return menus::MakeRGB(qRed(p), qGreen(p), qBlue(p));
  };
  // The open menu's bar item is drawn as a raised box.
  EXPECT_EQ(Main().menuBar()->activeAction(), fileItem);
  const QImage bar = Main().menuBar()->grab().toImage();
  const QRect box = Main().menuBar()->actionGeometry(fileItem);
  EXPECT_EQ(at(bar, box.left(), box.center().y()), colors.Frame);
  EXPECT_EQ(at(bar, box.left() + 1, box.center().y()), colors.IconBackColor);
  QAction* exporter = Main().findChild<QAction*>("s_mnuExporter");
  QAction* quit = Main().findChild<QAction*>("s_mnuQuitter");
  file->setActiveAction(exporter);
  QApplication::processEvents();
  const QImage image = file->grab().toImage();
  const QRect selected = file->actionGeometry(exporter), other = file->actionGeometry(quit);
  EXPECT_EQ(at(image, selected.left(), selected.center().y()), colors.SelectBorderColor);
  EXPECT_EQ(at(image, selected.right() - 2, selected.center().y()), colors.SelectColor);
  EXPECT_EQ(at(image, other.left() + 1, other.center().y()), colors.IconBackColor);
  EXPECT_EQ(at(image, other.left() + 24, other.center().y()), colors.Color);
  // Menu-bar items are their measured width plus the bar's margin.
  int w = 0, h = 0;
  xp->MeasureItem(fileItem, w, h);
  EXPECT_EQ(Main().menuBar()->actionGeometry(fileItem).width(),
            w + menus::TXPMenuStyle::kMenuBarItemExtraWidth);

  if (!qgetenv("KVN_SCREENSHOT_DIR").isEmpty()) {
    // The window with its open menu, as the user sees it.
    QPixmap shot = Main().grab();
    QPainter painter(&shot);
    painter.drawImage(Main().mapFromGlobal(file->pos()), image);
    painter.end();
    auto* label = new QLabel;
    label->setPixmap(shot);
    label->resize(shot.size());
    Screenshot(label, "menu_fichier");
    delete label;
  }
  file->hide();
}

TEST_F(MainWindowTest, LayoutAndList) {
  EXPECT_EQ(Main().windowTitle(), "Korvane version 1.0");
  EXPECT_EQ(Main().centralWidget()->width(), 794);
  EXPECT_EQ(Main().GroupBox1->geometry(), QRect(0, 48, 793, 425));
  DBGrid* grid = Main().DBGrid1;
  const char* titles[] = {"Réf", "Titre", "Nb CD", "Support", "Genre", "Durée", "Nom", "Prêté le"};
  const int widths[] = {-1, 280, 38, -1, 98, 54, 92, 67};
  for (int c = 0; c < 8; ++c) {
    EXPECT_EQ(
        grid->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toStdString(),
        titles[c]);
    // The title takes the room the others leave.
    if (c == 1) {
      EXPECT_GE(grid->columnWidth(c), widths[c]);
    } else if (widths[c] > 0) {
      EXPECT_EQ(grid->columnWidth(c), widths[c]) << titles[c];
    }
  }
  EXPECT_EQ(grid->columnWidth(3), grid->DefaultWidth(10));
  // A reference such as "DVD-038" is shown whole.
  EXPECT_GT(grid->columnWidth(0), QFontMetrics(grid->font()).horizontalAdvance("DVD-038"));
  EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
  // French title order: "Élise" among the E's, before "la Haine".
  EXPECT_EQ(grid->model()->index(2, 1).data().toString(), "Élise");
  EXPECT_EQ(grid->model()->index(3, 1).data().toString(), "la Haine");
  EXPECT_EQ(grid->model()->index(3, 7).data().toString(), "15/03/2024");
  // Moving in the grid moves the table; moving the table moves the grid.
  grid->setCurrentIndex(grid->model()->index(3, 0));
  EXPECT_EQ(Main().Tvideo.RecNo(), 4);
  Main().Tvideo.Last();
  EXPECT_EQ(grid->currentIndex().row(), 5);
  EXPECT_EQ(grid->model()->headerData(5, Qt::Vertical, Qt::DisplayRole).toString(), "▶");
}

// The list's horizontal scroll bar: at the left, its thumb is at the left
// and the first column shows; dragged to the right, the last column shows.
TEST_F(MainWindowTest, HorizontalScrollBarRunsLeftToRight) {
  // Qt's French translation, as the program loads it.
  QTranslator qtFrench;
  if (qtFrench.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtFrench);
  EXPECT_EQ(QApplication::layoutDirection(), Qt::LeftToRight);
  TForm1& w = Main();
  w.show();
  DBGrid* grid = w.DBGrid1;
  grid->setColumnWidth(1, 1500);
  QApplication::processEvents();
  QScrollBar* bar = grid->horizontalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  QStyleOptionSlider option;
  option.initFrom(bar);
  option.orientation = Qt::Horizontal;
  option.minimum = bar->minimum();
  option.maximum = bar->maximum();
  option.pageStep = bar->pageStep();
  option.singleStep = bar->singleStep();
  option.upsideDown = bar->invertedAppearance();
  const auto thumb = [&](int value) {
    option.sliderPosition = option.sliderValue = value;
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                        bar);
  };
  bar->setValue(bar->minimum());
  QApplication::processEvents();
  EXPECT_EQ(grid->columnViewportPosition(0), 0);
  EXPECT_LT(thumb(bar->minimum()).center().x(), bar->width() / 2);
  // Dragging the thumb to the right shows the last columns.
  const QRect at = thumb(bar->value());
  QTest::mousePress(bar, Qt::LeftButton, {}, at.center());
  QMouseEvent move(QEvent::MouseMove, QPointF(bar->width() - 2, at.center().y()),
                   bar->mapToGlobal(QPointF(bar->width() - 2, at.center().y())), Qt::LeftButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(bar, &move);
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(bar->width() - 2, at.center().y()));
  QApplication::processEvents();
  EXPECT_EQ(bar->value(), bar->maximum());
  const int last = grid->model()->columnCount() - 1;
  EXPECT_LE(grid->columnViewportPosition(last) + grid->columnWidth(last),
            grid->viewport()->width());
  EXPECT_GT(thumb(bar->value()).center().x(), bar->width() / 2);
}

// Letters typed in the list make the first title that starts with them the
// current film, without regard to case or accents; letters no title starts
// with leave the list where it was.
TEST_F(MainWindowTest, TypingInTheListJumpsToATitle) {
  DBGrid* grid = Main().DBGrid1;
  Main().show();
  grid->setFocus();
  const auto current = [&] { return Main().Tvideo.FieldByName("Titre").AsString(); };
  // One search per word however slowly the machine types.
  const int interval = QApplication::keyboardInputInterval();
  QApplication::setKeyboardInputInterval(60000);
  QTest::keyClicks(grid, "zaz");
  EXPECT_EQ(current(), "Zazie dans le métro");
  grid->keyboardSearch(QString());
  QTest::keyClicks(grid, "eli");
  EXPECT_EQ(current(), "Élise");
  grid->keyboardSearch(QString());
  QTest::keyClicks(grid, "qqq");
  QApplication::setKeyboardInputInterval(interval);
  EXPECT_EQ(current(), "Élise");
  EXPECT_EQ(grid->currentIndex().row() + 1, Main().Tvideo.RecNo());
}

// A catalogue written by another program, without the key table: the window
// builds it once and lists every Latin letter in French order, and typing
// "lod" finds "Łódź".
class TitleOrderWindowTest : public GuiTest {};

TEST_F(TitleOrderWindowTest, EveryLetterInItsPlace) {
  const std::vector<std::string> expected = test::TitlesInFrenchOrder();
  std::vector<test::Film> films;
  for (auto it = expected.rbegin(); it != expected.rend(); ++it) {
    films.emplace_back();
    films.back().titre = *it;
  }
  test::MakeCatalogue(dir.Path(), 3, films, std::string("3"));
  Rows("DROP TRIGGER video_cle_ajout");
  Rows("DROP TABLE video_cle");
  CreateTheWindows();
  TForm1& w = *Forms().form1;
  EXPECT_EQ(Rows("SELECT count(*) FROM video_cle"),
            std::vector<std::string>{std::to_string(expected.size())});
  std::vector<std::string> shown;
  for (int r = 0; r < w.DBGrid1->model()->rowCount(); ++r)
    shown.push_back(w.DBGrid1->model()->index(r, 1).data().toString().toStdString());
  EXPECT_EQ(shown, expected);
  w.show();
  w.DBGrid1->setFocus();
  const int interval = QApplication::keyboardInputInterval();
  QApplication::setKeyboardInputInterval(60000);
  QTest::keyClicks(w.DBGrid1, "lod");
  QApplication::setKeyboardInputInterval(interval);
  EXPECT_EQ(w.Tvideo.FieldByName("Titre").AsString(), "Łódź");
  EXPECT_TRUE(dialogs.errors.empty());
}

// A click on a header sorts the list by that column (French order for text),
// a second click reverses it; the current film stays current; "Titre" goes
// back to the title order.
TEST_F(MainWindowTest, HeaderClicksSortTheList) {
  TForm1& w = Main();
  w.show();
  QHeaderView* header = w.DBGrid1->horizontalHeader();
  const auto column = [&w](int c) {
    std::vector<std::string> values;
    for (int r = 0; r < w.DBGrid1->model()->rowCount(); ++r)
      values.push_back(w.DBGrid1->model()->index(r, c).data().toString().toStdString());
    return values;
  };
  const auto click = [&](int c) {
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(c) + header->sectionSize(c) / 2,
                             header->height() / 2));
  };
  w.Tvideo.SetRecNo(4);
  const std::string film = w.Tvideo.FieldByName("Titre").AsString();
  click(4);  // Genre
  std::vector<std::string> genres = column(4);
  EXPECT_TRUE(
      std::is_sorted(genres.begin(), genres.end(), [](const std::string& a, const std::string& b) {
        return platform::Utf8UpperCase(a) < platform::Utf8UpperCase(b);
      }));
  EXPECT_EQ(w.Tvideo.FieldByName("Titre").AsString(), film);
  EXPECT_EQ(header->sortIndicatorSection(), 4);
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
  click(4);
  std::vector<std::string> reversed = column(4);
  EXPECT_EQ(reversed, std::vector<std::string>(genres.rbegin(), genres.rend()));
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
  EXPECT_EQ(w.Tvideo.FieldByName("Titre").AsString(), film);
  click(1);  // Titre: the title order again
  EXPECT_TRUE(w.Tvideo.SortField().empty());
  EXPECT_EQ(column(1)[2], "Élise");
  EXPECT_EQ(w.Tvideo.FieldByName("Titre").AsString(), film);
  EXPECT_TRUE(dialogs.errors.empty());
}

// The window grows and the list with it; its size and the column widths are
// kept in kvn.ini for the next start.
TEST_F(MainWindowTest, TheWindowGrowsAndRemembersItsLayout) {
  TForm1& w = Main();
  w.show();
  w.resize(1200, 800);
  QApplication::processEvents();
  EXPECT_EQ(w.size(), QSize(1200, 800));
  EXPECT_EQ(w.GroupBox1->width(), w.centralWidget()->width() - 1);
  EXPECT_GT(w.DBGrid1->height(), 385 + 250);
  Screenshot(&w, "fenetre_agrandie");
  // The title takes the width the window gained: the columns fill the list.
  const auto filled = [&w] {
    int sum = 0;
    for (int c = 0; c < w.DBGrid1->model()->columnCount(); ++c) sum += w.DBGrid1->columnWidth(c);
    return sum;
  };
  EXPECT_EQ(filled(), w.DBGrid1->viewport()->width());
  EXPECT_EQ(w.DBGrid1->horizontalScrollBar()->maximum(), 0);
  // A title column the user widens is kept at that width at least.
  w.DBGrid1->setColumnWidth(1, 420);
  w.SaveLayout();
  const std::string ini = test::ReadFile(dir / "kvn.ini");
  EXPECT_NE(ini.find("[FENETRE]\nLargeur=1200\nHauteur=800\nAgrandie=0\n"), std::string::npos)
      << ini;
  EXPECT_NE(ini.find("Colonne1=420"), std::string::npos) << ini;
  // The next start takes them back.
  TearDown();
  created = false;
  dialogs = FakePrompts();
  CreateTheWindows();
  EXPECT_EQ(Main().size(), QSize(1200, 800));
  EXPECT_GE(Main().DBGrid1->columnWidth(1), 420);
  // Narrowed, the title keeps the user's width and the list scrolls.
  Main().show();
  Main().resize(800, 600);
  QApplication::processEvents();
  EXPECT_EQ(Main().DBGrid1->columnWidth(1), 420);
}

// A right click on the list's header offers every column with a check mark;
// the details start hidden, the title cannot be hidden, and the choice is
// kept in kvn.ini for the next start.
TEST_F(MainWindowTest, ListColumnsShownOrHiddenFromTheHeader) {
  TForm1& w = Main();
  w.show();
  QApplication::processEvents();
  QMenu* menu = w.ColumnsMenu();
  const QList<QAction*> items = menu->actions();
  ASSERT_EQ(items.size(), 17);
  std::vector<std::string> checked;
  for (QAction* a : items)
    if (a->isChecked()) checked.push_back(a->text().toStdString());
  EXPECT_EQ(checked, (std::vector<std::string>{"Réf", "Titre", "Nb CD", "Support", "Genre", "Durée",
                                               "Nom", "Prêté le"}));
  EXPECT_FALSE(items[1]->isEnabled());
  items[9]->toggle();   // Réalisateur shown
  items[4]->toggle();   // Genre hidden
  items[16]->toggle();  // EAN shown
  delete menu;
  EXPECT_FALSE(w.DBGrid1->isColumnHidden(9));
  EXPECT_TRUE(w.DBGrid1->isColumnHidden(4));
  EXPECT_GT(w.DBGrid1->columnWidth(16), 8);
  // The columns still fill the list (it scrolls when they are too wide).
  int sum = 0;
  for (int c = 0; c < w.DBGrid1->model()->columnCount(); ++c) sum += w.DBGrid1->columnWidth(c);
  EXPECT_GE(sum, w.DBGrid1->viewport()->width());
  w.close();
  EXPECT_NE(test::ReadFile(dir / "kvn.ini")
                .find("Colonnes=Reference,Titre,Nb_cd,Support,Durée,Nom,Prêté_le,Réalisateur,EAN"),
            std::string::npos)
      << test::ReadFile(dir / "kvn.ini");

  TearDown();
  created = false;
  dialogs = FakePrompts();
  CreateTheWindows();
  std::vector<int> hidden;
  for (int c = 0; c < Main().DBGrid1->model()->columnCount(); ++c)
    if (Main().DBGrid1->isColumnHidden(c)) hidden.push_back(c);
  EXPECT_EQ(hidden, (std::vector<int>{4, 8, 10, 11, 12, 13, 14, 15}));
}

// The quick filter above the list: words as typed, a choice of films, both
// together; Escape clears the words and the list is whole again.
TEST_F(MainWindowTest, QuickFilterNarrowsTheList) {
  TForm1& w = Main();
  w.show();
  QApplication::setActiveWindow(&w);
  QApplication::processEvents();
  const int64_t all = w.Tvideo.RecordCount();
  auto titles = [&w] {
    std::vector<std::string> t;
    for (int r = 0; r < w.DBGrid1->model()->rowCount(); ++r)
      t.push_back(w.DBGrid1->model()->index(r, 1).data().toString().toStdString());
    return t;
  };
  w.findChild<QAction*>("s_mnuFiltrer")->trigger();
  EXPECT_EQ(QApplication::focusWidget(), w.Filter);
  w.Filter->setText(QStringLiteral("cleopatre ASTÉRIX"));
  EXPECT_EQ(titles(), std::vector<std::string>{"Astérix et Obélix : Mission Cléopâtre"});
  Screenshot(&w, "filtre");
  w.Filter->clear();
  EXPECT_EQ(w.Tvideo.RecordCount(), all);
  // Lent films, then lent films with a word.
  w.QuickFilter->setCurrentIndex(w.QuickFilter->findData(QStringLiteral("pretes")));
  EXPECT_EQ(titles(), (std::vector<std::string>{"la Haine", "Zazie dans le métro"}));
  w.Filter->setText(QStringLiteral("zoe"));
  EXPECT_EQ(titles(), std::vector<std::string>{"Zazie dans le métro"});
  w.Filter->setFocus();
  QTest::keyClick(w.Filter, Qt::Key_Escape);
  EXPECT_TRUE(w.Filter->text().isEmpty());
  w.QuickFilter->setCurrentIndex(w.QuickFilter->findData(QStringLiteral("support:VHS")));
  EXPECT_EQ(titles(), std::vector<std::string>{"la Haine"});
  w.QuickFilter->setCurrentIndex(0);
  EXPECT_EQ(w.Tvideo.RecordCount(), all);
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(MainWindowTest, MenusShortcutsAndCommandsThatComeLater) {
  auto action = [&](const char* name) { return Main().findChild<QAction*>(name); };
  struct {
    const char* name;
    const char* text;
    QKeySequence key;
    bool enabled;
  } items[] = {
      {"s_mnuNFiche", "Nouvelle fiche", QKeySequence("Ctrl+N"), true},
      {"Scanneruneimage1", "Scanner une jaquette", QKeySequence(), true},
      {"s_mnuExporter", "Exporter", QKeySequence("Ctrl+E"), true},
      {"Archiverlabasededonnes1", "Archiver la base de données", QKeySequence(), true},
      {"s_mnuImprimer", "Imprimer", QKeySequence("Ctrl+P"), true},
      {"s_mnuQuitter", "Quitter", QKeySequence("Ctrl+Q"), true},
      {"s_mnuModifier", "Modifier", QKeySequence("Ctrl+M"), true},
      {"s_mnuSupprimer", "Supprimer", QKeySequence(Qt::Key_Delete), true},
      {"s_mnuChercher", "Chercher", QKeySequence("Ctrl+F"), true},
      {"s_mnuAide", "Aide", QKeySequence(Qt::Key_F1), true},
      {"s_mnuApropos", "A propos...", QKeySequence(), true},
      {"Rapportdebugs1", "Signaler un bug", QKeySequence(), true},
  };
  for (const auto& i : items) {
    QAction* a = action(i.name);
    ASSERT_NE(a, nullptr) << i.name;
    EXPECT_EQ(a->text().toStdString(), i.text);
    EXPECT_EQ(a->shortcut(), i.key) << i.name;
    EXPECT_EQ(a->isEnabled(), i.enabled) << i.name;
    EXPECT_FALSE(a->icon().isNull()) << i.name;
  }
  QStringList menus;
  for (QAction* m : Main().menuBar()->actions()) menus << m->text();
  EXPECT_EQ(menus, (QStringList{"Fichier", "Edition", "Rechercher", "?"}));
}

TEST_F(MainWindowTest, HelpAndBugReportGoToTheDesktop) {
  Main().s_mnuAideClick();
  ASSERT_EQ(dialogs.urls.size(), 1u);
  EXPECT_TRUE(dialogs.urls[0].isLocalFile());
  EXPECT_TRUE(dialogs.urls[0].toLocalFile().endsWith("/Aide/index.html"));
  EXPECT_TRUE(QFile::exists(dialogs.urls[0].toLocalFile()));
  Main().Rapportdebugs1Click();
  EXPECT_EQ(dialogs.urls[1].scheme(), "mailto");
  EXPECT_EQ(dialogs.urls[1].path().toStdString(), "bugs@korvane.example");
  EXPECT_EQ(QUrlQuery(dialogs.urls[1]).queryItemValue("subject", QUrl::FullyDecoded),
            "Korvane v1.0 : Signaler un bug");
  platform::IniFile(dir / "kvn.ini", {.allowProtected = true})
      .WriteString("APP", "BugReportAddress", "moi@exemple.fr");
  Main().Rapportdebugs1Click();
  EXPECT_EQ(dialogs.urls[2].path(), "moi@exemple.fr");
  EXPECT_TRUE(dialogs.errors.empty());
  // Without a browser or a mail program, the user learns where to go.
  dialogs.desktopOpens = false;
  Main().s_mnuAideClick();
  Main().Rapportdebugs1Click();
  ASSERT_EQ(dialogs.warnings.size(), 2u);
  EXPECT_EQ(dialogs.warnings[0],
            "Aucun navigateur n'a pu afficher l'aide. Ouvrez vous-même la page :\n" +
                dialogs.urls[0].toLocalFile().toStdString());
  EXPECT_EQ(
      dialogs.warnings[1],
      "Aucun programme de courrier n'a pu être ouvert. Écrivez à l'adresse :\nmoi@exemple.fr");
}

// The real desktop opener: xdg-open's status tells whether a program took the
// address (3: none could), which the desktop services do not.
TEST(DesktopOpener, SaysWhetherAProgramTookTheAddress) {
  test::TempDir bin;
  test::WriteFile(bin / "xdg-open",
                  "#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/ouvert\"\n"
                  "exit $(cat \"$(dirname \"$0\")/statut\")\n");
  ASSERT_EQ(chmod((bin / "xdg-open").c_str(), 0755), 0);
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QByteArray::fromStdString(bin.Path()) + ":" + path);
  qt::QtPrompts desktop;
  const QUrl page = QUrl::fromLocalFile("/usr/share/korvane/Aide/index.html");
  test::WriteFile(bin / "statut", "3");
  EXPECT_FALSE(desktop.OpenUrl(page));
  EXPECT_EQ(test::ReadFile(bin / "ouvert"), "file:///usr/share/korvane/Aide/index.html");
  test::WriteFile(bin / "statut", "0");
  EXPECT_TRUE(desktop.OpenUrl(QUrl("mailto:moi@exemple.fr?subject=Korvane%20v1.0")));
  EXPECT_EQ(test::ReadFile(bin / "ouvert"), "mailto:moi@exemple.fr?subject=Korvane%20v1.0");
  qputenv("PATH", path);
}

TEST_F(MainWindowTest, CtrlDelDeletesFromTheListAfterConfirmation) {
  DBGrid* grid = Main().DBGrid1;
  Main().Tvideo.SetRecNo(2);
  dialogs.confirmAnswers = {false, true};
  QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(Main().Tvideo.RecordCount(), 6);
  QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(dialogs.confirmations, (std::vector<std::string>{"Supprimer l'enregistrement ?",
                                                             "Supprimer l'enregistrement ?"}));
  EXPECT_EQ(Main().Tvideo.RecordCount(), 5);
  EXPECT_FALSE(Forms().frmSFiche->isVisible());
}

TEST_F(MainWindowTest, SecondEditCommandBringsTheWindowBack) {
  Main().s_mnuModifierClick();
  TfrmMFiche& f = *Forms().frmMFiche;
  EXPECT_TRUE(f.isVisible());
  EXPECT_FALSE(f.isModal());
  f.lower();
  Main().s_mnuModifierClick();
  EXPECT_TRUE(f.isVisible());
  // Tab goes through the boxes in the window's order.
  std::vector<QWidget*> order = {f.EditReference, f.EditTitre, f.MaskEdit1, f.DBComboBox1,
                                 f.DBComboBox2,   f.DBEdit2,   f.Edit1,     f.Button1,
                                 f.Edit2,         f.DBEdit1,   f.Button2,   f.SpeedButton2,
                                 f.BitBtn1,       f.BitBtn2};
  for (size_t i = 0; i + 1 < order.size(); ++i) {
    QWidget* next = order[i]->nextInFocusChain();
    // Past the box's own parts (an editable combo box's line) and what Tab skips.
    while (next && next != order[i + 1] &&
           (order[i]->isAncestorOf(next) || !(next->focusPolicy() & Qt::TabFocus) ||
            !next->isVisibleTo(&f)))
      next = next->nextInFocusChain();
    EXPECT_EQ(next, order[i + 1]) << i << " " << order[i]->objectName().toStdString();
  }
  // The edit window follows the list while open.
  Main().Tvideo.SetRecNo(4);
  EXPECT_EQ(f.EditTitre->text(), "la Haine");
  f.hide();
}

TEST_F(MainWindowTest, ArchivingTheCatalogue) {
  Main().findChild<QAction*>("Archiverlabasededonnes1")->trigger();
  EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors[0];
  ASSERT_EQ(dialogs.informations.size(), 1u);
  EXPECT_EQ(
      dialogs.informations[0],
      "L'archivage s'est bien déroulé, vous trouverez le fichier video.zip dans le répertoire " +
          dir.Path() + "/Archive");
  auto r = test::RunProgram({"unzip", "-l", dir / "Archive/video.zip"});
  EXPECT_NE(r.out.find(" video.DB\n"), std::string::npos) << r.out;
  // A directory that cannot be made: the message names it, nothing else happens.
  test::TempDir other;
  test::WriteFile(other / "Archive", "un fichier, pas un répertoire");
  SetCatalogueDirectory(other.Path());
  RunHandler(&Main(), [&] { Main().Archiverlabasededonnes1Click(); });
  EXPECT_EQ(dialogs.errors,
            std::vector<std::string>{"Impossible de créer le répertoire " + other.Path() +
                                     "/Archive : un fichier porte déjà ce nom."});
}

TEST_F(MainWindowTest, RestoringTheCatalogue) {
  QAction* item = Main().findChild<QAction*>("Restaurerlabasededonnees1");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->text(), "Restaurer la base de données…");
  EXPECT_TRUE(item->isEnabled());
  // Under the archiving command.
  const QList<QAction*> file = Main().menuBar()->actions().at(0)->menu()->actions();
  ASSERT_GE(file.indexOf(item), 1);
  EXPECT_EQ(file.at(file.indexOf(item) - 1)->objectName(), "Archiverlabasededonnes1");

  // The chooser opens on the catalogue's archive; closed, nothing happens.
  const QString own = QString::fromStdString(dir / "Archive/video.zip");
  item->trigger();
  EXPECT_EQ(dialogs.openedAt, std::vector<std::string>{dir / "Archive/video.zip"});
  EXPECT_TRUE(dialogs.errors.empty());
  // No archive yet: said, nothing changes.
  dialogs.files = {own};
  item->trigger();
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(dialogs.errors[0], "L'archive \"" + dir / "Archive/video.zip" +
                                   "\" est introuvable.\nLe catalogue actuel n'a pas été modifié.");
  EXPECT_TRUE(dialogs.confirmations.empty());

  Main().findChild<QAction*>("Archiverlabasededonnes1")->trigger();
  const int64_t archived = Main().Tvideo.RecordCount();
  // Two films deleted through the window after the archive was made.
  Main().Tvideo.First();
  Main().Tvideo.Delete();
  Main().Tvideo.Delete();
  ASSERT_EQ(Main().Tvideo.RecordCount(), archived - 2);
  // The search window has its results open on the catalogue.
  Forms().frmRecherche->Table1.SetTableName("video.DB");
  Forms().frmRecherche->Table1.Open();

  // "Non": nothing is restored.
  dialogs.confirmAnswers = {false};
  dialogs.files = {own};
  item->trigger();
  ASSERT_EQ(dialogs.confirmations.size(), 1u);
  EXPECT_NE(dialogs.confirmations[0].find("Restaurer le catalogue archivé le "), std::string::npos);
  EXPECT_NE(dialogs.confirmations[0].find("contient " + std::to_string(archived) + " films."),
            std::string::npos)
      << dialogs.confirmations[0];
  EXPECT_NE(dialogs.confirmations[0].find("Le catalogue actuel contient " +
                                          std::to_string(archived - 2) + " films"),
            std::string::npos)
      << dialogs.confirmations[0];
  EXPECT_EQ(Main().Tvideo.RecordCount(), archived - 2);
  EXPECT_FALSE(platform::FileExists(dir / "video.DB.avant-restauration"));
  EXPECT_EQ(test::HiddenFiles(dir.Path()), std::vector<std::string>{});

  // "Oui" on a copy of the archive kept elsewhere: the list and the other
  // windows show the archived films at once.
  test::WriteFile(dir / "copie.zip", test::ReadFile(dir / "Archive/video.zip"));
  dialogs.confirmAnswers = {true};
  dialogs.files = {QString::fromStdString(dir / "copie.zip")};
  item->trigger();
  EXPECT_EQ(dialogs.errors.size(), 1u) << dialogs.errors.back();
  ASSERT_EQ(dialogs.informations.size(), 2u);
  EXPECT_NE(dialogs.informations[1].find("Catalogue restauré depuis l'archive"), std::string::npos);
  EXPECT_EQ(Main().Tvideo.RecordCount(), archived);
  EXPECT_EQ(Main().DBGrid1->model()->rowCount(), archived);
  EXPECT_TRUE(Forms().frmRecherche->Table1.Active());
  EXPECT_EQ(Forms().frmRecherche->Table1.RecordCount(), archived);
  EXPECT_EQ(test::SqlRows(dir.Path(), "SELECT count(*) FROM video"),
            std::vector<std::string>{std::to_string(archived)});
  EXPECT_TRUE(platform::FileExists(dir / "video.DB.avant-restauration"));
  // The window goes on writing into the restored catalogue.
  Main().Tvideo.First();
  Main().Tvideo.Delete();
  EXPECT_EQ(test::SqlRows(dir.Path(), "SELECT count(*) FROM video"),
            std::vector<std::string>{std::to_string(archived - 1)});
}

TEST_F(MainWindowTest, AboutBox) {
  Tapropos& about = *Forms().apropos;
  WhileModal([&] { Main().s_mnuAproposClick(); },
             [&] {
               Screenshot(&about, "a_propos");
               EXPECT_EQ(about.windowTitle(), "A Propos...");
               ASSERT_EQ(about.PageControl1->count(), 3);
               EXPECT_EQ(about.PageControl1->tabText(0), "Version du logiciel");
               EXPECT_EQ(about.PageControl1->tabText(1), "Remerciements");
               EXPECT_EQ(about.PageControl1->tabText(2), "Licence");
               QTest::mouseClick(about.findChild<QPushButton*>("SpeedButton1"), Qt::LeftButton);
             });
  EXPECT_FALSE(about.isVisible());
}

}  // namespace
}  // namespace kvn::app
