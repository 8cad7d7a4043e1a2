// The record windows driven as a user drives them: keys, clicks, focus.
#include "app/record_forms.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include "app/forms.h"
#include "app/main_window.h"
#include "tests/app/gui_fixture.h"
#include "tests/support/run_program.h"

namespace kvn::app {
namespace {

using test::Film;

Film MakeFilm(const char* ref, const char* title, std::optional<std::string> duree,
              std::optional<std::string> nom = std::nullopt,
              std::optional<std::string> date = std::nullopt) {
  Film f;
  f.reference = ref;
  f.titre = title;
  f.genre = "Drame";
  f.support = "DVD";
  f.duree = duree;
  f.nom = nom;
  f.preteLe = date;
  f.nbCd = 1;
  return f;
}

std::vector<Film> Catalogue() {
  return {MakeFilm("A", "Amour", "01:30:00"), MakeFilm("B", "Brazil", std::nullopt),
          MakeFilm("C", "Casino", "02:58:00", "Léa", "2026-11-02")};
}

// Replaces the text of a box as typed keys (accents included).
void Type(QWidget* w, const QString& text) {
  w->setFocus();
  QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
  for (QChar c : text) {
    if (c.unicode() < 0x80)
      QTest::keyClick(w, c.toLatin1());
    else
      QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
}

TForm1& Main() {
  return *Forms().form1;
}

class NewRecordTest : public GuiTest {
 protected:
  void SetUp() override { Start(3, Catalogue()); }
};

TEST_F(NewRecordTest, AddsFilmsOneAfterTheOther) {
  TfrmNFiche& f = *Forms().frmNFiche;
  WhileModal([] { Main().s_mnuNFicheClick(); },
             [&] {
               Screenshot(&f, "nouvelle_fiche");
               Type(f.EditReference, "R10");
               f.MaskEdit1->setFocus();
               f.MaskEdit1->selectAll();
               QTest::keyClicks(f.MaskEdit1, "013500");
               Type(f.DBComboBoxGenre, "Western");
               Type(f.EditTitre, "Danse avec les loups");
               Type(f.DBEdit2, "2");
               QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
               // The second film: tabbing from the discs into the button validates.
               Type(f.EditTitre, "Eden");
               f.DBEdit2->setFocus();
               QTest::keyClick(f.DBEdit2, Qt::Key_Tab);
               QTest::mouseClick(f.BitBtn2, Qt::LeftButton);
             });
  EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors[0];
  EXPECT_EQ(Rows("SELECT Reference, Titre, Genre, \"Durée\", Nb_cd, Jacquette FROM video WHERE "
                 "rowid > 3 ORDER BY rowid"),
            (std::vector<std::string>{"R10|Danse avec les loups|Western|01:35:00|2|NULL",
                                      "NULL|Eden|NULL|01:35:00|NULL|NULL"}));
  // The list shows them and stands on its last row.
  EXPECT_EQ(Main().Tvideo.RecordCount(), 5);
  EXPECT_EQ(Main().Tvideo.RecNo(), 5);
  // The duration box keeps its text; the next film starts blank.
  EXPECT_EQ(f.MaskEdit1->Text(), "01:35:00");
  WhileModal([] { Main().s_mnuNFicheClick(); },
             [&] {
               EXPECT_TRUE(f.EditTitre->text().isEmpty());
               QTest::mouseClick(f.BitBtn2, Qt::LeftButton);
             });
}

// A title already in the catalogue (accents and case aside) is added only
// when the user says so; another title asks nothing.
TEST_F(NewRecordTest, AddingATitleAgainAsksFirst) {
  TfrmNFiche& f = *Forms().frmNFiche;
  dialogs.questionAnswers = {false, true};
  WhileModal([] { Main().s_mnuNFicheClick(); },
             [&] {
               Type(f.EditReference, "B2");
               Type(f.EditTitre, QStringLiteral("BRÄZIL"));
               QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
               // Refused: the window keeps the film, the title has the focus.
               EXPECT_EQ(f.EditTitre->text(), QStringLiteral("BRÄZIL"));
               EXPECT_EQ(QApplication::focusWidget(), f.EditTitre);
               QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
               Type(f.EditTitre, QStringLiteral("Delicatessen"));
               QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
               QTest::mouseClick(f.BitBtn2, Qt::LeftButton);
             });
  const std::string asked =
      "Film déjà présent | Le catalogue a déjà un film de ce titre :\n« Brazil », "
      "référence B\n\nAjouter quand même ce film ?";
  EXPECT_EQ(dialogs.questions, (std::vector<std::string>{asked, asked}));
  EXPECT_EQ(Rows("SELECT Reference, Titre FROM video WHERE rowid > 3 ORDER BY rowid"),
            (std::vector<std::string>{"B2|BRÄZIL", "NULL|Delicatessen"}));
}

// Typing fast: after "Valider" the keys go to "Référence" for the next film,
// not to the button; closed with Escape from the button, the window opens
// again on "Référence" and warns of nothing.
TEST_F(NewRecordTest, TwoFilmsTypedInARow) {
  TfrmNFiche& f = *Forms().frmNFiche;
  const auto typeFilm = [&](const char* reference, const char* title) {
    QTest::keyClicks(QApplication::focusWidget(), reference);
    f.EditTitre->setFocus();
    QTest::keyClicks(f.EditTitre, title);
    f.DBEdit2->setFocus();
    QTest::keyClick(f.DBEdit2, Qt::Key_Tab);  // into "Valider": it validates
  };
  WhileModal([] { Main().s_mnuNFicheClick(); },
             [&] {
               QApplication::setActiveWindow(&f);
               EXPECT_EQ(QApplication::focusWidget(), f.EditReference);
               typeFilm("R20", "Vingt");
               EXPECT_EQ(QApplication::focusWidget(), f.EditReference);
               typeFilm("R21", "Vingt et un");
               f.BitBtn1->setFocus();
               QTest::keyClick(f.BitBtn1, Qt::Key_Escape);
             });
  WhileModal([] { Main().s_mnuNFicheClick(); },
             [&] {
               QApplication::setActiveWindow(&f);
               EXPECT_EQ(QApplication::focusWidget(), f.EditReference);
               QTest::keyClicks(QApplication::focusWidget(), "R");
               QTest::mouseClick(f.BitBtn2, Qt::LeftButton);
             });
  EXPECT_TRUE(dialogs.warnings.empty()) << dialogs.warnings.front();
  EXPECT_TRUE(dialogs.errors.empty());
  EXPECT_EQ(Rows("SELECT Reference || '|' || Titre FROM video WHERE rowid > 3 ORDER BY rowid"),
            (std::vector<std::string>{"R20|Vingt", "R21|Vingt et un"}));
}

// "Fermer" drops what was typed: nothing is written, now or at the next opening.
TEST_F(NewRecordTest, CloseDropsWhatWasTyped) {
  TfrmNFiche& f = *Forms().frmNFiche;
  WhileModal([] { Main().s_mnuNFicheClick(); },
             [&] {
               Type(f.EditTitre, "Abandonné");
               QTest::mouseClick(f.BitBtn2, Qt::LeftButton);
             });
  EXPECT_EQ(Rows("SELECT count(*) FROM video"), std::vector<std::string>{"3"});
  WhileModal([] { Main().s_mnuNFicheClick(); },
             [&] {
               EXPECT_TRUE(f.EditTitre->text().isEmpty());
               QTest::mouseClick(f.BitBtn2, Qt::LeftButton);
             });
  EXPECT_EQ(Rows("SELECT count(*) FROM video"), std::vector<std::string>{"3"});
  EXPECT_TRUE(dialogs.errors.empty());
}

// A film needs a title and at most 99 discs: validating twice, or a stray
// click, writes no empty film; Return on the button validates.
TEST_F(NewRecordTest, FilmsWithoutTitleOrWithTooManyDiscsAreRefused) {
  TfrmNFiche& f = *Forms().frmNFiche;
  dialogs.files = {QString("/covers/front.jpg"), QString()};
  WhileModal([] { Main().s_mnuNFicheClick(); },
             [&] {
               QTest::mouseClick(f.findChild<QPushButton*>("SpeedButton1"), Qt::LeftButton);
               // A cancelled choice leaves the back box and field as they were.
               QTest::mouseClick(f.findChild<QPushButton*>("SpeedButton4"), Qt::LeftButton);
               EXPECT_EQ(f.EditJaquette->text(), "/covers/front.jpg");
               EXPECT_TRUE(f.EditJaquetteAR->text().isEmpty());
               Type(f.EditTitre, "Un");
               Type(f.DBEdit2, "120");
               QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
               EXPECT_EQ(QApplication::focusWidget(), f.DBEdit2);
               Type(f.DBEdit2, "2");
               f.BitBtn1->setFocus(Qt::OtherFocusReason);
               QTest::keyClick(f.BitBtn1, Qt::Key_Return);
               QTest::mouseClick(f.BitBtn1, Qt::LeftButton);  // the title is empty now
               EXPECT_EQ(QApplication::focusWidget(), f.EditTitre);
               QTest::mouseClick(f.BitBtn2, Qt::LeftButton);
             });
  EXPECT_EQ(dialogs.warnings, (std::vector<std::string>{
                                  "Le nombre de CD doit être un nombre entier de 0 à 99.",
                                  "Un film doit avoir un titre : saisissez-le avant de valider."}));
  EXPECT_EQ(
      Rows("SELECT coalesce(Titre, '-'), \"Durée\", Jacquette, Nb_cd FROM video WHERE rowid > 3"),
      (std::vector<std::string>{"Un|00:00:00|/covers/front.jpg|2"}));
  // The list stands on the new film.
  EXPECT_EQ(Main().Tvideo.FieldByName("Titre").AsString(), "Un");
}

TEST_F(NewRecordTest, InvalidDurationKeepsTheRowPendingAndTheListAsItWas) {
  TfrmNFiche& f = *Forms().frmNFiche;
  WhileModal([] { Main().s_mnuNFicheClick(); },
             [&] {
               Type(f.EditTitre, "Horloge");
               f.MaskEdit1->setFocus();
               f.MaskEdit1->selectAll();
               QTest::keyClicks(f.MaskEdit1, "017500");
               // Another program adds a film meanwhile: the list must not re-read.
               test::SqlRows(dir.Path(), "SELECT 1");
               {
                 db::Database other(dir.Path());
                 other.ExecSQL("INSERT INTO video (Titre) VALUES ('Ailleurs')");
               }
               QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
               EXPECT_EQ(dialogs.errors,
                         std::vector<std::string>{
                             "'01:75:00' n'est pas une heure correcte\nLa durée s'écrit en heures, "
                             "minutes et secondes : 01:30:00 pour une heure et demie."});
               EXPECT_EQ(QApplication::focusWidget(), f.MaskEdit1);
               EXPECT_EQ(f.TNFiche.State(), db::DataSetState::Insert);
               EXPECT_EQ(f.EditTitre->text(), "Horloge");
               QTest::mouseClick(f.BitBtn2, Qt::LeftButton);
             });
  EXPECT_EQ(Rows("SELECT count(*) FROM video WHERE Titre = 'Horloge'"),
            std::vector<std::string>{"0"});
  EXPECT_EQ(Main().Tvideo.RecordCount(), 3);
}
// The film's details on the second tab, reached and filled by keys only: the
// first tab's boxes come first, then the details, then "Valider". A wrong EAN
// or year is refused on its tab, with the focus on its box.
TEST_F(NewRecordTest, DetailsTabByKeys) {
  TfrmNFiche& f = *Forms().frmNFiche;
  WhileModal([] { Main().s_mnuNFicheClick(); },
             [&] {
               EXPECT_EQ(f.Tabs->currentIndex(), 0);
               EXPECT_EQ(f.Tabs->tabText(1), "&Détails");
               Type(f.EditTitre, "Les Enfants du paradis");
               // Alt+D shows the details, the keys in the year.
               f.EditTitre->setFocus();
               QTest::keyClick(f.EditTitre, Qt::Key_D, Qt::AltModifier);
               ASSERT_EQ(f.Tabs->currentWidget(), f.Details);
               ASSERT_EQ(QApplication::focusWidget(), f.Details->EditAnnee);
               QTest::keyClicks(f.Details->EditAnnee, "1945");
               QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
               ASSERT_EQ(QApplication::focusWidget(), f.Details->SpinNote);
               for (int i = 0; i < 10; ++i) QTest::keyClick(f.Details->SpinNote, Qt::Key_Up);
               QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
               ASSERT_EQ(QApplication::focusWidget(), f.Details->CheckVu);
               QTest::keyClick(f.Details->CheckVu, Qt::Key_Space);
               QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
               Type(QApplication::focusWidget(), "Marcel Carné");
               QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
               Type(QApplication::focusWidget(), "Arletty, Jean-Louis Barrault");
               Type(f.Details->EditEAN, "3700259801036");  // wrong check digit
               Type(f.Details->MemoResume, "Paris, 1828.");
               QTest::keyClick(f.Details->MemoResume, Qt::Key_Return);
               QTest::keyClicks(f.Details->MemoResume, "Garance.");
               // Tab leaves the summary for the button, which validates, as
               // from the discs on the first tab: the EAN is refused.
               QTest::keyClick(f.Details->MemoResume, Qt::Key_Tab);
               EXPECT_EQ(f.Tabs->currentWidget(), f.Details);
               EXPECT_EQ(QApplication::focusWidget(), f.Details->EditEAN);
               Type(f.Details->EditEAN, "3700259801034");
               QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
               // The next film starts on the first tab, its details empty.
               EXPECT_EQ(f.Tabs->currentIndex(), 0);
               EXPECT_EQ(QApplication::focusWidget(), f.EditReference);
               EXPECT_TRUE(f.Details->EditAnnee->text().isEmpty());
               EXPECT_EQ(f.Details->SpinNote->text(), "—");
               QTest::mouseClick(f.BitBtn2, Qt::LeftButton);
             });
  EXPECT_EQ(dialogs.warnings, std::vector<std::string>{"Le dernier chiffre du code EAN (la clé) "
                                                       "devrait être 4 : vérifiez le code."});
  EXPECT_EQ(Rows("SELECT Titre, \"Année\", Note, Vu, \"Réalisateur\", Acteurs, EAN, "
                 "replace(\"Résumé\", char(10), '/') FROM video WHERE rowid > 3"),
            std::vector<std::string>{"Les Enfants du paradis|1945|9|1|Marcel Carné|Arletty, "
                                     "Jean-Louis Barrault|3700259801034|Paris, 1828./Garance."});
}

class EditRecordTest : public GuiTest {
 protected:
  void SetUp() override { Start(3, Catalogue()); }
  TfrmMFiche& OpenOn(int recNo) {
    Main().Tvideo.SetRecNo(recNo);
    Main().s_mnuModifierClick();
    TfrmMFiche& f = *Forms().frmMFiche;
    QApplication::setActiveWindow(&f);  // activation reloads the window
    QApplication::processEvents();
    return f;
  }
};

// Clicks a day of the month the calendar shows.
void ClickDay(QCalendarWidget* calendar, int year, int month, int day) {
  calendar->setCurrentPage(year, month);
  auto* view = calendar->findChild<QTableView*>("qt_calendar_calendarview");
  ASSERT_NE(view, nullptr);
  QAbstractItemModel* model = view->model();
  for (int r = 0; r < model->rowCount(); ++r)
    for (int c = 0; c < model->columnCount(); ++c) {
      QModelIndex idx = model->index(r, c);
      if (model->data(idx).toString() == QString::number(day) && r > 0 && !(day > 20 && r < 3) &&
          !(day < 15 && r > 4)) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(idx).center());
        return;
      }
    }
  FAIL() << "day not shown";
}

TEST_F(EditRecordTest, EditsTheCurrentFilm) {
  TfrmMFiche& f = OpenOn(1);
  Screenshot(&f, "modification");
  EXPECT_EQ(f.lblEnregistrement->text(), "Amour");
  EXPECT_EQ(f.MaskEdit1->Text(), "01:30:00");
  Type(f.EditTitre, "Amours");
  f.MaskEdit1->setFocus();
  f.MaskEdit1->selectAll();
  QTest::keyClicks(f.MaskEdit1, "014500");
  QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
  EXPECT_FALSE(f.isVisible());
  EXPECT_TRUE(dialogs.errors.empty());
  EXPECT_EQ(Rows("SELECT Titre, \"Durée\", coalesce(Nom, '-') FROM video WHERE Reference = 'A'"),
            std::vector<std::string>{"Amours|01:45:00|-"});
  EXPECT_EQ(Main().Tvideo.State(), db::DataSetState::Browse);
}

// The details follow the film that is current in the list; what is changed
// on the tab is written with the rest, a wrong year refused.
TEST_F(EditRecordTest, DetailsFollowTheListAndAreWritten) {
  ASSERT_EQ(test::RunProgram({"sqlite3", dir / "video.DB",
                              "UPDATE video SET \"Année\" = 1985, Note = 8, Vu = 1, \"Résumé\" = "
                              "'Un rêve' || char(10) || 'de fonctionnaire' WHERE Reference = 'B'"})
                .exitCode,
            0);
  Main().Tvideo.Refresh();
  TfrmMFiche& f = OpenOn(2);
  Screenshot(&f, "modification_details");
  EXPECT_EQ(f.Details->EditAnnee->text(), "1985");
  EXPECT_EQ(f.Details->SpinNote->value(), 8);
  EXPECT_TRUE(f.Details->CheckVu->isChecked());
  EXPECT_EQ(f.Details->MemoResume->toPlainText(), "Un rêve\nde fonctionnaire");
  Main().Tvideo.SetRecNo(1);
  QApplication::processEvents();
  EXPECT_TRUE(f.Details->EditAnnee->text().isEmpty());
  EXPECT_EQ(f.Details->SpinNote->text(), "—");
  EXPECT_FALSE(f.Details->CheckVu->isChecked());
  f.Tabs->setCurrentWidget(f.Details);
  Screenshot(&f, "modification_details_vide");
  Type(f.Details->EditAnnee, "1789");
  Type(f.Details->EditRealisateur, "Michael Haneke");
  QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
  EXPECT_EQ(dialogs.warnings,
            std::vector<std::string>{"L'année doit être un nombre de 1880 à 2100."});
  EXPECT_EQ(QApplication::focusWidget(), f.Details->EditAnnee);
  Type(f.Details->EditAnnee, "2012");
  f.Details->SpinNote->setValue(10);
  QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
  EXPECT_EQ(Rows("SELECT Titre, \"Année\", \"Réalisateur\", Note, coalesce(Vu, '-') FROM video "
                 "ORDER BY rowid"),
            (std::vector<std::string>{"Amour|2012|Michael Haneke|10|-", "Brazil|1985|NULL|8|1",
                                      "Casino|NULL|NULL|NULL|-"}));
}

// On an empty catalogue the first key starts a new film: the letters stay in
// the order typed, in each box.
class EmptyCatalogueTest : public GuiTest {
 protected:
  void SetUp() override { Start(3, {}); }
};

TEST_F(EmptyCatalogueTest, FirstKeyStartsTheFilmAndKeepsTheOrder) {
  Main().s_mnuModifierClick();
  TfrmMFiche& f = *Forms().frmMFiche;
  QApplication::setActiveWindow(&f);
  QApplication::processEvents();
  f.EditTitre->setFocus();
  QTest::keyClicks(f.EditTitre, "Premier film");
  EXPECT_EQ(f.EditTitre->text().toStdString(), "Premier film");
  f.EditReference->setFocus();
  QTest::keyClicks(f.EditReference, "R1");
  EXPECT_EQ(f.EditReference->text().toStdString(), "R1");
  QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
  EXPECT_TRUE(dialogs.errors.empty());
  EXPECT_EQ(Rows("SELECT Reference || '|' || Titre FROM video"),
            std::vector<std::string>{"R1|Premier film"});
}

TEST_F(EditRecordTest, LendsWithTheCalendarAndNullDurationBecomesZero) {
  TfrmMFiche& f = OpenOn(2);  // Brazil, no duration
  EXPECT_EQ(f.lblEnregistrement->text(), "Brazil");
  Type(f.DBEdit1, "Zoé");
  ClickDay(f.MonthCalendar1, 2026, 11, 15);
  EXPECT_EQ(f.DBEdit5->text(), "15/11/2026");
  QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
  EXPECT_TRUE(dialogs.errors.empty());
  EXPECT_EQ(Rows("SELECT Nom, \"Prêté_le\", \"Durée\" FROM video WHERE Reference = 'B'"),
            std::vector<std::string>{"Zoé|2026-11-15|00:00:00"});
}

// The "Prêts" tab: a due date chosen for the loan made in the window, and
// the film's loans, the latest first, once it is back.
TEST_F(EditRecordTest, LoanTabTakesADueDateAndShowsTheHistory) {
  TfrmMFiche& f = OpenOn(2);  // Brazil
  EXPECT_EQ(f.Tabs->tabText(2), "&Prêts");
  EXPECT_EQ(f.LoansPage->History->rowCount(), 0);
  Type(f.DBEdit1, "Zoé");
  ClickDay(f.MonthCalendar1, 2026, 11, 15);
  f.Tabs->setCurrentWidget(f.LoansPage);
  f.LoansPage->HasDue->setChecked(true);
  f.LoansPage->Due->setDate(QDate(2026, 12, 24));
  QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
  EXPECT_EQ(dialogs.errors, std::vector<std::string>{});
  EXPECT_EQ(Rows("SELECT emprunteur, prete_le, rendre_le, coalesce(rendu_le, '-') FROM prets "
                 "WHERE emprunteur = 'Zoé'"),
            std::vector<std::string>{"Zoé|2026-11-15|2026-12-24|-"});
  // Returned with "Réinitialiser le prêt": the history shows both days.
  TfrmMFiche& again = OpenOn(2);
  ASSERT_EQ(again.LoansPage->History->rowCount(), 1);
  EXPECT_EQ(again.LoansPage->History->item(0, 2)->text(), "24/12/2026");
  EXPECT_EQ(again.LoansPage->History->item(0, 3)->text(), "(en cours)");
  QTest::mouseClick(again.SpeedButton2, Qt::LeftButton);
  TfrmMFiche& back = OpenOn(2);
  ASSERT_EQ(back.LoansPage->History->rowCount(), 1);
  EXPECT_NE(back.LoansPage->History->item(0, 3)->text(), "(en cours)");
  EXPECT_EQ(Rows("SELECT count(*) FROM prets WHERE emprunteur = 'Zoé' AND rendu_le IS NOT NULL"),
            std::vector<std::string>{"1"});
}

TEST_F(EditRecordTest, ReturnOfALoanWritesAtOnce) {
  TfrmMFiche& f = OpenOn(3);  // Casino, lent to Léa
  EXPECT_EQ(f.DBEdit1->text(), "Léa");
  QTest::mouseClick(f.SpeedButton2, Qt::LeftButton);
  EXPECT_TRUE(f.isVisible());
  EXPECT_EQ(Rows("SELECT coalesce(Nom, 'NULL'), coalesce(\"Prêté_le\", 'NULL') FROM video WHERE "
                 "Reference = 'C'"),
            std::vector<std::string>{"NULL|NULL"});
  // On a film that is not lent nothing changes.
  Main().Tvideo.SetRecNo(1);
  QTest::mouseClick(f.SpeedButton2, Qt::LeftButton);
  EXPECT_EQ(Rows("SELECT coalesce(Nom, 'NULL'), \"Durée\" FROM video WHERE Reference = 'A'"),
            std::vector<std::string>{"NULL|01:30:00"});
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(EditRecordTest, ValidatingWithoutChangeWritesNothing) {
  TfrmMFiche& f = OpenOn(1);
  QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
  EXPECT_FALSE(f.isVisible());
  EXPECT_FALSE(Main().Tvideo.Modified());
  EXPECT_EQ(Rows("SELECT coalesce(Jacquette, 'NULL'), \"Durée\" FROM video WHERE Reference = 'A'"),
            std::vector<std::string>{"NULL|01:30:00"});
}

TEST_F(EditRecordTest, ViewerWarnsForAnEmptyPathAndShowsAPicture) {
  TfrmMFiche& f = OpenOn(1);
  QTest::mouseClick(f.SpeedButton1, Qt::LeftButton);
  EXPECT_EQ(dialogs.warnings,
            std::vector<std::string>{"Il n'existe aucune jaquette associée à ce film !"});
  EXPECT_FALSE(Forms().frmJaquette->isVisible());
  QTest::mouseClick(f.SpeedButton5, Qt::LeftButton);
  EXPECT_EQ(dialogs.warnings.size(), 2u);

  QImage big(900, 700, QImage::Format_RGB32);
  big.fill(Qt::darkCyan);
  big.save(QString::fromStdString(dir / "big.jpg"));
  f.Edit1->setText(QString::fromStdString(dir / "big.jpg"));
  QTest::mouseClick(f.SpeedButton1, Qt::LeftButton);
  TfrmJaquette& viewer = *Forms().frmJaquette;
  EXPECT_TRUE(viewer.isVisible());
  EXPECT_EQ(viewer.Image1->size(), QSize(900, 700));
  EXPECT_EQ(viewer.Image1->pos(), QPoint(8, 8));
  EXPECT_GT(viewer.ScrollBox->horizontalScrollBar()->maximum(), 0);
  viewer.hide();

  // A PNG cover is shown; the viewer's scrolled area follows the window's size.
  QImage png(120, 80, QImage::Format_RGB32);
  png.fill(Qt::yellow);
  png.save(QString::fromStdString(dir / "cover.png"));
  f.Edit2->setText(QString::fromStdString(dir / "cover.png"));
  QTest::mouseClick(f.SpeedButton5, Qt::LeftButton);
  EXPECT_TRUE(viewer.isVisible());
  EXPECT_EQ(viewer.Image1->size(), QSize(120, 80));
  viewer.resize(900, 750);
  QApplication::processEvents();
  EXPECT_EQ(viewer.ScrollBox->size(), viewer.size());
  viewer.hide();

  f.Edit2->setText(QString::fromStdString(dir / "cover.xyz"));
  QTest::mouseClick(f.SpeedButton5, Qt::LeftButton);
  EXPECT_EQ(dialogs.errors, std::vector<std::string>{"Extension de fichier image inconnue (.xyz)"});
  EXPECT_FALSE(viewer.isVisible());
}

// The window stays open while the user moves in the list: every box follows
// the current film, and validation writes that film's own values.
TEST_F(EditRecordTest, MovingInTheListThenValidatingKeepsEachFilmsValues) {
  TfrmMFiche& f = OpenOn(1);  // Amour, 01:30:00
  f.MaskEdit1->setFocus();
  f.MaskEdit1->selectAll();
  QTest::keyClicks(f.MaskEdit1, "011000");  // typed, not validated
  Main().DBGrid1->setFocus();
  QTest::keyClick(Main().DBGrid1, Qt::Key_Down);  // to Brazil, no duration
  EXPECT_EQ(Main().Tvideo.FieldByName("Titre").AsString(), "Brazil");
  EXPECT_EQ(f.lblEnregistrement->text(), "Brazil");
  EXPECT_EQ(f.MaskEdit1->Text(), "  :  :  ");
  EXPECT_TRUE(f.Edit1->text().isEmpty());
  QTest::keyClick(Main().DBGrid1, Qt::Key_Down);  // to Casino, lent on 2/11/2026
  EXPECT_EQ(f.MaskEdit1->Text(), "02:58:00");
  EXPECT_EQ(f.MonthCalendar1->selectedDate(), QDate(2026, 11, 2));
  QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
  EXPECT_EQ(Rows("SELECT Titre, coalesce(\"Durée\", 'NULL') FROM video ORDER BY Titre"),
            (std::vector<std::string>{"Amour|01:30:00", "Brazil|NULL", "Casino|02:58:00"}));
}

// "Fermer" drops what was typed; validating without a title is refused; a
// borrower without a clicked day is lent on the day the calendar shows, and
// the calendar speaks French.
TEST_F(EditRecordTest, CloseCancelsAndValidationChecks) {
  TfrmMFiche& f = OpenOn(1);
  Type(f.EditTitre, "Amour fou");
  QTest::mouseClick(f.BitBtn2, Qt::LeftButton);
  QTest::keyClick(Main().DBGrid1, Qt::Key_Down);
  EXPECT_EQ(Rows("SELECT Titre FROM video WHERE Reference = 'A'"),
            std::vector<std::string>{"Amour"});

  TfrmMFiche& g = OpenOn(2);  // Brazil
  g.EditTitre->setFocus();
  QTest::keyClick(g.EditTitre, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(g.EditTitre, Qt::Key_Delete);
  QTest::mouseClick(g.BitBtn1, Qt::LeftButton);
  EXPECT_EQ(dialogs.warnings, std::vector<std::string>{
                                  "Un film doit avoir un titre : saisissez-le avant de valider."});
  EXPECT_TRUE(g.isVisible());
  EXPECT_EQ(QApplication::focusWidget(), g.EditTitre);
  Type(g.EditTitre, "Brazil");
  Type(g.DBEdit1, "Zoé");
  EXPECT_EQ(g.MonthCalendar1->selectedDate(), QDate::currentDate());
  g.BitBtn1->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(g.BitBtn1, Qt::Key_Return);
  EXPECT_FALSE(g.isVisible());
  const QDate today = QDate::currentDate();
  EXPECT_EQ(Rows("SELECT Nom, \"Prêté_le\" FROM video WHERE Reference = 'B'"),
            std::vector<std::string>{"Zoé|" + today.toString("yyyy-MM-dd").toStdString()});
  // Day and month names in French.
  auto* view = g.MonthCalendar1->findChild<QTableView*>("qt_calendar_calendarview");
  ASSERT_NE(view, nullptr);
  QStringList heads;
  for (int c = 0; c < view->model()->columnCount(); ++c)
    heads << view->model()->index(0, c).data().toString();
  EXPECT_EQ(heads.join(' ').toStdString(), "lun. mar. mer. jeu. ven. sam. dim.");
  EXPECT_EQ(QLocale().monthName(12).toStdString(), "décembre");
}

class DeleteRecordTest : public GuiTest {};

TEST_F(DeleteRecordTest, DeletesAfterConfirmationOrKeepsOnCancel) {
  Start(3, Catalogue());
  TfrmSFiche& f = *Forms().frmSFiche;
  Main().Tvideo.SetRecNo(2);
  dialogs.confirmAnswers = {false, true};
  WhileModal([] { Main().s_mnuSupprimerClick(); },
             [&] {
               Screenshot(&f, "suppression");
               EXPECT_EQ(f.lblNumero->text(), "Brazil");
               // The film is shown, not edited, here.
               Type(f.EditTitre, "Autre titre");
               EXPECT_EQ(f.EditTitre->text(), "Brazil");
               EXPECT_FALSE(f.DBComboBox1->isEnabled());
               QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
             });
  EXPECT_EQ(f.result(), QDialog::Accepted);
  EXPECT_EQ(Rows("SELECT count(*) FROM video"), std::vector<std::string>{"3"});
  WhileModal([] { Main().s_mnuSupprimerClick(); },
             [&] { QTest::mouseClick(f.BitBtn1, Qt::LeftButton); });
  EXPECT_EQ(dialogs.confirmations, (std::vector<std::string>{"Supprimer l'enregistrement ?",
                                                             "Supprimer l'enregistrement ?"}));
  EXPECT_EQ(Rows("SELECT Titre FROM video ORDER BY Titre"),
            (std::vector<std::string>{"Amour", "Casino"}));
  EXPECT_EQ(Main().Tvideo.FieldByName("Titre").AsString(), "Casino");
}

// "Détruire" needs a film: on an empty catalogue its menu item, button and
// pop-up item are disabled; the first film enables them, deleting the last
// disables them again.
TEST_F(DeleteRecordTest, DeleteCommandsFollowTheCatalogue) {
  Start(3, {});
  const auto enabled = [] {
    return std::vector<bool>{Main().findChild<QAction*>("s_mnuSupprimer")->isEnabled(),
                             Main().findChild<QAction*>("PopupDetruire")->isEnabled(),
                             Main().SpeedButtons[3]->isEnabled()};
  };
  EXPECT_EQ(enabled(), std::vector<bool>(3, false));
  db::Table& t = Main().Tvideo;
  t.Insert();
  t.FieldByName("Titre").SetText("Premier");
  t.Post();
  EXPECT_EQ(enabled(), std::vector<bool>(3, true));
  t.Delete();
  EXPECT_EQ(enabled(), std::vector<bool>(3, false));
}

TEST_F(DeleteRecordTest, EmptyCatalogueFailsAndTheWindowStaysOpen) {
  Start(3, {});
  TfrmSFiche& f = *Forms().frmSFiche;
  WhileModal([] { Main().s_mnuSupprimerClick(); },
             [&] {
               EXPECT_TRUE(f.lblNumero->text().isEmpty());
               QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
               EXPECT_EQ(
                   dialogs.errors,
                   std::vector<std::string>{
                       "Impossible d'effectuer cette opération sur un ensemble de données vide"});
               EXPECT_TRUE(f.isVisible());
               QTest::mouseClick(f.BitBtn2, Qt::LeftButton);
             });
  EXPECT_EQ(f.result(), QDialog::Rejected);
}

}  // namespace
}  // namespace kvn::app
