// A query: SQL text with ":name" parameters bound as strings, opened as a
// read-only result whose fields bear the selected names. A plain select from one
// table is opened as a keyset (row ids first, rows read by page); any other
// statement is read whole.
#pragma once

#include <string>
#include <vector>

#include "db/dataset.h"

namespace kvn::db {

class Param {
 public:
  explicit Param(std::string name) : m_name(std::move(name)) {}
  const std::string& Name() const { return m_name; }
  void SetAsString(std::string value) {
    m_value = std::move(value);
    m_bound = true;
  }
  const std::string& AsString() const { return m_value; }
  bool Bound() const { return m_bound; }
  void Clear() {
    m_value.clear();
    m_bound = false;
  }

 private:
  std::string m_name;
  std::string m_value;
  bool m_bound = false;
};

class Query : public DataSet {
 public:
  explicit Query(Database& database) : DataSet(database) {}
  ~Query() override;

  // Closes the query, drops its preparation and reads the parameter names.
  void SetSQL(std::string sql);
  const std::string& SQL() const { return m_sql; }
  void ClearSQL() { SetSQL(std::string()); }

  std::vector<Param>& Params() { return m_params; }
  // Throws "Paramètre '%s' non trouvé" for an unknown name (any case).
  Param& ParamByName(std::string_view name);

  void Prepare();
  void Unprepare();
  bool Prepared() const { return m_prepared; }
  // Runs the text as a statement without a result set.
  void ExecSQL();

  // Whether the open result is a keyset (for tests and benchmarks).
  bool IsKeyset() const { return m_keyset; }

 protected:
  void DoOpen(std::vector<FieldDef>& fields, std::unique_ptr<RowSource>& source) override;

 private:
  void BindParams(Statement& stmt) const;

  std::string m_sql;
  std::vector<Param> m_params;
  bool m_prepared = false;
  bool m_keyset = false;
};

// The ":name" parameters of an SQL text, in order of first appearance.
std::vector<std::string> ParameterNames(std::string_view sql);

// A select from a single table without grouping, distinct or compound parts.
struct SimpleSelect {
  std::string columns;                  // the text between SELECT and FROM
  std::string from;                     // the table reference ("video", "Video v")
  std::string table;                    // the table name alone
  std::string rest;                     // everything after FROM
  std::vector<std::string> orderNames;  // identifiers of the ORDER BY terms
  bool orderByNumber = false;           // an ORDER BY term is a column number
};
bool ParseSimpleSelect(std::string_view sql, SimpleSelect& out);

}  // namespace kvn::db
