#include "db/connection.h"

#include <sqlite3.h>

#include <utility>

#include "db/sqlite.h"

namespace kvn::db {

Outcome OutcomeOf(int code) {
  switch (code & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
      return Outcome::Ok;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return Outcome::Busy;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return Outcome::Corrupt;
    case SQLITE_FULL:
      return Outcome::Full;
    case SQLITE_INTERRUPT:
      return Outcome::Interrupted;
    default:
      return Outcome::Other;
  }
}

Connection::Connection(const std::string& path, Mode mode, std::string name)
    : m_path(path), m_name(name.empty() ? path : std::move(name)) {
  const int flags = mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY
                    : mode == Mode::Create ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
                                           : SQLITE_OPEN_READWRITE;
  m_code = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
  if (m_code != SQLITE_OK && mode == Mode::ReadWriteElseReadOnly) {
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_code = sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READONLY, nullptr);
  }
  m_open = m_code == SQLITE_OK;
  if (m_open) sqlite3_busy_timeout(m_db, 5000);
}

Connection::~Connection() {
  Close();
}

void Connection::Close() {
  if (m_db) sqlite3_close_v2(m_db);
  m_db = nullptr;
  m_open = false;
}

std::string Connection::Message() const {
  return m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(m_code);
}

int Connection::SystemErrno() const {
  return m_db ? sqlite3_system_errno(m_db) : 0;
}

int Connection::Exec(std::string_view sql) {
  m_code = sqlite3_exec(m_db, std::string(sql).c_str(), nullptr, nullptr, nullptr);
  return m_code;
}

std::string Connection::JournalMode() {
  Statement mode(m_db, "PRAGMA journal_mode", m_name);
  return mode.Step() ? mode.ColumnText(0) : std::string();
}

std::string Connection::Check(bool quick) {
  Statement check(m_db, quick ? "PRAGMA quick_check" : "PRAGMA integrity_check", m_name);
  return check.Step() ? check.ColumnText(0) : std::string();
}

std::vector<std::string> Connection::Columns(std::string_view table) {
  Statement info(m_db, "SELECT name FROM pragma_table_info(?1)", m_name);
  info.BindText(1, table);
  std::vector<std::string> columns;
  while (info.Step()) columns.push_back(info.ColumnText(0));
  return columns;
}

int Connection::BackupTo(Connection& target) {
  sqlite3_backup* backup = sqlite3_backup_init(target.m_db, "main", m_db, "main");
  if (!backup) return target.m_code = sqlite3_errcode(target.m_db);
  int rc = sqlite3_backup_step(backup, -1);
  sqlite3_backup_finish(backup);
  if (rc == SQLITE_DONE) rc = SQLITE_OK;
  m_code = target.m_code = rc;
  return rc;
}

Deadline::Deadline(Connection& connection, double seconds)
    : m_db(connection.Handle()),
      m_end(std::chrono::steady_clock::now() +
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                std::chrono::duration<double>(seconds))) {
  sqlite3_progress_handler(m_db, 10000, &Deadline::Check, this);
}

Deadline::~Deadline() {
  sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
}

int Deadline::Check(void* self) {
  return std::chrono::steady_clock::now() > static_cast<Deadline*>(self)->m_end ? 1 : 0;
}

}  // namespace kvn::db
