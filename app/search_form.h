// "Recherche": finds films by reference, title, genre, medium or loan with one
// of a fixed set of statements, shows them in a read-only grid and prints them.
#pragma once

#include <QString>

#include "app/data_controls.h"
#include "app/forms.h"
#include "db/query.h"
#include "db/table.h"
#include "report/report.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class QLabel;

namespace kvn::app {

// Which statement a combination of criteria runs; None runs nothing.
enum class SearchCase {
  None,
  AllFields,
  AllByReference,
  Reference,
  Title,
  Medium,
  Genre,
  GenreMedium,
  Lent
};

// The first case that matches, tried in order. A criterion is filled when its
// text is not empty; "Prêtés" counts only when no other case matches.
SearchCase ChooseSearchCase(const QString& ref, const QString& titre, const QString& genre,
                            const QString& support, bool lent);
// The statement texts of a case.
const char* SearchStatement(SearchCase c);
const char* PrintStatement(SearchCase c);
// The statement as it runs: titles compared and sorted the French way, and
// the title criterion as words the title contains, in any order, without
// regard to case or accents (":EdTitre1", ":EdTitre2"... one per word).
std::string SearchSql(const char* statement, const QStringList& titleWords);
// The words of a typed title.
QStringList TitleWords(const QString& typed);

class TfrmRecherche : public Form {
 public:
  explicit TfrmRecherche(db::Database& database, QWidget* parent = nullptr);

  // At creation and on each activation: empties the criteria and re-reads Table1.
  void FormCreate() override;
  void SpeedButton1Click();  // "Rechercher"
  void SpeedButton2Click();  // "Imprimer"
  void SpeedButton3Click();  // "Fermer"
  // What the main window's search command does before showing the window.
  void PrepareForShowing();
  void EmptyCriteria();

  db::Query Query1;
  db::Table Table1;
  DataSource DataSource1{&Query1};
  report::DataSetRows Rows{Query1};

  QLineEdit* EdRef;
  QLineEdit* EdTitre;
  QComboBox* CBGenre;
  QComboBox* CBSupport;
  QCheckBox* CheckBox1;
  QPushButton* SpeedButton1;
  QPushButton* SpeedButton2;
  QPushButton* SpeedButton3;
  DBGrid* DBGrid1;
  // How many films the search found ("Aucun film trouvé", "1 film trouvé").
  QLabel* lblResultat;
  // Makes the result under the mouse the main list's current film.
  void ShowInMainList();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Runs the statement with its parameters bound to the boxes of their names.
  void Run(const char* statement);
  SearchCase CurrentCase() const;
};

}  // namespace kvn::app
