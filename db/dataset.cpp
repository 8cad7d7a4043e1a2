#include "db/dataset.h"

#include <algorithm>
#include <cassert>

#include "platform/error.h"
#include "platform/strings.h"

namespace kvn::db {

const char kDataSetEmptyMessage[] =
    "Impossible d'effectuer cette opération sur un ensemble de données vide";
const char kDataSetClosedMessage[] =
    "Impossible d'effectuer cette opération sur un ensemble de données fermé";
const char kNotEditingMessage[] = "L'ensemble de données n'est pas en mode édition ou insertion";
const char kReadOnlyMessage[] = "Impossible de modifier un ensemble de données en lecture seule";
const char kRecordNotFoundMessage[] = "Enregistrement non trouvé";

DataSet::DataSet(Database& database) : m_database(database) {}

namespace {

std::function<void(const DataSet*)>& DestroyedListener() {
  static std::function<void(const DataSet*)> listener;
  return listener;
}

}  // namespace

void DataSet::SetDestroyedListener(std::function<void(const DataSet*)> listener) {
  DestroyedListener() = std::move(listener);
}

DataSet::~DataSet() {
  if (DestroyedListener()) DestroyedListener()(this);
}

void DataSet::CheckActive() const {
  if (!Active()) throw Error(kDataSetClosedMessage);
}

void DataSet::SetState(DataSetState state) {
  bool wasEditing = Editing();
  m_state = state;
  if (wasEditing != Editing()) Notify([](DataSetObserver* o) { o->EditingChanged(); });
}

void DataSet::Open() {
  if (Active()) return;
  std::vector<FieldDef> defs;
  std::unique_ptr<RowSource> source;
  DoOpen(defs, source);
  m_fields.clear();
  for (size_t i = 0; i < defs.size(); ++i)
    m_fields.push_back(std::make_unique<Field>(this, static_cast<int>(i), std::move(defs[i])));
  m_source = std::move(source);
  m_loadedGeneration = m_database.InRead() ? m_database.ReadGeneration() : 0;
  m_emptyRow.assign(m_fields.size(), Value());
  m_pos = 0;
  m_bof = true;
  m_eof = m_source->Count() == 0;
  m_modified = false;
  m_state = DataSetState::Browse;
  Notify([](DataSetObserver* o) { o->ActiveChanged(); });
}

void DataSet::Close() {
  if (!Active()) return;
  m_state = DataSetState::Inactive;
  m_pending.clear();
  m_pendingSet.clear();
  m_modified = false;
  m_source.reset();
  DoClose();
  m_bof = m_eof = true;
  m_pos = 0;
  Notify([](DataSetObserver* o) { o->ActiveChanged(); });
}

bool DataSet::IsEmpty() const {
  CheckActive();
  return m_source->Count() == 0 && m_state != DataSetState::Insert;
}

int64_t DataSet::RecordCount() const {
  CheckActive();
  return static_cast<int64_t>(m_source->Count());
}

int64_t DataSet::RecNo() const {
  if (!Active() || m_state == DataSetState::Insert || m_source->Count() == 0) return 0;
  return static_cast<int64_t>(m_pos) + 1;
}

void DataSet::SetRecNo(int64_t recNo) {
  CheckBrowseMode();
  size_t count = m_source->Count();
  if (count == 0) return;
  int64_t target = std::clamp<int64_t>(recNo - 1, 0, static_cast<int64_t>(count) - 1);
  int distance = static_cast<int>(target - static_cast<int64_t>(m_pos));
  m_pos = static_cast<size_t>(target);
  m_bof = m_eof = false;
  if (distance != 0) Notify([distance](DataSetObserver* o) { o->DataSetScrolled(distance); });
}

void DataSet::First() {
  CheckBrowseMode();
  int distance = -static_cast<int>(m_pos);
  m_pos = 0;
  m_bof = true;
  m_eof = m_source->Count() == 0;
  Notify([distance](DataSetObserver* o) { o->DataSetScrolled(distance); });
}

void DataSet::Last() {
  CheckBrowseMode();
  size_t count = m_source->Count();
  size_t target = count ? count - 1 : 0;
  int distance = static_cast<int>(static_cast<int64_t>(target) - static_cast<int64_t>(m_pos));
  m_pos = target;
  m_eof = true;
  m_bof = count == 0;
  Notify([distance](DataSetObserver* o) { o->DataSetScrolled(distance); });
}

int DataSet::MoveBy(int distance) {
  CheckBrowseMode();
  size_t count = m_source->Count();
  if (count == 0) {
    m_bof = m_eof = true;
    return 0;
  }
  int64_t target = static_cast<int64_t>(m_pos) + distance;
  if (distance > 0) {
    m_bof = false;
    if (target >= static_cast<int64_t>(count)) {
      target = static_cast<int64_t>(count) - 1;
      m_eof = true;
    } else {
      m_eof = false;
    }
  } else if (distance < 0) {
    m_eof = false;
    if (target < 0) {
      target = 0;
      m_bof = true;
    } else {
      m_bof = false;
    }
  }
  int moved = static_cast<int>(target - static_cast<int64_t>(m_pos));
  m_pos = static_cast<size_t>(target);
  if (moved != 0) Notify([moved](DataSetObserver* o) { o->DataSetScrolled(moved); });
  return moved;
}

Field& DataSet::FieldByIndex(int index) {
  assert(index >= 0 && index < FieldCount());
  return *m_fields[static_cast<size_t>(index)];
}

Field* DataSet::FindField(std::string_view name) {
  for (auto& f : m_fields)
    if (platform::EqualsNoCase(f->FieldName(), name)) return f.get();
  return nullptr;
}

Field& DataSet::FieldByName(std::string_view name) {
  Field* f = FindField(name);
  if (!f) throw Error(platform::Subst("Champ '%s' non trouvé", {name}));
  return *f;
}

const Row& DataSet::RowAt(int64_t pos) {
  CheckActive();
  if (pos < 0 || static_cast<size_t>(pos) >= m_source->Count()) return m_emptyRow;
  return m_source->RowAt(static_cast<size_t>(pos));
}

std::string DataSet::TextAt(int64_t pos, int fieldIndex) {
  const Row& row = RowAt(pos);
  return FormatFieldValue(m_fields[static_cast<size_t>(fieldIndex)]->DataType(),
                          row[static_cast<size_t>(fieldIndex)]);
}

const Value& DataSet::CurrentValue(int index) {
  if (Editing()) return m_pending[static_cast<size_t>(index)];
  if (!Active() || m_source->Count() == 0) return m_emptyRow[static_cast<size_t>(index)];
  return m_source->RowAt(m_pos)[static_cast<size_t>(index)];
}

void DataSet::CheckFieldWritable(const Field& field) const {
  if (!Editing()) throw Error(kNotEditingMessage);
  if (field.ReadOnly())
    throw Error(platform::Subst("Le champ '%s' ne peut pas être modifié", {field.FieldName()}));
}

void DataSet::SetPendingValue(int index, Value value) {
  m_pending[static_cast<size_t>(index)] = std::move(value);
  m_pendingSet[static_cast<size_t>(index)] = true;
  m_modified = true;
  const Field* field = m_fields[static_cast<size_t>(index)].get();
  Notify([field](DataSetObserver* o) { o->RecordChanged(field); });
}

void DataSet::UpdateRecord() {
  if (!Editing()) throw Error(kNotEditingMessage);
  Notify([](DataSetObserver* o) { o->UpdateData(); });
}

void DataSet::CheckBrowseMode() {
  CheckActive();
  if (!Editing()) return;
  UpdateRecord();
  if (m_modified)
    Post();
  else
    Cancel();
}

void DataSet::Insert() {
  CheckBrowseMode();
  if (!m_canModify) throw Error(kReadOnlyMessage);
  m_pending.assign(m_fields.size(), Value());
  m_pendingSet.assign(m_fields.size(), false);
  m_modified = false;
  m_bof = m_eof = false;
  SetState(DataSetState::Insert);
  Notify([](DataSetObserver* o) { o->DataSetChanged(); });
}

void DataSet::Edit() {
  CheckActive();
  if (Editing()) return;
  if (m_source->Count() == 0) {
    Insert();
    return;
  }
  if (!m_canModify) throw Error(kReadOnlyMessage);
  m_pending = m_source->RowAt(m_pos);
  m_pendingSet.assign(m_fields.size(), false);
  m_modified = false;
  SetState(DataSetState::Edit);
  Notify([](DataSetObserver* o) { o->RecordChanged(nullptr); });
}

void DataSet::Post() {
  UpdateRecord();
  if (m_state == DataSetState::Insert) {
    int64_t key = DoInsert(m_pending, m_pendingSet);
    size_t pos = PositionFor(key, m_pending);
    m_source->InsertKey(pos, key);
    m_pos = pos;
  } else {
    int64_t key = m_source->KeyAt(m_pos);
    bool any = std::find(m_pendingSet.begin(), m_pendingSet.end(), true) != m_pendingSet.end();
    if (any) {
      DoUpdate(key, m_pending, m_pendingSet);
      if (MovesRow(m_pendingSet)) {
        m_source->EraseKey(m_pos);
        size_t pos = PositionFor(key, m_pending);
        m_source->InsertKey(pos, key);
        m_pos = pos;
      }
      m_source->Invalidate();
    }
  }
  m_pending.clear();
  m_pendingSet.clear();
  m_modified = false;
  m_bof = m_eof = false;
  SetState(DataSetState::Browse);
  Notify([](DataSetObserver* o) { o->DataSetChanged(); });
}

void DataSet::Cancel() {
  CheckActive();
  if (!Editing()) return;
  m_pending.clear();
  m_pendingSet.clear();
  m_modified = false;
  size_t count = m_source->Count();
  if (m_pos >= count) m_pos = count ? count - 1 : 0;
  m_bof = count == 0;
  m_eof = count == 0;
  SetState(DataSetState::Browse);
  Notify([](DataSetObserver* o) { o->DataSetChanged(); });
}

void DataSet::Delete() {
  CheckActive();
  if (m_state == DataSetState::Insert) {
    Cancel();
    return;
  }
  if (m_source->Count() == 0) throw Error(kDataSetEmptyMessage);
  if (!m_canModify) throw Error(kReadOnlyMessage);
  int64_t key = m_source->KeyAt(m_pos);
  DoDelete(key);
  m_source->EraseKey(m_pos);
  size_t count = m_source->Count();
  if (m_pos >= count) m_pos = count ? count - 1 : 0;
  m_pending.clear();
  m_pendingSet.clear();
  m_modified = false;
  m_bof = count == 0;
  m_eof = count == 0;
  SetState(DataSetState::Browse);
  Notify([](DataSetObserver* o) { o->DataSetChanged(); });
}

void DataSet::Refresh() {
  CheckBrowseMode();
  size_t count = m_source->Count();
  bool had = count > 0;
  int64_t key = had ? m_source->KeyAt(m_pos) : 0;
  size_t oldPos = m_pos;
  m_source->Reload();
  m_loadedGeneration = m_database.InRead() ? m_database.ReadGeneration() : 0;
  count = m_source->Count();
  if (had) {
    auto found = m_source->Find(key, oldPos);
    m_pos = found ? *found : std::min(oldPos, count ? count - 1 : 0);
  } else {
    m_pos = 0;
  }
  m_bof = m_eof = count == 0;
  Notify([](DataSetObserver* o) { o->DataSetChanged(); });
}

void DataSet::ReadInSnapshot() {
  if (!Active() || !m_database.InRead()) return;
  if (m_loadedGeneration == m_database.ReadGeneration()) return;
  Refresh();
}

Snapshot::Snapshot(DataSet& dataSet) : m_database(dataSet.GetDatabase()) {
  // A row written inside the read transaction would be committed only with it.
  if (dataSet.Active()) dataSet.CheckBrowseMode();
  m_database.BeginRead();
  try {
    dataSet.ReadInSnapshot();
  } catch (...) {
    m_database.EndRead();
    throw;
  }
}

Snapshot::~Snapshot() {
  m_database.EndRead();
}

Bookmark DataSet::GetBookmark() const {
  Bookmark b;
  if (!Active() || m_source->Count() == 0) return b;
  b.key = m_source->KeyAt(m_pos);
  b.pos = m_pos;
  b.valid = true;
  return b;
}

bool DataSet::BookmarkValid(const Bookmark& bookmark) const {
  return bookmark.valid && Active() && m_source->Find(bookmark.key, bookmark.pos).has_value();
}

void DataSet::GotoBookmark(const Bookmark& bookmark) {
  CheckBrowseMode();
  if (!bookmark.valid) return;
  auto found = m_source->Find(bookmark.key, bookmark.pos);
  if (!found) throw Error(kRecordNotFoundMessage);
  int distance = static_cast<int>(static_cast<int64_t>(*found) - static_cast<int64_t>(m_pos));
  m_pos = *found;
  m_bof = m_eof = false;
  Notify([distance](DataSetObserver* o) { o->DataSetScrolled(distance); });
}

void DataSet::DisableControls() {
  ++m_disableCount;
}

void DataSet::EnableControls() {
  if (m_disableCount == 0) return;
  if (--m_disableCount == 0) Notify([](DataSetObserver* o) { o->DataSetChanged(); });
}

void DataSet::AddObserver(DataSetObserver* observer) {
  if (std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
    m_observers.push_back(observer);
}

void DataSet::RemoveObserver(DataSetObserver* observer) {
  m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer),
                    m_observers.end());
}

int64_t DataSet::DoInsert(const Row&, const std::vector<bool>&) {
  throw Error(kReadOnlyMessage);
}
void DataSet::DoUpdate(int64_t, const Row&, const std::vector<bool>&) {
  throw Error(kReadOnlyMessage);
}
void DataSet::DoDelete(int64_t) {
  throw Error(kReadOnlyMessage);
}
size_t DataSet::PositionFor(int64_t, const Row&) {
  return m_source->Count();
}
bool DataSet::MovesRow(const std::vector<bool>&) const {
  return false;
}

}  // namespace kvn::db
