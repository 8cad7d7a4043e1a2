#include "db/sqlite.h"

#include <sqlite3.h>

#include <utility>

#include "platform/strings.h"
#include "platform/sys_error.h"

namespace kvn::db {

using platform::Subst;

namespace {

// The engine's own words, in French: the texts a user may meet, with the
// name they carry; anything else is said as an engine error with its code.
std::string FrenchDetail(const std::string& english, int rc) {
  struct Pattern {
    const char* prefix;
    const char* french;  // "%s": what follows the prefix
  };
  static const Pattern kPatterns[] = {
      {"no such table: ", "la table %s n'existe pas"},
      {"no such column: ", "la colonne %s n'existe pas"},
      {"no such function: ", "la fonction %s n'existe pas"},
      {"no such index: ", "l'index %s n'existe pas"},
      {"duplicate column name: ", "la colonne %s existe déjà"},
      {"UNIQUE constraint failed: ", "la valeur de %s existe déjà"},
      {"NOT NULL constraint failed: ", "%s ne peut pas être vide"},
      {"CHECK constraint failed: ", "la règle %s n'est pas respectée"},
      {"FOREIGN KEY constraint failed", "une référence à une autre table n'est pas respectée%s"},
      {"file is not a database", "ce n'est pas une base de données%s"},
      {"database disk image is malformed", "le fichier est endommagé%s"},
      {"database is locked", "la base est verrouillée par un autre programme%s"},
      {"database table is locked", "une table est verrouillée par un autre programme%s"},
      {"attempt to write a readonly database", "le fichier ne peut pas être écrit%s"},
      {"disk I/O error", "erreur d'entrée/sortie sur le disque%s"},
      {"database or disk is full", "le disque est plein%s"},
      {"unable to open database file", "le fichier ne peut pas être ouvert%s"},
      {"out of memory", "mémoire insuffisante%s"},
      {"interrupted", "opération interrompue%s"},
      {"not an error", "aucune erreur%s"},
  };
  for (const Pattern& p : kPatterns) {
    const std::string_view prefix(p.prefix);
    if (english.compare(0, prefix.size(), prefix) == 0)
      return Subst(p.french, {english.substr(prefix.size())});
  }
  // "near "x": syntax error", "table video already exists"…
  if (const size_t at = english.find(": syntax error"); at != std::string::npos)
    return Subst("erreur de syntaxe %s", {english.substr(0, at)});
  if (english.rfind("table ", 0) == 0 && english.size() > 15 &&
      english.compare(english.size() - 15, 15, " already exists") == 0)
    return Subst("la table %s existe déjà", {english.substr(6, english.size() - 21)});
  return Subst("erreur %s du moteur de base de données", {std::to_string(rc & 0xFF)});
}

}  // namespace

std::string EngineMessage(sqlite3* db, int rc, std::string_view fileName) {
  const char* engine = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  std::string detail = FrenchDetail(engine ? engine : "", db ? sqlite3_extended_errcode(db) : rc);
  const int extended = db ? sqlite3_extended_errcode(db) : rc;
  std::string file(fileName);
  // A failure of the file system is told with the system's reason, in French.
  const int system = db ? sqlite3_system_errno(db) : 0;
  if (system != 0) {
    switch (rc & 0xFF) {
      case SQLITE_CANTOPEN:
        return platform::FileOpenMessage(file, system);
      case SQLITE_IOERR:
      case SQLITE_FULL:
        return Subst("Erreur d'entrée/sortie sur le fichier \"%s\". %s",
                     {file, platform::SystemErrorMessage(system)});
      default:
        break;
    }
  }
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return Subst(
          "La table \"%s\" est verrouillée par un autre programme ; réessayez dans un instant.",
          {file});
    case SQLITE_READONLY:
      // A journal left by a writer that was stopped: its transaction is undone
      // by the next program that opens the file for writing.
      if (extended == SQLITE_READONLY_ROLLBACK || extended == SQLITE_READONLY_RECOVERY)
        return Subst(
            "La table \"%s\" garde une transaction inachevée d'un programme interrompu (son "
            "journal est "
            "à côté) ; elle ne peut pas être annulée ici, le fichier ou son répertoire ne pouvant "
            "pas être "
            "écrit.",
            {file});
      return Subst("La table \"%s\" est en lecture seule : impossible d'y écrire.", {file});
    case SQLITE_FULL:
      return Subst("Disque plein : impossible d'écrire dans \"%s\".", {file});
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return Subst("Le fichier \"%s\" est endommagé ou n'est pas une table du catalogue (%s).",
                   {file, detail});
    case SQLITE_CANTOPEN:
      return Subst("Impossible d'ouvrir le fichier \"%s\" (%s).", {file, detail});
    case SQLITE_IOERR:
      return Subst("Erreur d'entrée/sortie sur le fichier \"%s\" (%s).", {file, detail});
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return Subst("Accès refusé au fichier \"%s\".", {file});
    case SQLITE_CONSTRAINT:
      return Subst("Violation de clé : %s.", {detail});
    case SQLITE_NOMEM:
      return "Mémoire insuffisante.";
    case SQLITE_RANGE:
      return Subst("Paramètre hors limites : %s.", {detail});
    default:
      break;
  }
  return Subst("Erreur du moteur de base de données : %s.", {detail});
}

void ThrowEngineError(sqlite3* db, int rc, std::string_view fileName) {
  throw EngineError(EngineMessage(db, rc, fileName), rc);
}

Statement::Statement(sqlite3* db, std::string_view sql, std::string_view fileName)
    : m_db(db), m_fileName(fileName) {
  int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &m_stmt, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    ThrowEngineError(db, rc, fileName);
  }
}

Statement::~Statement() {
  sqlite3_finalize(m_stmt);
}

Statement::Statement(Statement&& other) noexcept
    : m_db(other.m_db),
      m_stmt(std::exchange(other.m_stmt, nullptr)),
      m_fileName(std::move(other.m_fileName)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(m_stmt);
    m_db = other.m_db;
    m_stmt = std::exchange(other.m_stmt, nullptr);
    m_fileName = std::move(other.m_fileName);
  }
  return *this;
}

bool Statement::Step() {
  int rc = sqlite3_step(m_stmt);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  std::string message = EngineMessage(m_db, rc, m_fileName);
  sqlite3_reset(m_stmt);
  throw EngineError(message, rc);
}

void Statement::Reset() {
  sqlite3_reset(m_stmt);
  sqlite3_clear_bindings(m_stmt);
}

int Statement::ColumnCount() const {
  return sqlite3_column_count(m_stmt);
}

int64_t Statement::ColumnInt(int i) const {
  return sqlite3_column_int64(m_stmt, i);
}

bool Statement::ColumnIsNull(int i) const {
  return sqlite3_column_type(m_stmt, i) == SQLITE_NULL;
}

std::string Statement::ColumnText(int i) const {
  const unsigned char* text = sqlite3_column_text(m_stmt, i);
  return text ? std::string(reinterpret_cast<const char*>(text),
                            static_cast<size_t>(sqlite3_column_bytes(m_stmt, i)))
              : std::string();
}

void Statement::BindNull(int index) {
  sqlite3_bind_null(m_stmt, index);
}
void Statement::BindInt(int index, int64_t v) {
  sqlite3_bind_int64(m_stmt, index, v);
}
void Statement::BindDouble(int index, double v) {
  sqlite3_bind_double(m_stmt, index, v);
}
void Statement::BindText(int index, std::string_view v) {
  sqlite3_bind_text(m_stmt, index, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
}
void Statement::BindBlob(int index, std::string_view v) {
  sqlite3_bind_blob(m_stmt, index, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
}

}  // namespace kvn::db
