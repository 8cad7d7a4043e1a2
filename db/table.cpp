#include "db/table.h"

#include <sqlite3.h>

#include <cctype>

#include "db/title_key.h"
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

std::string ReplaceIdentifier(std::string_view sql, std::string_view name, std::string_view by) {
  std::string out;
  size_t i = 0;
  auto isStart = [](char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || (c & 0x80);
  };
  auto isPart = [&](char c) { return isStart(c) || std::isdigit(static_cast<unsigned char>(c)); };
  while (i < sql.size()) {
    const char c = sql[i];
    if (c == '\'') {  // a string literal, copied as it is
      size_t end = i + 1;
      while (end < sql.size() &&
             !(sql[end] == '\'' && (end + 1 >= sql.size() || sql[end + 1] != '\'')))
        end += sql[end] == '\'' ? 2 : 1;
      out.append(sql.substr(i, end + 1 - i));
      i = end + 1;
    } else if (c == '"' || isStart(c)) {
      size_t end = i;
      std::string word;
      if (c == '"') {
        end = sql.find('"', i + 1);
        if (end == std::string_view::npos) end = sql.size() - 1;
        word = std::string(sql.substr(i + 1, end - i - 1));
        ++end;
      } else {
        while (end < sql.size() && isPart(sql[end])) ++end;
        word = std::string(sql.substr(i, end - i));
      }
      if (platform::EqualsNoCase(word, name))
        out += by;
      else
        out.append(sql.substr(i, end - i));
      i = end;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
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
  std::string order;       // the index's key, then the row id
  std::string orderParam;  // the same key computed on ?1 (for PositionFor)
  bool descending = false;
  bool frenchText = false;  // text in French order, by the title key
  if (!m_sortField.empty()) {
    for (size_t i = 0; i < m_defs.size() && m_orderField < 0; ++i)
      if (platform::EqualsNoCase(m_defs[i].name, m_sortField)) m_orderField = static_cast<int>(i);
    if (m_orderField < 0)
      throw EngineError(
          Subst("Le champ '%s' de la table \"%s\" est introuvable.", {m_sortField, m_tableName}),
          SQLITE_ERROR);
    const FieldDef& f = m_defs[static_cast<size_t>(m_orderField)];
    const std::string col = QuoteIdentifier(f.name);
    frenchText = f.type == FieldType::String;
    order = (frenchText ? TitleSortKeySql(col) : col) + ", rowid";
    orderParam = (frenchText ? TitleSortKeySql("?1") : "?1") + ", ?2";
    descending = m_descending;
  } else if (!m_indexName.empty()) {
    Statement idx(handle, "SELECT cid, name FROM pragma_index_xinfo(?1) WHERE key = 1", file);
    idx.BindText(1, m_indexName);
    std::vector<std::string> columns;
    bool expression = false;
    while (idx.Step()) {
      if (sqlite3_column_int(idx.Get(), 0) == -2) {
        expression = true;
        columns.emplace_back();
      } else {
        columns.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(idx.Get(), 1)));
      }
    }
    if (columns.empty())
      throw EngineError(
          Subst("L'index '%s' de la table \"%s\" est introuvable.", {m_indexName, m_tableName}),
          SQLITE_ERROR);
    // The one field the index orders by (an expression index may compute its
    // key from it, as the French title key does).
    for (const auto& c : columns)
      for (size_t i = 0; i < m_defs.size() && !c.empty(); ++i)
        if (platform::EqualsNoCase(m_defs[i].name, c) && m_orderField < 0)
          m_orderField = static_cast<int>(i);
    std::vector<std::string> named;
    for (const auto& c : columns)
      if (!c.empty() && (named.empty() || !platform::EqualsNoCase(named[0], c))) named.push_back(c);
    if (named.size() != 1)
      throw EngineError(
          Subst("L'index '%s' porte sur plusieurs champs ; il n'est pas géré.", {m_indexName}),
          SQLITE_ERROR);
    std::string key = QuoteIdentifier(named[0]);
    frenchText = expression && m_orderField >= 0 &&
                 m_defs[static_cast<size_t>(m_orderField)].type == FieldType::String;
    if (frenchText) {
      // An expression index on a text field (idTitre): the French order,
      // which the key table gives in full.
      key = TitleSortKeySql(key);
    } else if (expression) {
      // The index's own column list, as its CREATE INDEX text gives it.
      Statement text(handle, "SELECT sql FROM sqlite_master WHERE type='index' AND name=?1", file);
      text.BindText(1, m_indexName);
      std::string sql =
          text.Step() ? reinterpret_cast<const char*>(sqlite3_column_text(text.Get(), 0)) : "";
      const size_t open = sql.find('('), close = sql.rfind(')');
      if (open == std::string::npos || close == std::string::npos || close <= open)
        throw EngineError(
            Subst("L'index '%s' de la table \"%s\" est illisible.", {m_indexName, m_tableName}),
            SQLITE_ERROR);
      key = sql.substr(open + 1, close - open - 1);
    }
    order = key + ", rowid";
    orderParam = ReplaceIdentifier(key, named[0], "?1") + ", ?2";
  }

  std::string list;
  for (const auto& d : m_defs) list += ", " + QuoteIdentifier(d.name);
  const std::string table = QuoteIdentifier(m_table);
  // The row-id order reads the ids from the smallest index and sorts them:
  // scanning the table itself would read every row.
  const bool rowIdOrder = m_orderField < 0;
  // Descending: every term of the order reversed.
  std::string sortSql = order;
  if (descending) {
    std::string reversed;
    int depth = 0;
    for (char c : order) {
      if (c == '(') ++depth;
      if (c == ')') --depth;
      if (c == ',' && depth == 0) reversed += " DESC";
      reversed += c;
    }
    sortSql = reversed + " DESC";
  }
  const std::string filter =
      m_keyFilter.empty() ? std::string() : " WHERE rowid IN (" + m_keyFilter + ")";
  std::string keySql =
      "SELECT rowid FROM " + table + filter + (rowIdOrder ? "" : " ORDER BY " + sortSql);
  // The films by title: the key table's index holds that order.
  if (frenchText && platform::EqualsNoCase(m_table, "video") &&
      platform::EqualsNoCase(m_defs[static_cast<size_t>(m_orderField)].name, "Titre") &&
      HasFrenchTitleKey(handle)) {
    const std::string keyFilter =
        m_keyFilter.empty() ? std::string() : " WHERE id IN (" + m_keyFilter + ")";
    keySql = descending ? "SELECT id FROM video_cle" + keyFilter + " ORDER BY cle DESC, id DESC"
                        : "SELECT id FROM video_cle" + keyFilter + " ORDER BY cle, id";
  }
  std::string selectSql = "SELECT rowid" + list + " FROM " + table;
  KeysetSource::Binder binder;
  if (!m_keyFilterParameters.empty())
    binder = [parameters = m_keyFilterParameters](Statement& stmt) {
      for (size_t i = 0; i < parameters.size(); ++i)
        stmt.BindText(static_cast<int>(i + 1), parameters[i]);
    };
  source = std::make_unique<KeysetSource>(handle, file, keySql, binder, selectSql,
                                          static_cast<int>(m_defs.size()), rowIdOrder);
  if (m_orderField >= 0) {
    const std::string col = QuoteIdentifier(m_defs[static_cast<size_t>(m_orderField)].name);
    // The index's key compared as a row value: the column's own collation
    // decides for the column, as it does for the ORDER BY.
    // Descending, nulls come last and the comparison turns round.
    m_probe = Statement(
        handle,
        descending
            ? "SELECT CASE WHEN " + col +
                  " IS NULL THEN (?1 IS NULL AND rowid > ?2) "
                  "WHEN ?1 IS NULL THEN 1 ELSE ((" +
                  order + ") > (" + orderParam + ")) END FROM " + table + " WHERE rowid = ?3"
            : "SELECT CASE WHEN " + col +
                  " IS NULL THEN (?1 IS NOT NULL OR rowid < ?2) "
                  "WHEN ?1 IS NULL THEN 0 ELSE ((" +
                  order + ") < (" + orderParam + ")) END FROM " + table + " WHERE rowid = ?3",
        file);
  }
  fields = m_defs;
  SetCanModify(true);
}

void Table::DoClose() {
  m_probe = Statement();
}

void Table::Bind(Statement& stmt, int index, const Value& value) {
  switch (value.kind) {
    case Value::Kind::Null:
      stmt.BindNull(index);
      break;
    case Value::Kind::Integer:
      stmt.BindInt(index, value.i);
      break;
    case Value::Kind::Float:
      stmt.BindDouble(index, value.f);
      break;
    case Value::Kind::Text:
      stmt.BindText(index, value.s);
      break;
    case Value::Kind::Blob:
      stmt.BindBlob(index, value.s);
      break;
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
  Statement stmt(GetDatabase().Handle(),
                 "DELETE FROM " + QuoteIdentifier(m_table) + " WHERE rowid = ?",
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
