#include "export/source.h"

#include <algorithm>

#include "platform/codepage.h"

namespace kvn::exporting {

db::DataSet* SourceAccess::ReadDataSet() const {
  if (kind == TQExportSource::esDataSet) return dataSet;
  if (kind == TQExportSource::esDBGrid && dbGrid) return dbGrid->DataSet();
  return nullptr;
}

bool SourceAccess::Linked() const {
  switch (kind) {
    case TQExportSource::esDataSet:
      return dataSet != nullptr;
    case TQExportSource::esListView:
      return listView != nullptr;
    case TQExportSource::esDBGrid:
      return dbGrid && dbGrid->HasDataSource() && dbGrid->DataSet();
    case TQExportSource::esStringGrid:
      return stringGrid != nullptr;
  }
  return false;
}

bool SourceAccess::Active() const {
  switch (kind) {
    case TQExportSource::esDataSet:
    case TQExportSource::esDBGrid: {
      db::DataSet* ds = ReadDataSet();
      return ds && ds->Active();
    }
    default:
      return true;
  }
}

bool SourceAccess::Empty() const {
  switch (kind) {
    case TQExportSource::esDataSet:
    case TQExportSource::esDBGrid:
      return ReadDataSet()->IsEmpty();
    case TQExportSource::esListView:
      return listView->ItemCount() == 0;
    case TQExportSource::esStringGrid:
      return stringGrid->RowCount() == stringGrid->FixedRows();
  }
  return true;
}

void SourceAccess::First() {
  switch (kind) {
    case TQExportSource::esDataSet:
      dataSet->First();
      break;
    case TQExportSource::esDBGrid: {
      db::DataSet* ds = ReadDataSet();
      if (ds && ds->Active()) ds->First();
      break;
    }
    case TQExportSource::esListView:
      listView->FocusItem(0);
      break;
    case TQExportSource::esStringGrid:
      stringGrid->SetRow(stringGrid->FixedRows());
      break;
  }
}

void SourceAccess::Next(int& counter) {
  ++counter;
  switch (kind) {
    case TQExportSource::esDataSet:
    case TQExportSource::esDBGrid:
      ReadDataSet()->Next();
      break;
    case TQExportSource::esListView:
      break;
    case TQExportSource::esStringGrid:
      if (stringGrid->Row() < stringGrid->RowCount() - 1) stringGrid->SetRow(stringGrid->Row() + 1);
      break;
  }
}

int SourceAccess::Due() const {
  int items = kind == TQExportSource::esListView ? listView->ItemCount()
                                                 : stringGrid->RowCount() - stringGrid->FixedRows();
  int available = items - skipRecCount;
  int due = exportRecCount <= 0 ? available : std::min(exportRecCount, available);
  return std::max(due, 0);
}

bool SourceAccess::End(int counter) const {
  switch (kind) {
    case TQExportSource::esDataSet:
    case TQExportSource::esDBGrid:
      return ReadDataSet()->Eof();
    default:
      return counter == Due();
  }
}

db::Field* SourceAccess::FieldOf(int column) const {
  if (kind == TQExportSource::esDataSet) {
    if (!dataSet || column < 0 || column >= dataSet->FieldCount()) return nullptr;
    return &dataSet->FieldByIndex(column);
  }
  if (kind == TQExportSource::esDBGrid) {
    if (!dbGrid || column < 0 || column >= dbGrid->ColumnCount()) return nullptr;
    return dbGrid->ColumnField(column);
  }
  return nullptr;
}

void SourceAccess::CellInto(int column, int counter, std::string& out) const {
  if (kind == TQExportSource::esDataSet || kind == TQExportSource::esDBGrid) {
    db::Field* f = FieldOf(column);
    if (!f) {
      out.clear();
      return;
    }
    f->GetText(out);
    return;
  }
  out = Cell(column, counter);
}

std::string SourceAccess::Cell(int column, int counter) const {
  switch (kind) {
    case TQExportSource::esDataSet:
    case TQExportSource::esDBGrid: {
      std::string text;
      CellInto(column, counter, text);
      return text;
    }
    case TQExportSource::esListView: {
      int item = skipRecCount + counter;
      if (item < 0 || item >= listView->ItemCount()) return std::string();
      return column == 0 ? listView->ItemCaption(item) : listView->SubItem(item, column - 1);
    }
    case TQExportSource::esStringGrid:
      return stringGrid->Cell(column, stringGrid->Row());
  }
  return std::string();
}

bool SourceAccess::IsNull(int column) const {
  if (kind != TQExportSource::esDataSet && kind != TQExportSource::esDBGrid) return false;
  db::Field* f = FieldOf(column);
  return f && f->IsNull();
}

SourceBookmark SourceAccess::GetBookmark() const {
  SourceBookmark b;
  switch (kind) {
    case TQExportSource::esDataSet:
    case TQExportSource::esDBGrid:
      if (db::DataSet* ds = ReadDataSet()) b.data = ds->GetBookmark();
      break;
    case TQExportSource::esListView:
      b.index = std::max(listView->SelectedIndex(), 0);
      break;
    case TQExportSource::esStringGrid:
      b.index = stringGrid->Row();
      break;
  }
  return b;
}

void SourceAccess::GotoBookmark(const SourceBookmark& b) {
  switch (kind) {
    case TQExportSource::esDataSet:
    case TQExportSource::esDBGrid:
      if (db::DataSet* ds = ReadDataSet(); ds && b.data.valid) ds->GotoBookmark(b.data);
      break;
    case TQExportSource::esListView:
      listView->FocusItem(b.index);
      break;
    case TQExportSource::esStringGrid:
      stringGrid->SetRow(b.index);
      break;
  }
}

void SourceAccess::FreeBookmark(SourceBookmark& b) {
  if (db::DataSet* ds = ReadDataSet()) ds->FreeBookmark(b.data);
}

void SourceAccess::DisableControls() {
  switch (kind) {
    case TQExportSource::esDataSet:
    case TQExportSource::esDBGrid:
      if (db::DataSet* ds = ReadDataSet()) ds->DisableControls();
      break;
    case TQExportSource::esListView:
      listView->BeginUpdate();
      break;
    case TQExportSource::esStringGrid:
      break;
  }
}

void SourceAccess::EnableControls() {
  switch (kind) {
    case TQExportSource::esDataSet:
    case TQExportSource::esDBGrid:
      if (db::DataSet* ds = ReadDataSet()) ds->EnableControls();
      break;
    case TQExportSource::esListView:
      listView->EndUpdate();
      break;
    case TQExportSource::esStringGrid:
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
