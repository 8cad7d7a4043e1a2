// "Statistiques": what the collection holds, at a glance. The figures
// (films, lent, overdue, seen, durations, discs) in a table on the left; on
// the right one tab per chart (genres, supports, decades, notes, loans,
// directors, actors), each with its counts in a table beside it. The chart
// shown can be saved as a PNG picture or printed.
#pragma once

#include <QDialog>
#include <QImage>
#include <QString>
#include <string>
#include <vector>

#include "catalogue/film_stats.h"

class QChart;
class QPrinter;
class QTabWidget;
class QTableWidget;

namespace kvn::db {
class Database;
}

namespace kvn::app {

class StatsWindow : public QDialog {
 public:
  StatsWindow(db::Database& database, std::string directory, QWidget* parent = nullptr);

  // Counts the catalogue again and redraws every chart.
  void Reload();
  const catalogue::CollectionStats& Stats() const { return m_stats; }

  // The chart of a tab drawn alone on a white picture of that size.
  QImage ChartImage(int tab, QSize size) const;
  // "Enregistrer l'image…": the current chart as a PNG file (1200 × 800).
  void SaveChart();
  void SaveChart(const QString& path) const;
  // "Imprimer…": the current chart and its table, through the print preview.
  void PrintChart();
  // The page: the chart's title, the chart, then its counts.
  void PrintChart(QPrinter& printer, int tab) const;

  QTableWidget* Figures;
  QTabWidget* Charts;

 private:
  struct Page {
    QString title;
    std::vector<catalogue::StatCount> counts;
    QChart* chart = nullptr;
    QTableWidget* table = nullptr;
  };
  void Fill();

  db::Database& m_database;
  std::string m_directory;
  catalogue::CollectionStats m_stats;
  std::vector<Page> m_pages;
};

}  // namespace kvn::app
