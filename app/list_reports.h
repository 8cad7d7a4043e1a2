// The printed lists of films: the list report of the whole catalogue in title
// order and the report of a search's result. Their windows are never shown;
// each only carries its report, previewed from the main and search windows.
#pragma once

#include <QString>
#include <memory>
#include <string>

#include "db/query.h"
#include "db/table.h"
#include "report/report.h"

class QWidget;

namespace kvn::app {

// Headings are printed in navy.
extern const QColor kNavy;

// The list report's bands over any rows holding the catalogue's fields.
void BuildListReport(report::Report& report, report::ReportData* rows);
// The search-result report's bands; its data texts are bound by the search window.
void BuildSearchReport(report::Report& report);

// "Impression": the list report on its own query, opened at creation.
class TfrmImprimer {
 public:
  explicit TfrmImprimer(db::Database& database);
  TfrmImprimer(const TfrmImprimer&) = delete;
  TfrmImprimer& operator=(const TfrmImprimer&) = delete;

  // Opens the query and the table; errors are thrown.
  void FormCreate();
  // Re-reads the query, then shows the preview until it is closed.
  void Preview(QWidget* parent);

  db::Query Query1;
  db::Table Table1;
  report::DataSetRows Rows{Query1};
  report::Report QuickRep1;
};

// The search-result report, bound to the search window's query when printing.
class TfrmRImprimer {
 public:
  TfrmRImprimer();
  TfrmRImprimer(const TfrmRImprimer&) = delete;
  TfrmRImprimer& operator=(const TfrmRImprimer&) = delete;

  // Binds the six data texts and the two variable titles: the fourth and fifth
  // columns show `fourth` and `fifth` under their titles.
  void Bind(report::ReportData* rows, const QString& fourth, const QString& fourthTitle,
            const QString& fifth, const QString& fifthTitle);
  void Preview(QWidget* parent);

  report::Report QuickRep1;
};

// `korvane print`: the list report of the catalogue in `directory` written as a
// PDF file (default <directory>/liste.pdf). Returns the file and the number of
// films printed. Needs a Qt GUI application (offscreen is enough).
std::string PrintCatalogueList(const std::string& directory, const std::string& output, int& films);

}  // namespace kvn::app
