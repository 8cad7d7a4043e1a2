// A connection to a database file other than the open catalogue: the copy
// an archive takes, an archived catalogue being checked, a catalogue held
// locked while it is replaced. Failures keep the engine's code, which the
// callers turn into their own French messages.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace kvn::db {

// What an engine result code means to a caller.
enum class Outcome { Ok, Busy, Corrupt, Full, Interrupted, Other };
Outcome OutcomeOf(int code);

class Connection {
 public:
  enum class Mode {
    ReadOnly,
    ReadWrite,
    // Read-write, the file created when missing.
    Create,
    // Read-write when the file allows it, else read-only: a transaction a
    // killed writer left is then rolled back before anything is read.
    ReadWriteElseReadOnly,
  };
  // Opens path (busy timeout 5 s); never throws: Code() says how it went.
  // name: how messages name the file (a temporary copy is named after what
  // it copies); the path when empty.
  Connection(const std::string& path, Mode mode, std::string name = {});
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool IsOpen() const { return m_open; }
  // The result code of the open, or of the last Exec or Backup.
  int Code() const { return m_code; }
  // The engine's text of the last failure.
  std::string Message() const;
  // The system's error number of the last failed input or output (0: none).
  int SystemErrno() const;
  sqlite3* Handle() const { return m_db; }
  const std::string& Path() const { return m_path; }
  const std::string& Name() const { return m_name; }

  // Runs statements without result sets; returns the result code (0: done).
  int Exec(std::string_view sql);
  // "wal", "delete", ...; throws EngineError.
  std::string JournalMode();
  // "ok", or the first problem the engine's check finds (quick: without
  // comparing indexes with their tables); throws EngineError.
  std::string Check(bool quick);
  // The columns of a table, empty when there is no such table; throws EngineError.
  std::vector<std::string> Columns(std::string_view table);
  // Copies the whole database into target with the online backup; returns
  // the result code (0: done); the failure is then target's or this one's.
  int BackupTo(Connection& target);
  void Close();

 private:
  std::string m_path;
  std::string m_name;
  sqlite3* m_db = nullptr;
  int m_code = 0;
  bool m_open = false;
};

// Interrupts every statement of a connection once a time is past, for as
// long as it lives; the statement then fails with Outcome::Interrupted.
class Deadline {
 public:
  Deadline(Connection& connection, double seconds);
  ~Deadline();
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;

 private:
  static int Check(void* self);
  sqlite3* m_db;
  std::chrono::steady_clock::time_point m_end;
};

}  // namespace kvn::db
