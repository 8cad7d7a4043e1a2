// The printed lists of films: the list report of the whole catalogue in title
// order and the report of a search's result. Their windows are never shown;
// each only carries its report, previewed from the main and search windows.
#pragma once

#include <QString>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "db/query.h"
#include "db/table.h"
#include "report/report.h"

class QWidget;

namespace kvn::app {

// Headings are printed in navy.
extern const QColor kNavy;

// The list report's bands over any rows holding the catalogue's fields.
// withDetails: a line under each film's columns gives its details (the
// rows' field "Détails").
void BuildListReport(report::Report& report, report::ReportData* rows, bool withDetails = false);
// The search-result report's bands; its data texts are bound by the search window.
void BuildSearchReport(report::Report& report);

// "Impression": the list report on its own query, opened at creation.
// The films as report rows, with one more field "Détails": the film's
// details the list shows besides its original columns ("Année : 1999 ·
// Réalisateur : ..."), empty when none is chosen or filled.
class FilmRows : public report::DataSetRows {
 public:
  using report::DataSetRows::DataSetRows;
  void SetDetails(std::vector<std::pair<QString, QString>> fieldsAndCaptions) {
    m_details = std::move(fieldsAndCaptions);
  }
  bool HasDetails() const { return !m_details.empty(); }
  QString Text(const QString& field) const override;

 private:
  std::vector<std::pair<QString, QString>> m_details;
};

// The film's details the main list shows (kvn.ini, [LISTE] Colonnes), as
// fields and captions, in the table's order.
std::vector<std::pair<QString, QString>> ShownDetails(const std::string& directory);

class TfrmImprimer {
 public:
  explicit TfrmImprimer(db::Database& database);
  TfrmImprimer(const TfrmImprimer&) = delete;
  TfrmImprimer& operator=(const TfrmImprimer&) = delete;

  // Opens the query and the table; errors are thrown. The details printed are
  // those the catalogue's settings say the list shows.
  void FormCreate();
  // Prints these details under each film's columns (none: the original list).
  void ShowDetails(std::vector<std::pair<QString, QString>> fieldsAndCaptions);
  // Re-reads the query, then shows the preview until it is closed.
  void Preview(QWidget* parent);

  db::Database& Database;
  db::Query Query1;
  db::Table Table1;
  FilmRows Rows{Query1};
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
