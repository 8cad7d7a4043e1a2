#include "app/loans_window.h"

#include <QCheckBox>
#include <QCompleter>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>
#include <QTextDocument>
#include <QVBoxLayout>

#include "app/handlers.h"
#include "platform/error.h"
#include "qt_support/prompts.h"

namespace kvn::app {

namespace {

const char* const kTitles[] = {"Référence", "Titre",       "Emprunteur",
                               "Prêté le",  "À rendre le", "Jours de retard"};

}  // namespace

QString FrenchDate(const std::string& isoDay) {
  if (isoDay.size() != 10) return QString::fromStdString(isoDay);
  return QString::fromStdString(isoDay.substr(8, 2) + "/" + isoDay.substr(5, 2) + "/" +
                                isoDay.substr(0, 4));
}

LoansWindow::LoansWindow(db::Database& database, std::string directory, QWidget* parent)
    : QDialog(parent), m_database(database), m_directory(std::move(directory)) {
  setObjectName("frmPrets");
  setWindowTitle(QStringLiteral("Prêts"));
  resize(820, 480);
  auto* layout = new QVBoxLayout(this);
  auto* filters = new QHBoxLayout;
  auto* label = new QLabel(QStringLiteral("&Emprunteur :"), this);
  Borrower = new QLineEdit(this);
  Borrower->setObjectName("Emprunteur");
  Borrower->setPlaceholderText(QStringLiteral("tous"));
  Borrower->setClearButtonEnabled(true);
  label->setBuddy(Borrower);
  OverdueOnly = new QCheckBox(QStringLiteral("En &retard seulement"), this);
  OverdueOnly->setObjectName("RetardsSeulement");
  filters->addWidget(label);
  filters->addWidget(Borrower, 1);
  filters->addWidget(OverdueOnly);
  layout->addLayout(filters);

  List = new QTableWidget(this);
  List->setObjectName("ListePrets");
  List->setEditTriggers(QAbstractItemView::NoEditTriggers);
  List->setSelectionBehavior(QAbstractItemView::SelectRows);
  List->setSelectionMode(QAbstractItemView::SingleSelection);
  List->horizontalHeader()->hide();
  List->verticalHeader()->hide();
  List->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(List, 1);

  auto* buttons = new QHBoxLayout;
  Summary = new QLabel(this);
  Summary->setObjectName("BilanPrets");
  buttons->addWidget(Summary, 1);
  ReturnButton = new QPushButton(QStringLiteral("&Rendre le film"), this);
  ReturnButton->setObjectName("Rendre");
  auto* print = new QPushButton(QStringLiteral("&Imprimer"), this);
  print->setObjectName("ImprimerPrets");
  auto* exportButton = new QPushButton(QStringLiteral("E&xporter"), this);
  exportButton->setObjectName("ExporterPrets");
  auto* close = new QPushButton(QStringLiteral("Fermer"), this);
  close->setObjectName("FermerPrets");
  for (QPushButton* b : {ReturnButton, print, exportButton, close}) buttons->addWidget(b);
  layout->addLayout(buttons);

  connect(Borrower, &QLineEdit::textChanged, this, [this] { Fill(); });
  connect(OverdueOnly, &QCheckBox::toggled, this, [this] { Fill(); });
  connect(List, &QTableWidget::itemSelectionChanged, this, [this] {
    const int row = List->currentRow();
    ReturnButton->setEnabled(row >= 1 && !List->selectedItems().isEmpty());
  });
  connect(ReturnButton, &QPushButton::clicked, this,
          [this] { RunHandler(this, [this] { ReturnSelected(); }); });
  connect(print, &QPushButton::clicked, this,
          [this] { RunHandler(this, [this] { PrintList(); }); });
  connect(exportButton, &QPushButton::clicked, this,
          [this] { RunHandler(this, [this] { ExportList(); }); });
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  Reload();
}

void LoansWindow::Reload() {
  m_loans = catalogue::CurrentLoans(m_database, catalogue::Today(),
                                    catalogue::LoanPeriodDays(m_directory));
  // Borrowers' names complete as typed, from the names already used.
  QStringList names;
  for (const std::string& n : catalogue::BorrowerNames(m_database))
    names << QString::fromStdString(n);
  auto* completer = new QCompleter(names, Borrower);
  completer->setCaseSensitivity(Qt::CaseInsensitive);
  completer->setFilterMode(Qt::MatchContains);
  Borrower->setCompleter(completer);
  Fill();
}

void LoansWindow::Fill() {
  const QString wanted = Borrower->text().trimmed();
  m_shown.clear();
  for (size_t i = 0; i < m_loans.size(); ++i) {
    const catalogue::Loan& l = m_loans[i];
    if (OverdueOnly->isChecked() && l.daysLate == 0) continue;
    if (!wanted.isEmpty() &&
        !QString::fromStdString(l.borrower).contains(wanted, Qt::CaseInsensitive))
      continue;
    m_shown.push_back(i);
  }
  List->clear();
  List->setColumnCount(static_cast<int>(std::size(kTitles)));
  List->setRowCount(static_cast<int>(m_shown.size()) + 1);
  QFont bold = List->font();
  bold.setBold(true);
  for (int c = 0; c < static_cast<int>(std::size(kTitles)); ++c) {
    auto* title = new QTableWidgetItem(QString::fromUtf8(kTitles[c]));
    title->setFont(bold);
    title->setFlags(Qt::ItemIsEnabled);
    List->setItem(0, c, title);
  }
  int overdue = 0;
  for (size_t r = 0; r < m_shown.size(); ++r) {
    const catalogue::Loan& l = m_loans[m_shown[r]];
    const QString cells[] = {QString::fromStdString(l.reference),
                             QString::fromStdString(l.title),
                             QString::fromStdString(l.borrower),
                             FrenchDate(l.since),
                             FrenchDate(l.due),
                             l.daysLate > 0 ? QString::number(l.daysLate) : QString()};
    for (int c = 0; c < static_cast<int>(std::size(cells)); ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (l.daysLate > 0) item->setForeground(Qt::red);
      if (c == 5) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      List->setItem(static_cast<int>(r) + 1, c, item);
    }
    overdue += l.daysLate > 0;
  }
  List->resizeColumnsToContents();
  ReturnButton->setEnabled(false);
  Summary->setText(QStringLiteral("%1 prêt%2 en cours, %3 en retard")
                       .arg(m_shown.size())
                       .arg(m_shown.size() > 1 ? "s" : "")
                       .arg(overdue));
}

void LoansWindow::ReturnSelected() {
  const int row = List->currentRow();
  if (row < 1 || static_cast<size_t>(row) > m_shown.size()) return;
  const catalogue::Loan& l = m_loans[m_shown[static_cast<size_t>(row) - 1]];
  if (!l.film) return;
  if (!qt::Ui().Confirm(
          this, QStringLiteral("Enregistrer le retour de « %1 », prêté à %2 ?")
                    .arg(QString::fromStdString(l.title), QString::fromStdString(l.borrower))))
    return;
  catalogue::ReturnFilm(m_database, *l.film);
  Reload();
  if (OnReturned) OnReturned();
}

void LoansWindow::ExportList() {
  m_source = exporting::QtStringGridSource(List, 1);
  ExportDialog.ExportSource = exporting::TQExportSource::esStringGrid;
  ExportDialog.StringGrid = &m_source;
  if (ExportDialog.FileName.empty()) ExportDialog.FileName = m_directory + "prets.xls";
  ExportDialog.Execute(this);
}

QString LoansWindow::PrintedHtml() const {
  QString html = QStringLiteral(
                     "<h2>Prêts en cours au %1</h2><table border=\"1\" "
                     "cellspacing=\"0\" cellpadding=\"3\"><tr>")
                     .arg(FrenchDate(catalogue::Today()));
  for (const char* t : kTitles) html += QStringLiteral("<th>%1</th>").arg(QString::fromUtf8(t));
  html += QStringLiteral("</tr>");
  for (size_t r = 0; r < m_shown.size(); ++r) {
    const catalogue::Loan& l = m_loans[m_shown[r]];
    html +=
        l.daysLate > 0 ? QStringLiteral("<tr style=\"color:#c00000\">") : QStringLiteral("<tr>");
    for (int c = 0; c < List->columnCount(); ++c)
      html += QStringLiteral("<td>%1</td>")
                  .arg(List->item(static_cast<int>(r) + 1, c)->text().toHtmlEscaped());
    html += QStringLiteral("</tr>");
  }
  return html + QStringLiteral("</table>");
}

void LoansWindow::PrintList() {
  QPrinter printer(QPrinter::HighResolution);
  QPrintPreviewDialog preview(&printer, this);
  preview.setWindowTitle(QStringLiteral("Aperçu des prêts"));
  const QString html = PrintedHtml();
  connect(&preview, &QPrintPreviewDialog::paintRequested, this, [&html](QPrinter* p) {
    QTextDocument document;
    document.setHtml(html);
    document.print(p);
  });
  preview.exec();
}

FilmLoansPage::FilmLoansPage(QWidget* parent) : QWidget(parent) {
  setObjectName("PretsFilm");
  auto* layout = new QVBoxLayout(this);
  auto* dueRow = new QHBoxLayout;
  HasDue = new QCheckBox(QStringLiteral("À &rendre le"), this);
  HasDue->setObjectName("DateRetourChoisie");
  Due = new QDateEdit(this);
  Due->setObjectName("DateRetour");
  Due->setCalendarPopup(true);
  Due->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
  Due->setEnabled(false);
  dueRow->addWidget(HasDue);
  dueRow->addWidget(Due);
  dueRow->addStretch(1);
  layout->addLayout(dueRow);
  auto* title = new QLabel(QStringLiteral("Prêts de ce film :"), this);
  layout->addWidget(title);
  History = new QTableWidget(0, 4, this);
  History->setObjectName("HistoriquePrets");
  History->setHorizontalHeaderLabels({QStringLiteral("Emprunteur"), QStringLiteral("Prêté le"),
                                      QStringLiteral("À rendre le"), QStringLiteral("Rendu le")});
  History->setEditTriggers(QAbstractItemView::NoEditTriggers);
  History->verticalHeader()->hide();
  History->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(History, 1);
  connect(HasDue, &QCheckBox::toggled, Due, &QWidget::setEnabled);
}

void FilmLoansPage::Load(db::Database& database, int64_t film, int periodDays) {
  std::vector<catalogue::Loan> loans;
  try {
    loans = catalogue::LoanHistory(database, film, periodDays);
  } catch (const Error&) {
    // A catalogue without the loans' table shows none.
  }
  History->setRowCount(static_cast<int>(loans.size()));
  for (size_t r = 0; r < loans.size(); ++r) {
    const catalogue::Loan& l = loans[r];
    const QString cells[] = {
        QString::fromStdString(l.borrower), FrenchDate(l.since), FrenchDate(l.due),
        l.returned.empty() ? QStringLiteral("(en cours)") : FrenchDate(l.returned)};
    for (int c = 0; c < 4; ++c)
      History->setItem(static_cast<int>(r), c, new QTableWidgetItem(cells[c]));
  }
  // The current loan's due date, else the period's from today.
  const bool lent = !loans.empty() && loans.front().returned.empty();
  const std::string due =
      lent ? loans.front().due
           : QDate::fromString(QString::fromStdString(catalogue::Today()), Qt::ISODate)
                 .addDays(periodDays)
                 .toString(Qt::ISODate)
                 .toStdString();
  Due->setDate(QDate::fromString(QString::fromStdString(due), Qt::ISODate));
  HasDue->setChecked(false);
}

std::string FilmLoansPage::ChosenDue() const {
  return HasDue->isChecked() ? Due->date().toString(Qt::ISODate).toStdString() : std::string();
}

}  // namespace kvn::app
