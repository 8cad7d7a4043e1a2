// "Importer des films…" and "Annuler l'import" driven as a user drives them:
// the file chosen, its reading changed and put back, a column given a field,
// the wrong row left out, a duplicate replaced; then the import undone.
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "app/forms.h"
#include "app/import_dialog.h"
#include "app/main_window.h"
#include "tests/app/gui_fixture.h"

namespace kvn::app {
namespace {

class ImportWindowTest : public GuiTest {
 protected:
  void SetUp() override { Start(3, test::SampleFilms()); }
};

TEST_F(ImportWindowTest, ImportFromTheMenuThenUndo) {
  TForm1& main = *Forms().form1;
  QAction* undo = main.findChild<QAction*>("AnnulerImport");
  ASSERT_NE(undo, nullptr);
  EXPECT_FALSE(undo->isEnabled());
  test::WriteFile(dir / "liste.csv",
                  "Titre;Year;Réalisateur;Durée;Origine\n"
                  "Jeux interdits;1952;René Clément;1h26;France\n"
                  "la haine;;Mathieu Kassovitz;98;France\n"
                  "Pickpocket;1959;Robert Bresson;une heure;France\n"
                  "Mon oncle;1958;Jacques Tati;1:57:00;France\n");
  dialogs.files = {QString::fromStdString(dir / "liste.csv")};
  WhileModal([&] { main.findChild<QAction*>("ImporterDesFilms")->trigger(); },
             [&] {
               auto* w = dynamic_cast<ImportDialog*>(QApplication::activeModalWidget());
               ASSERT_NE(w, nullptr);
               Screenshot(w, "importer");
               EXPECT_EQ(w->Delimiter->currentData().toInt(), ';');
               EXPECT_EQ(w->Encoding->currentText(), "UTF-8");
               ASSERT_EQ(w->Mapping->rowCount(), 5);
               auto field = [&](int row) {
                 return qobject_cast<QComboBox*>(w->Mapping->cellWidget(row, 1));
               };
               EXPECT_EQ(field(1)->currentText(), "Année");
               EXPECT_EQ(field(4)->currentText(), "(laisser de côté)");
               // A wrong delimiter gives one column; put back, the columns return.
               w->Delimiter->setCurrentIndex(1);
               EXPECT_EQ(w->Mapping->rowCount(), 1);
               w->Delimiter->setCurrentIndex(0);
               ASSERT_EQ(w->Mapping->rowCount(), 5);
               field(4)->setCurrentIndex(field(4)->findText("Pays"));
               EXPECT_EQ(w->Preview->horizontalHeaderItem(4)->text(), "Pays");
               // The wrong row blocks the import until it is left out.
               ASSERT_EQ(w->Problems->count(), 1);
               EXPECT_EQ(w->Problems->item(0)->text(),
                         "Ligne 4 : la durée « une heure » n'est pas une durée (HH:MM:SS, 1h30 "
                         "ou 95 minutes)");
               EXPECT_FALSE(w->ImportButton->isEnabled());
               QTest::mouseClick(w->SkipProblems, Qt::LeftButton);
               EXPECT_TRUE(w->ImportButton->isEnabled());
               ASSERT_EQ(w->Duplicates->count(), 1);
               EXPECT_EQ(w->Duplicates->item(0)->text(),
                         "Ligne 3 : « la Haine » (même titre et même année)");
               w->DuplicateChoice->button(1)->click();  // replace
               QTest::mouseClick(w->ImportButton, Qt::LeftButton);
             });
  EXPECT_EQ(dialogs.errors, std::vector<std::string>{});
  ASSERT_FALSE(dialogs.informations.empty());
  EXPECT_EQ(dialogs.informations.back(),
            "Import terminé : 2 films ajoutés, 1 film remplacé, 1 ligne écartée.\nLe catalogue "
            "d'avant l'import est conservé : « Annuler l'import » du menu Fichier le remet.");
  EXPECT_EQ(main.Tvideo.RecordCount(), 8);
  EXPECT_EQ(Rows("SELECT Titre, \"Réalisateur\", \"Durée\", Pays FROM video WHERE Reference = "
                 "'R002' OR \"Année\" IS NOT NULL ORDER BY \"Index\""),
            (std::vector<std::string>{"la haine|Mathieu Kassovitz|01:38:00|France",
                                      "Jeux interdits|René Clément|01:26:00|France",
                                      "Mon oncle|Jacques Tati|01:57:00|France"}));
  EXPECT_TRUE(undo->isEnabled());

  // Undone: the list shows the catalogue as it was, and there is nothing left to undo.
  dialogs.confirmAnswers = {true};
  undo->trigger();
  EXPECT_EQ(dialogs.errors, std::vector<std::string>{});
  EXPECT_EQ(dialogs.informations.back(),
            "Import annulé : le catalogue d'avant l'import est remis en place (6 films).");
  EXPECT_EQ(main.Tvideo.RecordCount(), 6);
  EXPECT_EQ(Rows("SELECT \"Réalisateur\" IS NULL FROM video WHERE Reference = 'R002'"),
            std::vector<std::string>{"1"});
  EXPECT_FALSE(undo->isEnabled());
}

}  // namespace
}  // namespace kvn::app
