// The main window: the list of films in title order, the toolbar, the menus and
// the status bar; it owns the catalogue connection, the main table and its data
// source, which the edit and delete windows share.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>

#include "app/data_controls.h"
#include "db/query.h"
#include "db/table.h"
#include "export_dialog/export_dialog.h"
#include "menus/xp_menu.h"

class QGroupBox;
class QLabel;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;

namespace kvn::app {

class DuplicatesWindow;
class LoansWindow;
class StatsWindow;

class TForm1 : public QMainWindow {
 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  db::Database Database1;
  db::Table Tvideo{Database1};
  DataSource DataSourceVideo;
  db::Query Query1{Database1};
  // The export dialog on the catalogue table, with the window's presets.
  exporting::TQExportDialog QExportDialog1;

  // Table preparation: reads kvn.ini, upgrades the table when its level is old,
  // opens it. Run by the constructor; errors are shown and end the preparation.
  void FormCreate();

  // Commands.
  void s_mnuNFicheClick();
  void s_mnuModifierClick();
  void s_mnuSupprimerClick();
  void s_mnuQuitterClick();
  void s_mnuAideClick();
  void s_mnuAproposClick();
  void Rapportdebugs1Click();           // "Signaler un bug"
  void Archiverlabasededonnes1Click();  // "Archiver la base de données"
  // Restores the catalogue from Archive/video.zip after the user confirms; the
  // windows then show the restored films.
  void RestoreCatalogueClick();
  // "Importer des films…": a file chosen, read, checked and imported.
  void ImportFilmsClick();
  // "Annuler l'import": the catalogue before the last import put back.
  void UndoImportClick();
  // Enables "Annuler l'import" when there is an import to undo.
  void UpdateUndoImport();
  // "Prêts…": the window of the current loans (created when first opened).
  void LoansClick();
  LoansWindow* Loans() const { return m_loans.get(); }
  // "Statistiques…": the collection's figures and charts (created when first
  // opened, counted again at each opening).
  void StatsClick();
  StatsWindow* Stats() const { return m_stats.get(); }
  // "Rechercher les doublons": films of the same EAN, or title and year.
  void DuplicatesClick();
  DuplicatesWindow* Duplicates() const { return m_duplicates.get(); }
  // Makes a film the list's current one, the quick filter cleared when it
  // hides the film.
  void GoToFilm(int64_t film);
  // The status bar's notice of overdue films, hidden when there is none.
  void UpdateOverdueNotice();
  QPushButton* OverdueNotice = nullptr;
  // The quick filter above the list: words typed (title, original title,
  // reference, director, actors, borrower; accents, case and order aside) and
  // a choice of films (lent, overdue, not seen, a genre, a support).
  QLineEdit* Filter = nullptr;
  QComboBox* QuickFilter = nullptr;
  void ApplyQuickFilter();
  void s_mnuChercherClick();
  void s_mnuImprimerClick();
  void s_mnuExporterClick();
  void Scanneruneimage1Click();  // "Scanner une jaquette"

  DBGrid* DBGrid1 = nullptr;
  QLabel* StatusBar1 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  // The flat drawing of the menu bar, its menus and the pop-up menu.
  menus::TXPMenu* XPMenu1 = nullptr;
  std::vector<QToolButton*> SpeedButtons;

  // The bug-report link: the address from [APP] BugReportAddress of kvn.ini.
  QUrl BugReportUrl() const;

  static const char* const kUpgradeFromLevel0Text;
  static const char* const kUpgradeFromLevel2Text;
  static const char* const kDefaultBugAddress;

  // The window's size and the list's column widths, kept in kvn.ini.
  // Closes every data set on the catalogue and the connection, runs replace
  // (which puts another file in place of the catalogue), then opens the
  // catalogue again (its structure brought up) in every window; returns
  // replace's text, or throws its error once the windows show the catalogue.
  std::string ReplaceCatalogue(const std::function<std::string()>& replace);
  void RestoreLayout();
  // The header's menu: a check mark per column of the list, shown or hidden.
  QMenu* ColumnsMenu();
  // The list's columns shown at first: the original eight.
  static constexpr int kShownColumns = 8;
  void SaveLayout();
  // A click on a column's header: the list in that column's order (French
  // order for text), reversed by a second click; the current film stays.
  void SortByColumn(int column);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  // The list fills the window, whatever its size.
  void LayOutList();
  void BuildToolbar(QWidget* central);
  // Deleting needs a film: its commands follow the table.
  void UpdateDeleteCommands();
  // Letters typed in the list: the first title (French order) that starts
  // with them becomes the current film.
  void JumpToTitle(const QString& typed);
  // The title column takes the width the others leave (never less than
  // the width the user gave it).
  void FitTitleColumn();
  int m_titleWidth = 280;
  bool m_fitting = false;
  std::vector<std::pair<QToolButton*, QString>> m_statusTexts;
  class CommandFollower;
  std::unique_ptr<CommandFollower> m_commands;
  std::unique_ptr<LoansWindow> m_loans;
  std::unique_ptr<StatsWindow> m_stats;
  std::unique_ptr<DuplicatesWindow> m_duplicates;
};

}  // namespace kvn::app
