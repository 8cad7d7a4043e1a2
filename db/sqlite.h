// The thin layer over the SQLite C API: statements as RAII objects and engine
// codes turned into kvn::db::EngineError with a French message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/error.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kvn::db {

// An engine failure; keeps SQLite's result code.
class EngineError : public kvn::Error {
 public:
  EngineError(const std::string& message, int nativeCode)
      : kvn::Error(message), m_nativeCode(nativeCode) {}
  int NativeCode() const { return m_nativeCode; }

 private:
  int m_nativeCode;
};

// The French message for a result code, with the engine's own text.
std::string EngineMessage(sqlite3* db, int rc, std::string_view fileName);
[[noreturn]] void ThrowEngineError(sqlite3* db, int rc, std::string_view fileName);

class Statement {
 public:
  Statement() = default;
  // Prepares sql; throws EngineError on failure.
  Statement(sqlite3* db, std::string_view sql, std::string_view fileName = {});
  ~Statement();
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  explicit operator bool() const { return m_stmt != nullptr; }
  sqlite3_stmt* Get() const { return m_stmt; }

  // True while a row is available; false when done; throws on failure (and resets).
  bool Step();
  void Reset();
  void BindNull(int index);
  void BindInt(int index, int64_t v);
  void BindDouble(int index, double v);
  void BindText(int index, std::string_view v);
  void BindBlob(int index, std::string_view v);

  int ColumnCount() const;
  int64_t ColumnInt(int i) const;
  bool ColumnIsNull(int i) const;
  // A column's text, empty for NULL.
  std::string ColumnText(int i) const;

 private:
  sqlite3* m_db = nullptr;
  sqlite3_stmt* m_stmt = nullptr;
  std::string m_fileName;
};

}  // namespace kvn::db
