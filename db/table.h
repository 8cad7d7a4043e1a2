// A table opened by name, in the order of an index or of its row ids; it can be
// edited.
#pragma once

#include <string>
#include <vector>

#include "db/dataset.h"

namespace kvn::db {

class Table : public DataSet {
 public:
  explicit Table(Database& database) : DataSet(database) {}
  ~Table() override;

  // "Video" or "video.DB"; set while closed.
  void SetTableName(std::string name) { m_tableName = std::move(name); }
  const std::string& TableName() const { return m_tableName; }
  // An index of the table ("idTitre"), or empty for the row-id order.
  void SetIndexName(std::string name) { m_indexName = std::move(name); }
  const std::string& IndexName() const { return m_indexName; }
  // Rows in the order of one field instead (set while closed; an empty name
  // goes back to the index): text in French order (case and accents aside,
  // then the text itself), other values as they compare; then the row id.
  // Descending reverses the whole order.
  void SetSortField(std::string name, bool descending = false) {
    m_sortField = std::move(name);
    m_descending = descending;
  }
  const std::string& SortField() const { return m_sortField; }
  bool SortDescending() const { return m_descending; }
  // Only the rows whose row id the query gives (set while closed; empty: all
  // rows). The query's parameters ?1, ?2... take the texts given.
  void SetKeyFilter(std::string rowIdQuery, std::vector<std::string> parameters = {}) {
    m_keyFilter = std::move(rowIdQuery);
    m_keyFilterParameters = std::move(parameters);
  }
  const std::string& KeyFilter() const { return m_keyFilter; }

 protected:
  void DoOpen(std::vector<FieldDef>& fields, std::unique_ptr<RowSource>& source) override;
  void DoClose() override;
  int64_t DoInsert(const Row& values, const std::vector<bool>& set) override;
  void DoUpdate(int64_t key, const Row& values, const std::vector<bool>& set) override;
  void DoDelete(int64_t key) override;
  size_t PositionFor(int64_t key, const Row& values) override;
  bool MovesRow(const std::vector<bool>& set) const override;

 private:
  void Bind(Statement& stmt, int index, const Value& value);

  std::string m_tableName;
  std::string m_indexName;
  std::string m_sortField;
  bool m_descending = false;
  std::string m_keyFilter;
  std::vector<std::string> m_keyFilterParameters;
  std::string m_table;  // resolved name
  std::vector<FieldDef> m_defs;
  int m_orderField = -1;  // field the index orders by, -1 for row ids
  Statement m_probe;      // does the row at ?3 sort before (?1, ?2)?
};

// Quotes an SQL identifier.
std::string QuoteIdentifier(std::string_view name);
// The SQL text with every use of an identifier (any case, quoted or not,
// never inside a string literal) replaced.
std::string ReplaceIdentifier(std::string_view sql, std::string_view name, std::string_view by);

}  // namespace kvn::db
