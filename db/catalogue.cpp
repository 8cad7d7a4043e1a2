#include "db/catalogue.h"

#include <sqlite3.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "db/database.h"
#include "db/sqlite.h"
#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/strings.h"
#include "platform/sys_error.h"

namespace kvn::db {

void MarkRollbackJournal(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return;
  unsigned char versions[2];
  if (::pread(fd, versions, 2, 18) == 2 && (versions[0] == 2 || versions[1] == 2)) {
    const unsigned char legacy[2] = {1, 1};
    if (::pwrite(fd, legacy, 2, 18) != 2) {
      const int err = errno;
      ::close(fd);
      throw Error(platform::FileCreateMessage(path, err));
    }
  }
  ::close(fd);
}

std::string CatalogueSchema(int level) {
  std::string sql =
      "CREATE TABLE video (\"Index\" INTEGER PRIMARY KEY AUTOINCREMENT, Reference VARCHAR(255), "
      "Titre VARCHAR(255) COLLATE NOCASE, Genre VARCHAR(30), Support VARCHAR(10), \"Durée\" TIME";
  if (level >= 2)
    sql += ", Jacquette VARCHAR(255), Nom VARCHAR(50), \"Prêté_le\" DATE, Nb_cd NUMERIC(2)";
  if (level >= 3) sql += ", Jaquette2 VARCHAR(255)";
  return sql + ")";
}

namespace {

// Letters that fold to a base letter or two; lower() takes care of A-Z. The
// key is one call nested in the next, and SQLite's parser takes some
// twenty-five levels: these are the accented letters of French titles (with
// the capitals that begin them, and the Japanese long O of transcribed titles).
const std::pair<const char*, const char*> kFolds[] = {
    {"é", "e"}, {"è", "e"}, {"ê", "e"}, {"ë", "e"}, {"à", "a"}, {"â", "a"}, {"ç", "c"},
    {"î", "i"}, {"ô", "o"}, {"ù", "u"}, {"û", "u"}, {"ü", "u"}, {"œ", "oe"}, {"æ", "ae"},
    {"É", "e"}, {"È", "e"}, {"Ê", "e"}, {"À", "a"}, {"Â", "a"}, {"Ç", "c"}, {"Ô", "o"},
    {"Î", "i"}, {"Œ", "oe"}, {"Ō", "o"},
};

}  // namespace

std::string TitleKey(std::string_view operand) {
  std::string sql = "lower(" + std::string(operand) + ")";
  for (const auto& [from, to] : kFolds) sql = "replace(" + sql + ",'" + from + "','" + to + "')";
  return sql;
}

std::string TitleIndexSql() { return "CREATE INDEX idTitre ON video(" + TitleKey("Titre") + ", Titre)"; }

bool HasFrenchTitleIndex(Database& database) {
  Statement stmt(database.Handle(), "SELECT sql FROM sqlite_master WHERE type='index' AND name='idTitre'",
                 database.FilePath());
  if (!stmt.Step()) return false;
  const auto* sql = reinterpret_cast<const char*>(sqlite3_column_text(stmt.Get(), 0));
  return sql && TitleIndexSql() == sql;
}

void UseFrenchTitleIndex(Database& database) {
  if (HasFrenchTitleIndex(database)) return;
  database.ExecSQL("BEGIN IMMEDIATE");
  try {
    database.ExecSQL("DROP INDEX IF EXISTS idTitre");
    database.ExecSQL(TitleIndexSql());
    database.ExecSQL("COMMIT");
  } catch (...) {
    sqlite3_exec(database.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

std::string WithFrenchTitles(std::string_view sqlIn) {
  std::string sql(sqlIn);
  auto replaceAll = [&sql](const std::string& what, const std::string& by) {
    for (size_t at = 0;;) {
      size_t found = std::string::npos;
      // Without regard to case: the statements write "titre" and "Titre".
      for (size_t i = at; i + what.size() <= sql.size(); ++i)
        if (platform::EqualsNoCase(std::string_view(sql).substr(i, what.size()), what)) {
          found = i;
          break;
        }
      if (found == std::string::npos) return;
      sql.replace(found, what.size(), by);
      at = found + by.size();
    }
  };
  replaceAll("Titre=:EdTitre", TitleKey("Titre") + "=" + TitleKey(":EdTitre"));
  replaceAll("order by titre", "order by " + TitleKey("Titre") + ", Titre, rowid");
  return sql;
}

void CreateCatalogueFile(const std::string& directory, int level) {
  std::string dir = directory.empty() ? "." : directory;
  if (dir.back() != '/') dir += '/';
  const std::string path = dir + Database::kFileName;
  if (platform::FileExists(path) || platform::DirectoryExists(path))
    throw Error(platform::Subst(
        "Le catalogue \"%s\" existe déjà : il n'est pas remplacé.", {path}));
  if (!platform::ForceDirectories(dir))
    throw Error(platform::FileCreateMessage(path, errno ? errno : ENOENT));

  // Built under a temporary name and moved in place only when complete.
  const std::string temp = dir + ".video.DB.creating";
  ::unlink(temp.c_str());
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = EngineMessage(db, rc, path);
    sqlite3_close(db);
    throw EngineError(message, rc);
  }
  std::string sql = "PRAGMA journal_mode=DELETE; BEGIN; " + CatalogueSchema(level) + "; " + TitleIndexSql() +
                    "; COMMIT;";
  char* err = nullptr;
  rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
  sqlite3_free(err);
  std::string message = rc == SQLITE_OK ? "" : EngineMessage(db, rc, path);
  sqlite3_close(db);
  if (rc != SQLITE_OK) {
    ::unlink(temp.c_str());
    throw EngineError(message, rc);
  }
  // link() refuses to replace a file that appeared meanwhile.
  if (::link(temp.c_str(), path.c_str()) != 0) {
    int e = errno;
    ::unlink(temp.c_str());
    if (e == EEXIST)
      throw Error(platform::Subst("Le catalogue \"%s\" existe déjà : il n'est pas remplacé.", {path}));
    throw Error(platform::FileCreateMessage(path, e));
  }
  ::unlink(temp.c_str());
}

}  // namespace kvn::db
