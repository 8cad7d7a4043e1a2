// Searching, printing the lists and printing covers, on a real catalogue: the
// statements run, the rows they return, and the reports as poppler reads them
// from the PDF each preview is drawn into.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include "app/cover_printing.h"
#include "app/forms.h"
#include "app/list_reports.h"
#include "app/main_window.h"
#include "app/record_forms.h"
#include "app/search_form.h"
#include "db/title_key.h"
#include "platform/tdatetime.h"
#include "tests/app/gui_fixture.h"
#include "tests/support/pdf_reader.h"

namespace kvn::app {
namespace {

// Draws each preview into a PDF file and keeps what a reader needs.
class RecordingPreviewer : public report::Previewer {
 public:
  explicit RecordingPreviewer(const test::TempDir& dir) : m_dir(dir) {}
  struct Shown {
    std::string pdf, text;
    QString fourthTitle, fifthTitle;
    bool topPicture = false, bottomPicture = false;
    QString topCaption, bottomCaption;
  };
  std::vector<Shown> shown;

  void Preview(report::Report& r, QWidget*) override {
    Shown s;
    s.pdf = m_dir / ("preview" + std::to_string(shown.size()) + ".pdf");
    r.ExportPdf(QString::fromStdString(s.pdf));
    s.text = test::PdfText(s.pdf);
    if (auto* e = r.Find(QStringLiteral("QRLabel5"))) s.fourthTitle = e->text;
    if (auto* e = r.Find(QStringLiteral("QRLabel6"))) s.fifthTitle = e->text;
    if (auto* e = r.Find(QStringLiteral("QRImage1"))) s.topPicture = !e->image.isNull();
    if (auto* e = r.Find(QStringLiteral("QRImage2"))) s.bottomPicture = !e->image.isNull();
    if (auto* e = r.Find(QStringLiteral("QRLabel1"))) s.topCaption = e->text;
    if (auto* e = r.Find(QStringLiteral("QRLabel2"))) s.bottomCaption = e->text;
    // Kept for a look by eye when screenshots are asked for.
    const QByteArray where = qgetenv("KVN_SCREENSHOT_DIR");
    if (!where.isEmpty() && !r.Title.isEmpty())
      QFile::copy(QString::fromStdString(s.pdf), QString::fromUtf8(where) + "/" + r.Title + " " +
                                                     QString::number(shown.size()) + ".pdf");
    shown.push_back(s);
  }

 private:
  const test::TempDir& m_dir;
};

class ReportsTest : public GuiTest {
 protected:
  void SetUp() override {
    report::SetPreviewerForTesting(&previewer);
    platform::SetNowForTesting(platform::EncodeDate(2026, 12, 24) +
                               platform::EncodeTime(10, 0, 0, 0));
  }
  void TearDown() override {
    report::SetPreviewerForTesting(nullptr);
    platform::SetNowForTesting(std::nullopt);
    GuiTest::TearDown();
  }
  TfrmRecherche& Search() { return *Forms().frmRecherche; }
  TForm1& Main() { return *Forms().form1; }
  // The references of the search query's rows, in order.
  std::vector<std::string> Found() {
    std::vector<std::string> refs;
    db::Query& q = Search().Query1;
    for (q.First(); !q.Eof(); q.Next()) refs.push_back(q.FieldByName("Reference").Text());
    return refs;
  }
  void Criteria(const QString& ref, const QString& titre, const QString& genre,
                const QString& support, bool lent) {
    Search().EdRef->setText(ref);
    Search().EdTitre->setText(titre);
    Search().CBGenre->setEditText(genre);
    Search().CBSupport->setEditText(support);
    Search().CheckBox1->setChecked(lent);
  }
  test::TempDir pictures;
  RecordingPreviewer previewer{pictures};
};

// The words left of a column's header, top to bottom, joined: the text of
// the first column, its wrapped lines end to end.
std::string ColumnText(const std::vector<test::PdfWord>& words, const std::string& nextHeader) {
  double right = 1e9;
  for (const auto& w : words)
    if (w.text == nextHeader) right = std::min(right, w.xMin);
  std::vector<test::PdfWord> column;
  for (const auto& w : words)
    if (w.page == 1 && w.xMax <= right) column.push_back(w);
  std::stable_sort(column.begin(), column.end(),
                   [](const auto& a, const auto& b) { return a.yMin < b.yMin - 1; });
  std::string text;
  for (const auto& w : column) text += w.text;
  return text;
}

TEST_F(ReportsTest, EachSearchCaseRunsItsStatement) {
  Start(3, test::SampleFilms());
  struct Case {
    const char* name;
    QString ref, titre, genre, support;
    bool lent;
    const char* statement;
    std::vector<std::string> refs;
  };
  const std::vector<Case> cases = {
      {"1: all four",
       "R001",
       "Le Fabuleux Destin d'Amélie Poulain",
       "Comédie",
       "DVD",
       false,
       "Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where "
       "Genre=:CBGenre and "
       "Support=:CBSupport and Titre=:EdTitre and Reference=:EdRef order by titre",
       {"R001"}},
      {"2a: star",
       "*",
       "",
       "",
       "",
       false,
       "Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video order by "
       "Reference",
       {"", "R001", "R002", "R003", "R005", "R006"}},
      {"2b: reference",
       "R002",
       "",
       "",
       "",
       false,
       "Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where "
       "Reference=:EdRef order by "
       "titre",
       {"R002"}},
      {"3: title, whole and without regard to case",
       "",
       "LA HAINE",
       "",
       "",
       false,
       "Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where "
       "Titre=:EdTitre order by titre",
       {"R002"}},
      {"3: a word of the title",
       "",
       "Haine",
       "",
       "",
       false,
       "Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where "
       "Titre=:EdTitre order by titre",
       {"R002"}},
      {"3: words in any order, without accents or case",
       "",
       "poulain  AMELIE",
       "",
       "",
       false,
       "Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where "
       "Titre=:EdTitre order by titre",
       {"R001"}},
      {"3: every word must be there",
       "",
       "amélie haine",
       "",
       "",
       false,
       "Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where "
       "Titre=:EdTitre order by titre",
       {}},
      {"4: medium, in French title order",
       "",
       "",
       "",
       "DVD",
       false,
       "Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where "
       "Support=:CBSupport order by "
       "titre",
       {"R003", "R006", "R001"}},
      {"3: title without regard to accents",
       "",
       "ELISE",
       "",
       "",
       false,
       "Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where "
       "Titre=:EdTitre order by titre",
       {"R006"}},
      {"5: genre, Prêtés ignored",
       "",
       "",
       "Comédie",
       "",
       true,
       "Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where "
       "Genre=:CBGenre order by titre",
       {"R003", "R001", "R005"}},
      {"6: genre and medium",
       "",
       "",
       "Drame",
       "DVD",
       false,
       "Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where "
       "Genre=:CBGenre and "
       "Support=:CBSupport order by titre",
       {"R006"}},
      {"7: lent",
       "",
       "",
       "",
       "",
       true,
       "Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where Prêté_le is "
       "not null order by "
       "titre ",
       {"R002", "R005"}},
      {"7: star with a genre falls through",
       "*",
       "",
       "Drame",
       "",
       true,
       "Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where Prêté_le is "
       "not null order by "
       "titre ",
       {"R002", "R005"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Criteria(c.ref, c.titre, c.genre, c.support, c.lent);
    Search().SpeedButton1->click();
    EXPECT_TRUE(Search().DBGrid1->isVisibleTo(&Search()));
    // Titles are compared and sorted the French way.
    EXPECT_EQ(Search().Query1.SQL(), SearchSql(c.statement, TitleWords(c.titre)));
    EXPECT_EQ(Found(), c.refs);
    // The criteria stay for the next search; the number found is shown.
    EXPECT_EQ(Search().EdRef->text(), c.ref);
    EXPECT_EQ(Search().CBGenre->currentText(), c.genre);
    EXPECT_EQ(Search().CheckBox1->isChecked(), c.lent);
    const size_t n = c.refs.size();
    EXPECT_EQ(Search().lblResultat->text().toStdString(),
              n == 0   ? "Aucun film trouvé"
              : n == 1 ? "1 film trouvé"
                       : std::to_string(n) + " films trouvés");
  }
  EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front();
}

TEST_F(ReportsTest, CombinationsThatRunNothingKeepEverything) {
  Start(3, test::SampleFilms());
  Criteria("R005", "", "", "", false);
  Search().SpeedButton1->click();
  const std::string before = Search().Query1.SQL();
  Criteria("R001", "la Haine", "", "", false);
  Search().SpeedButton1->click();
  EXPECT_EQ(Search().Query1.SQL(), before);
  EXPECT_EQ(Found(), std::vector<std::string>{"R005"});
  EXPECT_EQ(Search().EdRef->text(), "R001");
  EXPECT_EQ(Search().EdTitre->text(), "la Haine");
  // Printing the same combination prints nothing either.
  Search().SpeedButton2->click();
  EXPECT_TRUE(previewer.shown.empty());

  struct Row {
    const char *ref, *titre, *genre, *support;
    bool lent;
    SearchCase expected;
  };
  for (const Row& r : {Row{"x", "y", "", "", true, SearchCase::Lent},
                       Row{"", "y", "g", "", false, SearchCase::None},
                       Row{"*", "", "", "s", false, SearchCase::None},
                       Row{"*", "", "", "", true, SearchCase::AllByReference},
                       Row{" ", "", "", "", false, SearchCase::Reference}})
    EXPECT_EQ(ChooseSearchCase(r.ref, r.titre, r.genre, r.support, r.lent), r.expected)
        << r.ref << r.titre;
}

TEST_F(ReportsTest, MainWindowSearchCommandPreparesTheWindow) {
  std::vector<test::Film> films = test::SampleFilms();
  films[2].genre = "Animation japonaise";
  Start(3, films);
  Criteria("*", "", "", "", false);
  Search().SpeedButton1->click();
  Criteria("R001", "", "", "", false);
  WhileModal(
      [&] { Main().s_mnuChercherClick(); },
      [&] {
        EXPECT_TRUE(Search().isVisible());
        EXPECT_FALSE(Search().DBGrid1->isVisible());
        EXPECT_TRUE(Search().EdRef->text().isEmpty());
        Search().CBSupport->setEditText("VHS");
        Search().SpeedButton1->click();
        EXPECT_TRUE(Search().DBGrid1->isVisible());
        EXPECT_EQ(Search().DBGrid1->Model().rowCount(), 1);
        Screenshot(&Search(), "search");
        // Return in the title box searches; a double-click on a
        // result makes it the main list's current film.
        Search().CBSupport->setEditText(QString());
        Search().EdTitre->setText("zazie");
        QTest::keyClick(Search().EdTitre, Qt::Key_Return);
        ASSERT_EQ(Search().DBGrid1->Model().rowCount(), 1);
        const QModelIndex first = Search().DBGrid1->model()->index(0, 1);
        const QPoint at = Search().DBGrid1->visualRect(first).center();
        QTest::mouseClick(Search().DBGrid1->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(Search().DBGrid1->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(Main().Tvideo.FieldByName("Reference").AsString(), "R005");
        // Headers in full; the genres the catalogue holds are offered,
        // the new media too.
        const auto header = [this](int c) {
          return Search().DBGrid1->model()->headerData(c, Qt::Horizontal).toString().toStdString();
        };
        EXPECT_EQ(header(0), "Référence");
        EXPECT_EQ(header(6), "Prêté le");
        EXPECT_GE(Search().CBSupport->findText("Blu-ray"), 0);
        EXPECT_GE(Search().CBSupport->findText("4K UHD"), 0);
        EXPECT_GE(Search().CBGenre->findText("Animation japonaise"), 0);
        Search().SpeedButton3->click();
      });
  EXPECT_EQ(Search().result(), QDialog::Rejected);
}

TEST_F(ReportsTest, SearchResultReportColumnsFollowThePrint) {
  std::vector<test::Film> films = test::SampleFilms();
  films[1].reference = "8740375479212";  // lent to Jérôme
  Start(3, films);
  Criteria("", "", "", "", true);
  Search().SpeedButton2->click();
  ASSERT_EQ(previewer.shown.size(), 1u);
  EXPECT_FALSE(Search().DBGrid1->isVisibleTo(&Search())) << "printing does not show the grid";
  EXPECT_EQ(Search().Query1.SQL(),
            db::WithFrenchTitles("Select * from Video where Prêté_le is not null order by titre "));
  const auto& lent = previewer.shown[0];
  EXPECT_EQ(lent.fourthTitle, "Nom");
  EXPECT_EQ(lent.fifthTitle, "Prêté le");
  EXPECT_NE(lent.text.find("Liste des films suivant les critères de recherche"), std::string::npos)
      << lent.text;
  EXPECT_NE(lent.text.find("Edité le : 24/12/2026"), std::string::npos);
  EXPECT_NE(lent.text.find("Jérôme"), std::string::npos);
  EXPECT_NE(lent.text.find("15/03/2024"), std::string::npos);
  EXPECT_NE(lent.text.find("Nombre de films : 2"), std::string::npos);
  EXPECT_NE(lent.text.find("Page 1"), std::string::npos);
  // The whole reference, wrapped in its column if need be.
  const std::string references = ColumnText(test::PdfWords(lent.pdf), "Titre");
  EXPECT_NE(references.find("8740375479212"), std::string::npos) << references;
  EXPECT_TRUE(Search().CheckBox1->isChecked()) << "the criteria stay";

  Search().CBGenre->setEditText("Drame");
  Search().SpeedButton2->click();
  ASSERT_EQ(previewer.shown.size(), 2u);
  const auto& drama = previewer.shown[1];
  EXPECT_EQ(drama.fourthTitle, "Genre");
  EXPECT_EQ(drama.fifthTitle, "Durée");
  EXPECT_NE(drama.text.find("00:55:30"), std::string::npos) << drama.text;
  EXPECT_EQ(drama.text.find("Jérôme"), std::string::npos);
  EXPECT_NE(drama.text.find("Nombre de films : 2"), std::string::npos);
}

TEST_F(ReportsTest, ListReportOfTheCatalogue) {
  std::vector<test::Film> films = test::SampleFilms();
  films[0].titre =
      "Un titre de film vraiment très long qui ne tient pas sur une seule ligne du tout";
  films[1].reference = "5598930277955";  // an EAN, wider than its column
  Start(3, films);
  // A film added after start-up is on the list: the query is read again.
  db::Table& t = Main().Tvideo;
  t.Insert();
  t.FieldByName("Reference").SetText("R099");
  t.FieldByName("Titre").SetText("Ajouté après");
  t.Post();

  Main().s_mnuImprimerClick();
  ASSERT_EQ(previewer.shown.size(), 1u);
  const auto& list = previewer.shown[0];
  EXPECT_EQ(test::PdfPages(list.pdf), 1);
  for (const char* expected :
       {"Korvane v1.0", "Edité le : 24/12/2026", "LISTE DES FILMS", "Référence", "Nb CD",
        "Ajouté après", "R099", "Zazie dans le métro", " Page 1", "Nombre de films : 7"})
    EXPECT_NE(list.text.find(expected), std::string::npos) << expected << "\n" << list.text;
  // The long title wraps in its column: its first and last words on different lines.
  const auto words = test::PdfWords(list.pdf);
  double first = -1, last = -1, reference = -1;
  for (const auto& w : words) {
    if (w.text == "vraiment") first = w.yMin;
    if (w.text == "tout") last = w.yMin;
    if (w.text == "R001") reference = w.yMin;
  }
  EXPECT_GT(last, first + 5);
  EXPECT_NEAR(first, reference, 1);
  EXPECT_NE(ColumnText(words, "Titre").find("5598930277955"), std::string::npos)
      << ColumnText(words, "Titre");
}

TEST_F(ReportsTest, ListReportOverSeveralPages) {
  std::vector<test::Film> many;
  for (int i = 0; i < 80; ++i) {
    test::Film f;
    f.reference = "F" + std::to_string(100 + i);
    f.titre = "Film " + std::to_string(100 + i);
    f.nbCd = 1;
    many.push_back(f);
  }
  Start(3, many);
  Main().s_mnuImprimerClick();
  ASSERT_EQ(previewer.shown.size(), 1u);
  const std::string pdf = previewer.shown[0].pdf;
  ASSERT_EQ(test::PdfPages(pdf), 3);
  EXPECT_NE(test::PdfText(pdf, 1).find("LISTE DES FILMS"), std::string::npos);
  EXPECT_EQ(test::PdfText(pdf, 2).find("LISTE DES FILMS"), std::string::npos);
  EXPECT_NE(test::PdfText(pdf, 2).find("Référence"), std::string::npos);
  const std::string last = test::PdfText(pdf, 3);
  EXPECT_NE(last.find(" Page 3"), std::string::npos);
  EXPECT_NE(last.find("Nombre de films : 80"), std::string::npos);
  EXPECT_NE(last.find("Film 179"), std::string::npos);
}

TEST_F(ReportsTest, ListWithoutCatalogueShowsTheError) {
  StartWithoutCatalogue("3");
  dialogs.errors.clear();
  Main().SpeedButtons[5]->click();
  EXPECT_TRUE(previewer.shown.empty());
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_NE(dialogs.errors[0].find("est introuvable"), std::string::npos);
  // Once the catalogue exists, the list prints.
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  Main().SpeedButtons[5]->click();
  ASSERT_EQ(previewer.shown.size(), 1u);
  EXPECT_NE(previewer.shown[0].text.find("Nombre de films : 6"), std::string::npos);
}

TEST_F(ReportsTest, EmptyCatalogueListsOnOnePage) {
  Start(3, {});
  Main().s_mnuImprimerClick();
  ASSERT_EQ(previewer.shown.size(), 1u);
  EXPECT_EQ(test::PdfPages(previewer.shown[0].pdf), 1);
  EXPECT_NE(previewer.shown[0].text.find("Nombre de films : 0"), std::string::npos);
  EXPECT_NE(previewer.shown[0].text.find("LISTE DES FILMS"), std::string::npos);
}

class CoverPrintingTest : public ReportsTest {
 protected:
  void SetUp() override {
    ReportsTest::SetUp();
    Start(3, test::SampleFilms());
    QImage red(600, 600, QImage::Format_RGB32);
    red.fill(Qt::red);
    red.save(QString::fromStdString(front), "JPG");
    QImage blue(100, 80, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    blue.save(QString::fromStdString(back), "JPG");
    test::WriteFile(dir / "notes.txt", "pas une image");
  }
  void Paths(const std::string& a, const std::string& b) {
    Forms().frmMFiche->Edit1->setText(QString::fromStdString(a));
    Forms().frmMFiche->Edit2->setText(QString::fromStdString(b));
  }
  Tfrm_ImpJaquettes& Dialog() { return *Forms().frm_ImpJaquettes; }
  std::string front = dir / "avant.jpg", back = dir / "arriere.jpg";
};

TEST_F(CoverPrintingTest, RefusalsForMissingCovers) {
  Paths("", "");
  struct {
    QRadioButton* choice;
    const char* warning;
  } cases[] = {{Dialog().RadioButton1, "Il n'existe aucune jaquette avant pour ce film !"},
               {Dialog().RadioButton2, "Il n'existe aucune jaquette arrière pour ce film !"},
               {Dialog().RadioButton3, "Il n'existe aucune jaquette avant/arrière pour ce film !"}};
  for (const auto& c : cases) {
    c.choice->setChecked(true);
    Dialog().SpeedButton1->click();
    ASSERT_FALSE(dialogs.warnings.empty());
    EXPECT_EQ(dialogs.warnings.back(), c.warning);
  }
  EXPECT_EQ(dialogs.warnings.size(), 3u);
  EXPECT_TRUE(previewer.shown.empty());
  // A file that is not a picture: the toolkit's error, no preview.
  Paths(dir / "notes.txt", "");
  Dialog().RadioButton1->setChecked(true);
  Dialog().SpeedButton1->click();
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(dialogs.errors[0], "Extension de fichier image inconnue (.txt)");
  EXPECT_TRUE(previewer.shown.empty());
}

TEST_F(CoverPrintingTest, FrontBackAndBoth) {
  Forms().form1->Tvideo.SetRecNo(3);
  Paths(front, back);
  // Both, then the front alone: the back of the first print does not come back.
  Dialog().RadioButton3->setChecked(true);
  Dialog().setResult(QDialog::Rejected);
  Dialog().SpeedButton1->click();
  Dialog().RadioButton1->setChecked(true);
  Dialog().SpeedButton1->click();
  EXPECT_EQ(Dialog().result(), QDialog::Accepted) << "the front closes the dialog";
  Dialog().RadioButton2->setChecked(true);
  Dialog().setResult(QDialog::Rejected);
  Dialog().SpeedButton1->click();
  EXPECT_EQ(Dialog().result(), QDialog::Rejected) << "the back keeps it open";
  // Both with only a back cover: the top caption over an empty area.
  Paths("", back);
  Dialog().RadioButton3->setChecked(true);
  Dialog().SpeedButton1->click();

  ASSERT_EQ(previewer.shown.size(), 4u);
  struct Expected {
    const char *top, *bottom;
    bool topPicture, bottomPicture;
  } expected[] = {{"Jaquette avant :", "Jaquette arrière :", true, true},
                  {"Jaquette avant :", "", true, false},
                  {"", "Jaquette arrière :", false, true},
                  {"Jaquette avant :", "Jaquette arrière :", false, true}};
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(previewer.shown[i].topCaption, expected[i].top);
    EXPECT_EQ(previewer.shown[i].bottomCaption, expected[i].bottom);
    EXPECT_EQ(previewer.shown[i].topPicture, expected[i].topPicture);
    EXPECT_EQ(previewer.shown[i].bottomPicture, expected[i].bottomPicture);
  }
  // The page of the first print: the front cut to its 417 x 418 box, the back
  // at its own size below.
  const QImage page = test::PdfPicture(previewer.shown[0].pdf, 1, 96, pictures);
  auto colour = [&](int x, int y) { return QColor(page.pixel(int(37.8 + x), int(37.8 + y))); };
  EXPECT_GT(colour(16 + 400, 48 + 400).red(), 200);
  EXPECT_GT(colour(16 + 425, 48 + 100).green(), 200) << "cut at the box";
  EXPECT_GT(colour(16 + 50, 528 + 40).blue(), 200);
  EXPECT_LT(colour(16 + 50, 528 + 40).red(), 60);
  EXPECT_GT(colour(16 + 120, 528 + 40).red(), 200) << "the back is not stretched";
  EXPECT_NE(previewer.shown[0].text.find("Jaquette avant :"), std::string::npos);
  // The film's title is on every page.
  const std::string title = Forms().form1->Tvideo.FieldByName("Titre").AsString();
  ASSERT_FALSE(title.empty());
  for (const auto& shown : previewer.shown)
    EXPECT_NE(shown.text.find(title), std::string::npos) << shown.text;
}

TEST_F(CoverPrintingTest, FromTheEditWindow) {
  Paths(front, "");
  WhileModal([&] { Forms().frmMFiche->Btn_ImpJaquette->click(); },
             [&] {
               EXPECT_TRUE(Dialog().isVisible());
               EXPECT_TRUE(Dialog().RadioButton1->isChecked());
               EXPECT_EQ(Dialog().RadioButton3->layoutDirection(), Qt::RightToLeft);
               Screenshot(&Dialog(), "cover_print_dialog");
               Dialog().SpeedButton1->click();
             });
  EXPECT_EQ(Dialog().result(), QDialog::Accepted);
  EXPECT_EQ(previewer.shown.size(), 1u);
}

}  // namespace
}  // namespace kvn::app
