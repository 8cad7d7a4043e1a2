#include "report/report.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QIODevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <memory>

#include "db/dataset.h"
#include "platform/error.h"
#include "platform/format.h"
#include "platform/output_file.h"
#include "platform/output_set.h"
#include "platform/stream.h"
#include "platform/strings.h"

namespace kvn::report {

// ----------------------------------------------------------------- data

void DataSetRows::First() {
  m_dataSet.First();
}
void DataSetRows::Next() {
  m_dataSet.Next();
}
bool DataSetRows::Eof() const {
  return m_dataSet.Eof() || m_dataSet.IsEmpty();
}

int64_t DataSetRows::Count() const {
  return m_dataSet.RecordCount();
}

QString DataSetRows::Text(const QString& field) const {
  db::Field* f = m_dataSet.FindField(field.toStdString());
  return f ? QString::fromStdString(f->Text()) : QString();
}

// ----------------------------------------------------------------- model

QFont Element::Font() const {
  QFont font(family);
  font.setPointSizeF(pointSize);
  font.setBold(bold);
  return font;
}

QPageLayout PageSetup::Layout() const {
  return QPageLayout(QPageSize(paper), orientation, marginsMm, QPageLayout::Millimeter);
}

Band& Report::AddBand(Band::Type type, int height) {
  Bands.push_back(Band{type, height, {}});
  return Bands.back();
}

Band* Report::FindBand(Band::Type type) {
  for (Band& b : Bands)
    if (b.type == type) return &b;
  return nullptr;
}

Element* Report::Find(const QString& name) {
  for (Band& b : Bands)
    for (Element& e : b.elements)
      if (e.name == name) return &e;
  return nullptr;
}

// ----------------------------------------------------------------- layout

namespace {

// Draws bands on one device: layout pixels scaled to the device's.
class Painter {
 public:
  Painter(QPagedPaintDevice& device, QPainter& painter, const QString& date)
      : m_device(device), m_painter(painter), m_date(date) {
    m_scaleX = device.logicalDpiX() / kLayoutDpi;
    m_scaleY = device.logicalDpiY() / kLayoutDpi;
    m_pageWidth = device.width() / m_scaleX;
    m_pageHeight = device.height() / m_scaleY;
  }

  double PageHeight() const { return m_pageHeight; }
  int page = 1;
  int details = 0;
  // The empty detail of a report without rows shows no data.
  bool noRow = false;

  // The text an element shows now.
  QString Text(const Element& e) const {
    switch (e.kind) {
      case Element::Kind::Label:
        return e.text;
      case Element::Kind::DataText:
        return e.data && !noRow ? e.data->Text(e.field) : QString();
      case Element::Kind::System:
        switch (e.system) {
          case SystemData::Date:
            return e.text + m_date;
          case SystemData::PageNumber:
            return e.text + QString::number(page);
          case SystemData::DetailCount:
            return e.text + QString::number(details);
        }
        break;
      case Element::Kind::Image:
        break;
    }
    return {};
  }

  // The lines of a wrapped text: between words, and inside a word longer
  // than the line (a long reference is never cut off).
  QStringList Lines(const QString& text, const QFont& font, double width) const {
    QString laid = text;
    laid.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(laid, font, &m_device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(width);
      QString part = laid.mid(line.textStart(), line.textLength());
      while (!part.isEmpty() && (part.back().isSpace() || part.back() == QChar::LineSeparator))
        part.chop(1);
      lines << part;
    }
    layout.endLayout();
    return lines;
  }

  // The height a band takes with the current values: word-wrapped texts that
  // need more than one line make it taller by the lines they add.
  double Height(const Band& band) const {
    return band.height + Extra(band, false) + Extra(band, true);
  }

  // What the wrapped texts add to the band: those in the columns, or those
  // placed below them.
  double Extra(const Band& band, bool below) const {
    double extra = 0;
    for (const Element& e : band.elements) {
      if (e.kind == Element::Kind::Image || !e.wordWrap || e.below != below) continue;
      const QString text = Text(e);
      if (text.isEmpty()) continue;
      QFontMetricsF metrics(e.Font(), &m_device);
      const auto lines = Lines(text, e.Font(), e.box.width() * m_scaleX).size();
      if (lines > 1)
        extra = std::max(extra, static_cast<double>(lines - 1) * metrics.lineSpacing() / m_scaleY);
    }
    return extra;
  }

  void Draw(const Band& band, double top) {
    const double columnsExtra = Extra(band, false);
    for (const Element& e : band.elements) {
      const double y = top + e.box.y() + (e.below ? columnsExtra : 0);
      const QRectF box((e.box.x()) * m_scaleX, y * m_scaleY, e.box.width() * m_scaleX,
                       e.box.height() * m_scaleY);
      if (e.kind == Element::Kind::Image) {
        if (e.image.isNull()) continue;
        // At its own size from the top left corner, cut at the box.
        m_painter.save();
        m_painter.setClipRect(box);
        m_painter.drawImage(
            QRectF(box.topLeft(), QSizeF(e.image.width() * m_scaleX, e.image.height() * m_scaleY)),
            e.image);
        m_painter.restore();
        continue;
      }
      const QString text = Text(e);
      if (text.isEmpty()) continue;
      m_painter.setFont(e.Font());
      m_painter.setPen(e.color);
      QRectF area = box;
      int flags = int(e.alignment) | Qt::AlignTop;
      if (e.wordWrap) {
        const double spacing = QFontMetricsF(e.Font(), &m_device).lineSpacing();
        double y = box.top();
        for (const QString& line : Lines(text, e.Font(), box.width())) {
          m_painter.drawText(QRectF(box.left(), y, box.width(), 1e6), flags, line);
          y += spacing;
        }
        continue;
      } else if (e.alignment & Qt::AlignHCenter) {
        area.setHeight(1e6);
      } else {
        // A label sizes itself to its text.
        area = QRectF(box.topLeft(), QSizeF(1e6, 1e6));
        flags = Qt::AlignLeft | Qt::AlignTop;
      }
      m_painter.drawText(area, flags, text);
    }
  }

  double PageWidth() const { return m_pageWidth; }

 private:
  QPagedPaintDevice& m_device;
  QPainter& m_painter;
  QString m_date;
  double m_scaleX = 1, m_scaleY = 1;
  double m_pageWidth = 0, m_pageHeight = 0;
};

}  // namespace

int Report::Print(QPagedPaintDevice& device) {
  // The rows are read in one state of the catalogue from the first to the last.
  std::optional<db::Snapshot> snapshot;
  if (auto* rows = dynamic_cast<DataSetRows*>(Data)) snapshot.emplace(rows->DataSet());
  device.setPageLayout(Page.Layout());
  if (auto* printer = dynamic_cast<QPrinter*>(&device); printer && Page.firstTray)
    printer->setPaperSource(QPrinter::Upper);
  QPainter painter;
  if (!painter.begin(&device))
    throw Error("Impossible d'imprimer l'état : le périphérique refuse le dessin");
  const QString date =
      QString::fromStdString(platform::DateToStr(PrintDate ? *PrintDate : platform::Now()));
  Painter p(device, painter, date);

  const Band* header = FindBand(Band::Type::PageHeader);
  const Band* title = FindBand(Band::Type::Title);
  const Band* columns = FindBand(Band::Type::ColumnHeader);
  const Band* detail = FindBand(Band::Type::Detail);
  const Band* footer = FindBand(Band::Type::PageFooter);
  const double footerTop = p.PageHeight() - (footer ? footer->height : 0);

  double y = 0;
  auto pageTop = [&](bool first) {
    y = 0;
    for (const Band* b : {header, first ? title : nullptr, columns}) {
      if (!b) continue;
      p.Draw(*b, y);
      y += b->height;
    }
  };
  auto pageEnd = [&] {
    if (footer) p.Draw(*footer, footerTop);
  };
  // A detail that does not fit goes to the next page, unless it is the
  // first one under the page's headings (it could never fit).
  double bodyTop = 0;
  auto place = [&](bool counts) {
    const double h = detail ? p.Height(*detail) : 0;
    if (y + h > footerTop && y > bodyTop) {
      pageEnd();
      if (OnPage) OnPage(p.details);
      device.newPage();
      ++p.page;
      if (p.page == 20) platform::PausePointForTests("report-pages");
      pageTop(false);
      bodyTop = y;
    }
    if (counts) ++p.details;
    if (detail) p.Draw(*detail, y);
    y += h;
  };

  pageTop(true);
  bodyTop = y;
  if (!Data) {
    place(true);
  } else {
    Data->First();
    if (Data->Eof()) {
      p.noRow = true;
      if (PrintIfEmpty) place(false);
    } else {
      for (; !Data->Eof(); Data->Next()) place(true);
    }
  }
  pageEnd();
  painter.end();
  m_pageCount = p.page;
  m_detailCount = p.details;
  return m_pageCount;
}

namespace {

// Qt's PDF writer drawing into one of our file streams, so that a failed write
// is known (and why) instead of being lost inside the writer.
class StreamDevice : public QIODevice {
 public:
  explicit StreamDevice(platform::FileStream& stream) : m_stream(stream) {
    open(QIODevice::WriteOnly);
  }
  bool Failed() const { return m_failed; }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 size) override {
    if (m_failed) return -1;
    if (m_stream.Write(data, static_cast<size_t>(size)) != static_cast<size_t>(size)) {
      m_failed = true;
      return -1;
    }
    return size;
  }

 private:
  platform::FileStream& m_stream;
  bool m_failed = false;
};

// A complete PDF file ends with its end-of-file marker.
bool EndsLikePdf(platform::FileStream& stream) {
  const int64_t size = stream.Size();
  if (size < 16) return false;
  char tail[16];
  stream.Seek(size - 16, platform::SeekOrigin::Begin);
  stream.ReadBuffer(tail, sizeof tail);
  return std::string_view(tail, sizeof tail).find("%%EOF") != std::string_view::npos;
}

}  // namespace

void Report::ExportPdf(const QString& path) {
  // Written under a temporary name and checked before it replaces the file.
  platform::OutputFile out(path.toStdString());
  platform::FileStream& stream = out.Stream();
  {
    StreamDevice device(stream);
    QPdfWriter writer(&device);
    writer.setResolution(300);
    writer.setTitle(Title);
    writer.setCreator(QStringLiteral("Korvane"));
    Print(writer);
    if (device.Failed()) throw Error(stream.WriteErrorText());
  }
  stream.Flush();
  if (!out.Direct() && !EndsLikePdf(stream))
    throw Error(platform::Subst(
        "Le fichier PDF \"%s\" est incomplet : l'écriture n'est pas allée jusqu'au bout.",
        {path.toStdString()}));
  out.Commit();
}

// ----------------------------------------------------------------- preview

namespace {
PrintPreview g_printPreview;
Previewer* g_previewer = nullptr;
}  // namespace

Previewer& ReportPreviewer() {
  return g_previewer ? *g_previewer : g_printPreview;
}
void SetPreviewerForTesting(Previewer* previewer) {
  g_previewer = previewer;
}

void PrintPreview::Preview(Report& report, QWidget* parent) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(report.Title);
  printer.setPageLayout(report.Page.Layout());
  QPrintPreviewDialog dialog(&printer, parent);
  dialog.setWindowTitle(QStringLiteral("Aperçu avant impression"));
  dialog.resize(900, 1000);
  // A failure while drawing (rows that cannot be read) closes the window and
  // reaches the caller once the window's event loop is left, not through Qt.
  std::exception_ptr failure;
  // A long list shows how far the layout of its pages is. The window is
  // shown before the preview draws and only repainted while it does: no
  // event is processed inside the preview's drawing.
  const int64_t rows = report.Data ? report.Data->Count() : 0;
  std::unique_ptr<QProgressDialog> progress;
  if (rows > progressFrom) {
    progress = std::make_unique<QProgressDialog>(
        QStringLiteral("Préparation de l'aperçu…"), QString(), 0,
        static_cast<int>(std::min<int64_t>(rows, 1 << 30)), parent);
    progress->setWindowTitle(QStringLiteral("Aperçu avant impression"));
    progress->setObjectName("PreviewProgress");
    progress->setMinimumDuration(0);
    progress->setCancelButton(nullptr);
    progress->show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  report.OnPage = [&progress, this](int64_t done) {
    if (!progress || !progress->isVisible()) return;
    progress->setValue(static_cast<int>(std::min<int64_t>(done, progress->maximum())));
    progress->setLabelText(QStringLiteral("Préparation de l'aperçu… %1 films").arg(done));
    progress->repaint();
    if (onProgress) onProgress(progress->value(), progress->maximum());
  };
  struct Clear {
    Report& r;
    ~Clear() { r.OnPage = nullptr; }
  } clear{report};
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                   [&report, &failure, &dialog, &progress](QPrinter* p) {
                     if (failure) return;
                     try {
                       report.Print(*p);
                       // Once laid out, the pages are shown: the progress window goes.
                       if (progress) progress->hide();
                     } catch (...) {
                       failure = std::current_exception();
                       QTimer::singleShot(0, &dialog, &QDialog::reject);
                     }
                   });
  if (onShown) QTimer::singleShot(0, &dialog, [this, &dialog] { onShown(&dialog); });
  dialog.exec();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace kvn::report
