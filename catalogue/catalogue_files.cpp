#include "catalogue/catalogue_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "catalogue/film_search.h"
#include "catalogue/loans.h"
#include "db/connection.h"
#include "db/database.h"
#include "db/sqlite.h"
#include "db/title_key.h"
#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/ini_file.h"
#include "platform/output_file.h"
#include "platform/strings.h"
#include "platform/sys_error.h"

namespace kvn::catalogue {

void CreateCatalogueFile(const std::string& directory, int level) {
  std::string dir = directory.empty() ? "." : directory;
  if (dir.back() != '/') dir += '/';
  const std::string path = dir + db::Database::kFileName;
  if (platform::FileExists(path) || platform::DirectoryExists(path))
    throw Error(
        platform::Subst("Le catalogue \"%s\" existe déjà : il n'est pas remplacé.", {path}));
  if (!platform::ForceDirectories(dir))
    throw Error(platform::FileCreateMessage(path, errno ? errno : ENOENT));

  // Built under a temporary name and moved in place only when complete.
  const std::string temp = dir + ".video.DB.creating";
  ::unlink(temp.c_str());
  {
    db::Connection db(temp, db::Connection::Mode::Create);
    const std::string sql = "PRAGMA journal_mode=DELETE; BEGIN; " + CatalogueSchema(level) + "; " +
                            db::TitleIndexSql() + "; " + db::TitleKeySchemaSql();
    if (!db.IsOpen() || db.Exec(sql + "COMMIT;") != 0) {
      const std::string message = db::EngineMessage(db.Handle(), db.Code(), path);
      const int code = db.Code();
      db.Close();
      ::unlink(temp.c_str());
      throw db::EngineError(message, code);
    }
  }
  // link() refuses to replace a file that appeared meanwhile.
  if (::link(temp.c_str(), path.c_str()) != 0) {
    int e = errno;
    ::unlink(temp.c_str());
    if (e == EEXIST)
      throw Error(
          platform::Subst("Le catalogue \"%s\" existe déjà : il n'est pas remplacé.", {path}));
    throw Error(platform::FileCreateMessage(path, e));
  }
  ::unlink(temp.c_str());
}

const char* const kTableFileNames[] = {"video.DB",  "video.Dt",  "video.PX",
                                       "video.XG0", "video.YG0", nullptr};

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
  if (level >= 4)
    for (const char* declaration : kDetailColumnDeclarations)
      sql += std::string(", ") + declaration;
  return sql + ")";
}

const char* const kDetailColumns[9] = {"Année",  "Réalisateur", "Acteurs", "Pays", "Titre_original",
                                       "Résumé", "Note",        "Vu",      "EAN"};
const char* const kDetailColumnDeclarations[9] = {"\"Année\" INTEGER",
                                                  "\"Réalisateur\" VARCHAR(100)",
                                                  "Acteurs VARCHAR(255)",
                                                  "Pays VARCHAR(50)",
                                                  "Titre_original VARCHAR(255)",
                                                  "\"Résumé\" TEXT",
                                                  "Note INTEGER",
                                                  "Vu BOOLEAN",
                                                  "EAN VARCHAR(13)"};

void InitCatalogue(const std::string& directory) {
  CreateCatalogueFile(directory, kCurrentStructureLevel);
  {
    db::Database database(directory);
    UseLoanTables(database, LoanPeriodDays(directory));
    UseSearchIndex(database);
  }
  platform::IniFile ini(SettingsPath(directory), {.allowProtected = true});
  ini.WriteString("BASEDB", "Id_Imp_Base", std::to_string(kCurrentStructureLevel));
}

std::string SettingsPath(const std::string& directory) {
  std::string dir = directory.empty() ? "." : directory;
  if (dir.back() != '/') dir += '/';
  return dir + "kvn.ini";
}

namespace {

std::string WithSlash(const std::string& directory) {
  std::string dir = directory.empty() ? "." : directory;
  if (dir.back() != '/') dir += '/';
  return dir;
}

}  // namespace

void ProtectCatalogueFiles(const std::string& directory) {
  const std::string dir = WithSlash(directory);
  for (const char* const* name = kTableFileNames; *name; ++name)
    platform::ProtectFromOutput(dir + *name);
  // The database engine's journals beside the table.
  for (const char* suffix : {"-journal", "-wal", "-shm"})
    platform::ProtectFromOutput(dir + "video.DB" + suffix);
  platform::ProtectFromOutput(dir + "kvn.ini");
  // The catalogue a restore replaced, and the one before the last import.
  platform::ProtectFromOutput(dir + "video.DB.avant-restauration");
  platform::ProtectFromOutput(dir + "video.DB.avant-import");
  platform::ProtectFolderFromOutput(dir + "Archive");
}

void RemoveStaleCatalogueTemporaries(const std::string& directory) {
  const std::string dir = WithSlash(directory);
  platform::RemoveStaleOutputFiles(dir);
  platform::RemoveStaleOutputFiles(dir + "Archive");
}

std::string FilmLabel(db::DataSet& films) {
  if (!films.Active() || films.IsEmpty()) return std::string();
  auto text = [&films](const char* name) {
    db::Field* f = films.FindField(name);
    return f ? std::string(platform::Trim(f->AsString())) : std::string();
  };
  const std::string title = text("Titre"), reference = text("Reference");
  if (reference.empty()) return platform::Subst("Le film « %s »", {title});
  return platform::Subst("Le film « %s » (référence %s)", {title, reference});
}

std::string UserSettingsDirectory() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config && config[0] == '/') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home && *home ? home : ".") + "/.config";
  }
  return base + "/korvane/";
}

}  // namespace kvn::catalogue
