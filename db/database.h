// The connection to the catalogue directory: one SQLite file, "video.DB", whose
// tables the datasets open by name ("Video" or "video.DB" both name `video`).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;

namespace kvn::db {

class Database {
 public:
  // directory: the catalogue directory; nothing is opened yet.
  explicit Database(std::string directory = ".");
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  void SetDirectory(std::string directory);
  const std::string& Directory() const { return m_directory; }
  // Full path of the catalogue file.
  std::string FilePath() const;

  // Opens the file if not open yet. Throws EngineError naming the file when it is
  // missing, unreadable or not a database. Journal mode DELETE, busy timeout 5 s.
  void Open();
  bool Connected() const { return m_db != nullptr; }
  void Close();
  // The open handle (opening first).
  sqlite3* Handle();

  // Runs one statement without a result set (the structure upgrade's "alter table").
  void ExecSQL(std::string_view sql);
  // The row id of the last row this connection inserted.
  int64_t LastInsertRowId();

  // Read transactions: between BeginRead and EndRead every read sees the same
  // committed state of the file, and another program's commit waits (journal
  // mode DELETE) until EndRead. Nested calls share the outermost transaction.
  // BeginRead throws EngineError when the file stays locked by a writer.
  void BeginRead();
  void EndRead() noexcept;
  bool InRead() const { return m_readDepth > 0; }
  // Numbers the outermost read transactions (0: none yet), so that rows loaded
  // within the current one are known not to need reading again.
  uint64_t ReadGeneration() const { return m_readGeneration; }

  // The table a dataset names: "Video", "video", "video.DB" → "video"; throws
  // when the file holds no such table.
  std::string ResolveTable(std::string_view name);

  static constexpr const char* kFileName = "video.DB";

 private:
  std::string m_directory;
  sqlite3* m_db = nullptr;
  int m_readDepth = 0;
  bool m_ownsRead = false;
  uint64_t m_readGeneration = 0;
};

// A read transaction for the lifetime of the object.
class ReadTransaction {
 public:
  explicit ReadTransaction(Database& database) : m_database(database) { m_database.BeginRead(); }
  ~ReadTransaction() { m_database.EndRead(); }
  ReadTransaction(const ReadTransaction&) = delete;
  ReadTransaction& operator=(const ReadTransaction&) = delete;

 private:
  Database& m_database;
};

}  // namespace kvn::db
