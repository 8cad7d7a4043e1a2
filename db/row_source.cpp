#include "db/row_source.h"

#include <algorithm>

namespace kvn::db {

namespace {
constexpr size_t kCachedPages = 8;
}

void ReadColumnValue(sqlite3_stmt* stmt, int column, Value& v) {
  switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
      v.kind = Value::Kind::Integer;
      v.i = sqlite3_column_int64(stmt, column);
      break;
    case SQLITE_FLOAT:
      v.kind = Value::Kind::Float;
      v.f = sqlite3_column_double(stmt, column);
      break;
    case SQLITE_TEXT: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
      v.kind = Value::Kind::Text;
      v.s.assign(p, static_cast<size_t>(sqlite3_column_bytes(stmt, column)));
      break;
    }
    case SQLITE_BLOB: {
      const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, column));
      int n = sqlite3_column_bytes(stmt, column);
      v.kind = Value::Kind::Blob;
      if (p)
        v.s.assign(p, static_cast<size_t>(n));
      else
        v.s.clear();
      break;
    }
    default: v.kind = Value::Kind::Null; break;
  }
}

Value ColumnValue(sqlite3_stmt* stmt, int column) {
  switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER: return Value::Integer(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT: return Value::Float(sqlite3_column_double(stmt, column));
    case SQLITE_TEXT: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
      return Value::Text(std::string(p, static_cast<size_t>(sqlite3_column_bytes(stmt, column))));
    }
    case SQLITE_BLOB: {
      const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, column));
      int n = sqlite3_column_bytes(stmt, column);
      return Value::Blob(p ? std::string(p, static_cast<size_t>(n)) : std::string());
    }
    default: return Value::Null();
  }
}

std::string KeysetSource::InList() {
  std::string list = "(";
  for (size_t i = 0; i < kPageRows; ++i) list += i ? ",?" : "?";
  return list + ")";
}

KeysetSource::KeysetSource(sqlite3* db, std::string fileName, std::string keySql, Binder binder,
                           std::string fetchSql, int columns, bool sortKeys)
    : m_db(db),
      m_fileName(std::move(fileName)),
      m_keySql(std::move(keySql)),
      m_binder(std::move(binder)),
      m_fetch(db, fetchSql, m_fileName),
      m_columns(columns),
      m_sortKeys(sortKeys) {
  Reload();
}

void KeysetSource::Reload() {
  Invalidate();
  Statement keys(m_db, m_keySql, m_fileName);
  if (m_binder) m_binder(keys);
  Keyset fresh;
  if (m_sortKeys) {
    std::vector<int64_t> ids;
    while (keys.Step()) ids.push_back(keys.ColumnInt(0));
    std::sort(ids.begin(), ids.end());
    for (int64_t id : ids) fresh.Append(id);
  } else {
    while (keys.Step()) fresh.Append(keys.ColumnInt(0));
  }
  m_keys = std::move(fresh);
}

void KeysetSource::Invalidate() {
  m_pages.clear();
  m_last = nullptr;
}

void KeysetSource::InsertKey(size_t pos, int64_t key) {
  m_keys.Insert(pos, key);
  Invalidate();
}

void KeysetSource::EraseKey(size_t pos) {
  m_keys.Erase(pos);
  Invalidate();
}

KeysetSource::Page& KeysetSource::Load(size_t number) {
  for (auto& p : m_pages) {
    if (p.number == number) {
      p.used = ++m_clock;
      return p;
    }
  }
  Page* page;
  if (m_pages.size() < kCachedPages) {
    m_pages.emplace_back();
    page = &m_pages.back();
  } else {
    page = &*std::min_element(m_pages.begin(), m_pages.end(),
                              [](const Page& a, const Page& b) { return a.used < b.used; });
  }
  page->number = SIZE_MAX;
  m_keys.Slice(number * kPageRows, kPageRows, m_ids);
  const size_t n = m_ids.size();
  // Values are overwritten in place so the strings keep their storage.
  page->rows.resize(n);
  for (auto& row : page->rows) {
    row.resize(static_cast<size_t>(m_columns));
    for (auto& v : row) v.kind = Value::Kind::Null;
  }

  // Rows come back in row-id order; match them to their slots.
  m_order.clear();
  for (size_t i = 0; i < n; ++i) m_order.emplace_back(m_ids[i], i);
  std::sort(m_order.begin(), m_order.end());
  for (size_t i = 0; i < kPageRows; ++i) {
    if (i < n)
      m_fetch.BindInt(static_cast<int>(i) + 1, m_ids[i]);
    else
      m_fetch.BindNull(static_cast<int>(i) + 1);
  }
  sqlite3_stmt* stmt = m_fetch.Get();
  try {
    while (m_fetch.Step()) {
      int64_t id = sqlite3_column_int64(stmt, 0);
      auto it = std::lower_bound(m_order.begin(), m_order.end(), std::make_pair(id, size_t{0}));
      for (; it != m_order.end() && it->first == id; ++it) {
        Row& row = page->rows[it->second];
        for (int c = 0; c < m_columns; ++c) ReadColumnValue(stmt, c + 1, row[static_cast<size_t>(c)]);
      }
    }
  } catch (...) {
    m_fetch.Reset();
    throw;
  }
  m_fetch.Reset();
  page->number = number;
  page->used = ++m_clock;
  return *page;
}

const Row& KeysetSource::RowAt(size_t pos) {
  size_t number = pos / kPageRows;
  if (!m_last || m_last->number != number) m_last = &Load(number);
  return m_last->rows[pos % kPageRows];
}

}  // namespace kvn::db
