// The export sources on Qt widgets: a list view (QTreeWidget: the first
// column is the item's caption, the others its sub-items) and a string grid
// (QTableWidget, its first rows fixed); and the clipboard.
#pragma once

#include "export/exporter.h"
#include "export/source.h"

class QTableWidget;
class QTreeWidget;

namespace kvn::exporting {

class QtListViewSource : public ListViewSource {
 public:
  explicit QtListViewSource(QTreeWidget* view) : m_view(view) {}
  int ColumnCount() const override;
  std::string ColumnCaption(int column) const override;
  int ColumnPixelWidth(int column) const override;
  int CharPixelWidth() const override;
  int ItemCount() const override;
  std::string ItemCaption(int item) const override;
  std::string SubItem(int item, int subItem) const override;
  int SelectedIndex() const override;
  void FocusItem(int item) override;
  void BeginUpdate() override;
  void EndUpdate() override;

 private:
  QTreeWidget* m_view;
};

class QtStringGridSource : public StringGridSource {
 public:
  // fixedRows: the rows that hold titles, not data.
  QtStringGridSource(QTableWidget* grid, int fixedRows = 1)
      : m_grid(grid), m_fixedRows(fixedRows) {}
  int ColCount() const override;
  int RowCount() const override;
  int FixedRows() const override { return m_fixedRows; }
  std::string Cell(int column, int row) const override;
  int Row() const override;
  void SetRow(int row) override;
  int ColPixelWidth(int column) const override;
  int CharPixelWidth() const override;

 private:
  QTableWidget* m_grid;
  int m_fixedRows;
};

// The system clipboard's text.
class QtClipboard : public Clipboard {
 public:
  void SetText(const std::string& utf8) override;
};

}  // namespace kvn::exporting
