// The collection at a glance and its possible duplicates, from the
// Rechercher menu: the figures, a chart saved as PNG and printed, a
// duplicate opened from its group.
#include "app/stats_window.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <set>

#include "app/duplicates_window.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "app/record_forms.h"
#include "tests/app/gui_fixture.h"
#include "tests/support/pdf_reader.h"

namespace kvn::app {
namespace {

class StatsWindowTest : public GuiTest {
 protected:
  void SetUp() override { Start(3, test::SampleFilms()); }
};

// Pixels that are not white, and the colours among them.
std::pair<int, size_t> Ink(const QImage& image) {
  int ink = 0;
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (const QRgb p = image.pixel(x, y); qGray(p) < 245) {
        ++ink;
        colours.insert(p);
      }
  return {ink, colours.size()};
}

TEST_F(StatsWindowTest, FiguresChartsSavedAndPrinted) {
  TForm1& main = *Forms().form1;
  main.findChild<QAction*>("s_mnuStatistiques")->trigger();
  StatsWindow* w = main.Stats();
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->isVisible());
  Screenshot(w, "statistiques");
  auto cell = [](QTableWidget* t, int r) {
    return t->item(r, 0)->text().toStdString() + "|" + t->item(r, 1)->text().toStdString();
  };
  EXPECT_EQ(cell(w->Figures, 0), "Films|6");
  EXPECT_EQ(cell(w->Figures, 1), "Prêtés|2");
  EXPECT_EQ(cell(w->Figures, 4), "Durée totale|7 h 56 min");
  ASSERT_EQ(w->Charts->count(), 7);
  EXPECT_EQ(w->Charts->tabText(0), "Genres");
  auto* genres = w->Charts->widget(0)->findChild<QTableWidget*>();
  ASSERT_EQ(genres->rowCount(), 3);
  EXPECT_EQ(cell(genres, 0), "Comédie|3");

  // The genres' bars and the supports' pie as PNG pictures.
  for (int tab : {0, 1}) {
    w->Charts->setCurrentIndex(tab);
    const QString file = QString::fromStdString(dir / ("graphique" + std::to_string(tab) + ".png"));
    dialogs.files = {file};
    QTest::mouseClick(w->findChild<QPushButton*>("EnregistrerGraphique"), Qt::LeftButton);
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors[0];
    QImage picture(file, "PNG");
    ASSERT_FALSE(picture.isNull()) << tab;
    EXPECT_EQ(picture.size(), QSize(1200, 800));
    const auto [ink, colours] = Ink(picture);
    EXPECT_GT(ink, 1200 * 800 / 50) << tab;  // more than the frame and the title
    EXPECT_GT(colours, 3u) << tab;
  }

  // The page of the decades' chart: its title, the chart and its counts.
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(dir / "decennies.pdf"));
  w->PrintChart(printer, 2);
  const std::string text = test::PdfText(dir / "decennies.pdf");
  EXPECT_NE(text.find("Statistiques de la collection — Décennies"), std::string::npos) << text;
  EXPECT_NE(text.find("(non renseigné)"), std::string::npos) << text;

  // A film added elsewhere shows at the next opening.
  ASSERT_EQ(test::RunProgram({"sqlite3", dir / "video.DB",
                              "INSERT INTO video (Titre, Genre) VALUES ('Ran', 'Drame')"})
                .exitCode,
            0);
  w->close();
  main.findChild<QAction*>("s_mnuStatistiques")->trigger();
  EXPECT_EQ(main.Stats(), w);
  EXPECT_EQ(cell(w->Figures, 0), "Films|7");
}

TEST_F(StatsWindowTest, DuplicatesListedAndOpened) {
  TForm1& main = *Forms().form1;
  ASSERT_EQ(test::RunProgram({"sqlite3", dir / "video.DB",
                              "UPDATE video SET \"Année\" = 1995 WHERE Reference = 'R002';"
                              "INSERT INTO video (Reference, Titre, \"Année\") VALUES "
                              "('R102', 'La haine', 1995), ('R103', 'La Haine', 2025)"})
                .exitCode,
            0);
  // The quick filter hides the film to open: it is cleared.
  main.Filter->setText(QStringLiteral("zazie"));
  main.findChild<QAction*>("s_mnuDoublons")->trigger();
  DuplicatesWindow* w = main.Duplicates();
  ASSERT_NE(w, nullptr);
  Screenshot(w, "doublons");
  ASSERT_EQ(w->Groups->topLevelItemCount(), 1);
  QTreeWidgetItem* group = w->Groups->topLevelItem(0);
  EXPECT_EQ(group->text(0), "Même titre et même année : la Haine (1995)");
  ASSERT_EQ(group->childCount(), 2);
  EXPECT_EQ(w->Summary->text(), "1 groupe de doublons possibles (2 films).");
  EXPECT_FALSE(w->EditButton->isEnabled());
  w->Groups->setCurrentItem(group->child(1));
  EXPECT_EQ(group->child(1)->text(1), "R102");
  ASSERT_TRUE(w->EditButton->isEnabled());
  QTest::mouseClick(w->EditButton, Qt::LeftButton);
  TfrmMFiche& edit = *Forms().frmMFiche;
  QApplication::setActiveWindow(&edit);  // activation reloads the window
  QApplication::processEvents();
  EXPECT_TRUE(edit.isVisible());
  EXPECT_EQ(edit.EditReference->text(), "R102");
  edit.close();
  EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors[0];
  EXPECT_TRUE(main.Filter->text().isEmpty());
  EXPECT_EQ(main.Tvideo.FieldByName("Reference").AsString(), "R102");
}

}  // namespace
}  // namespace kvn::app
