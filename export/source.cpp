#include "export/source.h"

#include <algorithm>

#include "platform/codepage.h"
#include "platform/conversions.h"
#include "platform/strings.h"

namespace kvn::exporting {

namespace {

// Data sets and data grids: rows are the data set's records, columns fields.
class FieldReader : public SourceReader {
 public:
  bool Active() const override {
    db::DataSet* ds = ReadDataSet();
    return ds && ds->Active();
  }
  bool Empty() const override { return ReadDataSet()->IsEmpty(); }
  void Next() override { ReadDataSet()->Next(); }
  bool End(int) const override { return ReadDataSet()->Eof(); }
  void CellInto(int column, int, std::string& out) const override {
    if (db::Field* f = FieldOf(column))
      f->GetText(out);
    else
      out.clear();
  }
  bool IsNull(int column) const override {
    db::Field* f = FieldOf(column);
    return f && f->IsNull();
  }
  SourceBookmark GetBookmark() const override {
    SourceBookmark b;
    if (db::DataSet* ds = ReadDataSet()) b.data = ds->GetBookmark();
    return b;
  }
  void GotoBookmark(const SourceBookmark& b) override {
    if (db::DataSet* ds = ReadDataSet(); ds && b.data.valid) ds->GotoBookmark(b.data);
  }
  void FreeBookmark(SourceBookmark& b) override {
    if (db::DataSet* ds = ReadDataSet()) ds->FreeBookmark(b.data);
  }
  void DisableControls() override {
    if (db::DataSet* ds = ReadDataSet()) ds->DisableControls();
  }
  void EnableControls() override {
    if (db::DataSet* ds = ReadDataSet()) ds->EnableControls();
  }
  bool Candidate(int column, bool allowBlobs, bool allowMemos, bool onlyVisible) const override {
    db::Field* f = FieldOf(column);
    const bool memo = f && f->DataType() == db::FieldType::Memo;
    return f && (allowBlobs || !f->IsBlob() || (allowMemos && memo)) &&
           (f->Visible() || !onlyVisible);
  }
  std::string ColumnName(int column) const override {
    db::Field* f = FieldOf(column);
    return f ? f->FieldName() : std::string();
  }
  bool HasFields() const override { return true; }
};

class DataSetReader : public FieldReader {
 public:
  explicit DataSetReader(db::DataSet* dataSet) : m_dataSet(dataSet) {}
  bool Linked() const override { return m_dataSet != nullptr; }
  void First() override { m_dataSet->First(); }
  db::DataSet* ReadDataSet() const override { return m_dataSet; }
  db::Field* FieldOf(int column) const override {
    if (!m_dataSet || column < 0 || column >= m_dataSet->FieldCount()) return nullptr;
    return &m_dataSet->FieldByIndex(column);
  }
  int ColumnCount() const override { return m_dataSet ? m_dataSet->FieldCount() : 0; }
  int ColumnNamed(const std::string& name, bool onlyVisible) const override {
    db::Field& f = m_dataSet->FieldByName(name);
    return !onlyVisible || f.Visible() ? f.Index() : -1;
  }
  std::string ColumnCaption(int column, int) const override {
    db::Field* f = FieldOf(column);
    return f ? f->DisplayLabel() : std::string();
  }
  int ColumnWidth(int column) const override {
    db::Field* f = FieldOf(column);
    return f ? f->DisplayWidth() : 0;
  }

 private:
  db::DataSet* m_dataSet;
};

class DBGridReader : public FieldReader {
 public:
  explicit DBGridReader(DBGridSource* grid) : m_grid(grid) {}
  bool Linked() const override { return m_grid && m_grid->HasDataSource() && m_grid->DataSet(); }
  void First() override {
    db::DataSet* ds = ReadDataSet();
    if (ds && ds->Active()) ds->First();
  }
  db::DataSet* ReadDataSet() const override { return m_grid ? m_grid->DataSet() : nullptr; }
  db::Field* FieldOf(int column) const override {
    if (!m_grid || column < 0 || column >= m_grid->ColumnCount()) return nullptr;
    return m_grid->ColumnField(column);
  }
  int ColumnCount() const override { return m_grid ? m_grid->ColumnCount() : 0; }
  int ColumnNamed(const std::string& name, bool onlyVisible) const override {
    int index = -1;
    for (int c = 0; c < m_grid->ColumnCount(); ++c) {
      db::Field* f = m_grid->ColumnField(c);
      if (f && platform::EqualsNoCase(f->FieldName(), name) && (f->Visible() || !onlyVisible))
        index = c;
    }
    return index;
  }
  std::string ColumnCaption(int column, int) const override { return m_grid->ColumnTitle(column); }
  int ColumnWidth(int column) const override {
    return m_grid->ColumnPixelWidth(column) / std::max(1, m_grid->CharPixelWidth());
  }

 private:
  DBGridSource* m_grid;
};

// Sources without fields: as many rows as are due, the skipped ones first.
class CountedReader : public SourceReader {
 public:
  CountedReader(int skipRecCount, int exportRecCount)
      : m_skipRecCount(skipRecCount), m_exportRecCount(exportRecCount) {}
  bool End(int counter) const override { return counter == Due(); }

 protected:
  virtual int Rows() const = 0;
  int Due() const {
    const int available = Rows() - m_skipRecCount;
    const int due = m_exportRecCount <= 0 ? available : std::min(m_exportRecCount, available);
    return std::max(due, 0);
  }
  int m_skipRecCount, m_exportRecCount;
};

class ListViewReader : public CountedReader {
 public:
  ListViewReader(ListViewSource* list, int skipRecCount, int exportRecCount)
      : CountedReader(skipRecCount, exportRecCount), m_list(list) {}
  bool Linked() const override { return m_list != nullptr; }
  bool Empty() const override { return m_list->ItemCount() == 0; }
  void First() override { m_list->FocusItem(0); }
  void Next() override {}
  void CellInto(int column, int counter, std::string& out) const override {
    const int item = m_skipRecCount + counter;
    if (item < 0 || item >= m_list->ItemCount())
      out.clear();
    else
      out = column == 0 ? m_list->ItemCaption(item) : m_list->SubItem(item, column - 1);
  }
  SourceBookmark GetBookmark() const override {
    SourceBookmark b;
    b.index = std::max(m_list->SelectedIndex(), 0);
    return b;
  }
  void GotoBookmark(const SourceBookmark& b) override { m_list->FocusItem(b.index); }
  void DisableControls() override { m_list->BeginUpdate(); }
  void EnableControls() override { m_list->EndUpdate(); }
  int ColumnCount() const override { return m_list ? m_list->ColumnCount() : 0; }
  int ColumnNamed(const std::string& name, bool) const override {
    int index = -1;
    for (int c = 0; c < m_list->ColumnCount(); ++c)
      if (platform::EqualsNoCase(m_list->ColumnCaption(c), name)) index = c;
    return index;
  }
  std::string ColumnName(int column) const override { return m_list->ColumnCaption(column); }
  std::string ColumnCaption(int column, int) const override {
    return m_list->ColumnCaption(column);
  }
  int ColumnWidth(int column) const override {
    const int x = m_list->CharPixelWidth();
    return m_list->ColumnPixelWidth(column) / (x > 0 ? x : 8);
  }
  std::optional<std::string> TypeSample(int column) const override {
    if (m_list->ItemCount() == 0) return std::nullopt;
    return column == 0 ? m_list->ItemCaption(0) : m_list->SubItem(0, column - 1);
  }

 protected:
  int Rows() const override { return m_list->ItemCount(); }

 private:
  ListViewSource* m_list;
};

class StringGridReader : public CountedReader {
 public:
  StringGridReader(StringGridSource* grid, int skipRecCount, int exportRecCount)
      : CountedReader(skipRecCount, exportRecCount), m_grid(grid) {}
  bool Linked() const override { return m_grid != nullptr; }
  bool Empty() const override { return m_grid->RowCount() == m_grid->FixedRows(); }
  void First() override { m_grid->SetRow(m_grid->FixedRows()); }
  void Next() override {
    if (m_grid->Row() < m_grid->RowCount() - 1) m_grid->SetRow(m_grid->Row() + 1);
  }
  void CellInto(int column, int, std::string& out) const override {
    out = m_grid->Cell(column, m_grid->Row());
  }
  SourceBookmark GetBookmark() const override {
    SourceBookmark b;
    b.index = m_grid->Row();
    return b;
  }
  void GotoBookmark(const SourceBookmark& b) override { m_grid->SetRow(b.index); }
  int ColumnCount() const override { return m_grid ? m_grid->ColCount() : 0; }
  // Columns are named by their number.
  int ColumnNamed(const std::string& name, bool) const override {
    const auto v = platform::TryStrToInt(name);
    return v && *v >= 0 && *v < m_grid->ColCount() ? *v : -1;
  }
  std::string ColumnName(int column) const override { return std::to_string(column); }
  std::string ColumnCaption(int column, int captionRow) const override {
    return captionRow < 0 ? "ColNo_" + std::to_string(column) : m_grid->Cell(column, captionRow);
  }
  int ColumnWidth(int column) const override {
    return m_grid->ColPixelWidth(column) / std::max(1, m_grid->CharPixelWidth());
  }
  std::optional<std::string> TypeSample(int column) const override {
    return m_grid->Cell(column, m_grid->Row());
  }

 protected:
  int Rows() const override { return m_grid->RowCount() - m_grid->FixedRows(); }

 private:
  StringGridSource* m_grid;
};

}  // namespace

SourceAccess::SourceAccess(TQExportSource kind, db::DataSet* dataSet, ListViewSource* listView,
                           DBGridSource* dbGrid, StringGridSource* stringGrid, int skipRecCount,
                           int exportRecCount)
    : m_skipRecCount(skipRecCount), m_exportRecCount(exportRecCount) {
  switch (kind) {
    case TQExportSource::esDataSet:
      m_reader = std::make_shared<DataSetReader>(dataSet);
      break;
    case TQExportSource::esListView:
      m_reader = std::make_shared<ListViewReader>(listView, skipRecCount, exportRecCount);
      break;
    case TQExportSource::esDBGrid:
      m_reader = std::make_shared<DBGridReader>(dbGrid);
      break;
    case TQExportSource::esStringGrid:
      m_reader = std::make_shared<StringGridReader>(stringGrid, skipRecCount, exportRecCount);
      break;
  }
}

SourceWalk::SourceWalk(SourceAccess source) : m_source(source) {
  // Controls first: reading the rows again must not repaint a grid.
  m_source.DisableControls();
  try {
    if (db::DataSet* ds = m_source.ReadDataSet(); ds && ds->Active())
      m_snapshot = std::make_unique<db::Snapshot>(*ds);
    if (m_source.Active()) {
      m_start = m_source.GetBookmark();
      m_marked = true;
    }
  } catch (...) {
    m_source.EnableControls();
    throw;
  }
}

SourceWalk::~SourceWalk() {
  if (m_marked) {
    try {
      m_source.GotoBookmark(m_start);
    } catch (...) {
      // The row is gone: the source stays where the walk ended.
    }
    m_source.FreeBookmark(m_start);
  }
  m_snapshot.reset();
  m_source.EnableControls();
}

std::string MemoryListView::Text(int item, int column) const {
  const auto& row = items[static_cast<size_t>(item)];
  return static_cast<size_t>(column) < row.size() ? row[static_cast<size_t>(column)]
                                                  : std::string();
}

std::string MemoryStringGrid::Cell(int c, int r) const {
  if (r < 0 || static_cast<size_t>(r) >= rows.size()) return std::string();
  const auto& row = rows[static_cast<size_t>(r)];
  return c >= 0 && static_cast<size_t>(c) < row.size() ? row[static_cast<size_t>(c)]
                                                       : std::string();
}

ListViewSource::~ListViewSource() {
  NotifySourceDestroyed(this);
}
DBGridSource::~DBGridSource() {
  NotifySourceDestroyed(this);
}
StringGridSource::~StringGridSource() {
  NotifySourceDestroyed(this);
}

}  // namespace kvn::exporting
