// The report engine drawn into PDF files and read back with poppler: pages and
// their bands, running counts, word wrap growing a row, an empty report,
// pictures at their own size cut at their box, the real print preview.
#include "report/report.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPrintPreviewWidget>
#include <algorithm>
#include <map>

#include "platform/error.h"
#include "tests/support/pdf_reader.h"
#include "tests/support/temp_dir.h"

namespace kvn::report {
namespace {

class MemoryRows : public ReportData {
 public:
  std::vector<std::map<QString, QString>> rows;
  void First() override { m_at = 0; }
  void Next() override { ++m_at; }
  bool Eof() const override { return m_at >= rows.size(); }
  QString Text(const QString& field) const override {
    auto it = rows[m_at].find(field);
    return it == rows[m_at].end() ? QString() : it->second;
  }

 private:
  size_t m_at = 0;
};

Element Text(Element::Kind kind, const QString& text, int x, int y, int width = 0) {
  Element e;
  e.kind = kind;
  e.text = text;
  e.box = QRect(x, y, width, 0);
  return e;
}

Element Field(MemoryRows* rows, const QString& field, int x, int width) {
  Element e = Text(Element::Kind::DataText, {}, x, 4, width);
  e.data = rows;
  e.field = field;
  e.wordWrap = true;
  return e;
}

Element System(SystemData what, const QString& prefix, int x) {
  Element e = Text(Element::Kind::System, prefix, x, 8);
  e.system = what;
  return e;
}

// A list of the rows with every band, as the program's lists are built.
void BuildList(Report& r, MemoryRows* rows) {
  r.Data = rows;
  r.PrintDate = platform::EncodeDate(2026, 12, 24);
  r.AddBand(Band::Type::PageHeader, 40).elements = {Text(Element::Kind::Label, "EnTete", 8, 8),
                                                    System(SystemData::Date, "Le ", 500)};
  r.AddBand(Band::Type::Title, 40).elements = {Text(Element::Kind::Label, "GrandTitre", 8, 8)};
  r.AddBand(Band::Type::ColumnHeader, 40).elements = {Text(Element::Kind::Label, "Colonnes", 8, 8)};
  r.AddBand(Band::Type::Detail, 27).elements = {Field(rows, "a", 8, 120),
                                                Field(rows, "b", 300, 300)};
  r.AddBand(Band::Type::PageFooter, 40).elements = {
      System(SystemData::PageNumber, "Page ", 300),
      System(SystemData::DetailCount, "Lignes ", 500)};
}

class ReportTest : public ::testing::Test {
 protected:
  std::string Pdf(Report& r, const char* name = "r.pdf") {
    const std::string path = dir / name;
    r.ExportPdf(QString::fromStdString(path));
    return path;
  }
  test::TempDir dir;
};

TEST_F(ReportTest, PagesBandsAndRunningCounts) {
  MemoryRows rows;
  for (int i = 1; i <= 100; ++i)
    rows.rows.push_back({{"a", QString("Ligne%1").arg(i, 3, 10, QChar('0'))}});
  Report r;
  BuildList(r, &rows);
  const std::string pdf = Pdf(r);
  ASSERT_EQ(test::PdfPages(pdf), 3);
  EXPECT_EQ(r.PageCount(), 3);
  EXPECT_EQ(r.DetailCount(), 100);
  int seen = 0;
  std::string lastCount;
  for (int page = 1; page <= 3; ++page) {
    SCOPED_TRACE("page " + std::to_string(page));
    const std::string text = test::PdfText(pdf, page);
    EXPECT_NE(text.find("EnTete"), std::string::npos);
    EXPECT_NE(text.find("Le 24/12/2026"), std::string::npos);
    EXPECT_NE(text.find("Colonnes"), std::string::npos);
    // The title band only opens the report.
    EXPECT_EQ(text.find("GrandTitre") != std::string::npos, page == 1);
    EXPECT_NE(text.find("Page " + std::to_string(page)), std::string::npos);
    // Every row once, in order, the footer counting the rows printed so far.
    int onPage = 0;
    while (seen < 100 &&
           text.find(QString("Ligne%1").arg(seen + 1, 3, 10, QChar('0')).toStdString()) !=
               std::string::npos) {
      ++seen;
      ++onPage;
    }
    EXPECT_GT(onPage, 20);
    EXPECT_NE(text.find("Lignes " + std::to_string(seen)), std::string::npos) << text;
  }
  EXPECT_EQ(seen, 100);
}

TEST_F(ReportTest, WrappedTextMakesItsRowTaller) {
  MemoryRows rows;
  rows.rows = {{{"a", "Premier"}},
               {{"a", "Un titre beaucoup trop long pour tenir dans sa colonne"}, {"b", "Milieu"}},
               {{"a", "Dernier"}}};
  Report r;
  BuildList(r, &rows);
  const auto words = test::PdfWords(Pdf(r));
  auto top = [&](const std::string& w) {
    for (const auto& word : words)
      if (word.text == w) return word.yMin;
    ADD_FAILURE() << "no word " << w;
    return 0.0;
  };
  // The long title goes over several lines within its 120 pixels.
  EXPECT_GT(top("colonne"), top("Un") + 20);
  for (const auto& word : words)
    if (word.text == "trop") {
      EXPECT_LT(word.xMax, (8 + 120) * 72.0 / 96 + 28.4 + 1);
    }
  const double normal = top("Un") - top("Premier");
  EXPECT_NEAR(normal, 27 * 72.0 / 96, 0.5);
  // The next row comes below the last line of the wrapped one.
  EXPECT_GT(top("Dernier"), top("colonne") + 5);
  EXPECT_NEAR(top("Milieu"), top("Un"), 0.5);
}

TEST_F(ReportTest, EmptyDataStillPrintsOnePage) {
  MemoryRows rows;
  Report r;
  BuildList(r, &rows);
  const std::string pdf = Pdf(r);
  EXPECT_EQ(test::PdfPages(pdf), 1);
  const std::string text = test::PdfText(pdf);
  EXPECT_NE(text.find("GrandTitre"), std::string::npos);
  EXPECT_NE(text.find("Page 1"), std::string::npos);
  EXPECT_NE(text.find("Lignes 0"), std::string::npos);
  EXPECT_EQ(r.DetailCount(), 0);
}

TEST_F(ReportTest, PicturesAtTheirOwnSizeCutAtTheirBox) {
  QImage red(300, 300, QImage::Format_RGB32);
  red.fill(Qt::red);
  QImage blue(20, 20, QImage::Format_RGB32);
  blue.fill(Qt::blue);
  Report r;
  Element big = Text(Element::Kind::Image, {}, 16, 48);
  big.box = QRect(16, 48, 100, 50);
  big.image = red;
  Element small = Text(Element::Kind::Image, {}, 16, 200);
  small.box = QRect(16, 200, 100, 100);
  small.image = blue;
  r.AddBand(Band::Type::Detail, 1044).elements = {big, small};
  const QImage page = test::PdfPicture(Pdf(r), 1, 96, dir);
  ASSERT_FALSE(page.isNull());
  // The printable area starts at the 10 mm margins: 37.8 pixels at 96 per inch.
  auto at = [&](double x, double y) { return QColor(page.pixel(int(37.8 + x), int(37.8 + y))); };
  auto near = [](QColor c, QColor want) {
    return std::abs(c.red() - want.red()) < 40 && std::abs(c.green() - want.green()) < 40 &&
           std::abs(c.blue() - want.blue()) < 40;
  };
  EXPECT_TRUE(near(at(16 + 50, 48 + 25), Qt::red));
  EXPECT_TRUE(near(at(16 + 98, 48 + 48), Qt::red));
  EXPECT_TRUE(near(at(16 + 104, 48 + 25), Qt::white)) << "cut at the box's width";
  EXPECT_TRUE(near(at(16 + 50, 48 + 54), Qt::white)) << "cut at the box's height";
  EXPECT_TRUE(near(at(16 + 10, 200 + 10), Qt::blue));
  EXPECT_TRUE(near(at(16 + 24, 200 + 10), Qt::white)) << "not stretched";
  EXPECT_TRUE(near(at(16 + 10, 200 + 24), Qt::white));
}

TEST_F(ReportTest, PdfThatCannotBeCreated) {
  Report r;
  r.AddBand(Band::Type::Detail, 20);
  try {
    r.ExportPdf(QString::fromStdString(dir / "absent/liste.pdf"));
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind(
                  "Impossible de créer le fichier \"" + dir / "absent/liste.pdf" + "\".", 0),
              0u)
        << e.what();
  }
}

TEST_F(ReportTest, PrintPreviewShowsEveryPage) {
  MemoryRows rows;
  for (int i = 0; i < 100; ++i) rows.rows.push_back({{"a", "x"}});
  Report r;
  BuildList(r, &rows);
  PrintPreview preview;
  int pages = -1;
  preview.onShown = [&](QWidget* window) {
    auto* widget = window->findChild<QPrintPreviewWidget*>();
    ASSERT_NE(widget, nullptr);
    widget->updatePreview();
    pages = widget->pageCount();
    window->close();
  };
  preview.Preview(r, nullptr);
  EXPECT_EQ(pages, 3);
}

// A long list shows how far the layout of its pages is, page by page, in a
// window of its own that goes once the pages are shown.
TEST_F(ReportTest, LongListPreviewShowsItsProgress) {
  struct Counted : MemoryRows {
    int64_t Count() const override { return static_cast<int64_t>(rows.size()); }
  } rows;
  for (int i = 0; i < 1500; ++i) rows.rows.push_back({{"a", "x"}});
  Report r;
  BuildList(r, &rows);
  PrintPreview preview;
  std::vector<int> values;
  int maximum = 0;
  bool progressGone = false;
  preview.onProgress = [&](int value, int max) {
    values.push_back(value);
    maximum = max;
  };
  preview.onShown = [&](QWidget* window) {
    bool visible = false;
    for (QWidget* top : QApplication::topLevelWidgets())
      if (top->objectName() == "PreviewProgress" && top->isVisible()) visible = true;
    progressGone = !visible;
    window->close();
  };
  preview.Preview(r, nullptr);
  EXPECT_EQ(maximum, 1500);
  ASSERT_GT(values.size(), 10u);
  EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
  EXPECT_GT(values.back(), 1400);
  EXPECT_TRUE(progressGone);
}

TEST_F(ReportTest, PreviewReportsAFailureOnceClosed) {
  struct Unreadable : MemoryRows {
    void First() override { throw Error("Lecture impossible"); }
  } rows;
  Report r;
  BuildList(r, &rows);
  PrintPreview preview;
  try {
    preview.Preview(r, nullptr);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Lecture impossible");
  }
}

}  // namespace
}  // namespace kvn::report
