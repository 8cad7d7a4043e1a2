#include "db/row_source.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cstring>

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
    default:
      v.kind = Value::Kind::Null;
      break;
  }
}

Value ColumnValue(sqlite3_stmt* stmt, int column) {
  switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
      return Value::Integer(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT:
      return Value::Float(sqlite3_column_double(stmt, column));
    case SQLITE_TEXT: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
      return Value::Text(std::string(p, static_cast<size_t>(sqlite3_column_bytes(stmt, column))));
    }
    case SQLITE_BLOB: {
      const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, column));
      int n = sqlite3_column_bytes(stmt, column);
      return Value::Blob(p ? std::string(p, static_cast<size_t>(n)) : std::string());
    }
    default:
      return Value::Null();
  }
}

namespace {

std::string InList() {
  std::string list = "(";
  for (size_t i = 0; i < KeysetSource::kPageRows; ++i) list += i ? ",?" : "?";
  return list + ")";
}

// Packed values: a kind byte, then 8 bytes for numbers or a 4-byte length and
// the bytes for texts and blobs.
void Pack(std::string& arena, sqlite3_stmt* stmt, int column) {
  int type = sqlite3_column_type(stmt, column);
  arena += static_cast<char>(type);
  switch (type) {
    case SQLITE_INTEGER: {
      int64_t v = sqlite3_column_int64(stmt, column);
      arena.append(reinterpret_cast<const char*>(&v), sizeof v);
      break;
    }
    case SQLITE_FLOAT: {
      double v = sqlite3_column_double(stmt, column);
      arena.append(reinterpret_cast<const char*>(&v), sizeof v);
      break;
    }
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
      const char* p = type == SQLITE_TEXT
                          ? reinterpret_cast<const char*>(sqlite3_column_text(stmt, column))
                          : static_cast<const char*>(sqlite3_column_blob(stmt, column));
      uint32_t n = static_cast<uint32_t>(sqlite3_column_bytes(stmt, column));
      arena.append(reinterpret_cast<const char*>(&n), sizeof n);
      if (n) arena.append(p, n);
      break;
    }
    default:
      break;
  }
}

}  // namespace

KeysetSource::KeysetSource(sqlite3* db, std::string fileName, std::string keySql, Binder binder,
                           const std::string& selectSql, int columns, bool sortKeys)
    : m_db(db),
      m_fileName(std::move(fileName)),
      m_keySql(std::move(keySql)),
      m_binder(std::move(binder)),
      m_fetch(db, selectSql + " WHERE rowid IN " + InList(), m_fileName),
      m_fetchWindow(db, selectSql + " WHERE rowid IN (SELECT value FROM json_each(?1))",
                    m_fileName),
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
  m_window = Window();
  m_windowRowPos = SIZE_MAX;
  m_lastPage = SIZE_MAX;
  m_forwardPages = 0;
}

void KeysetSource::LoadWindow(size_t start) {
  // The blocks of the previous window are filled again: memory the process
  // already has, instead of fresh pages for every window of a long walk.
  std::vector<std::string> spare = std::move(m_window.blocks);
  for (auto& block : spare) block.clear();
  std::reverse(spare.begin(), spare.end());
  m_window = Window();
  m_windowRowPos = SIZE_MAX;
  m_keys.Slice(start, kWindowRows, m_ids);
  const size_t n = m_ids.size();
  m_order.clear();
  for (size_t i = 0; i < n; ++i) m_order.emplace_back(m_ids[i], i);
  std::sort(m_order.begin(), m_order.end());
  m_json.assign(1, '[');
  char buf[24];
  for (size_t i = 0; i < n; ++i) {
    if (i) m_json += ',';
    auto r = std::to_chars(buf, buf + sizeof buf, m_order[i].first);
    m_json.append(buf, r.ptr);
  }
  m_json += ']';
  // Rows arrive in row-id order: packed as they come, placed by offset.
  constexpr size_t kBlock = size_t{1} << 20;
  std::vector<uint64_t> offsets(n, UINT64_MAX);
  std::vector<std::string> blocks;
  std::string row;
  sqlite3_bind_text(m_fetchWindow.Get(), 1, m_json.data(), static_cast<int>(m_json.size()),
                    SQLITE_STATIC);
  sqlite3_stmt* stmt = m_fetchWindow.Get();
  size_t next = 0;
  try {
    while (m_fetchWindow.Step()) {
      int64_t id = sqlite3_column_int64(stmt, 0);
      while (next < n && m_order[next].first < id) ++next;
      if (next >= n || m_order[next].first != id) continue;
      row.clear();
      for (int c = 0; c < m_columns; ++c) Pack(row, stmt, c + 1);
      if (blocks.empty() || blocks.back().size() + row.size() > blocks.back().capacity()) {
        if (!spare.empty() && spare.back().capacity() >= row.size()) {
          blocks.push_back(std::move(spare.back()));
          spare.pop_back();
        } else {
          blocks.emplace_back();
          blocks.back().reserve(std::max(kBlock, row.size()));
        }
      }
      std::string& block = blocks.back();
      offsets[m_order[next].second] =
          (static_cast<uint64_t>(blocks.size() - 1) << 32) | block.size();
      block += row;
      ++next;
    }
  } catch (...) {
    m_fetchWindow.Reset();
    throw;
  }
  m_fetchWindow.Reset();
  m_window.start = start;
  m_window.count = n;
  m_window.blocks = std::move(blocks);
  m_window.offsets = std::move(offsets);
}

const Row& KeysetSource::WindowRow(size_t pos) {
  if (m_windowRowPos == pos) return m_windowRow;
  m_windowRow.resize(static_cast<size_t>(m_columns));
  uint64_t offset = m_window.offsets[pos - m_window.start];
  if (offset == UINT64_MAX) {  // a row gone meanwhile
    for (auto& v : m_windowRow) v.kind = Value::Kind::Null;
  } else {
    const char* p = m_window.blocks[offset >> 32].data() + (offset & 0xFFFFFFFFu);
    for (auto& v : m_windowRow) {
      int type = static_cast<unsigned char>(*p++);
      switch (type) {
        case SQLITE_INTEGER:
          v.kind = Value::Kind::Integer;
          std::memcpy(&v.i, p, sizeof v.i);
          p += sizeof v.i;
          break;
        case SQLITE_FLOAT:
          v.kind = Value::Kind::Float;
          std::memcpy(&v.f, p, sizeof v.f);
          p += sizeof v.f;
          break;
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
          uint32_t len;
          std::memcpy(&len, p, sizeof len);
          p += sizeof len;
          v.kind = type == SQLITE_TEXT ? Value::Kind::Text : Value::Kind::Blob;
          v.s.assign(p, len);
          p += len;
          break;
        }
        default:
          v.kind = Value::Kind::Null;
          break;
      }
    }
  }
  m_windowRowPos = pos;
  return m_windowRow;
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
        for (int c = 0; c < m_columns; ++c)
          ReadColumnValue(stmt, c + 1, row[static_cast<size_t>(c)]);
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
  if (m_window.count && pos >= m_window.start && pos < m_window.start + m_window.count)
    return WindowRow(pos);
  size_t number = pos / kPageRows;
  if (!m_last || m_last->number != number) {
    // Page after page forward: the walk goes on, read ahead in a window.
    m_forwardPages = number == m_lastPage + 1 ? m_forwardPages + 1 : 0;
    m_lastPage = number;
    if (m_forwardPages >= 2 && m_keys.Size() - pos > kPageRows) {
      LoadWindow(pos);
      return WindowRow(pos);
    }
    m_last = &Load(number);
  }
  return m_last->rows[pos % kPageRows];
}

}  // namespace kvn::db
