#include "db/catalogue.h"

#include <sqlite3.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

#include "db/database.h"
#include "db/sqlite.h"
#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/strings.h"
#include "platform/sys_error.h"

namespace kvn::db {

std::string CatalogueSchema(int level) {
  std::string sql =
      "CREATE TABLE video (\"Index\" INTEGER PRIMARY KEY AUTOINCREMENT, Reference VARCHAR(255), "
      "Titre VARCHAR(255) COLLATE NOCASE, Genre VARCHAR(30), Support VARCHAR(10), \"Durée\" TIME";
  if (level >= 2)
    sql += ", Jacquette VARCHAR(255), Nom VARCHAR(50), \"Prêté_le\" DATE, Nb_cd NUMERIC(2)";
  if (level >= 3) sql += ", Jaquette2 VARCHAR(255)";
  return sql + ")";
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
  std::string sql = "PRAGMA journal_mode=DELETE; BEGIN; " + CatalogueSchema(level) +
                    "; CREATE INDEX idTitre ON video(Titre); COMMIT;";
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
