// "Importer des films": the file read, its delimiter, quote and encoding
// shown and changeable (for a text), each of its columns beside the
// catalogue field it fills, a preview of the first rows, the rows that will
// be left out with their line and reason, and the films already in the
// catalogue with what to do with them. "Importer" writes everything in one
// transaction, with a progress bar for long files.
#pragma once

#include <QDialog>
#include <memory>

#include "import/film_import.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace kvn::db {
class Database;
}

namespace kvn::app {

class ImportDialog : public QDialog {
 public:
  // Reads the file; throws kvn::Error when it cannot be read.
  ImportDialog(db::Database& database, const std::string& file, QWidget* parent = nullptr);
  ~ImportDialog() override;

  // What the last import did (after Accepted).
  const importing::ImportResult& Result() const { return m_result; }
  const importing::ImportPlan& Plan() const { return m_plan; }

  QComboBox* Delimiter;
  QComboBox* Quote;
  QComboBox* Encoding;
  QTableWidget* Mapping;
  QTableWidget* Preview;
  QListWidget* Problems;
  QCheckBox* SkipProblems;
  QListWidget* Duplicates;
  QButtonGroup* DuplicateChoice;
  QPushButton* ImportButton;
  QLabel* Summary;

  // Runs the import (the "Importer" button).
  void RunImport();

 private:
  void ReadFile();
  void ShowColumns();
  void Check();
  std::vector<int> ChosenMapping() const;

  db::Database& m_database;
  std::string m_file;
  importing::ImportTable m_table;
  importing::ImportPlan m_plan;
  importing::ImportResult m_result;
  bool m_filling = false;
};

}  // namespace kvn::app
