#include "export_dialog/qt_sources.h"

#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QTableWidget>
#include <QTreeWidget>

#include "platform/codepage.h"

namespace kvn::exporting {

namespace {

std::string Text(const QString& s) {
  return s.toStdString();
}

}  // namespace

int QtListViewSource::ColumnCount() const {
  return m_view->columnCount();
}
std::string QtListViewSource::ColumnCaption(int column) const {
  return Text(m_view->headerItem()->text(column));
}
int QtListViewSource::ColumnPixelWidth(int column) const {
  return m_view->columnWidth(column);
}
int QtListViewSource::CharPixelWidth() const {
  return QFontMetrics(m_view->font()).horizontalAdvance('X');
}
int QtListViewSource::ItemCount() const {
  return m_view->topLevelItemCount();
}
std::string QtListViewSource::ItemCaption(int item) const {
  return Text(m_view->topLevelItem(item)->text(0));
}
std::string QtListViewSource::SubItem(int item, int subItem) const {
  return Text(m_view->topLevelItem(item)->text(subItem + 1));
}
int QtListViewSource::SelectedIndex() const {
  QTreeWidgetItem* current = m_view->currentItem();
  return current ? m_view->indexOfTopLevelItem(current) : -1;
}
void QtListViewSource::FocusItem(int item) {
  if (item >= 0 && item < ItemCount()) m_view->setCurrentItem(m_view->topLevelItem(item));
}
void QtListViewSource::BeginUpdate() {
  m_view->setUpdatesEnabled(false);
}
void QtListViewSource::EndUpdate() {
  m_view->setUpdatesEnabled(true);
}

int QtStringGridSource::ColCount() const {
  return m_grid->columnCount();
}
int QtStringGridSource::RowCount() const {
  return m_grid->rowCount();
}
std::string QtStringGridSource::Cell(int column, int row) const {
  const QTableWidgetItem* item = m_grid->item(row, column);
  return item ? Text(item->text()) : std::string();
}
int QtStringGridSource::Row() const {
  return std::max(m_grid->currentRow(), m_fixedRows);
}
void QtStringGridSource::SetRow(int row) {
  m_grid->setCurrentCell(row, std::max(m_grid->currentColumn(), 0));
}
int QtStringGridSource::ColPixelWidth(int column) const {
  return m_grid->columnWidth(column);
}
int QtStringGridSource::CharPixelWidth() const {
  return QFontMetrics(m_grid->font()).horizontalAdvance('X');
}

void QtClipboard::SetText(const std::string& utf8) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) throw Error("Impossible d'ouvrir le Presse-papiers");
  clipboard->setText(QString::fromStdString(utf8));
}

}  // namespace kvn::exporting
