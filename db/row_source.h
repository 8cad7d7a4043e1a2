// Where a dataset's rows come from. A keyset source holds the ordered row ids
// and reads the rows a page at a time (a few pages cached), so a million rows
// open at once; a materialized source holds the rows of a result that has no
// row ids (joins, aggregates).
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/keyset.h"
#include "db/sqlite.h"
#include "db/value.h"

namespace kvn::db {

class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual size_t Count() const = 0;
  virtual const Row& RowAt(size_t pos) = 0;
  // The row id (keyset) or the position (materialized): what bookmarks keep.
  virtual int64_t KeyAt(size_t pos) const = 0;
  virtual std::optional<size_t> Find(int64_t key, size_t hint) const = 0;
  // Reads the keys again (new rows included) and forgets cached rows.
  virtual void Reload() = 0;
  virtual void InsertKey(size_t pos, int64_t key) = 0;
  virtual void EraseKey(size_t pos) = 0;
  virtual void Invalidate() = 0;
};

// Reads a value of the current result row of a statement.
Value ColumnValue(sqlite3_stmt* stmt, int column);
// The same, into an existing value (keeps its string's storage).
void ReadColumnValue(sqlite3_stmt* stmt, int column, Value& value);

class KeysetSource : public RowSource {
 public:
  using Binder = std::function<void(Statement&)>;
  // keySql selects the row ids in order (binder binds its parameters);
  // fetchSql selects "rowid, <columns>" and ends with "WHERE rowid IN (" and
  // kPageRows parameters.
  // sortKeys: keySql gives the ids in any order and they are sorted here (for
  // the row-id order, read from the smallest index rather than the whole table).
  KeysetSource(sqlite3* db, std::string fileName, std::string keySql, Binder binder,
               std::string fetchSql, int columns, bool sortKeys = false);

  static constexpr size_t kPageRows = 256;
  static std::string InList();

  size_t Count() const override { return m_keys.Size(); }
  const Row& RowAt(size_t pos) override;
  int64_t KeyAt(size_t pos) const override { return m_keys.At(pos); }
  std::optional<size_t> Find(int64_t key, size_t hint) const override {
    return m_keys.Find(key, hint);
  }
  void Reload() override;
  void InsertKey(size_t pos, int64_t key) override;
  void EraseKey(size_t pos) override;
  void Invalidate() override;

 private:
  struct Page {
    size_t number = SIZE_MAX;
    std::vector<Row> rows;
    uint64_t used = 0;
  };
  Page& Load(size_t number);

  sqlite3* m_db;
  std::string m_fileName;
  std::string m_keySql;
  Binder m_binder;
  Statement m_fetch;
  int m_columns;
  bool m_sortKeys;
  Keyset m_keys;
  std::vector<Page> m_pages;
  Page* m_last = nullptr;
  uint64_t m_clock = 0;
  std::vector<int64_t> m_ids;
  std::vector<std::pair<int64_t, size_t>> m_order;
};

class MaterializedSource : public RowSource {
 public:
  explicit MaterializedSource(std::vector<Row> rows) : m_rows(std::move(rows)) {}
  size_t Count() const override { return m_rows.size(); }
  const Row& RowAt(size_t pos) override { return m_rows[pos]; }
  int64_t KeyAt(size_t pos) const override { return static_cast<int64_t>(pos); }
  std::optional<size_t> Find(int64_t key, size_t) const override {
    if (key >= 0 && static_cast<size_t>(key) < m_rows.size()) return static_cast<size_t>(key);
    return std::nullopt;
  }
  void Reload() override {}
  void InsertKey(size_t, int64_t) override {}
  void EraseKey(size_t) override {}
  void Invalidate() override {}

 private:
  std::vector<Row> m_rows;
};

}  // namespace kvn::db
