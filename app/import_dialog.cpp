#include "app/import_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/handlers.h"
#include "platform/error.h"
#include "qt_support/prompts.h"

namespace kvn::app {

namespace {

constexpr int kPreviewRows = 20;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

struct Choice {
  const char* label;
  char value;
};
const Choice kDelimiters[] = {{"Point-virgule ( ; )", ';'},
                              {"Virgule ( , )", ','},
                              {"Tabulation", '\t'},
                              {"Barre ( | )", '|'}};
const Choice kQuotes[] = {{"Guillemets ( \" )", '"'}, {"Apostrophes ( ' )", '\''}, {"Aucun", 0}};
const char* const kEncodings[] = {"UTF-8", "Windows-1252", "ISO-8859-15", "UTF-16LE", "UTF-16BE"};

}  // namespace

ImportDialog::ImportDialog(db::Database& database, const std::string& file, QWidget* parent)
    : QDialog(parent), m_database(database), m_file(file) {
  setObjectName("ImportDialog");
  setWindowTitle(QStringLiteral("Importer des films"));
  resize(900, 680);
  auto* layout = new QVBoxLayout(this);

  auto* heading = new QLabel(this);
  heading->setObjectName("Fichier");
  layout->addWidget(heading);

  // How a text is read: shown, and changed by the user when the guess is wrong.
  auto* text = new QGroupBox(QStringLiteral("Lecture du texte"), this);
  auto* textRow = new QHBoxLayout(text);
  Delimiter = new QComboBox(text);
  Delimiter->setObjectName("Separateur");
  for (const Choice& c : kDelimiters) Delimiter->addItem(QString::fromUtf8(c.label), int(c.value));
  Quote = new QComboBox(text);
  Quote->setObjectName("Guillemets");
  for (const Choice& c : kQuotes) Quote->addItem(QString::fromUtf8(c.label), int(c.value));
  Encoding = new QComboBox(text);
  Encoding->setObjectName("Encodage");
  Encoding->setEditable(true);
  for (const char* e : kEncodings) Encoding->addItem(QString::fromUtf8(e));
  for (auto [label, box] : {std::pair{"&Séparateur", static_cast<QWidget*>(Delimiter)},
                            std::pair{"&Guillemets", static_cast<QWidget*>(Quote)},
                            std::pair{"&Encodage", static_cast<QWidget*>(Encoding)}}) {
    auto* l = new QLabel(QString::fromUtf8(label), text);
    l->setBuddy(box);
    textRow->addWidget(l);
    textRow->addWidget(box, 1);
  }
  layout->addWidget(text);

  auto* columns = new QGroupBox(QStringLiteral("Colonnes du fichier et champs du catalogue"), this);
  auto* columnsLayout = new QVBoxLayout(columns);
  Mapping = new QTableWidget(0, 3, columns);
  Mapping->setObjectName("Correspondance");
  Mapping->setHorizontalHeaderLabels({QStringLiteral("Colonne du fichier"),
                                      QStringLiteral("Champ du catalogue"),
                                      QStringLiteral("Première valeur")});
  Mapping->horizontalHeader()->setStretchLastSection(true);
  Mapping->verticalHeader()->hide();
  columnsLayout->addWidget(Mapping);
  layout->addWidget(columns, 2);

  auto* preview = new QGroupBox(QStringLiteral("Aperçu des premières lignes"), this);
  auto* previewLayout = new QVBoxLayout(preview);
  Preview = new QTableWidget(preview);
  Preview->setObjectName("Apercu");
  Preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
  previewLayout->addWidget(Preview);
  layout->addWidget(preview, 2);

  auto* checks = new QHBoxLayout;
  auto* problems = new QGroupBox(QStringLiteral("Lignes fautives"), this);
  auto* problemsLayout = new QVBoxLayout(problems);
  Problems = new QListWidget(problems);
  Problems->setObjectName("LignesFautives");
  Problems->setWordWrap(true);
  SkipProblems =
      new QCheckBox(QStringLiteral("Écarter ces &lignes et importer les autres"), problems);
  SkipProblems->setObjectName("EcarterLignes");
  problemsLayout->addWidget(Problems);
  problemsLayout->addWidget(SkipProblems);
  checks->addWidget(problems, 1);
  auto* duplicates = new QGroupBox(QStringLiteral("Films déjà dans le catalogue"), this);
  auto* duplicatesLayout = new QVBoxLayout(duplicates);
  Duplicates = new QListWidget(duplicates);
  Duplicates->setObjectName("Doublons");
  duplicatesLayout->addWidget(Duplicates);
  DuplicateChoice = new QButtonGroup(this);
  auto* choices = new QHBoxLayout;
  const std::pair<const char*, importing::DuplicateChoice> kChoices[] = {
      {"Les laisser de &côté", importing::DuplicateChoice::Skip},
      {"Les &remplacer", importing::DuplicateChoice::Replace},
      {"Garder les &deux", importing::DuplicateChoice::KeepBoth}};
  for (const auto& [label, choice] : kChoices) {
    auto* b = new QRadioButton(QString::fromUtf8(label), duplicates);
    b->setObjectName(QStringLiteral("Doublons%1").arg(static_cast<int>(choice)));
    DuplicateChoice->addButton(b, static_cast<int>(choice));
    choices->addWidget(b);
  }
  DuplicateChoice->button(0)->setChecked(true);
  duplicatesLayout->addLayout(choices);
  checks->addWidget(duplicates, 1);
  layout->addLayout(checks, 1);

  auto* buttons = new QHBoxLayout;
  Summary = new QLabel(this);
  Summary->setObjectName("Bilan");
  buttons->addWidget(Summary, 1);
  ImportButton = new QPushButton(QStringLiteral("&Importer"), this);
  ImportButton->setObjectName("Importer");
  ImportButton->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Annuler"), this);
  cancel->setObjectName("Annuler");
  buttons->addWidget(ImportButton);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);

  // The file as detected; a text's reading shown.
  m_table = importing::ReadImportFile(m_file);
  heading->setText(QStringLiteral("<b>%1</b> — %2")
                       .arg(QFileInfo(Q(m_file)).fileName().toHtmlEscaped(),
                            QString::fromUtf8(importing::FormatName(m_table.format))));
  text->setVisible(m_table.format == importing::SourceFormat::Text);
  if (m_table.format == importing::SourceFormat::Text) {
    m_filling = true;
    Delimiter->setCurrentIndex(std::max(0, Delimiter->findData(int(m_table.text.delimiter))));
    Quote->setCurrentIndex(std::max(0, Quote->findData(int(m_table.text.quote))));
    Encoding->setCurrentText(Q(m_table.text.encoding));
    m_filling = false;
  }
  ShowColumns();

  const auto reread = [this] {
    if (!m_filling) RunHandler(this, [this] { ReadFile(); });
  };
  connect(Delimiter, &QComboBox::currentIndexChanged, this, reread);
  connect(Quote, &QComboBox::currentIndexChanged, this, reread);
  connect(Encoding, &QComboBox::currentTextChanged, this, reread);
  connect(SkipProblems, &QCheckBox::toggled, this, [this] { Check(); });
  connect(ImportButton, &QPushButton::clicked, this,
          [this] { RunHandler(this, [this] { RunImport(); }); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

ImportDialog::~ImportDialog() = default;

void ImportDialog::ReadFile() {
  importing::TextOptions options;
  options.delimiter = static_cast<char>(Delimiter->currentData().toInt());
  options.quote = static_cast<char>(Quote->currentData().toInt());
  options.encoding = Encoding->currentText().trimmed().toStdString();
  try {
    m_table = importing::ReadImportFile(m_file, &options);
  } catch (const Error&) {
    m_table.columns.clear();
    m_table.rows.clear();
    ShowColumns();
    throw;
  }
  ShowColumns();
}

void ImportDialog::ShowColumns() {
  m_filling = true;
  const std::vector<int> mapping = importing::MatchColumns(m_table.columns);
  const auto& fields = importing::TargetFields();
  Mapping->setRowCount(static_cast<int>(m_table.columns.size()));
  for (size_t c = 0; c < m_table.columns.size(); ++c) {
    const int row = static_cast<int>(c);
    auto* name = new QTableWidgetItem(Q(m_table.columns[c]));
    name->setFlags(name->flags() & ~Qt::ItemIsEditable);
    Mapping->setItem(row, 0, name);
    auto* field = new QComboBox(Mapping);
    field->addItem(QStringLiteral("(laisser de côté)"), -1);
    for (size_t f = 0; f < fields.size(); ++f)
      field->addItem(QString::fromUtf8(fields[f].caption), static_cast<int>(f));
    field->setCurrentIndex(mapping[c] + 1);
    connect(field, &QComboBox::currentIndexChanged, this, [this] { Check(); });
    Mapping->setCellWidget(row, 1, field);
    QString first;
    for (const importing::ImportRow& r : m_table.rows)
      if (c < r.cells.size() && !r.cells[c].empty()) {
        first = Q(r.cells[c]).replace('\n', QStringLiteral(" ⏎ "));
        break;
      }
    auto* example = new QTableWidgetItem(first);
    example->setFlags(example->flags() & ~Qt::ItemIsEditable);
    Mapping->setItem(row, 2, example);
  }
  Mapping->resizeColumnsToContents();
  m_filling = false;
  Check();
}

std::vector<int> ImportDialog::ChosenMapping() const {
  std::vector<int> mapping;
  for (int r = 0; r < Mapping->rowCount(); ++r) {
    auto* box = qobject_cast<QComboBox*>(Mapping->cellWidget(r, 1));
    mapping.push_back(box ? box->currentData().toInt() : -1);
  }
  // A field chosen twice is filled by its first column.
  std::vector<bool> used(importing::kTargetCount, false);
  for (int& m : mapping) {
    if (m < 0) continue;
    if (used[static_cast<size_t>(m)])
      m = -1;
    else
      used[static_cast<size_t>(m)] = true;
  }
  return mapping;
}

void ImportDialog::Check() {
  if (m_filling) return;
  const std::vector<int> mapping = ChosenMapping();
  const auto& fields = importing::TargetFields();
  // The preview under the catalogue's names.
  QStringList headers;
  std::vector<size_t> shown;
  for (size_t c = 0; c < mapping.size(); ++c)
    if (mapping[c] >= 0) {
      headers << QString::fromUtf8(fields[static_cast<size_t>(mapping[c])].caption);
      shown.push_back(c);
    }
  Preview->clear();
  Preview->setColumnCount(static_cast<int>(shown.size()));
  Preview->setHorizontalHeaderLabels(headers);
  const int rows = std::min<int>(kPreviewRows, static_cast<int>(m_table.rows.size()));
  Preview->setRowCount(rows);
  QStringList lines;
  for (int r = 0; r < rows; ++r) {
    const importing::ImportRow& row = m_table.rows[static_cast<size_t>(r)];
    lines << QString::number(row.line);
    for (size_t i = 0; i < shown.size(); ++i)
      Preview->setItem(
          r, static_cast<int>(i),
          new QTableWidgetItem(shown[i] < row.cells.size() ? Q(row.cells[shown[i]]) : QString()));
  }
  Preview->setVerticalHeaderLabels(lines);

  Problems->clear();
  Duplicates->clear();
  m_plan = importing::ImportPlan();
  try {
    m_plan = importing::PrepareImport(m_database, m_table, mapping);
  } catch (const Error& e) {
    Summary->setText(QString::fromUtf8(e.what()));
    ImportButton->setEnabled(false);
    return;
  }
  for (const importing::RowProblem& p : m_plan.problems)
    Problems->addItem(QStringLiteral("Ligne %1 : %2").arg(p.line).arg(Q(p.reason)));
  for (const importing::Duplicate& d : m_plan.duplicates)
    Duplicates->addItem(QStringLiteral("Ligne %1 : « %2 » (%3)")
                            .arg(m_plan.films[d.film].line)
                            .arg(Q(d.existingTitle), Q(d.reason)));
  SkipProblems->setEnabled(!m_plan.problems.empty());
  const bool blocked = !m_plan.problems.empty() && !SkipProblems->isChecked();
  ImportButton->setEnabled(!blocked && !m_plan.films.empty());
  auto count = [](size_t n, const char* one, const char* many) {
    return QString::number(n) + ' ' + QString::fromUtf8(n > 1 ? many : one);
  };
  Summary->setText(
      count(m_plan.rows, "ligne", "lignes") + QStringLiteral(" : ") +
      count(m_plan.films.size(), "film à importer", "films à importer") + QStringLiteral(", ") +
      count(m_plan.problems.size(), "ligne fautive", "lignes fautives") + QStringLiteral(", ") +
      count(m_plan.duplicates.size(), "déjà dans le catalogue", "déjà dans le catalogue") + '.');
}

void ImportDialog::RunImport() {
  if (!ImportButton->isEnabled()) return;
  const auto choice = static_cast<importing::DuplicateChoice>(DuplicateChoice->checkedId());
  QProgressDialog progress(QStringLiteral("Import des films…"), QStringLiteral("Arrêter"), 0,
                           static_cast<int>(m_plan.films.size()), this);
  progress.setWindowTitle(QStringLiteral("Importer des films"));
  progress.setMinimumDuration(500);
  progress.setWindowModality(Qt::WindowModal);
  m_result = importing::ApplyImport(m_database, m_plan, choice, [&](size_t done, size_t) {
    progress.setValue(static_cast<int>(done));
    return !progress.wasCanceled();
  });
  progress.setValue(progress.maximum());
  accept();
}

}  // namespace kvn::app
