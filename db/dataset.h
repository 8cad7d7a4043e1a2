// Datasets: a table or a query with a current row, navigation, bookmarks,
// fields, and the edit states. Observers (the GUI's data sources) follow the
// current row and the data.
//
// States: Inactive → Open → Browse; Edit/Insert hold one pending row that Post
// writes and Cancel drops. Any move, Insert or Refresh first settles a pending
// row: written when a field was set, dropped otherwise.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "db/field.h"
#include "db/row_source.h"
#include "db/value.h"

namespace kvn::db {

enum class DataSetState { Inactive, Browse, Edit, Insert };

class DataSetObserver {
 public:
  virtual ~DataSetObserver() = default;
  // Opened or closed.
  virtual void ActiveChanged() {}
  // Rows read again, written, inserted or deleted: everything shown may change.
  virtual void DataSetChanged() {}
  // The current row moved by distance rows (or to another place).
  virtual void DataSetScrolled(int distance) { (void)distance; }
  // A field of the pending row was set (nullptr: the whole row).
  virtual void RecordChanged(const Field* field) { (void)field; }
  // Entered or left the edit or insert state.
  virtual void EditingChanged() {}
  // Before a pending row is settled: write what the user typed into the fields.
  virtual void UpdateData() {}
};

// A position in a dataset; keeps the row id, so it survives inserts and deletes.
struct Bookmark {
  int64_t key = 0;
  size_t pos = 0;
  bool valid = false;
};

class DataSet {
 public:
  explicit DataSet(Database& database);
  virtual ~DataSet();
  // Told of every data set destroyed, so that what links to one can forget it
  // (the exporters install it).
  static void SetDestroyedListener(std::function<void(const DataSet*)> listener);
  DataSet(const DataSet&) = delete;
  DataSet& operator=(const DataSet&) = delete;

  Database& GetDatabase() { return m_database; }

  void Open();
  void Close();
  bool Active() const { return m_state != DataSetState::Inactive; }
  void SetActive(bool active) { active ? Open() : Close(); }
  DataSetState State() const { return m_state; }

  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Returns the distance actually moved.
  int MoveBy(int distance);
  bool Eof() const { return m_eof; }
  bool Bof() const { return m_bof; }
  bool IsEmpty() const;
  int64_t RecordCount() const;
  // 1-based number of the current row; 0 when empty or inserting.
  int64_t RecNo() const;
  void SetRecNo(int64_t recNo);

  int FieldCount() const { return static_cast<int>(m_fields.size()); }
  Field& FieldByIndex(int index);
  // Throws "Champ '%s' non trouvé" when the name is unknown (any case).
  Field& FieldByName(std::string_view name);
  Field* FindField(std::string_view name);

  // A row of the result without moving to it (grids paint rows this way).
  const Row& RowAt(int64_t pos);
  std::string TextAt(int64_t pos, int fieldIndex);

  void Insert();
  void Edit();
  void Post();
  void Cancel();
  void Delete();
  void Refresh();
  // Within a read transaction of the database: reads the rows again unless they
  // were loaded within this same transaction (see Snapshot).
  void ReadInSnapshot();
  // Settles a pending row: written when modified, dropped otherwise.
  void CheckBrowseMode();
  // Asks the observers to write their typed values into the pending row.
  void UpdateRecord();
  bool Modified() const { return m_modified; }
  bool CanModify() const { return m_canModify; }

  Bookmark GetBookmark() const;
  void GotoBookmark(const Bookmark& bookmark);
  void FreeBookmark(Bookmark& bookmark) { bookmark.valid = false; }
  bool BookmarkValid(const Bookmark& bookmark) const;

  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return m_disableCount > 0; }
  void AddObserver(DataSetObserver* observer);
  void RemoveObserver(DataSetObserver* observer);

  // For Field.
  const Value& CurrentValue(int index);
  void SetPendingValue(int index, Value value);
  void CheckFieldWritable(const Field& field) const;

 protected:
  // Builds the field definitions and the row source; throws on failure.
  virtual void DoOpen(std::vector<FieldDef>& fields, std::unique_ptr<RowSource>& source) = 0;
  virtual void DoClose() {}
  // Writes for editable datasets; the base refuses (read-only).
  virtual int64_t DoInsert(const Row& values, const std::vector<bool>& set);
  virtual void DoUpdate(int64_t key, const Row& values, const std::vector<bool>& set);
  virtual void DoDelete(int64_t key);
  // Where a row written with these values now stands in the order.
  virtual size_t PositionFor(int64_t key, const Row& values);
  // Whether writing these fields may move the row in the order.
  virtual bool MovesRow(const std::vector<bool>& set) const;
  void SetCanModify(bool canModify) { m_canModify = canModify; }
  RowSource* Source() { return m_source.get(); }
  void CheckActive() const;

  template <typename F>
  void Notify(F f) {
    if (m_disableCount > 0) return;
    std::vector<DataSetObserver*> copy = m_observers;
    for (DataSetObserver* o : copy) f(o);
  }

 private:
  bool Editing() const { return m_state == DataSetState::Edit || m_state == DataSetState::Insert; }
  void SetState(DataSetState state);

  Database& m_database;
  DataSetState m_state = DataSetState::Inactive;
  std::vector<std::unique_ptr<Field>> m_fields;
  std::unique_ptr<RowSource> m_source;
  size_t m_pos = 0;
  bool m_bof = true;
  bool m_eof = true;
  Row m_pending;
  std::vector<bool> m_pendingSet;
  bool m_modified = false;
  bool m_canModify = false;
  int m_disableCount = 0;
  uint64_t m_loadedGeneration = 0;  // the read transaction the rows were loaded in
  std::vector<DataSetObserver*> m_observers;
  Row m_emptyRow;
};

// One consistent state of a data set for a walk (export, print): a pending row
// is settled first, then a read transaction begins and the rows are read again
// within it; another program's commit is wholly in the walk or wholly out.
class Snapshot {
 public:
  explicit Snapshot(DataSet& dataSet);
  ~Snapshot();
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;

 private:
  Database& m_database;
};

extern const char kDataSetEmptyMessage[];
extern const char kDataSetClosedMessage[];
extern const char kNotEditingMessage[];
extern const char kReadOnlyMessage[];
extern const char kRecordNotFoundMessage[];

}  // namespace kvn::db
