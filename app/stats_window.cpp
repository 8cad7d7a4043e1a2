#include "app/stats_window.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QLocale>
#include <QPainter>
#include <QPieSeries>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

#include "app/handlers.h"
#include "catalogue/loans.h"
#include "platform/error.h"
#include "platform/output_file.h"
#include "qt_support/prompts.h"

namespace kvn::app {

namespace {

enum class Kind { Bars, HorizontalBars, Pie };

struct ChartTab {
  const char* title;
  const char* file;  // the name proposed when saving
  Kind kind;
};

// One per tab, in the tabs' order.
const ChartTab kCharts[] = {
    {"Genres", "genres", Kind::HorizontalBars},
    {"Supports", "supports", Kind::Pie},
    {"Décennies", "decennies", Kind::Bars},
    {"Notes", "notes", Kind::Bars},
    {"Prêts", "prets", Kind::Pie},
    {"Réalisateurs", "realisateurs", Kind::HorizontalBars},
    {"Acteurs", "acteurs", Kind::HorizontalBars},
};

QString Number(int64_t n) {
  return QLocale(QLocale::French).toString(static_cast<qlonglong>(n));
}

// A new chart of the counts: bars with their labels, or a pie whose slices
// say their share.
QChart* MakeChart(const ChartTab& tab, const std::vector<catalogue::StatCount>& counts) {
  auto* chart = new QChart;
  chart->setTitle(QString::fromUtf8(tab.title));
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->setBackgroundBrush(Qt::white);
  chart->setBackgroundRoundness(0);
  if (tab.kind == Kind::Pie) {
    auto* pie = new QPieSeries;
    int64_t total = 0;
    for (const catalogue::StatCount& c : counts) total += c.films;
    for (const catalogue::StatCount& c : counts) {
      if (c.films == 0) continue;
      const double share = total ? 100.0 * static_cast<double>(c.films) / total : 0;
      QPieSlice* slice = pie->append(
          QString::fromStdString(c.label) + QStringLiteral(" (%1 %)").arg(share, 0, 'f', 1),
          static_cast<qreal>(c.films));
      slice->setLabelVisible(share >= 2);
    }
    chart->addSeries(pie);
    chart->legend()->setAlignment(Qt::AlignRight);
    return chart;
  }
  // Horizontal bars read from the top: the first count goes last.
  std::vector<catalogue::StatCount> shown = counts;
  if (tab.kind == Kind::HorizontalBars) std::reverse(shown.begin(), shown.end());
  auto* set = new QBarSet(QStringLiteral("Films"));
  set->setColor(QColor(0x33, 0x66, 0x99));
  set->setLabelColor(Qt::black);
  QStringList labels;
  int64_t most = 0;
  for (const catalogue::StatCount& c : shown) {
    *set << static_cast<qreal>(c.films);
    labels << QString::fromStdString(c.label);
    most = std::max(most, c.films);
  }
  QAbstractBarSeries* series = tab.kind == Kind::HorizontalBars
                                   ? static_cast<QAbstractBarSeries*>(new QHorizontalBarSeries)
                                   : static_cast<QAbstractBarSeries*>(new QBarSeries);
  series->append(set);
  series->setLabelsVisible(true);
  series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
  chart->addSeries(series);
  auto* categories = new QBarCategoryAxis;
  categories->append(labels);
  // Whole numbers of films on the axis: a step of 1, 2 or 5 times a power
  // of ten, about five of them, with room left for the bars' labels.
  int64_t step = 1;
  for (int i = 0; step * 5 < most; ++i) step = i % 3 == 1 ? step / 2 * 5 : step * 2;
  auto* values = new QValueAxis;
  values->setTickType(QValueAxis::TicksDynamic);
  values->setTickAnchor(0);
  values->setTickInterval(static_cast<qreal>(step));
  values->setRange(0, static_cast<qreal>((most + most / 8 + step) / step * step));
  values->setLabelFormat(QStringLiteral("%.0f"));
  const bool across = tab.kind == Kind::HorizontalBars;
  chart->addAxis(categories, across ? Qt::AlignLeft : Qt::AlignBottom);
  chart->addAxis(values, across ? Qt::AlignBottom : Qt::AlignLeft);
  series->attachAxis(categories);
  series->attachAxis(values);
  chart->legend()->hide();
  return chart;
}

QTableWidget* CountTable(QWidget* parent, const QString& first) {
  auto* table = new QTableWidget(0, 2, parent);
  table->setHorizontalHeaderLabels({first, QStringLiteral("Films")});
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->verticalHeader()->hide();
  table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  return table;
}

void SetRow(QTableWidget* table, int row, const QString& label, const QString& value) {
  table->setItem(row, 0, new QTableWidgetItem(label));
  auto* number = new QTableWidgetItem(value);
  number->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  table->setItem(row, 1, number);
}

}  // namespace

StatsWindow::StatsWindow(db::Database& database, std::string directory, QWidget* parent)
    : QDialog(parent), m_database(database), m_directory(std::move(directory)) {
  setObjectName("frmStatistiques");
  setWindowTitle(QStringLiteral("Statistiques"));
  resize(1000, 560);
  auto* layout = new QVBoxLayout(this);
  auto* body = new QHBoxLayout;
  Figures = CountTable(this, QStringLiteral("Collection"));
  Figures->setObjectName("Chiffres");
  Figures->setHorizontalHeaderLabels({QStringLiteral("Collection"), QString()});
  Figures->setFixedWidth(260);
  body->addWidget(Figures);
  Charts = new QTabWidget(this);
  Charts->setObjectName("Graphiques");
  for (const ChartTab& chart : kCharts) {
    auto* tab = new QWidget(Charts);
    auto* row = new QHBoxLayout(tab);
    auto* view = new QChartView(tab);
    view->setRenderHint(QPainter::Antialiasing);
    Page page;
    page.title = QString::fromUtf8(chart.title);
    page.table = CountTable(tab, page.title);
    page.table->setFixedWidth(240);
    row->addWidget(view, 1);
    row->addWidget(page.table);
    Charts->addTab(tab, page.title);
    m_pages.push_back(page);
  }
  body->addWidget(Charts, 1);
  layout->addLayout(body, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* save = new QPushButton(QStringLiteral("&Enregistrer l'image…"), this);
  save->setObjectName("EnregistrerGraphique");
  auto* print = new QPushButton(QStringLiteral("&Imprimer…"), this);
  print->setObjectName("ImprimerGraphique");
  auto* refresh = new QPushButton(QStringLiteral("&Actualiser"), this);
  refresh->setObjectName("ActualiserStatistiques");
  auto* close = new QPushButton(QStringLiteral("Fermer"), this);
  close->setObjectName("FermerStatistiques");
  for (QPushButton* b : {save, print, refresh, close}) buttons->addWidget(b);
  layout->addLayout(buttons);
  connect(save, &QPushButton::clicked, this, [this] { RunHandler(this, [this] { SaveChart(); }); });
  connect(print, &QPushButton::clicked, this,
          [this] { RunHandler(this, [this] { PrintChart(); }); });
  connect(refresh, &QPushButton::clicked, this, [this] { RunHandler(this, [this] { Reload(); }); });
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  Reload();
}

void StatsWindow::Reload() {
  m_stats = catalogue::CountCollection(m_database, catalogue::Today(),
                                       catalogue::LoanPeriodDays(m_directory));
  Fill();
}

void StatsWindow::Fill() {
  const catalogue::CollectionStats& s = m_stats;
  const std::pair<QString, QString> figures[] = {
      {QStringLiteral("Films"), Number(s.films)},
      {QStringLiteral("Prêtés"), Number(s.lent)},
      {QStringLiteral("En retard"), Number(s.overdue)},
      {QStringLiteral("Vus"), Number(s.seen)},
      {QStringLiteral("Durée totale"),
       QString::fromStdString(catalogue::HoursText(s.totalSeconds))},
      {QStringLiteral("Durée moyenne"),
       QString::fromStdString(catalogue::HoursText(s.MeanSeconds()))},
      {QStringLiteral("Disques"), Number(s.discs)},
  };
  Figures->setRowCount(static_cast<int>(std::size(figures)));
  for (int r = 0; r < Figures->rowCount(); ++r)
    SetRow(Figures, r, figures[r].first, figures[r].second);

  const std::vector<catalogue::StatCount> loans = {{"Disponibles", s.films - s.lent},
                                                   {"Prêtés, à l'heure", s.lent - s.overdue},
                                                   {"En retard", s.overdue}};
  const std::vector<catalogue::StatCount>* counts[] = {
      &s.byGenre, &s.bySupport, &s.byDecade, &s.byNote, &loans, &s.directors, &s.actors};
  for (size_t p = 0; p < m_pages.size(); ++p) {
    Page& page = m_pages[p];
    page.counts = *counts[p];
    page.table->setRowCount(static_cast<int>(page.counts.size()));
    for (int r = 0; r < page.table->rowCount(); ++r) {
      const catalogue::StatCount& c = page.counts[static_cast<size_t>(r)];
      SetRow(page.table, r, QString::fromStdString(c.label), Number(c.films));
    }
    auto* view = Charts->widget(static_cast<int>(p))->findChild<QChartView*>();
    QChart* old = view->chart();
    page.chart = MakeChart(kCharts[p], page.counts);
    view->setChart(page.chart);
    delete old;
  }
}

QImage StatsWindow::ChartImage(int tab, QSize size) const {
  const Page& page = m_pages.at(static_cast<size_t>(tab));
  // A chart of its own in a view of that size, drawn off the screen.
  QChartView view(MakeChart(kCharts[tab], page.counts));
  view.setRenderHint(QPainter::Antialiasing);
  view.setFrameShape(QFrame::NoFrame);
  view.resize(size);
  QImage image = view.grab().toImage();
  if (image.size() != size) image = image.scaled(size);
  return image;
}

void StatsWindow::SaveChart(const QString& path) const {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!ChartImage(Charts->currentIndex(), QSize(1200, 800)).save(&buffer, "PNG"))
    throw Error("L'image du graphique n'a pas pu être produite.");
  platform::OutputFile file(path.toStdString());
  file.Stream().WriteString(std::string_view(png.constData(), static_cast<size_t>(png.size())));
  file.Commit();
}

void StatsWindow::SaveChart() {
  const int tab = Charts->currentIndex();
  const QString proposed = QStringLiteral("statistiques-%1.png").arg(kCharts[tab].file);
  auto name = qt::Ui().SaveFileName(this, QStringLiteral("Image PNG (*.png)|*.png"), proposed,
                                    QStringLiteral("png"));
  if (!name || name->isEmpty()) return;
  QString path = *name;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".png");
  SaveChart(path);
}

void StatsWindow::PrintChart(QPrinter& printer, int tab) const {
  const Page& page = m_pages.at(static_cast<size_t>(tab));
  QPainter painter;
  if (!painter.begin(&printer)) throw Error("L'impression n'a pas pu commencer.");
  const QRect area = painter.viewport();
  const int line = area.height() / 60;
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(line * 3 / 2);
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(QRect(area.left(), area.top(), area.width(), line * 2), Qt::AlignLeft,
                   QStringLiteral("Statistiques de la collection — ") + page.title);
  // The chart takes the upper half of the page, its counts the rest.
  const QRect chartArea(area.left(), area.top() + line * 3, area.width(), area.height() / 2);
  const QImage picture =
      ChartImage(tab, QSize(1500, 1500 * chartArea.height() / chartArea.width()));
  painter.drawImage(chartArea, picture);
  font.setBold(false);
  font.setPixelSize(line * 4 / 5);
  painter.setFont(font);
  int y = chartArea.bottom() + line;
  for (const catalogue::StatCount& c : page.counts) {
    if (y + line > area.bottom()) break;
    painter.drawText(QRect(area.left(), y, area.width() * 3 / 4, line), Qt::AlignLeft,
                     QString::fromStdString(c.label));
    painter.drawText(QRect(area.left() + area.width() * 3 / 4, y, area.width() / 4, line),
                     Qt::AlignRight, Number(c.films));
    y += line;
  }
  painter.end();
}

void StatsWindow::PrintChart() {
  QPrinter printer(QPrinter::HighResolution);
  QPrintPreviewDialog preview(&printer, this);
  preview.setWindowTitle(QStringLiteral("Aperçu du graphique"));
  const int tab = Charts->currentIndex();
  connect(&preview, &QPrintPreviewDialog::paintRequested, this,
          [this, tab](QPrinter* p) { RunHandler(this, [this, p, tab] { PrintChart(*p, tab); }); });
  preview.exec();
}

}  // namespace kvn::app
