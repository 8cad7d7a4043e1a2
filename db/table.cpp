#include "db/table.h"

#include "platform/error.h"
#include "platform/strings.h"

namespace kvn::db {

using platform::Subst;

std::string QuoteIdentifier(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

Table::~Table() = default;

void Table::DoOpen(std::vector<FieldDef>& fields, std::unique_ptr<RowSource>& source) {
  Database& db = GetDatabase();
  sqlite3* handle = db.Handle();
  const std::string file = db.FilePath();
  m_table = db.ResolveTable(m_tableName);

  m_defs.clear();
  {
    Statement info(handle, "SELECT name, type, pk FROM pragma_table_info(?1)", file);
    info.BindText(1, m_table);
    while (info.Step()) {
      FieldDef def;
      def.name = reinterpret_cast<const char*>(sqlite3_column_text(info.Get(), 0));
      const char* type = reinterpret_cast<const char*>(sqlite3_column_text(info.Get(), 1));
      def.type = FieldTypeFromDeclaration(type ? type : "", def.size);
      if (sqlite3_column_int(info.Get(), 2) == 1) {
        int autoinc = 0;
        sqlite3_table_column_metadata(handle, "main", m_table.c_str(), def.name.c_str(), nullptr,
                                      nullptr, nullptr, nullptr, &autoinc);
        if (autoinc && def.type == FieldType::Integer) {
          def.type = FieldType::AutoInc;
          def.autoIncrement = true;
        }
      }
      m_defs.push_back(def);
    }
  }

  m_orderField = -1;
  std::string order;
  if (!m_indexName.empty()) {
    Statement idx(handle, "SELECT name FROM pragma_index_info(?1)", file);
    idx.BindText(1, m_indexName);
    std::vector<std::string> columns;
    while (idx.Step())
      columns.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(idx.Get(), 0)));
    if (columns.empty())
      throw EngineError(Subst("L'index '%s' de la table \"%s\" est introuvable.",
                              {m_indexName, m_tableName}),
                        SQLITE_ERROR);
    if (columns.size() != 1)
      throw EngineError(Subst("L'index '%s' porte sur plusieurs champs ; il n'est pas géré.",
                              {m_indexName}),
                        SQLITE_ERROR);
    for (size_t i = 0; i < m_defs.size(); ++i)
      if (platform::EqualsNoCase(m_defs[i].name, columns[0])) m_orderField = static_cast<int>(i);
    order = QuoteIdentifier(columns[0]) + ", rowid";
  }

  std::string list;
  for (const auto& d : m_defs) list += ", " + QuoteIdentifier(d.name);
  const std::string table = QuoteIdentifier(m_table);
  // The row-id order reads the ids from the smallest index and sorts them:
  // scanning the table itself would read every row.
  const bool rowIdOrder = m_orderField < 0;
  std::string keySql = "SELECT rowid FROM " + table + (rowIdOrder ? "" : " ORDER BY " + order);
  std::string selectSql = "SELECT rowid" + list + " FROM " + table;
  source = std::make_unique<KeysetSource>(handle, file, keySql, nullptr, selectSql,
                                          static_cast<int>(m_defs.size()), rowIdOrder);
  if (m_orderField >= 0) {
    const std::string col = QuoteIdentifier(m_defs[static_cast<size_t>(m_orderField)].name);
    // The column's own collation decides, as it does for the ORDER BY.
    m_probe = Statement(handle,
                        "SELECT CASE WHEN " + col + " IS NULL THEN (?1 IS NOT NULL OR rowid < ?2) "
                        "WHEN ?1 IS NULL THEN 0 ELSE (" + col + " < ?1 OR (" + col +
                            " = ?1 AND rowid < ?2)) END FROM " + table + " WHERE rowid = ?3",
                        file);
  }
  fields = m_defs;
  SetCanModify(true);
}

void Table::DoClose() { m_probe = Statement(); }

void Table::Bind(Statement& stmt, int index, const Value& value) {
  switch (value.kind) {
    case Value::Kind::Null: stmt.BindNull(index); break;
    case Value::Kind::Integer: stmt.BindInt(index, value.i); break;
    case Value::Kind::Float: stmt.BindDouble(index, value.f); break;
    case Value::Kind::Text: stmt.BindText(index, value.s); break;
    case Value::Kind::Blob: stmt.BindBlob(index, value.s); break;
  }
}

int64_t Table::DoInsert(const Row& values, const std::vector<bool>& set) {
  std::string columns, params;
  std::vector<size_t> bound;
  for (size_t i = 0; i < m_defs.size(); ++i) {
    if (!set[i] || m_defs[i].autoIncrement) continue;
    columns += (columns.empty() ? "" : ", ") + QuoteIdentifier(m_defs[i].name);
    params += params.empty() ? "?" : ", ?";
    bound.push_back(i);
  }
  std::string sql = "INSERT INTO " + QuoteIdentifier(m_table);
  sql += bound.empty() ? " DEFAULT VALUES" : " (" + columns + ") VALUES (" + params + ")";
  sqlite3* handle = GetDatabase().Handle();
  Statement stmt(handle, sql, GetDatabase().FilePath());
  for (size_t i = 0; i < bound.size(); ++i) Bind(stmt, static_cast<int>(i) + 1, values[bound[i]]);
  stmt.Step();
  return sqlite3_last_insert_rowid(handle);
}

void Table::DoUpdate(int64_t key, const Row& values, const std::vector<bool>& set) {
  std::string assignments;
  std::vector<size_t> bound;
  for (size_t i = 0; i < m_defs.size(); ++i) {
    if (!set[i] || m_defs[i].autoIncrement) continue;
    assignments += (assignments.empty() ? "" : ", ") + QuoteIdentifier(m_defs[i].name) + " = ?";
    bound.push_back(i);
  }
  if (bound.empty()) return;
  Statement stmt(GetDatabase().Handle(),
                 "UPDATE " + QuoteIdentifier(m_table) + " SET " + assignments + " WHERE rowid = ?",
                 GetDatabase().FilePath());
  for (size_t i = 0; i < bound.size(); ++i) Bind(stmt, static_cast<int>(i) + 1, values[bound[i]]);
  stmt.BindInt(static_cast<int>(bound.size()) + 1, key);
  stmt.Step();
}

void Table::DoDelete(int64_t key) {
  Statement stmt(GetDatabase().Handle(), "DELETE FROM " + QuoteIdentifier(m_table) + " WHERE rowid = ?",
                 GetDatabase().FilePath());
  stmt.BindInt(1, key);
  stmt.Step();
}

bool Table::MovesRow(const std::vector<bool>& set) const {
  return m_orderField >= 0 && set[static_cast<size_t>(m_orderField)];
}

size_t Table::PositionFor(int64_t key, const Row& values) {
  RowSource* source = Source();
  size_t lo = 0, hi = source->Count();
  if (m_orderField < 0) {
    // Row-id order.
    while (lo < hi) {
      size_t mid = lo + (hi - lo) / 2;
      if (source->KeyAt(mid) < key)
        lo = mid + 1;
      else
        hi = mid;
    }
    return lo;
  }
  const Value& orderValue = values[static_cast<size_t>(m_orderField)];
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    Bind(m_probe, 1, orderValue);
    m_probe.BindInt(2, key);
    m_probe.BindInt(3, source->KeyAt(mid));
    bool before = true;  // a row gone meanwhile counts as before; Refresh mends it
    if (m_probe.Step()) before = sqlite3_column_int(m_probe.Get(), 0) != 0;
    m_probe.Reset();
    if (before)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

}  // namespace kvn::db
