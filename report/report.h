// A small banded report engine on Qt's painter: a page setup, bands (page
// header, title, column header, detail once per row, page footer) holding
// labels, data-bound texts, system fields and pictures, laid out in pixels at
// 96 per inch and drawn on a printer, a print preview or a PDF file.
//
//   page 1:  page header, title, column header, details..., page footer
//   page n:  page header, column header, details..., page footer
// A detail band grows when one of its word-wrapped texts needs more lines; a
// detail that no longer fits above the page footer starts the next page.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "platform/tdatetime.h"

class QPagedPaintDevice;
class QPrinter;
class QWidget;

namespace kvn::db {
class DataSet;
}

namespace kvn::report {

// The rows a report walks.
class ReportData {
 public:
  virtual ~ReportData() = default;
  virtual void First() = 0;
  virtual void Next() = 0;
  virtual bool Eof() const = 0;
  // The display text of a field of the current row; empty for an unknown field.
  virtual QString Text(const QString& field) const = 0;
  // How many rows there are, when known (-1 otherwise): for the progress shown.
  virtual int64_t Count() const { return -1; }
};

// A table or query as report rows (field texts as the data layer shows them).
class DataSetRows : public ReportData {
 public:
  explicit DataSetRows(db::DataSet& dataSet) : m_dataSet(dataSet) {}
  void First() override;
  void Next() override;
  bool Eof() const override;
  QString Text(const QString& field) const override;
  int64_t Count() const override;
  db::DataSet& DataSet() { return m_dataSet; }

 private:
  db::DataSet& m_dataSet;
};

enum class SystemData { Date, PageNumber, DetailCount };

struct Element {
  enum class Kind { Label, DataText, System, Image };
  Kind kind = Kind::Label;
  QString name;
  // Position and size in layout pixels, relative to the band. Texts that size
  // themselves ignore the width unless they wrap; pictures are cut at the box.
  QRect box;
  QString family = QStringLiteral("Arial");
  double pointSize = 10;
  bool bold = false;
  QColor color = Qt::black;
  Qt::Alignment alignment = Qt::AlignLeft;
  bool wordWrap = false;
  // Placed under what the band's other texts take once wrapped (a line of
  // the row that follows the columns).
  bool below = false;
  // Label: the text; system field: the prefix.
  QString text;
  // Data text: the rows and the field (none: an empty text).
  ReportData* data = nullptr;
  QString field;
  SystemData system = SystemData::Date;
  QImage image;

  QFont Font() const;
};

struct Band {
  enum class Type { PageHeader, Title, ColumnHeader, Detail, PageFooter };
  Type type = Type::Detail;
  int height = 0;
  std::vector<Element> elements;
};

struct PageSetup {
  QPageSize::PageSizeId paper = QPageSize::A4;
  QPageLayout::Orientation orientation = QPageLayout::Portrait;
  QMarginsF marginsMm{10, 10, 10, 10};
  // Paper from the printer's first tray rather than its default one.
  bool firstTray = false;

  QPageLayout Layout() const;
};

// Layout units per inch.
constexpr double kLayoutDpi = 96;

class Report {
 public:
  QString Title;
  PageSetup Page;
  std::vector<Band> Bands;
  // The rows; without any, the detail band is printed once.
  ReportData* Data = nullptr;
  // The detail band is printed once, empty, when there is no row.
  bool PrintIfEmpty = true;
  // The date the date fields show; today when not set.
  std::optional<platform::TDateTime> PrintDate;
  // Called at each new page with the rows laid out so far.
  std::function<void(int64_t done)> OnPage;

  Band& AddBand(Band::Type type, int height);
  Band* FindBand(Band::Type type);
  Element* Find(const QString& name);

  // Lays out and draws every page on the device, whose page layout is set here
  // from Page. Returns the number of pages.
  int Print(QPagedPaintDevice& device);
  // Writes the report as a PDF file. Throws kvn::Error when the file cannot be
  // created or written.
  void ExportPdf(const QString& path);
  // Pages of the last Print.
  int PageCount() const { return m_pageCount; }
  // Detail rows of the last Print.
  int DetailCount() const { return m_detailCount; }

 private:
  int m_pageCount = 0;
  int m_detailCount = 0;
};

// Shows a report's preview, from which the user prints, and returns when it
// is closed. The program uses the print preview window; tests put their own.
class Previewer {
 public:
  virtual ~Previewer() = default;
  virtual void Preview(Report& report, QWidget* parent) = 0;
};
Previewer& ReportPreviewer();
void SetPreviewerForTesting(Previewer* previewer);

// The print preview window (page navigation, zoom, printer choice, copies,
// page range), modal.
class PrintPreview : public Previewer {
 public:
  void Preview(Report& report, QWidget* parent) override;
  // Called with the window once it is shown (tests close it from there).
  std::function<void(QWidget* window)> onShown;
  // Lists longer than this show a progress window while their pages are
  // laid out; called with its value at each page (tests follow it).
  int64_t progressFrom = 500;
  std::function<void(int value, int maximum)> onProgress;
};

}  // namespace kvn::report
