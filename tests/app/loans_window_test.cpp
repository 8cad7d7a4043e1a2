// The loans from the user's side: the start-up notice of overdue films, the
// "Prêts" window (overdue first and in red, filtered by borrower, a film
// returned from it, its list printed and handed to the export dialog).
#include "app/loans_window.h"

#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <cstdlib>

#include "app/forms.h"
#include "app/main_window.h"
#include "export_dialog/export_dialog.h"
#include "tests/app/gui_fixture.h"

namespace kvn::app {
namespace {

class LoansWindowTest : public GuiTest {
 protected:
  void SetUp() override {
    ::setenv("KVN_TODAY", "2024-03-25", 1);
    Start(3, test::SampleFilms());
  }
  void TearDown() override {
    GuiTest::TearDown();
    ::unsetenv("KVN_TODAY");
  }
};

TEST_F(LoansWindowTest, OverdueNoticeWindowAndReturn) {
  TForm1& main = *Forms().form1;
  // Zoé has had "Zazie dans le métro" since 01/12/2023: due 15/12/2023.
  ASSERT_TRUE(main.OverdueNotice->isVisibleTo(&main));
  EXPECT_EQ(main.OverdueNotice->text(), "1 film en retard de retour");
  EXPECT_TRUE(dialogs.warnings.empty());
  QTest::mouseClick(main.OverdueNotice, Qt::LeftButton);
  LoansWindow* w = main.Loans();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  Screenshot(w, "prets");
  ASSERT_EQ(w->List->rowCount(), 3);
  auto row = [&](int r) {
    std::string text;
    for (int c = 0; c < w->List->columnCount(); ++c)
      text += (c ? "|" : "") + w->List->item(r, c)->text().toStdString();
    return text;
  };
  EXPECT_EQ(row(0), "Référence|Titre|Emprunteur|Prêté le|À rendre le|Jours de retard");
  EXPECT_EQ(row(1), "R005|Zazie dans le métro|Zoé|01/12/2023|15/12/2023|101");
  EXPECT_EQ(row(2), "R002|la Haine|Jérôme|15/03/2024|29/03/2024|");
  EXPECT_EQ(w->List->item(1, 1)->foreground().color(), QColor(Qt::red));
  EXPECT_NE(w->List->item(2, 1)->foreground().color(), QColor(Qt::red));

  // Filtered by borrower, the names complete as typed.
  w->Borrower->setText(QStringLiteral("jé"));
  EXPECT_EQ(w->List->rowCount(), 2);
  EXPECT_EQ(w->Borrower->completer()->model()->rowCount(), 2);
  w->Borrower->clear();
  EXPECT_TRUE(w->PrintedHtml().contains(QStringLiteral("Zazie dans le métro")));

  // The export dialog works on this list.
  std::vector<std::string> fields;
  w->ExportDialog.OnShow = [&](exporting::TQExportDialogF* d) {
    fields = d->Choices().Available;
    d->close();
  };
  QTest::mouseClick(w->findChild<QPushButton*>("ExporterPrets"), Qt::LeftButton);
  EXPECT_EQ(fields.size(), 6u);

  // Zazie comes back.
  w->List->selectRow(1);
  dialogs.confirmAnswers = {true};
  QTest::mouseClick(w->ReturnButton, Qt::LeftButton);
  EXPECT_EQ(dialogs.confirmations.size(), 1u);
  EXPECT_EQ(w->List->rowCount(), 2);
  EXPECT_EQ(Rows("SELECT coalesce(Nom, '-') FROM video WHERE Reference = 'R005'"),
            std::vector<std::string>{"-"});
  EXPECT_FALSE(main.OverdueNotice->isVisibleTo(&main));
  EXPECT_EQ(Rows("SELECT rendu_le FROM prets WHERE emprunteur = 'Zoé'"),
            std::vector<std::string>{"2024-03-25"});
}

}  // namespace
}  // namespace kvn::app
