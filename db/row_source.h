// Where a dataset's rows come from. A keyset source holds the ordered row ids
// and reads the rows a page at a time (a few pages cached), so a million rows
// open at once; a materialized source holds the rows of a result that has no
// row ids (joins, aggregates).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/keyset.h"
#include "db/sqlite.h"
#include "db/value.h"

struct sqlite3;
struct sqlite3_stmt;

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
  // selectSql is "SELECT rowid, <columns> FROM <table>", to which the row-id
  // conditions are added. sortKeys: keySql gives the ids in any order and they
  // are sorted here (for the row-id order, read from the smallest index rather
  // than the whole table).
  KeysetSource(sqlite3* db, std::string fileName, std::string keySql, Binder binder,
               const std::string& selectSql, int columns, bool sortKeys = false);

  // Rows read at once for random access (a grid on screen)...
  static constexpr size_t kPageRows = 256;
  // ...and, once a walk goes forward page after page, a window of rows read in
  // row-id order, which visits the table's pages in file order (a third faster
  // on a million films) and is kept packed.
  static constexpr size_t kWindowRows = 131072;

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
  void LoadWindow(size_t start);
  const Row& WindowRow(size_t pos);

  // The packed window: each row's values one after the other, in blocks of
  // 1 MB that never move (no copy as the window fills).
  struct Window {
    size_t start = 0, count = 0;
    std::vector<std::string> blocks;
    std::vector<uint64_t> offsets;  // block << 32 | offset; UINT64_MAX for none
  };

  sqlite3* m_db;
  std::string m_fileName;
  std::string m_keySql;
  Binder m_binder;
  Statement m_fetch;
  Statement m_fetchWindow;
  int m_columns;
  bool m_sortKeys;
  Keyset m_keys;
  std::vector<Page> m_pages;
  Page* m_last = nullptr;
  uint64_t m_clock = 0;
  std::vector<int64_t> m_ids;
  std::vector<std::pair<int64_t, size_t>> m_order;
  size_t m_lastPage = SIZE_MAX;
  int m_forwardPages = 0;
  Window m_window;
  Row m_windowRow;
  size_t m_windowRowPos = SIZE_MAX;
  std::string m_json;
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
