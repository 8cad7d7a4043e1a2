// "Prêts": the films lent now, with their borrower, the day lent, the day
// due and the days late; overdue ones first and in red. Filtered by borrower
// (names complete as typed), a film returned from here, the list printed
// and exported (the export dialog works on this list).
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "catalogue/loans.h"
#include "export_dialog/export_dialog.h"
#include "export_dialog/qt_sources.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace kvn::db {
class Database;
}

namespace kvn::app {

class LoansWindow : public QDialog {
 public:
  LoansWindow(db::Database& database, std::string directory, QWidget* parent = nullptr);

  // Reads the loans again (after a change elsewhere).
  void Reload();
  // Returns the film of the selected loan, after the user confirms.
  void ReturnSelected();
  void ExportList();
  void PrintList();
  // The list as the printed page shows it (HTML).
  QString PrintedHtml() const;

  QLineEdit* Borrower;
  QCheckBox* OverdueOnly;
  QTableWidget* List;  // its first row holds the column titles
  QPushButton* ReturnButton;
  QLabel* Summary;
  // Called after a film is returned, for the main list.
  std::function<void()> OnReturned;
  // The export dialog, on this window's list.
  exporting::TQExportDialog ExportDialog;

 private:
  void Fill();

  db::Database& m_database;
  std::string m_directory;
  std::vector<catalogue::Loan> m_loans;
  std::vector<size_t> m_shown;  // the loans in the list's rows (after the title row)
  exporting::QtStringGridSource m_source{nullptr, 1};
};

// The "Prêts" tab of "Modification": the current loan's due date (set, or
// the loan day plus the period) and the film's loans, the latest first.
class FilmLoansPage : public QWidget {
 public:
  explicit FilmLoansPage(QWidget* parent = nullptr);
  // Shows the film's loans.
  void Load(db::Database& database, int64_t film, int periodDays);
  // The due date chosen for the current loan ("" : the period's).
  std::string ChosenDue() const;

  QCheckBox* HasDue;
  QDateEdit* Due;
  QTableWidget* History;
};

// "12/03/2026" from "2026-03-12".
QString FrenchDate(const std::string& isoDay);

}  // namespace kvn::app
