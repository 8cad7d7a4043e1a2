// The four kinds of export source behind one access object: data sets, list
// views, data grids and string grids. The GUI implements the three control
// interfaces; tests use the in-memory ones. All texts are Windows-1252.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "db/dataset.h"
#include "export/types.h"

namespace kvn::exporting {

// Clears every live exporter's link to a source that is being destroyed.
void NotifySourceDestroyed(const void* source);

class ListViewSource {
 public:
  // Tells every exporter linked to it that it is gone.
  virtual ~ListViewSource();
  virtual int ColumnCount() const = 0;
  virtual std::string ColumnCaption(int column) const = 0;
  virtual int ColumnPixelWidth(int column) const = 0;
  // Width of "X" on the control's drawing surface; 0 when it has none.
  virtual int CharPixelWidth() const { return 0; }
  virtual int ItemCount() const = 0;
  virtual std::string ItemCaption(int item) const = 0;
  virtual std::string SubItem(int item, int subItem) const = 0;
  virtual int SelectedIndex() const = 0;  // -1 when none
  virtual void FocusItem(int item) = 0;
  virtual void BeginUpdate() {}
  virtual void EndUpdate() {}
};

class DBGridSource {
 public:
  virtual ~DBGridSource();
  // The data set of the grid's data source; nullptr without one.
  virtual db::DataSet* DataSet() const = 0;
  virtual bool HasDataSource() const = 0;
  virtual int ColumnCount() const = 0;
  // The grid column's field, nullptr when the column has none.
  virtual db::Field* ColumnField(int column) const = 0;
  virtual std::string ColumnTitle(int column) const = 0;
  virtual int ColumnPixelWidth(int column) const = 0;
  virtual int CharPixelWidth() const = 0;
};

class StringGridSource {
 public:
  virtual ~StringGridSource();
  virtual int ColCount() const = 0;
  virtual int RowCount() const = 0;
  virtual int FixedRows() const = 0;
  virtual std::string Cell(int column, int row) const = 0;
  virtual int Row() const = 0;
  virtual void SetRow(int row) = 0;
  virtual int ColPixelWidth(int column) const = 0;
  virtual int CharPixelWidth() const = 0;
};

struct SourceBookmark {
  db::Bookmark data;
  int index = 0;
};

// Operations of the export loop on whichever source is selected.
struct SourceAccess {
  TQExportSource kind = TQExportSource::esDataSet;
  db::DataSet* dataSet = nullptr;
  ListViewSource* listView = nullptr;
  DBGridSource* dbGrid = nullptr;
  StringGridSource* stringGrid = nullptr;
  int skipRecCount = 0;
  int exportRecCount = 0;

  bool Linked() const;
  bool Active() const;
  bool Empty() const;
  void First();
  // Adds 1 to counter first, then moves.
  void Next(int& counter);
  bool End(int counter) const;
  // Raw text of source column `column` at the current record (UTF-8 fields are
  // converted to Windows-1252 here).
  std::string Cell(int column, int counter) const;
  // The same into out, reusing its storage.
  void CellInto(int column, int counter, std::string& out) const;
  bool IsNull(int column) const;
  SourceBookmark GetBookmark() const;
  void GotoBookmark(const SourceBookmark& b);
  void FreeBookmark(SourceBookmark& b);
  void DisableControls();
  void EnableControls();
  // The data set a data-set or data-grid source reads.
  db::DataSet* ReadDataSet() const;
  // Field of source column i (data set and data grid), nullptr when none.
  db::Field* FieldOf(int column) const;
  int Due() const;
};

// The source an owner names by its published properties (an exporter, or a
// workbook sheet, which publishes the same names).
template <class Owner>
SourceAccess SourceOf(const Owner& o) {
  SourceAccess s;
  s.kind = o.ExportSource;
  s.dataSet = o.DataSet;
  s.listView = o.ListView;
  s.dbGrid = o.DBGrid;
  s.stringGrid = o.StringGrid;
  s.skipRecCount = o.SkipRecCount;
  s.exportRecCount = o.ExportRecCount;
  return s;
}

// A list view has only so many items to skip and export: the owner's counts
// are cut to them.
template <class Owner>
void LimitCountsToListView(Owner& o) {
  if (o.ExportSource != TQExportSource::esListView || !o.ListView) return;
  o.SkipRecCount = std::min(o.SkipRecCount, o.ListView->ItemCount());
  if (o.ExportRecCount > 0) o.ExportRecCount = std::min(o.ExportRecCount, o.ListView->ItemCount());
}

// A walk of a source: while this lives the source's controls are disabled and
// its data set is read in one consistent state (db::Snapshot: another
// program's commit is wholly in the walk or wholly out); both end on every way
// out, and the source is back on the row it stood on (a list keeps its
// current film after an export).
class SourceWalk {
 public:
  explicit SourceWalk(SourceAccess source);
  ~SourceWalk();
  SourceWalk(const SourceWalk&) = delete;
  SourceWalk& operator=(const SourceWalk&) = delete;

 private:
  SourceAccess m_source;
  std::unique_ptr<db::Snapshot> m_snapshot;
  SourceBookmark m_start;
  bool m_marked = false;
};

// In-memory list view and string grid, for tests and for programs without a GUI.
class MemoryListView : public ListViewSource {
 public:
  struct Column {
    std::string caption;
    int pixelWidth = 64;
  };
  std::vector<Column> columns;
  std::vector<std::vector<std::string>> items;  // caption then sub-items
  int selected = -1;
  int focused = -1;
  int updates = 0;

  int ColumnCount() const override { return static_cast<int>(columns.size()); }
  std::string ColumnCaption(int c) const override {
    return columns[static_cast<size_t>(c)].caption;
  }
  int ColumnPixelWidth(int c) const override { return columns[static_cast<size_t>(c)].pixelWidth; }
  int ItemCount() const override { return static_cast<int>(items.size()); }
  std::string ItemCaption(int i) const override { return Text(i, 0); }
  std::string SubItem(int i, int s) const override { return Text(i, s + 1); }
  int SelectedIndex() const override { return selected; }
  void FocusItem(int item) override { focused = item; }
  void BeginUpdate() override { ++updates; }
  void EndUpdate() override { --updates; }

 private:
  std::string Text(int item, int column) const;
};

class MemoryStringGrid : public StringGridSource {
 public:
  std::vector<std::vector<std::string>> rows;  // rows[r][c]
  int fixedRows = 1;
  int row = 1;
  int colPixelWidth = 64;
  int charPixelWidth = 8;

  int ColCount() const override { return rows.empty() ? 0 : static_cast<int>(rows[0].size()); }
  int RowCount() const override { return static_cast<int>(rows.size()); }
  int FixedRows() const override { return fixedRows; }
  std::string Cell(int c, int r) const override;
  int Row() const override { return row; }
  void SetRow(int r) override { row = r; }
  int ColPixelWidth(int) const override { return colPixelWidth; }
  int CharPixelWidth() const override { return charPixelWidth; }
};

}  // namespace kvn::exporting
