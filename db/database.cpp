#include "db/database.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>

#include "db/sqlite.h"
#include "db/title_key.h"
#include "platform/file_info.h"
#include "platform/strings.h"
#include "platform/sys_error.h"

namespace kvn::db {

using platform::Subst;

Database::Database(std::string directory) : m_directory(std::move(directory)) {}

Database::~Database() {
  Close();
}

void Database::SetDirectory(std::string directory) {
  Close();
  m_directory = std::move(directory);
}

std::string Database::FilePath() const {
  if (m_directory.empty()) return kFileName;
  std::string dir = m_directory;
  if (dir.back() != '/') dir += '/';
  return dir + kFileName;
}

void Database::Open() {
  if (m_db) return;
  const std::string path = FilePath();
  if (platform::DirectoryExists(path))
    throw EngineError(
        Subst("La table \"%s\" ne peut pas être ouverte : c'est un répertoire, pas un fichier.",
              {path}),
        SQLITE_CANTOPEN);
  if (!platform::FileExists(path)) {
    throw EngineError(Subst("La table \"%s\" est introuvable : le fichier n'existe pas.", {path}),
                      SQLITE_CANTOPEN);
  }
  if (::access(path.c_str(), R_OK) != 0) {
    throw EngineError(platform::FileOpenMessage(path, errno), SQLITE_CANTOPEN);
  }
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = EngineMessage(db, rc, path);
    sqlite3_close(db);
    throw EngineError(message, rc);
  }
  sqlite3_extended_result_codes(db, 0);
  sqlite3_busy_timeout(db, 5000);
  RegisterTitleFunctions(db);
  // Reading the schema proves the file is a database; DELETE journal mode keeps
  // the file a complete database whenever no write is under way.
  const char* setup =
      "PRAGMA journal_mode=DELETE;"
      "SELECT count(*) FROM sqlite_master;";
  char* err = nullptr;
  rc = sqlite3_exec(db, setup, nullptr, nullptr, &err);
  sqlite3_free(err);
  if (rc != SQLITE_OK) {
    std::string message = EngineMessage(db, rc, path);
    sqlite3_close(db);
    throw EngineError(message, rc);
  }
  m_db = db;
}

void Database::Close() {
  if (m_db) {
    m_readDepth = 0;
    m_ownsRead = false;
    sqlite3_close_v2(m_db);
    m_db = nullptr;
  }
}

sqlite3* Database::Handle() {
  Open();
  return m_db;
}

void Database::ExecSQL(std::string_view sql) {
  Statement stmt(Handle(), sql, FilePath());
  while (stmt.Step()) {
  }
}

int64_t Database::LastInsertRowId() {
  return sqlite3_last_insert_rowid(Handle());
}

void Database::BeginRead() {
  sqlite3* db = Handle();
  if (m_readDepth > 0) {
    ++m_readDepth;
    return;
  }
  m_ownsRead = sqlite3_get_autocommit(db) != 0;
  if (m_ownsRead) {
    // BEGIN alone takes no lock: reading the schema takes the shared lock now,
    // so the state seen is the one of this moment.
    char* err = nullptr;
    int rc = sqlite3_exec(db, "BEGIN; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK) {
      std::string message = EngineMessage(db, rc, FilePath());
      if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      m_ownsRead = false;
      throw EngineError(message, rc);
    }
  }
  m_readDepth = 1;
  ++m_readGeneration;
}

void Database::EndRead() noexcept {
  if (m_readDepth == 0 || --m_readDepth > 0) return;
  if (m_ownsRead && m_db && !sqlite3_get_autocommit(m_db)) {
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
      sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  m_ownsRead = false;
}

std::string Database::ResolveTable(std::string_view name) {
  std::string table(platform::Trim(name));
  if (table.size() > 3 && platform::EqualsNoCase(table.substr(table.size() - 3), ".db"))
    table.resize(table.size() - 3);
  Statement stmt(Handle(),
                 "SELECT name FROM sqlite_master WHERE type='table' AND name=?1 COLLATE NOCASE",
                 FilePath());
  stmt.BindText(1, table);
  if (!stmt.Step()) {
    throw EngineError(Subst("La table \"%s\" n'existe pas dans le fichier \"%s\".",
                            {std::string(name), FilePath()}),
                      SQLITE_ERROR);
  }
  return reinterpret_cast<const char*>(sqlite3_column_text(stmt.Get(), 0));
}

}  // namespace kvn::db
