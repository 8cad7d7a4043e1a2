#include "db/query.h"

#include <sqlite3.h>

#include <cctype>

#include "db/title_key.h"
#include "platform/error.h"
#include "platform/strings.h"

namespace kvn::db {

using platform::EqualsNoCase;
using platform::Subst;

namespace {

bool IsWordChar(unsigned char c) {
  return std::isalnum(c) || c == '_' || c >= 0x80 || c == '$';
}

// One lexical element of SQL at the top level of a statement.
struct Token {
  enum Kind { Word, Quoted, Symbol, Param } kind;
  std::string_view text;
  size_t begin, end;
  int depth;  // parenthesis depth
};

std::vector<Token> Tokenize(std::string_view sql) {
  std::vector<Token> tokens;
  int depth = 0;
  size_t i = 0;
  while (i < sql.size()) {
    unsigned char c = static_cast<unsigned char>(sql[i]);
    if (std::isspace(c)) {
      ++i;
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      while (i < sql.size() && sql[i] != '\n') ++i;
    } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
      size_t end = sql.find("*/", i + 2);
      i = end == std::string_view::npos ? sql.size() : end + 2;
    } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
      char close = c == '[' ? ']' : static_cast<char>(c);
      size_t j = i + 1;
      for (;;) {
        j = sql.find(close, j);
        if (j == std::string_view::npos) {
          j = sql.size();
          break;
        }
        if (close != ']' && j + 1 < sql.size() && sql[j + 1] == close) {
          j += 2;
          continue;
        }
        ++j;
        break;
      }
      tokens.push_back({Token::Quoted, sql.substr(i, j - i), i, j, depth});
      i = j;
    } else if (c == ':' && i + 1 < sql.size() &&
               IsWordChar(static_cast<unsigned char>(sql[i + 1]))) {
      size_t j = i + 1;
      while (j < sql.size() && IsWordChar(static_cast<unsigned char>(sql[j]))) ++j;
      tokens.push_back({Token::Param, sql.substr(i + 1, j - i - 1), i, j, depth});
      i = j;
    } else if (IsWordChar(c)) {
      size_t j = i;
      while (j < sql.size() && IsWordChar(static_cast<unsigned char>(sql[j]))) ++j;
      tokens.push_back({Token::Word, sql.substr(i, j - i), i, j, depth});
      i = j;
    } else {
      if (c == '(') ++depth;
      tokens.push_back({Token::Symbol, sql.substr(i, 1), i, i + 1, depth});
      if (c == ')') --depth;
      ++i;
    }
  }
  return tokens;
}

bool IsKeyword(const Token& t, std::initializer_list<const char*> words) {
  if (t.kind != Token::Word) return false;
  for (const char* w : words)
    if (EqualsNoCase(t.text, w)) return true;
  return false;
}

std::string Unquote(std::string_view name) {
  if (name.size() >= 2 && (name[0] == '"' || name[0] == '`' || name[0] == '[' || name[0] == '\''))
    return std::string(name.substr(1, name.size() - 2));
  return std::string(name);
}

}  // namespace

std::vector<std::string> ParameterNames(std::string_view sql) {
  std::vector<std::string> names;
  for (const Token& t : Tokenize(sql)) {
    if (t.kind != Token::Param) continue;
    bool seen = false;
    for (const auto& n : names) seen = seen || EqualsNoCase(n, t.text);
    if (!seen) names.emplace_back(t.text);
  }
  return names;
}

bool ParseSimpleSelect(std::string_view sql, SimpleSelect& out) {
  std::vector<Token> tokens = Tokenize(sql);
  if (tokens.empty() || !IsKeyword(tokens[0], {"SELECT"})) return false;
  size_t i = 1;
  if (i < tokens.size() && IsKeyword(tokens[i], {"DISTINCT"})) return false;
  if (i < tokens.size() && IsKeyword(tokens[i], {"ALL"})) ++i;
  size_t columnsBegin = i < tokens.size() ? tokens[i].begin : sql.size();
  size_t from = SIZE_MAX;
  for (size_t k = i; k < tokens.size(); ++k) {
    if (tokens[k].depth == 0 && IsKeyword(tokens[k], {"FROM"})) {
      from = k;
      break;
    }
  }
  if (from == SIZE_MAX || from + 1 >= tokens.size() || from == i) return false;
  out.columns = std::string(sql.substr(columnsBegin, tokens[from].begin - columnsBegin));
  out.rest = std::string(sql.substr(tokens[from].end));

  // The table reference: a name, optionally followed by an alias.
  size_t k = from + 1;
  if (tokens[k].kind != Token::Word && tokens[k].kind != Token::Quoted) return false;
  out.table = Unquote(tokens[k].text);
  size_t fromEnd = tokens[k].end;
  ++k;
  if (k < tokens.size() && IsKeyword(tokens[k], {"AS"})) ++k;
  if (k < tokens.size() && (tokens[k].kind == Token::Word || tokens[k].kind == Token::Quoted) &&
      !IsKeyword(tokens[k], {"WHERE", "ORDER", "LIMIT", "GROUP", "HAVING", "WINDOW", "UNION",
                             "INTERSECT", "EXCEPT", "JOIN", "NATURAL", "LEFT", "RIGHT", "FULL",
                             "INNER", "CROSS", "OUTER", "INDEXED", "NOT"})) {
    fromEnd = tokens[k].end;
    ++k;
  }
  out.from = std::string(sql.substr(tokens[from + 1].begin, fromEnd - tokens[from + 1].begin));
  bool inOrder = false;
  bool termStart = false;
  for (; k < tokens.size(); ++k) {
    const Token& t = tokens[k];
    if (inOrder && t.kind == Token::Word &&
        !IsKeyword(t, {"ASC", "DESC", "COLLATE", "NULLS", "FIRST", "LAST", "LIMIT", "OFFSET"}))
      out.orderNames.emplace_back(t.text);
    if (inOrder && termStart && t.kind == Token::Word &&
        std::isdigit(static_cast<unsigned char>(t.text[0])))
      out.orderByNumber = true;
    termStart = inOrder && t.depth == 0 && t.kind == Token::Symbol && t.text == ",";
    if (t.depth != 0) continue;
    if (IsKeyword(t, {"BY"}) && k > 0 && IsKeyword(tokens[k - 1], {"ORDER"})) {
      inOrder = termStart = true;
      continue;
    }
    if (IsKeyword(t, {"LIMIT"})) inOrder = false;
    if (inOrder) continue;
    if (t.kind == Token::Symbol && (t.text == "," || t.text == ";")) return false;
    if (IsKeyword(t, {"GROUP", "HAVING", "WINDOW", "UNION", "INTERSECT", "EXCEPT", "JOIN",
                      "NATURAL", "CROSS", "INDEXED"}))
      return false;
  }
  return true;
}

Query::~Query() = default;

void Query::SetSQL(std::string sql) {
  Close();
  Unprepare();
  m_sql = std::move(sql);
  std::vector<Param> params;
  for (auto& name : ParameterNames(m_sql)) {
    Param p(name);
    for (const auto& old : m_params)
      if (EqualsNoCase(old.Name(), name) && old.Bound()) p.SetAsString(old.AsString());
    params.push_back(std::move(p));
  }
  m_params = std::move(params);
}

Param& Query::ParamByName(std::string_view name) {
  for (auto& p : m_params)
    if (EqualsNoCase(p.Name(), name)) return p;
  throw Error(Subst("Paramètre '%s' non trouvé", {name}));
}

void Query::Prepare() {
  Statement check(GetDatabase().Handle(), m_sql, GetDatabase().FilePath());
  m_prepared = true;
}

void Query::Unprepare() {
  m_prepared = false;
}

void Query::BindParams(Statement& stmt) const {
  sqlite3_stmt* s = stmt.Get();
  int count = sqlite3_bind_parameter_count(s);
  for (int i = 1; i <= count; ++i) {
    const char* raw = sqlite3_bind_parameter_name(s, i);
    if (!raw) continue;
    std::string_view name(raw + 1);
    const Param* found = nullptr;
    for (const auto& p : m_params)
      if (EqualsNoCase(p.Name(), name)) found = &p;
    if (!found || !found->Bound())
      throw Error(Subst("Pas de valeur pour le paramètre '%s'", {name}));
    stmt.BindText(i, found->AsString());
  }
}

void Query::ExecSQL() {
  Close();
  Statement stmt(GetDatabase().Handle(), m_sql, GetDatabase().FilePath());
  BindParams(stmt);
  while (stmt.Step()) {
  }
}

namespace {

// Every film in title order, as WithFrenchTitles writes it: the key table's
// index gives that order without sorting the table. (With a condition the
// rows found are sorted: joining the key table would look each film up in
// title order, all over the file.) Empty when the statement is another one
// or the catalogue has no key table.
std::string TitleKeyTableOrder(sqlite3* handle, const SimpleSelect& shape) {
  if (!EqualsNoCase(shape.table, "video") || !EqualsNoCase(shape.from, shape.table)) return {};
  const std::string order = "order by " + TitleSortKeySql("Titre") + ", rowid";
  const std::string_view rest = platform::Trim(shape.rest);
  if (!EqualsNoCase(rest, shape.from + " " + order)) return {};
  return HasFrenchTitleKey(handle) ? "SELECT id FROM video_cle ORDER BY cle, id" : "";
}

}  // namespace

void Query::DoOpen(std::vector<FieldDef>& fields, std::unique_ptr<RowSource>& source) {
  if (platform::Trim(m_sql).empty()) throw Error("Aucune requête SQL à exécuter");
  Database& db = GetDatabase();
  sqlite3* handle = db.Handle();
  const std::string file = db.FilePath();
  Statement stmt(handle, m_sql, file);
  BindParams(stmt);
  sqlite3_stmt* s = stmt.Get();
  const int columns = sqlite3_column_count(s);
  if (columns == 0) throw Error("La requête ne renvoie aucun ensemble de résultats");

  // Field definitions from the declared types of the columns' origins.
  fields.clear();
  bool oneTable = true;
  std::string table;
  std::vector<std::string> aliases;  // result names that are not their column's name
  for (int c = 0; c < columns; ++c) {
    FieldDef def;
    def.name = sqlite3_column_name(s, c);
    const char* decl = sqlite3_column_decltype(s, c);
    def.type = decl ? FieldTypeFromDeclaration(decl, def.size) : FieldType::Unknown;
    const char* origin = sqlite3_column_origin_name(s, c);
    const char* tableName = sqlite3_column_table_name(s, c);
    if (!origin || !EqualsNoCase(origin, def.name)) aliases.push_back(def.name);
    if (!origin || !tableName) {
      oneTable = false;
    } else {
      if (table.empty()) table = tableName;
      if (!EqualsNoCase(table, tableName)) oneTable = false;
      int pk = 0, autoinc = 0;
      sqlite3_table_column_metadata(handle, sqlite3_column_database_name(s, c), tableName, origin,
                                    nullptr, nullptr, nullptr, &pk, &autoinc);
      if (pk && autoinc && def.type == FieldType::Integer) {
        def.type = FieldType::AutoInc;
        def.autoIncrement = true;
      }
    }
    fields.push_back(def);
  }

  m_keyset = false;
  SimpleSelect shape;
  // ORDER BY may name result columns by number or alias, which the row-id
  // statement cannot see: such texts are read whole.
  auto ordersByResult = [&] {
    if (shape.orderByNumber) return true;
    for (const auto& name : shape.orderNames)
      for (const auto& alias : aliases)
        if (EqualsNoCase(name, alias)) return true;
    return false;
  };
  if (oneTable && ParseSimpleSelect(m_sql, shape) && EqualsNoCase(shape.table, table) &&
      !ordersByResult()) {
    try {
      std::string keySql = "SELECT rowid FROM " + shape.rest;
      if (const std::string byKey = TitleKeyTableOrder(handle, shape); !byKey.empty())
        keySql = byKey;
      std::string selectSql = "SELECT rowid, " + shape.columns + " FROM " + shape.from;
      source = std::make_unique<KeysetSource>(
          handle, file, keySql, [this](Statement& st) { BindParams(st); }, selectSql, columns);
      m_keyset = true;
    } catch (const EngineError&) {
      source.reset();  // the rewritten text does not hold: read the result whole
    }
  }
  if (!m_keyset) {
    std::vector<Row> rows;
    while (stmt.Step()) {
      Row row(static_cast<size_t>(columns));
      for (int c = 0; c < columns; ++c) row[static_cast<size_t>(c)] = ColumnValue(s, c);
      rows.push_back(std::move(row));
    }
    // Expressions have no declared type: take it from the first row's values.
    for (int c = 0; c < columns; ++c) {
      FieldDef& def = fields[static_cast<size_t>(c)];
      if (def.type != FieldType::Unknown) continue;
      Value::Kind kind = rows.empty() ? Value::Kind::Text : rows[0][static_cast<size_t>(c)].kind;
      switch (kind) {
        case Value::Kind::Integer:
          def.type = FieldType::LargeInt;
          break;
        case Value::Kind::Float:
          def.type = FieldType::Float;
          break;
        case Value::Kind::Blob:
          def.type = FieldType::Blob;
          break;
        default:
          def.type = FieldType::String;
          def.size = 255;
          break;
      }
    }
    source = std::make_unique<MaterializedSource>(std::move(rows));
  }
  m_prepared = true;
}

}  // namespace kvn::db
