#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QProxyStyle>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QToolButton>
#include <QUrlQuery>

#include "app/about.h"
#include "app/duplicates_window.h"
#include "app/forms.h"
#include "app/handlers.h"
#include "app/import_dialog.h"
#include "app/list_reports.h"
#include "app/loans_window.h"
#include "app/pictures.h"
#include "app/record_forms.h"
#include "app/scan_form.h"
#include "app/search_form.h"
#include "app/stats_window.h"
#include "catalogue/catalogue_export.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/catalogue_restore.h"
#include "catalogue/database_archiving.h"
#include "catalogue/film_search.h"
#include "catalogue/loans.h"
#include "catalogue/structure_upgrade.h"
#include "db/sqlite.h"
#include "db/title_key.h"
#include "import/film_import.h"
#include "platform/codepage.h"
#include "platform/conversions.h"
#include "platform/file_info.h"
#include "platform/ini_file.h"
#include "qt_support/prompts.h"

namespace kvn::app {

const char* const TForm1::kUpgradeFromLevel0Text =
    "Votre base de données va être modifiée. Mise-à-jour de la version Beta 1.1 vers 1.0 "
    "stable ! Cette modification n'entrainera aucune perte de données. Une fois cette "
    "mise-à-jour réalisé le programme démarrera normalement.";
const char* const TForm1::kUpgradeFromLevel2Text =
    "Votre base de données va être modifiée. Mise-à-jour de la version Beta 1.3 vers 1.0 "
    "stable ! Cette modification n'entrainera aucune perte de données. Une fois cette "
    "mise-à-jour réalisé le programme démarrera normalement.";
const char* const TForm1::kDefaultBugAddress = "bugs@korvane.example";

namespace {

// Tooltips without delay.
class NoHintDelayStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == QStyle::SH_ToolTip_WakeUpDelay || hint == QStyle::SH_ToolTip_FallAsleepDelay)
      return 0;
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};

struct ToolbarButton {
  const char* caption;
  const char* status;
  Pictogram picture;
};

const ToolbarButton kToolbar[] = {
    {"Nouveau", "Nouvelle fiche de film", Pictogram::NewRecord},
    {"Modifier", "Modifier l'enregistrement courant", Pictogram::Edit},
    {"Exporter", "Exportation de la base de données", Pictogram::Export},
    {"Détruire", "Effacer l'enregistrement courant", Pictogram::Delete},
    {"Rechercher", "Effectuer une recherche dans la base de données", Pictogram::Search},
    {"Imprimer", "Imprimer l'ensemble de la base de données", Pictogram::Print},
    {"Quitter", "Quitter l'application", Pictogram::Quit},
};

}  // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), DataSourceVideo(&Tvideo) {
  setObjectName("Form1");
  setWindowTitle(QStringLiteral("Korvane version 1.0"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

  static_cast<exporting::ExportDialogSettings&>(QExportDialog1) =
      catalogue::MainWindowExportSettings(Tvideo, CatalogueDirectory());

  auto* central = new QWidget(this);
  central->resize(794, 490 - 19);
  central->installEventFilter(this);
  setCentralWidget(central);
  BuildToolbar(central);

  GroupBox1 = new QGroupBox(QStringLiteral("Liste des films"), central);
  GroupBox1->setObjectName("GroupBox1");
  GroupBox1->setGeometry(0, 48, 793, 425);
  GroupBox1->setMouseTracking(true);
  GroupBox1->installEventFilter(this);
  QFont caption("Americana BT", 22);
  GroupBox1->setFont(caption);

  Filter = new QLineEdit(GroupBox1);
  Filter->setObjectName("Filtre");
  Filter->setPlaceholderText(QStringLiteral("Filtrer…"));
  Filter->setClearButtonEnabled(true);
  Filter->setToolTip(
      QStringLiteral("Les films dont le titre, le titre original, la référence, le réalisateur, "
                     "les acteurs ou l'emprunteur contiennent ces mots (Échap efface)"));
  Filter->installEventFilter(this);
  QuickFilter = new QComboBox(GroupBox1);
  QuickFilter->setObjectName("FiltreRapide");
  QuickFilter->addItem(QStringLiteral("Tous les films"), QString());
  QuickFilter->addItem(QStringLiteral("Prêtés"), QStringLiteral("pretes"));
  QuickFilter->addItem(QStringLiteral("En retard"), QStringLiteral("retard"));
  QuickFilter->addItem(QStringLiteral("Non vus"), QStringLiteral("nonvus"));
  for (const QString& g : GenreList())
    QuickFilter->addItem(QStringLiteral("Genre : ") + g, QStringLiteral("genre:") + g);
  for (const QString& m : MediumList())
    QuickFilter->addItem(QStringLiteral("Support : ") + m, QStringLiteral("support:") + m);
  // Not the group's large caption font.
  Filter->setFont(QApplication::font());
  QuickFilter->setFont(QApplication::font());
  connect(Filter, &QLineEdit::textChanged, this,
          [this] { RunHandler(this, [this] { ApplyQuickFilter(); }); });
  connect(QuickFilter, &QComboBox::currentIndexChanged, this,
          [this] { RunHandler(this, [this] { ApplyQuickFilter(); }); });
  DBGrid1 = new DBGrid(GroupBox1);
  DBGrid1->setObjectName("DBGrid1");
  DBGrid1->setFont(QFont("MS Sans Serif", 8));
  DBGrid1->setGeometry(8, 32, 777, 385);
  DBGrid1->viewport()->setCursor(Qt::PointingHandCursor);
  DBGrid1->SetDataSource(&DataSourceVideo);
  // The reference column holds a reference such as "DVD-038".
  const int referenceWidth =
      QFontMetrics(DBGrid1->font()).horizontalAdvance(QStringLiteral("DVD-038")) + 14;
  DBGrid1->SetColumns({{"Reference", QStringLiteral("Réf"), referenceWidth},
                       {"Titre", QStringLiteral("Titre"), 280},
                       {"Nb_cd", QStringLiteral("Nb CD"), 38},
                       {"Support", QStringLiteral("Support"), -1},
                       {"Genre", QStringLiteral("Genre"), 98},
                       {"Durée", QStringLiteral("Durée"), 54},
                       {"Nom", QStringLiteral("Nom"), 92},
                       {"Prêté_le", QStringLiteral("Prêté le"), 67},
                       // The film's details, hidden until the user shows them.
                       {"Année", QStringLiteral("Année"), 44},
                       {"Réalisateur", QStringLiteral("Réalisateur"), 120},
                       {"Acteurs", QStringLiteral("Acteurs"), 160},
                       {"Pays", QStringLiteral("Pays"), 80},
                       {"Titre_original", QStringLiteral("Titre original"), 160},
                       {"Résumé", QStringLiteral("Résumé"), 200},
                       {"Note", QStringLiteral("Note"), 36},
                       {"Vu", QStringLiteral("Vu"), 36},
                       {"EAN", QStringLiteral("EAN"), 96}});
  for (int c = kShownColumns; c < DBGrid1->model()->columnCount(); ++c)
    DBGrid1->setColumnHidden(c, true);
  DBGrid1->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(DBGrid1->horizontalHeader(), &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) {
            RunHandler(this, [&] {
              ColumnsMenu()->popup(DBGrid1->horizontalHeader()->viewport()->mapToGlobal(at));
            });
          });
  connect(DBGrid1, &QTableView::doubleClicked, this,
          [this] { RunHandler(this, [this] { s_mnuModifierClick(); }); });

  StatusBar1 = new QLabel(this);
  StatusBar1->setObjectName("StatusBar1");
  statusBar()->setObjectName("StatusBar");
  statusBar()->setFixedHeight(19);
  statusBar()->setSizeGripEnabled(false);
  statusBar()->addWidget(StatusBar1, 1);
  // Overdue films are told here, without a box in the way; a click lists them.
  OverdueNotice = new QPushButton(this);
  OverdueNotice->setObjectName("RetardsPrets");
  OverdueNotice->setFlat(true);
  OverdueNotice->setCursor(Qt::PointingHandCursor);
  OverdueNotice->setStyleSheet(QStringLiteral("color: #c00000; padding: 0 6px;"));
  OverdueNotice->hide();
  statusBar()->addPermanentWidget(OverdueNotice);
  connect(OverdueNotice, &QPushButton::clicked, this,
          [this] { RunHandler(this, [this] { LoansClick(); }); });

  BuildMenus();
  XPMenu1 = new menus::TXPMenu(this);
  XPMenu1->setObjectName("XPMenu1");
  XPMenu1->SetFont({QFont("Tahoma", 8), platform::clMenuText});
  XPMenu1->SetColor(platform::clBtnFace);
  XPMenu1->SetIconBackColor(platform::clBtnFace);
  XPMenu1->SetMenuBarColor(platform::clBtnFace);
  XPMenu1->SetSelectColor(platform::clHighlight);
  XPMenu1->SetSelectBorderColor(platform::clHighlight);
  XPMenu1->SetSelectFontColor(platform::clMenuText);
  XPMenu1->SetDisabledColor(platform::clInactiveCaption);
  XPMenu1->SetSeparatorColor(platform::clBtnFace);
  XPMenu1->SetCheckedColor(platform::clHighlight);
  XPMenu1->SetIconWidth(24);
  XPMenu1->SetDrawSelect(true);
  XPMenu1->SetUseSystemColors(true);
  XPMenu1->SetOverrideOwnerDraw(false);
  XPMenu1->SetGradient(false);
  XPMenu1->SetFlatMenu(false);
  XPMenu1->SetAutoDetect(true);
  XPMenu1->SetActive(true);
  // The window can grow and be maximised; the list grows with it. Its size and
  // the list's column widths are those the user left last time.
  setMinimumSize(794, 490 + menuBar()->sizeHint().height());
  resize(minimumSize());
  RestoreLayout();

  RunHandler(this, [this] { FormCreate(); });
}

// Follows the catalogue table for the commands that need a film.
class TForm1::CommandFollower : public DataLink {
 public:
  explicit CommandFollower(TForm1& window) : m_window(window) {
    SetDataSource(&window.DataSourceVideo);
  }
  ~CommandFollower() override { SetDataSource(nullptr); }
  void ActiveChanged() override { m_window.UpdateDeleteCommands(); }
  void DataSetChanged() override { m_window.UpdateDeleteCommands(); }
  void Scrolled(int) override { m_window.UpdateDeleteCommands(); }

 private:
  TForm1& m_window;
};

TForm1::~TForm1() = default;

void TForm1::UpdateDeleteCommands() {
  const bool films = Tvideo.Active() && !Tvideo.IsEmpty();
  for (const char* name : {"s_mnuSupprimer", "PopupDetruire"})
    if (QAction* a = findChild<QAction*>(name)) a->setEnabled(films);
  if (SpeedButtons.size() > 3) SpeedButtons[3]->setEnabled(films);
}

void TForm1::BuildToolbar(QWidget* central) {
  auto* bar = new QWidget(central);
  bar->setObjectName("ToolBar1");
  bar->setGeometry(0, 0, 794, 49);
  QFont font("Arial", 8);
  int x = 4;
  const char* names[] = {"SpeedButton1", "SpeedButton2", "SpeedButton3", "SpeedButton4",
                         "SpeedButton5", "SpeedButton6", "SpeedButton7"};
  int i = 0;
  for (const ToolbarButton& b : kToolbar) {
    auto* button = new QToolButton(bar);
    button->setObjectName(names[i++]);
    button->setText(QString::fromUtf8(b.caption));
    button->setIcon(QIcon(DrawPictogram(b.picture, 32)));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setFont(font);
    button->setGeometry(x, 5, 104, 39);
    button->setMouseTracking(true);
    button->installEventFilter(this);
    button->setFocusPolicy(Qt::NoFocus);
    m_statusTexts.emplace_back(button, QString::fromUtf8(b.status));
    SpeedButtons.push_back(button);
    x += 104 + 4;
  }
  OnSignal(SpeedButtons[0], &QToolButton::clicked, this, [this] { s_mnuNFicheClick(); });
  OnSignal(SpeedButtons[1], &QToolButton::clicked, this, [this] { s_mnuModifierClick(); });
  OnSignal(SpeedButtons[3], &QToolButton::clicked, this, [this] { s_mnuSupprimerClick(); });
  OnSignal(SpeedButtons[4], &QToolButton::clicked, this, [this] { s_mnuChercherClick(); });
  OnSignal(SpeedButtons[5], &QToolButton::clicked, this, [this] { s_mnuImprimerClick(); });
  OnSignal(SpeedButtons[6], &QToolButton::clicked, this, [this] { s_mnuQuitterClick(); });
  OnSignal(SpeedButtons[2], &QToolButton::clicked, this, [this] { s_mnuExporterClick(); });
}

void TForm1::BuildMenus() {
  auto add = [this](QMenu* menu, const char* name, const QString& text, Pictogram picture,
                    const QKeySequence& shortcut, std::function<void()> handler) {
    QAction* a = menu->addAction(PictogramIcon(picture), text);
    a->setObjectName(name);
    if (!shortcut.isEmpty()) {
      a->setShortcut(shortcut);
      a->setShortcutContext(Qt::WindowShortcut);
    }
    if (handler)
      connect(a, &QAction::triggered, this, [this, handler] { RunHandler(this, handler); });
    else
      a->setEnabled(false);
    addAction(a);
    return a;
  };
  QMenu* file = menuBar()->addMenu(QStringLiteral("Fichier"));
  add(file, "s_mnuNFiche", QStringLiteral("Nouvelle fiche"), Pictogram::NewRecord,
      QKeySequence(Qt::CTRL | Qt::Key_N), [this] { s_mnuNFicheClick(); });
  add(file, "Scanneruneimage1", QStringLiteral("Scanner une jaquette"), Pictogram::Scan, {},
      [this] { Scanneruneimage1Click(); });
  add(file, "s_mnuExporter", QStringLiteral("Exporter"), Pictogram::Export,
      QKeySequence(Qt::CTRL | Qt::Key_E), [this] { s_mnuExporterClick(); });
  add(file, "Archiverlabasededonnes1", QStringLiteral("Archiver la base de données"),
      Pictogram::Archive, {}, [this] { Archiverlabasededonnes1Click(); });
  add(file, "Restaurerlabasededonnees1", QStringLiteral("Restaurer la base de données…"),
      Pictogram::Archive, {}, [this] { RestoreCatalogueClick(); });
  file->addSeparator();
  add(file, "ImporterDesFilms", QStringLiteral("Importer des films…"), Pictogram::Export, {},
      [this] { ImportFilmsClick(); });
  add(file, "AnnulerImport", QStringLiteral("Annuler l'import"), Pictogram::Archive, {},
      [this] { UndoImportClick(); });
  file->addSeparator();
  add(file, "s_mnuImprimer", QStringLiteral("Imprimer"), Pictogram::Print,
      QKeySequence(Qt::CTRL | Qt::Key_P), [this] { s_mnuImprimerClick(); });
  file->addSeparator();
  add(file, "s_mnuQuitter", QStringLiteral("Quitter"), Pictogram::Quit,
      QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { s_mnuQuitterClick(); });
  QMenu* edit = menuBar()->addMenu(QCoreApplication::translate("Korvane", "Edition"));
  add(edit, "s_mnuModifier", QStringLiteral("Modifier"), Pictogram::Edit,
      QKeySequence(Qt::CTRL | Qt::Key_M), [this] { s_mnuModifierClick(); });
  add(edit, "s_mnuSupprimer", QStringLiteral("Supprimer"), Pictogram::Delete,
      QKeySequence(Qt::Key_Delete), [this] { s_mnuSupprimerClick(); });
  QMenu* search = menuBar()->addMenu(QStringLiteral("Rechercher"));
  add(search, "s_mnuChercher", QStringLiteral("Chercher"), Pictogram::Search,
      QKeySequence(Qt::CTRL | Qt::Key_F), [this] { s_mnuChercherClick(); });
  add(search, "s_mnuPrets", QStringLiteral("Prêts…"), Pictogram::Search,
      QKeySequence(Qt::CTRL | Qt::Key_L), [this] { LoansClick(); });
  add(search, "s_mnuFiltrer", QStringLiteral("Filtrer la liste"), Pictogram::Search,
      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), [this] {
        Filter->setFocus(Qt::ShortcutFocusReason);
        Filter->selectAll();
      });
  add(search, "s_mnuDoublons", QStringLiteral("Rechercher les doublons"), Pictogram::Search, {},
      [this] { DuplicatesClick(); });
  add(search, "s_mnuStatistiques", QStringLiteral("Statistiques…"), Pictogram::Search, {},
      [this] { StatsClick(); });
  QMenu* help = menuBar()->addMenu(QStringLiteral("?"));
  add(help, "s_mnuAide", QStringLiteral("Aide"), Pictogram::Help, QKeySequence(Qt::Key_F1),
      [this] { s_mnuAideClick(); });
  add(help, "s_mnuApropos", QCoreApplication::translate("Korvane", "A propos..."), Pictogram::About,
      {}, [this] { s_mnuAproposClick(); });
  add(help, "Rapportdebugs1", QStringLiteral("Signaler un bug"), Pictogram::Bug, {},
      [this] { Rapportdebugs1Click(); });

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName("PopupMenu1");
  QAction* modify = PopupMenu1->addAction(QStringLiteral("Modifier"));
  modify->setObjectName("PopupModifier");
  connect(modify, &QAction::triggered, this,
          [this] { RunHandler(this, [this] { s_mnuModifierClick(); }); });
  QAction* destroy = PopupMenu1->addAction(QStringLiteral("Détruire"));
  destroy->setObjectName("PopupDetruire");
  connect(destroy, &QAction::triggered, this,
          [this] { RunHandler(this, [this] { s_mnuSupprimerClick(); }); });
  DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(DBGrid1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { PopupMenu1->popup(DBGrid1->viewport()->mapToGlobal(pos)); });
  m_commands = std::make_unique<CommandFollower>(*this);
  UpdateDeleteCommands();
  DBGrid1->OnTypedSearch = [this](const QString& typed) { JumpToTitle(typed); };
  DBGrid1->horizontalHeader()->setSectionsClickable(true);
  DBGrid1->horizontalHeader()->setSortIndicatorShown(true);
  DBGrid1->horizontalHeader()->setSortIndicator(1, Qt::AscendingOrder);
  connect(DBGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { RunHandler(this, [this, column] { SortByColumn(column); }); });
  connect(DBGrid1->horizontalHeader(), &QHeaderView::sectionResized, this,
          [this](int column, int, int width) {
            if (m_fitting) return;
            if (column == 1) m_titleWidth = width;
            FitTitleColumn();
          });
}

void TForm1::FormCreate() {
  // 1. The connection and the main table; nothing opened yet.
  Database1.SetDirectory(CatalogueDirectory());
  Tvideo.SetTableName("Video");
  Tvideo.SetIndexName("idTitre");

  // 2. The structure level of the table: the columns of the later levels
  // added (the user is told first), the settings file brought in line, the
  // French title order built once.
  const catalogue::StructureUpgrade plan =
      catalogue::PlanStructureUpgrade(Database1, CatalogueDirectory());
  if (plan.tellUser)
    qt::Ui().Warning(
        this, QString::fromUtf8(plan.fromLevel2 ? kUpgradeFromLevel2Text : kUpgradeFromLevel0Text));
  const catalogue::UpgradeFailures failures =
      catalogue::ApplyStructureUpgrade(Database1, CatalogueDirectory(), plan);

  // 6. Tooltips at once, the list, the table, an empty status bar.
  if (!dynamic_cast<NoHintDelayStyle*>(QApplication::style()))
    QApplication::setStyle(new NoHintDelayStyle);
  DBGrid1->viewport()->update();
  Tvideo.Open();
  StatusBar1->clear();
  UpdateUndoImport();
  UpdateOverdueNotice();
  // The films are listed; then the user learns what could not be written.
  if (failures.settings) std::rethrow_exception(failures.settings);
  if (failures.titles) std::rethrow_exception(failures.titles);
}

void TForm1::s_mnuNFicheClick() {
  TfrmNFiche* f = Forms().frmNFiche;
  f->EditJaquette->clear();
  f->ShowModal();
}

void TForm1::s_mnuModifierClick() {
  TfrmMFiche* f = Forms().frmMFiche;
  f->show();
  f->raise();
  f->activateWindow();
  f->SetFocusOrder();
}

void TForm1::s_mnuSupprimerClick() {
  Forms().frmSFiche->ShowModal();
}

void TForm1::s_mnuQuitterClick() {
  close();
}

void TForm1::s_mnuAideClick() {
  const QString page = QString::fromStdString(HelpPage());
  // Without a browser the user still learns where the help is.
  if (!qt::Ui().OpenUrl(QUrl::fromLocalFile(page)))
    qt::Ui().Warning(
        this,
        QStringLiteral("Aucun navigateur n'a pu afficher l'aide. Ouvrez vous-même la page :\n") +
            page);
}

void TForm1::s_mnuAproposClick() {
  Forms().apropos->ShowModal();
}

void TForm1::Scanneruneimage1Click() {
  Forms().frmSCfiche->ShowModal();
}

QUrl TForm1::BugReportUrl() const {
  platform::IniFile ini(CatalogueDirectory() + "kvn.ini", {.allowProtected = true});
  QString address =
      QString::fromStdString(ini.ReadString("APP", "BugReportAddress", kDefaultBugAddress));
  QUrl url(QStringLiteral("mailto:") + address);
  QUrlQuery query;
  query.addQueryItem(QStringLiteral("subject"), QStringLiteral("Korvane v1.0 : Signaler un bug"));
  url.setQuery(query);
  return url;
}

void TForm1::Rapportdebugs1Click() {
  const QUrl url = BugReportUrl();
  if (!qt::Ui().OpenUrl(url))
    qt::Ui().Warning(
        this,
        QStringLiteral("Aucun programme de courrier n'a pu être ouvert. Écrivez à l'adresse :\n") +
            url.path());
}

namespace {

// The archiver's questions as message boxes.
class ArchiverBoxes : public archive::ArchiverQuestions {
 public:
  explicit ArchiverBoxes(QWidget* parent) : m_parent(parent) {}
  Overwrite ConfirmOverwrite(const std::string& entry, const std::string& source) override {
    const QString text =
        QString::fromStdString("Overwrite file \"" + entry + "\" with \"" + source + "\"");
    switch (qt::Ui().Choose(m_parent, QStringLiteral("Confirmation"), text,
                            {QStringLiteral("Oui"), QStringLiteral("Non"),
                             QStringLiteral("Non à tout"), QStringLiteral("Oui à tout")})) {
      case 0:
        return Overwrite::Yes;
      case 2:
        return Overwrite::NoToAll;
      case 3:
        return Overwrite::YesToAll;
      default:
        return Overwrite::No;
    }
  }
  // A request for a volume: OK or Cancel.
  bool VolumeRequest(const std::string& text) override {
    return qt::Ui().Choose(m_parent, ApplicationTitle(), QString::fromStdString(text),
                           {QStringLiteral("OK"), QStringLiteral("Annuler")}) == 0;
  }
  archive::TZFAction FileFailure(const std::string& message) override {
    switch (qt::Ui().Choose(
        m_parent, ApplicationTitle(), QString::fromStdString(message),
        {QStringLiteral("Abandonner"), QStringLiteral("Réessayer"), QStringLiteral("Ignorer")})) {
      case 1:
        return archive::TZFAction::fxaRetry;
      case 2:
        return archive::TZFAction::fxaIgnore;
      default:
        return archive::TZFAction::fxaAbort;
    }
  }

 private:
  QWidget* m_parent;
};

}  // namespace

void TForm1::s_mnuChercherClick() {
  TfrmRecherche* search = Forms().frmRecherche;
  search->PrepareForShowing();
  search->ShowModal();
}

void TForm1::s_mnuImprimerClick() {
  // The details the list shows are printed under each film's columns.
  std::vector<std::pair<QString, QString>> details;
  const auto& columns = DBGrid1->Model().Columns();
  for (int c = kShownColumns; c < static_cast<int>(columns.size()); ++c)
    if (!DBGrid1->isColumnHidden(c))
      details.emplace_back(columns[static_cast<size_t>(c)].field,
                           columns[static_cast<size_t>(c)].title);
  Forms().frmImprimer->ShowDetails(details);
  Forms().frmImprimer->Preview(this);
}

namespace {

// The exported file is opened by the desktop; printing goes to the printing
// system.
class ProgramShell : public exporting::Shell {
 public:
  void Open(const std::string& path) override {
    if (!qt::Ui().OpenUrl(QUrl::fromLocalFile(QString::fromStdString(path))))
      qt::Ui().Warning(nullptr, QStringLiteral("Aucun programme n'a pu ouvrir le fichier %1.")
                                    .arg(QString::fromStdString(path)));
  }
  void Print(const std::string& path) override { exporting::DefaultShell().Print(path); }
};

}  // namespace

void TForm1::s_mnuExporterClick() {
  static ProgramShell shell;
  QExportDialog1.FileShell = &shell;
  QExportDialog1.OnGetRecordLabel = [this](exporting::TQExport*, std::string& label) {
    label = catalogue::FilmLabel(Tvideo);
  };
  QExportDialog1.FileName = CatalogueDirectory() + "video.xls";
  // The dialog comes back as the user left it (type, file, fields, pages):
  // its options are kept in the user's settings folder; "Outils" saves and
  // loads them elsewhere too.
  const std::string settings = catalogue::UserSettingsDirectory();
  QExportDialog1.SaveLoadButtons = true;
  QExportDialog1.OptionsFileName = settings + "export.cfg";
  QExportDialog1.AutoLoadOptions = platform::FileExists(QExportDialog1.OptionsFileName);
  QExportDialog1.AutoSaveOptions = platform::ForceDirectories(settings);
  QExportDialog1.Execute(this);
}

void TForm1::Archiverlabasededonnes1Click() {
  ArchiverBoxes boxes(this);
  catalogue::ArchivingResult result = catalogue::ArchiveDatabase(CatalogueDirectory(), &boxes);
  qt::Ui().Information(this, QString::fromStdString(catalogue::ArchivingSuccessText(result)));
}

void TForm1::RestoreCatalogueClick() {
  // The user chooses the archive, the catalogue's own first; it is read and
  // checked before the user is asked.
  const auto chosen =
      qt::Ui().OpenFileName(this, QStringLiteral("Archives zip (*.zip)|*.zip|Tous les fichiers|*"),
                            QString::fromStdString(CatalogueDirectory() + "Archive/video.zip"));
  if (!chosen) return;
  // A catalogue of a million films takes seconds to read and check: the
  // window says how far it is.
  auto progress = std::make_unique<QProgressDialog>(QStringLiteral("Lecture de l'archive…"),
                                                    QString(), 0, 1000, this);
  progress->setObjectName("ProgressionRestauration");
  progress->setWindowTitle(QStringLiteral("Restauration du catalogue"));
  progress->setWindowModality(Qt::WindowModal);
  progress->setMinimumDuration(500);
  progress->setAutoReset(false);
  const catalogue::RestoreProgress tell = [&progress](const std::string& step, double done) {
    progress->setLabelText(QString::fromStdString(step));
    progress->setValue(static_cast<int>(done * 1000));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  catalogue::CatalogueRestore restore(CatalogueDirectory(), chosen->toStdString(), -1, tell);
  progress.reset();
  if (!qt::Ui().Confirm(this, QString::fromStdString(restore.ConfirmationText()))) return;

  const std::string text = ReplaceCatalogue([&restore] { return restore.Commit(); });
  qt::Ui().Information(this, QString::fromStdString(text));
}

std::string TForm1::ReplaceCatalogue(const std::function<std::string()>& replace) {
  // Every data set on the catalogue closes (a pending edit is dropped) and the
  // connection with them: the file they read is about to be replaced.
  std::vector<db::DataSet*> sets = {&Tvideo, &Query1};
  const Windows& w = Forms();
  if (w.frmNFiche) sets.push_back(&w.frmNFiche->TNFiche);
  if (w.frmRecherche) {
    sets.push_back(&w.frmRecherche->Query1);
    sets.push_back(&w.frmRecherche->Table1);
  }
  if (w.frmImprimer) {
    sets.push_back(&w.frmImprimer->Query1);
    sets.push_back(&w.frmImprimer->Table1);
  }
  std::vector<db::DataSet*> reopen;
  for (db::DataSet* set : sets) {
    if (!set->Active()) continue;
    set->Cancel();
    set->Close();
    if (set != &Tvideo) reopen.push_back(set);
  }
  Database1.Close();
  std::string text;
  std::exception_ptr failure;
  try {
    text = replace();
  } catch (const Error&) {
    failure = std::current_exception();
  }
  // The catalogue in place, replaced or not, is opened again (its structure
  // brought up to date) and every window shows it.
  FormCreate();
  for (db::DataSet* set : reopen) set->Open();
  UpdateUndoImport();
  if (failure) std::rethrow_exception(failure);
  return text;
}

void TForm1::ImportFilmsClick() {
  const auto chosen = qt::Ui().OpenFileName(
      this,
      QStringLiteral(
          "Listes de films (*.csv *.txt *.xls *.xlsx *.ods *.xml *.gcs *.tc)|*.csv;*.txt;"
          "*.xls;*.xlsx;*.ods;*.xml;*.gcs;*.tc|Tous les fichiers|*"),
      QString::fromStdString(CatalogueDirectory()));
  if (!chosen) return;
  // A film being typed in the list is written first: the import sees it.
  if (Tvideo.Active()) Tvideo.CheckBrowseMode();
  ImportDialog dialog(Database1, chosen->toStdString(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  Tvideo.Refresh();
  UpdateUndoImport();
  qt::Ui().Information(
      this, QStringLiteral("Import terminé : %1\nLe catalogue d'avant l'import est conservé : "
                           "« Annuler l'import » du menu Fichier le remet.")
                .arg(QString::fromStdString(
                    importing::ResultText(dialog.Result(), dialog.Plan().problems.size()))));
}

void TForm1::UndoImportClick() {
  if (!importing::CanUndoImport(CatalogueDirectory())) {
    UpdateUndoImport();
    return;
  }
  if (!qt::Ui().Confirm(this, QStringLiteral("Remettre le catalogue tel qu'il était avant le "
                                             "dernier import ? Les films importés et tout ce "
                                             "qui a été changé depuis seront perdus.")))
    return;
  const std::string directory = CatalogueDirectory();
  const std::string text = ReplaceCatalogue([&directory] {
    const int64_t films = importing::UndoImport(directory);
    return "Import annulé : le catalogue d'avant l'import est remis en place (" +
           std::to_string(films) + " films).";
  });
  qt::Ui().Information(this, QString::fromStdString(text));
}

void TForm1::LoansClick() {
  if (!m_loans) {
    m_loans = std::make_unique<LoansWindow>(Database1, CatalogueDirectory(), this);
    m_loans->OnReturned = [this] {
      Tvideo.Refresh();
      UpdateOverdueNotice();
    };
  } else {
    m_loans->Reload();
  }
  m_loans->show();
  m_loans->raise();
  m_loans->activateWindow();
}

void TForm1::StatsClick() {
  if (!m_stats)
    m_stats = std::make_unique<StatsWindow>(Database1, CatalogueDirectory(), this);
  else
    m_stats->Reload();
  m_stats->show();
  m_stats->raise();
  m_stats->activateWindow();
}

void TForm1::DuplicatesClick() {
  if (!m_duplicates) {
    m_duplicates = std::make_unique<DuplicatesWindow>(Database1, this);
    m_duplicates->OnFilmChosen = [this](int64_t film, bool edit) {
      GoToFilm(film);
      if (edit) s_mnuModifierClick();
    };
  } else {
    m_duplicates->Reload();
  }
  m_duplicates->show();
  m_duplicates->raise();
  m_duplicates->activateWindow();
}

void TForm1::GoToFilm(int64_t film) {
  db::Bookmark mark;
  mark.key = film;
  mark.valid = true;
  if (!Tvideo.BookmarkValid(mark) && !Tvideo.KeyFilter().empty()) {
    const QSignalBlocker quiet(Filter), quietChoice(QuickFilter);
    Filter->clear();
    QuickFilter->setCurrentIndex(0);
    ApplyQuickFilter();
  }
  if (!Tvideo.BookmarkValid(mark)) throw Error("Ce film n'est plus dans le catalogue.");
  Tvideo.GotoBookmark(mark);
}

void TForm1::ApplyQuickFilter() {
  std::vector<std::string> queries, parameters;
  auto parameter = [&parameters](std::string value) {
    parameters.push_back(std::move(value));
    return "?" + std::to_string(parameters.size());
  };
  const std::string words = catalogue::SearchQuery(Filter->text().toStdString());
  if (!words.empty())
    queries.push_back("SELECT rowid FROM video_recherche WHERE video_recherche MATCH " +
                      parameter(words));
  const QString choice = QuickFilter->currentData().toString();
  if (choice == QLatin1String("pretes")) {
    queries.push_back("SELECT \"Index\" FROM video WHERE coalesce(trim(Nom), '') <> ''");
  } else if (choice == QLatin1String("retard")) {
    queries.push_back(
        "SELECT film FROM prets WHERE rendu_le IS NULL AND coalesce(rendre_le, date(prete_le, '+" +
        std::to_string(catalogue::LoanPeriodDays(CatalogueDirectory())) + " days')) < " +
        parameter(catalogue::Today()));
  } else if (choice == QLatin1String("nonvus")) {
    queries.push_back("SELECT \"Index\" FROM video WHERE coalesce(Vu, 0) = 0");
  } else if (choice.startsWith(QLatin1String("genre:"))) {
    queries.push_back("SELECT \"Index\" FROM video WHERE Genre = " +
                      parameter(choice.mid(6).toStdString()));
  } else if (choice.startsWith(QLatin1String("support:"))) {
    queries.push_back("SELECT \"Index\" FROM video WHERE Support = " +
                      parameter(choice.mid(8).toStdString()));
  }
  std::string filter;
  for (const std::string& q : queries) filter += (filter.empty() ? "" : " INTERSECT ") + q;
  if (filter == Tvideo.KeyFilter() && !Tvideo.Active()) return;
  // The current film stays current when the filter keeps it.
  if (Tvideo.Active()) Tvideo.CheckBrowseMode();
  db::Bookmark mark;
  if (Tvideo.Active()) mark = Tvideo.GetBookmark();
  Tvideo.Close();
  Tvideo.SetKeyFilter(filter, parameters);
  try {
    Tvideo.Open();
  } catch (const Error&) {
    // An index that cannot be read: the whole list, and the reason.
    Tvideo.SetKeyFilter({});
    Tvideo.Open();
    throw;
  }
  if (mark.valid && Tvideo.BookmarkValid(mark)) Tvideo.GotoBookmark(mark);
  Tvideo.FreeBookmark(mark);
}

void TForm1::UpdateOverdueNotice() {
  int overdue = 0;
  try {
    if (Tvideo.Active())
      overdue = catalogue::OverdueCount(Database1, catalogue::Today(),
                                        catalogue::LoanPeriodDays(CatalogueDirectory()));
  } catch (const Error&) {
    overdue = 0;  // a catalogue without the loans' table: nothing to tell
  }
  OverdueNotice->setVisible(overdue > 0);
  OverdueNotice->setText(overdue == 1
                             ? QStringLiteral("1 film en retard de retour")
                             : QStringLiteral("%1 films en retard de retour").arg(overdue));
  OverdueNotice->setToolTip(QStringLiteral("Voir les prêts"));
}

void TForm1::UpdateUndoImport() {
  if (QAction* undo = findChild<QAction*>("AnnulerImport"))
    undo->setEnabled(importing::CanUndoImport(CatalogueDirectory()));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  // Escape in the filter clears it.
  if (watched == Filter && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !Filter->text().isEmpty()) {
    Filter->clear();
    return true;
  }
  if (watched == centralWidget() && event->type() == QEvent::Resize) LayOutList();
  if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
    if (watched == GroupBox1) {
      StatusBar1->clear();
    } else {
      for (const auto& [button, text] : m_statusTexts)
        if (button == watched) StatusBar1->setText(text);
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

bool TForm1::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) OtherWindowActivated();
  return QMainWindow::event(event);
}

void TForm1::LayOutList() {
  const QSize area = centralWidget()->size();
  GroupBox1->setGeometry(0, 48, std::max(100, area.width() - 1), std::max(100, area.height() - 46));
  DBGrid1->setGeometry(8, 32, GroupBox1->width() - 16, GroupBox1->height() - 40);
  // The filter sits in the group's title line, on the right.
  const int filterWidth = std::min(260, std::max(120, GroupBox1->width() / 3));
  QuickFilter->setGeometry(GroupBox1->width() - 8 - 150, 5, 150, 24);
  Filter->setGeometry(QuickFilter->x() - 6 - filterWidth, 5, filterWidth, 24);
  FitTitleColumn();
}

void TForm1::FitTitleColumn() {
  if (m_fitting || DBGrid1->model()->columnCount() < 2) return;
  int others = 0;
  for (int c = 0; c < DBGrid1->model()->columnCount(); ++c)
    if (c != 1) others += DBGrid1->columnWidth(c);
  // The viewport as it is without a horizontal scroll bar.
  const int room =
      DBGrid1->width() - 2 * DBGrid1->frameWidth() - DBGrid1->verticalHeader()->width() -
      (DBGrid1->verticalScrollBar()->isVisible() ? DBGrid1->verticalScrollBar()->width() : 0);
  m_fitting = true;
  DBGrid1->setColumnWidth(1, std::max(m_titleWidth, room - others));
  m_fitting = false;
}

void TForm1::SortByColumn(int column) {
  const auto& columns = DBGrid1->Model().Columns();
  if (column < 0 || static_cast<size_t>(column) >= columns.size() || !Tvideo.Active()) return;
  // A film being edited keeps the list as it is.
  if (Tvideo.State() != db::DataSetState::Browse) return;
  const std::string field = columns[static_cast<size_t>(column)].field.toStdString();
  const std::string current = Tvideo.SortField().empty() ? "Titre" : Tvideo.SortField();
  const bool descending = platform::Utf8EqualsNoCase(current, field) && !Tvideo.SortDescending();
  db::Bookmark mark = Tvideo.GetBookmark();
  Tvideo.Close();
  // Titles going up: the title index itself.
  Tvideo.SetSortField(platform::Utf8EqualsNoCase(field, "Titre") && !descending ? "" : field,
                      descending);
  Tvideo.Open();
  if (Tvideo.BookmarkValid(mark)) Tvideo.GotoBookmark(mark);
  Tvideo.FreeBookmark(mark);
  DBGrid1->horizontalHeader()->setSortIndicator(
      column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void TForm1::JumpToTitle(const QString& typed) {
  if (!Tvideo.Active() || typed.trimmed().isEmpty()) return;
  // The first key at or after the typed text's, in the list's title order.
  db::Statement find(
      Database1.Handle(),
      db::HasFrenchTitleKey(Database1.Handle())
          ? "SELECT id, substr(cle, 1, length(?1)) = ?1 FROM video_cle WHERE cle >= ?1 "
            "ORDER BY cle, id LIMIT 1"
          : "SELECT rowid, substr(k, 1, length(?1)) = ?1 FROM (SELECT rowid, " +
                db::TitleSortKeySql("Titre") +
                " AS k FROM video) WHERE k >= ?1 ORDER BY k, rowid LIMIT 1",
      Database1.FilePath());
  const std::string text = db::FoldTitle(typed.toStdString());
  find.BindText(1, text);
  if (!find.Step() || find.ColumnInt(1) == 0) return;
  db::Bookmark mark;
  mark.key = find.ColumnInt(0);
  mark.valid = true;
  if (Tvideo.BookmarkValid(mark)) Tvideo.GotoBookmark(mark);
}

namespace {

constexpr char kWindowSection[] = "FENETRE";
constexpr char kListSection[] = "LISTE";

}  // namespace

QMenu* TForm1::ColumnsMenu() {
  auto* menu = new QMenu(this);
  menu->setObjectName("MenuColonnes");
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const auto& columns = DBGrid1->Model().Columns();
  for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
    QAction* item = menu->addAction(columns[static_cast<size_t>(c)].title);
    item->setCheckable(true);
    item->setChecked(!DBGrid1->isColumnHidden(c));
    // The title stays: it is what the list is ordered and searched by.
    item->setEnabled(c != 1);
    connect(item, &QAction::toggled, this, [this, c](bool shown) {
      DBGrid1->setColumnHidden(c, !shown);
      if (shown && DBGrid1->columnWidth(c) < 8) DBGrid1->resizeColumnToContents(c);
      FitTitleColumn();
    });
  }
  return menu;
}

void TForm1::RestoreLayout() {
  try {
    platform::IniFile ini(CatalogueDirectory() + "kvn.ini", {.allowProtected = true});
    // The columns shown, by field name; the first eight when none was kept.
    const std::string shown = ini.ReadString(kListSection, "Colonnes", "");
    if (!shown.empty()) {
      const auto& columns = DBGrid1->Model().Columns();
      const std::string list = "," + shown + ",";
      for (int c = 0; c < static_cast<int>(columns.size()); ++c)
        DBGrid1->setColumnHidden(
            c, c != 1 && list.find("," + columns[static_cast<size_t>(c)].field.toStdString() +
                                   ",") == std::string::npos);
    }
    const int width = static_cast<int>(ini.ReadInteger(kWindowSection, "Largeur", 0));
    const int height = static_cast<int>(ini.ReadInteger(kWindowSection, "Hauteur", 0));
    if (width > 0 && height > 0)
      resize(std::max(width, minimumWidth()), std::max(height, minimumHeight()));
    if (ini.ReadBool(kWindowSection, "Agrandie", false))
      setWindowState(windowState() | Qt::WindowMaximized);
    for (int c = 0; c < DBGrid1->model()->columnCount(); ++c) {
      const int w =
          static_cast<int>(ini.ReadInteger(kListSection, "Colonne" + std::to_string(c), 0));
      if (w >= 8 && w <= 2000) DBGrid1->setColumnWidth(c, w);
    }
    FitTitleColumn();
  } catch (const Error&) {
    // An unreadable settings file: the window keeps its first layout.
  }
}

void TForm1::SaveLayout() {
  platform::IniFile ini(CatalogueDirectory() + "kvn.ini", {.allowProtected = true});
  ini.BeginUpdate();
  const QRect normal = isMaximized() ? normalGeometry() : geometry();
  ini.WriteInteger(kWindowSection, "Largeur", normal.width());
  ini.WriteInteger(kWindowSection, "Hauteur", normal.height());
  ini.WriteBool(kWindowSection, "Agrandie", isMaximized());
  // The title's own width, not the width it took to fill the window; a
  // hidden column keeps the width it had.
  std::string shown;
  for (int c = 0; c < DBGrid1->model()->columnCount(); ++c) {
    if (DBGrid1->isColumnHidden(c)) continue;
    ini.WriteInteger(kListSection, "Colonne" + std::to_string(c),
                     c == 1 ? m_titleWidth : DBGrid1->columnWidth(c));
    shown += (shown.empty() ? "" : ",") +
             DBGrid1->Model().Columns()[static_cast<size_t>(c)].field.toStdString();
  }
  ini.WriteString(kListSection, "Colonnes", shown);
  ini.EndUpdate();
}

void TForm1::closeEvent(QCloseEvent* event) {
  // A settings file that cannot be written does not keep the program open;
  // the user is told what was not kept.
  try {
    SaveLayout();
  } catch (const Error& e) {
    qt::Ui().Warning(
        this,
        QStringLiteral("La taille de la fenêtre et des colonnes n'a pas pu être enregistrée.\n") +
            QString::fromUtf8(e.what()));
  }
  // Closing the main window ends the program, whatever other window is open.
  QMainWindow::closeEvent(event);
  if (event->isAccepted()) QApplication::quit();
}

}  // namespace kvn::app
