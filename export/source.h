// The four kinds of export source behind one access object: data sets, list
// views, data grids and string grids. The GUI implements the three control
// interfaces; tests use the in-memory ones. All texts are Windows-1252.
#pragma once

#include <algorithm>
#include <memory>
#include <optional>
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

// What the export loop and the column list ask of a source, one adapter per
// kind (data set, list view, data grid, string grid), chosen once.
class SourceReader {
 public:
  virtual ~SourceReader() = default;
  virtual bool Linked() const = 0;
  virtual bool Active() const { return true; }
  virtual bool Empty() const = 0;
  virtual void First() = 0;
  virtual void Next() = 0;
  // counter: the records read so far.
  virtual bool End(int counter) const = 0;
  virtual void CellInto(int column, int counter, std::string& out) const = 0;
  virtual bool IsNull(int) const { return false; }
  virtual SourceBookmark GetBookmark() const = 0;
  virtual void GotoBookmark(const SourceBookmark& b) = 0;
  virtual void FreeBookmark(SourceBookmark&) {}
  virtual void DisableControls() {}
  virtual void EnableControls() {}
  virtual db::DataSet* ReadDataSet() const { return nullptr; }
  virtual db::Field* FieldOf(int) const { return nullptr; }

  // The columns: how many, the one a name gives (-1: none), whether the
  // column is a candidate when no field is named, and its name, caption
  // (captionRow: a string grid's row of captions, -1 for none) and width in
  // characters.
  virtual int ColumnCount() const = 0;
  virtual int ColumnNamed(const std::string& name, bool onlyVisible) const = 0;
  virtual bool Candidate(int, bool /*allowBlobs*/, bool /*allowMemos*/,
                         bool /*onlyVisible*/) const {
    return true;
  }
  virtual std::string ColumnName(int column) const = 0;
  virtual std::string ColumnCaption(int column, int captionRow) const = 0;
  virtual int ColumnWidth(int column) const = 0;
  // A sample value of the column to guess its type from (sources without
  // fields); nothing when there is none.
  virtual std::optional<std::string> TypeSample(int) const { return std::nullopt; }
  // Whether the columns are fields (their type, size and SQL type are the field's).
  virtual bool HasFields() const { return false; }
};

// Operations of the export loop on whichever source is selected: a handle on
// the adapter of the source's kind, chosen when the access is made.
class SourceAccess {
 public:
  SourceAccess() = default;  // no source: not linked
  SourceAccess(TQExportSource kind, db::DataSet* dataSet, ListViewSource* listView,
               DBGridSource* dbGrid, StringGridSource* stringGrid, int skipRecCount,
               int exportRecCount);

  bool Linked() const { return m_reader && m_reader->Linked(); }
  bool Active() const { return m_reader->Active(); }
  bool Empty() const { return m_reader->Empty(); }
  void First() { m_reader->First(); }
  // Adds 1 to counter first, then moves.
  void Next(int& counter) {
    ++counter;
    m_reader->Next();
  }
  bool End(int counter) const { return m_reader->End(counter); }
  // Raw text of source column `column` at the current record (UTF-8 fields are
  // converted to Windows-1252 here).
  std::string Cell(int column, int counter) const {
    std::string text;
    CellInto(column, counter, text);
    return text;
  }
  // The same into out, reusing its storage.
  void CellInto(int column, int counter, std::string& out) const {
    m_reader->CellInto(column, counter, out);
  }
  bool IsNull(int column) const { return m_reader->IsNull(column); }
  SourceBookmark GetBookmark() const { return m_reader->GetBookmark(); }
  void GotoBookmark(const SourceBookmark& b) { m_reader->GotoBookmark(b); }
  void FreeBookmark(SourceBookmark& b) { m_reader->FreeBookmark(b); }
  void DisableControls() { m_reader->DisableControls(); }
  void EnableControls() { m_reader->EnableControls(); }
  // The data set a data-set or data-grid source reads.
  db::DataSet* ReadDataSet() const { return m_reader ? m_reader->ReadDataSet() : nullptr; }
  // Field of source column i (data set and data grid), nullptr when none.
  db::Field* FieldOf(int column) const { return m_reader ? m_reader->FieldOf(column) : nullptr; }
  // The records to skip and to export (0: all) that the owner named.
  int SkipRecCount() const { return m_skipRecCount; }
  int ExportRecCount() const { return m_exportRecCount; }
  // The source's columns; a default access has none.
  bool HasReader() const { return m_reader != nullptr; }
  const SourceReader& Reader() const { return *m_reader; }

 private:
  std::shared_ptr<SourceReader> m_reader;
  int m_skipRecCount = 0, m_exportRecCount = 0;
};

// The source an owner names by its published properties (an exporter, or a
// workbook sheet, which publishes the same names).
template <class Owner>
SourceAccess SourceOf(const Owner& o) {
  return SourceAccess(o.ExportSource, o.DataSet, o.ListView, o.DBGrid, o.StringGrid, o.SkipRecCount,
                      o.ExportRecCount);
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
