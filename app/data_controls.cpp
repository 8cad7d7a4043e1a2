#include "app/data_controls.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTimer>
#include <algorithm>

#include "app/handlers.h"
#include "platform/codepage.h"
#include "qt_support/prompts.h"

namespace kvn::app {

DataLink::~DataLink() {
  if (m_source) m_source->RemoveLink(this);
}

void DataLink::SetDataSource(DataSource* source) {
  if (m_source == source) return;
  if (m_source) m_source->RemoveLink(this);
  m_source = source;
  if (m_source) m_source->AddLink(this);
  ActiveChanged();
}

db::DataSet* DataLink::DataSet() const {
  return m_source ? m_source->DataSet() : nullptr;
}

bool DataLink::Active() const {
  db::DataSet* ds = DataSet();
  return ds && ds->Active();
}

DataSource::DataSource(db::DataSet* dataSet) {
  SetDataSet(dataSet);
}

DataSource::~DataSource() {
  if (m_dataSet) m_dataSet->RemoveObserver(this);
  for (DataLink* l : std::vector<DataLink*>(m_links)) l->SetDataSource(nullptr);
}

void DataSource::SetDataSet(db::DataSet* dataSet) {
  if (m_dataSet == dataSet) return;
  if (m_dataSet) m_dataSet->RemoveObserver(this);
  m_dataSet = dataSet;
  if (m_dataSet) m_dataSet->AddObserver(this);
  ActiveChanged();
}

void DataSource::AddLink(DataLink* link) {
  if (std::find(m_links.begin(), m_links.end(), link) == m_links.end()) m_links.push_back(link);
}

void DataSource::RemoveLink(DataLink* link) {
  m_links.erase(std::remove(m_links.begin(), m_links.end(), link), m_links.end());
}

void DataSource::ActiveChanged() {
  ForEach([](DataLink* l) { l->ActiveChanged(); });
}
void DataSource::DataSetChanged() {
  ForEach([](DataLink* l) { l->DataSetChanged(); });
}
void DataSource::DataSetScrolled(int d) {
  ForEach([d](DataLink* l) { l->Scrolled(d); });
}
void DataSource::RecordChanged(const db::Field* f) {
  ForEach([f](DataLink* l) { l->RecordChanged(f); });
}
void DataSource::EditingChanged() {
  ForEach([](DataLink* l) { l->EditingChanged(); });
}
void DataSource::UpdateData() {
  ForEach([](DataLink* l) { l->UpdateData(); });
}

FieldLink::FieldLink(std::function<QString()> controlText, std::function<void(const QString&)> show)
    : m_controlText(std::move(controlText)), m_show(std::move(show)) {}

void FieldLink::SetFieldName(const QString& name) {
  m_fieldName = name;
  Reload();
}

db::Field* FieldLink::Field() const {
  if (!Active() || m_fieldName.isEmpty()) return nullptr;
  return DataSet()->FindField(m_fieldName.toStdString());
}

void FieldLink::Reload() {
  if (m_loading) return;
  m_loading = true;
  db::Field* f = Field();
  m_show(f ? QString::fromStdString(f->AsString()) : QString());
  m_loading = false;
  m_modified = false;
}

void FieldLink::RecordChanged(const db::Field* field) {
  // Entering edit mode announces the whole row: a control the user already
  // changed keeps its text.
  if (field == nullptr ? !m_modified : field == Field()) Reload();
}

void FieldLink::UserEdited() {
  if (m_loading) return;
  db::DataSet* ds = DataSet();
  if (!ds || !ds->Active()) return;
  m_modified = true;
  if (ds->State() != db::DataSetState::Edit && ds->State() != db::DataSetState::Insert) {
    QString typed = m_controlText();
    ds->Edit();
    if (m_controlText() != typed) {
      m_loading = true;
      m_show(typed);
      m_loading = false;
    }
    m_modified = true;
  }
}

void FieldLink::WriteField() {
  if (!m_modified) return;
  db::Field* f = Field();
  if (!f) return;
  f->SetText(m_controlText().toStdString());
  m_modified = false;
}

DBEdit::DBEdit(QWidget* parent)
    : BoundControl(
          parent, [this] { return text(); },
          [this](const QString& t) {
            setText(t);
            setCursorPosition(0);
          }) {
  connect(this, &QLineEdit::textEdited, this, [this] {
    // The first key may start an insertion, which reloads the box and puts
    // the typed text back: the cursor stays where the user typed.
    const int cursor = cursorPosition();
    const QString typed = text();
    RunHandler(this, [this] { m_link.UserEdited(); });
    if (text() == typed && cursorPosition() != cursor) setCursorPosition(cursor);
  });
}

void DBEdit::SetText(const QString& t) {
  if (t == text()) return;
  setText(t);
  m_link.Modified();
}

DBMemo::DBMemo(QWidget* parent)
    : BoundControl(
          parent, [this] { return toPlainText(); }, [this](const QString& t) { setPlainText(t); }) {
  setTabChangesFocus(true);
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    if (m_loading) return;
    const QString typed = toPlainText();
    const int cursor = textCursor().position();
    RunHandler(this, [this] { m_link.UserEdited(); });
    if (toPlainText() == typed && textCursor().position() != cursor) {
      QTextCursor c = textCursor();
      c.setPosition(std::min(cursor, static_cast<int>(typed.size())));
      setTextCursor(c);
    }
  });
}

DBSpinBox::DBSpinBox(int minimum, int maximum, QWidget* parent)
    : BoundControl(
          parent, [this] { return FieldText(); },
          [this](const QString& t) {
            bool ok = false;
            const int v = t.trimmed().toInt(&ok);
            setValue(ok ? v : QSpinBox::minimum());
          }) {
  setRange(minimum - 1, maximum);
  setSpecialValueText(QStringLiteral("—"));
  setValue(minimum - 1);
  connect(this, &QSpinBox::valueChanged, this, [this] {
    if (!m_loading) RunHandler(this, [this] { m_link.UserEdited(); });
  });
}

QString DBSpinBox::FieldText() const {
  return value() == minimum() ? QString() : QString::number(value());
}

DBCheckBox::DBCheckBox(const QString& caption, QWidget* parent)
    : BoundControl(
          parent, [this] { return isChecked() ? QStringLiteral("True") : QStringLiteral("False"); },
          [this](const QString& t) { setChecked(t == QLatin1String("True")); }) {
  setText(caption);
  connect(this, &QCheckBox::toggled, this, [this] {
    if (!m_loading) RunHandler(this, [this] { m_link.UserEdited(); });
  });
}

DBComboBox::DBComboBox(QWidget* parent)
    : BoundControl(
          parent, [this] { return currentText(); }, [this](const QString& t) { setEditText(t); }) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  connect(lineEdit(), &QLineEdit::textEdited, this, [this] {
    const int cursor = lineEdit()->cursorPosition();
    const QString typed = lineEdit()->text();
    RunHandler(this, [this] { m_link.UserEdited(); });
    if (lineEdit()->text() == typed && lineEdit()->cursorPosition() != cursor)
      lineEdit()->setCursorPosition(cursor);
  });
  connect(this, &QComboBox::activated, this, [this] {
    if (!m_loading) RunHandler(this, [this] { m_link.UserEdited(); });
  });
}

// "0" is an optional digit, "9" a required one: the first hour digit may be left out.
DurationEdit::DurationEdit(QWidget* parent) : QLineEdit(parent) {
  setInputMask("09:99:99;_");
  setToolTip(Expected());
}

QString DurationEdit::Expected() {
  return QStringLiteral(
      "La durée s'écrit en heures, minutes et secondes : 01:30:00 pour une heure et demie.");
}

QString DurationEdit::Text() const {
  return displayText().replace('_', ' ');
}

void DurationEdit::SetText(const QString& t) {
  setText(t);
}

DataSetModel::DataSetModel(QObject* parent) : QAbstractTableModel(parent) {}

void DataSetModel::SetColumns(std::vector<GridColumn> columns) {
  beginResetModel();
  m_columns = std::move(columns);
  ResolveFields();
  endResetModel();
}

void DataSetModel::ResolveFields() {
  m_fieldIndex.assign(m_columns.size(), -1);
  db::DataSet* ds = DataSet();
  if (!ds || !ds->Active()) return;
  for (size_t i = 0; i < m_columns.size(); ++i) {
    db::Field* f = ds->FindField(m_columns[i].field.toStdString());
    m_fieldIndex[i] = f ? f->Index() : -1;
  }
}

int DataSetModel::FieldIndex(int column) const {
  return column >= 0 && static_cast<size_t>(column) < m_fieldIndex.size()
             ? m_fieldIndex[static_cast<size_t>(column)]
             : -1;
}

int DataSetModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !Active()) return 0;
  return static_cast<int>(std::min<int64_t>(DataSet()->RecordCount(), INT32_MAX));
}

int DataSetModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || !Active()) return {};
  int field = FieldIndex(index.column());
  if (field < 0) return {};
  db::DataSet* ds = DataSet();
  // The current row shows what is being typed into it.
  if (ds->State() == db::DataSetState::Edit && index.row() + 1 == ds->RecNo())
    return QString::fromStdString(ds->FieldByIndex(field).AsString());
  return QString::fromStdString(ds->TextAt(index.row(), field));
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal)
    return section >= 0 && static_cast<size_t>(section) < m_columns.size()
               ? QVariant(m_columns[static_cast<size_t>(section)].title)
               : QVariant();
  if (!Active() || section + 1 != DataSet()->RecNo()) return QString();
  switch (DataSet()->State()) {
    case db::DataSetState::Edit:
      return QStringLiteral("✎");
    case db::DataSetState::Insert:
      return QStringLiteral("*");
    default:
      return QStringLiteral("▶");
  }
}

void DataSetModel::ActiveChanged() {
  DataSetChanged();
}

void DataSetModel::DataSetChanged() {
  beginResetModel();
  ResolveFields();
  endResetModel();
  m_lastCurrent = Active() ? static_cast<int>(DataSet()->RecNo()) - 1 : -1;
  if (onCurrentMoved) onCurrentMoved();
}

void DataSetModel::Scrolled(int) {
  int current = Active() ? static_cast<int>(DataSet()->RecNo()) - 1 : -1;
  if (m_lastCurrent >= 0) emit headerDataChanged(Qt::Vertical, m_lastCurrent, m_lastCurrent);
  if (current >= 0) emit headerDataChanged(Qt::Vertical, current, current);
  m_lastCurrent = current;
  if (onCurrentMoved) onCurrentMoved();
}

void DataSetModel::RecordChanged(const db::Field*) {
  if (m_lastCurrent >= 0 && !m_columns.empty())
    emit dataChanged(index(m_lastCurrent, 0), index(m_lastCurrent, columnCount() - 1));
}

void DataSetModel::EditingChanged() {
  if (m_lastCurrent >= 0) emit headerDataChanged(Qt::Vertical, m_lastCurrent, m_lastCurrent);
}

DBGrid::DBGrid(QWidget* parent) : QTableView(parent), m_model(new DataSetModel(this)) {
  setModel(m_model);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(true);
  setWordWrap(false);
  setTabKeyNavigation(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setMinimumSectionSize(16);
  verticalHeader()->setDefaultSectionSize(18);
  verticalHeader()->setFixedWidth(14);
  verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  m_model->onCurrentMoved = [this] { FollowDataSet(); };
}

void DBGrid::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    // The headers and the rows follow the grid's own font.
    horizontalHeader()->setFont(font());
    verticalHeader()->setFont(font());
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    ApplyWidths();
  }
}

void DBGrid::SetDataSource(DataSource* source) {
  m_model->SetDataSource(source);
  ApplyWidths();
}

void DBGrid::SetColumns(std::vector<GridColumn> columns) {
  m_model->SetColumns(std::move(columns));
  ApplyWidths();
  FollowDataSet();
}

int DBGrid::DefaultWidth(int displayWidth) const {
  return displayWidth * fontMetrics().horizontalAdvance(QLatin1Char('0')) + 4;
}

void DBGrid::ApplyWidths() {
  const auto& cols = m_model->Columns();
  for (size_t i = 0; i < cols.size(); ++i) {
    int width = cols[i].width;
    if (width < 0) {
      int field = m_model->FieldIndex(static_cast<int>(i));
      db::DataSet* ds = m_model->DataSet();
      width = (field >= 0 && ds) ? DefaultWidth(ds->FieldByIndex(field).DisplayWidth()) : 64;
    }
    setColumnWidth(static_cast<int>(i), width);
  }
}

void DBGrid::FollowDataSet() {
  if (m_following) return;
  m_following = true;
  db::DataSet* ds = m_model->DataSet();
  int row = ds && ds->Active() ? static_cast<int>(ds->RecNo()) - 1 : -1;
  if (row >= 0 && row < m_model->rowCount()) {
    QModelIndex idx = m_model->index(row, std::max(0, currentIndex().column()));
    selectionModel()->setCurrentIndex(
        idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(idx);
  } else {
    selectionModel()->clearSelection();
  }
  m_following = false;
}

void DBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (m_following || !current.isValid()) return;
  db::DataSet* ds = m_model->DataSet();
  if (!ds || !ds->Active() || current.row() + 1 == ds->RecNo()) return;
  RunHandler(this, [&] { ds->SetRecNo(current.row() + 1); });
  // Back on the dataset's row when the move failed.
  QTimer::singleShot(0, this, [this] { FollowDataSet(); });
}

void DBGrid::keyboardSearch(const QString& search) {
  if (!OnTypedSearch) {
    QTableView::keyboardSearch(search);
    return;
  }
  // An empty search starts the next one afresh.
  if (search.isEmpty()) {
    m_typed.clear();
    return;
  }
  // Letters typed within the desktop's key interval make one search.
  if (!m_typedAt.isValid() || m_typedAt.elapsed() > QApplication::keyboardInputInterval())
    m_typed.clear();
  m_typed += search;
  m_typedAt.start();
  RunHandler(this, [this] { OnTypedSearch(m_typed); });
}

void DBGrid::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier)) {
    db::DataSet* ds = m_model->DataSet();
    if (ds && ds->Active() && !ds->IsEmpty() && ds->CanModify()) {
      RunHandler(this, [&] {
        if (qt::Ui().Confirm(window(), QStringLiteral("Supprimer l'enregistrement ?")))
          ds->Delete();
      });
    }
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

// ----------------------------------------------------------------- export source

db::DataSet* DBGridExportSource::DataSet() const {
  return m_grid->Model().DataSet();
}
bool DBGridExportSource::HasDataSource() const {
  return m_grid->Model().GetDataSource() != nullptr;
}
// The grid's columns as the user sees them: hidden ones are left out.
int DBGridExportSource::Shown(int column) const {
  for (int c = 0, n = 0; c < static_cast<int>(m_grid->Model().Columns().size()); ++c)
    if (!m_grid->isColumnHidden(c) && n++ == column) return c;
  return -1;
}
int DBGridExportSource::ColumnCount() const {
  int n = 0;
  for (int c = 0; c < static_cast<int>(m_grid->Model().Columns().size()); ++c)
    n += !m_grid->isColumnHidden(c);
  return n;
}
db::Field* DBGridExportSource::ColumnField(int column) const {
  db::DataSet* ds = DataSet();
  const int field = m_grid->Model().FieldIndex(Shown(column));
  return ds && field >= 0 ? &ds->FieldByIndex(field) : nullptr;
}
std::string DBGridExportSource::ColumnTitle(int column) const {
  return m_grid->Model().Columns()[static_cast<size_t>(Shown(column))].title.toStdString();
}
int DBGridExportSource::ColumnPixelWidth(int column) const {
  return m_grid->columnWidth(Shown(column));
}
int DBGridExportSource::CharPixelWidth() const {
  return m_grid->fontMetrics().horizontalAdvance(QLatin1Char('X'));
}

}  // namespace kvn::app
