#include "app/catalogue_files.h"

#include <cstdlib>

#include "platform/output_file.h"
#include "platform/strings.h"

namespace kvn::app {

const char* const kTableFileNames[] = {"video.DB",  "video.Dt",  "video.PX",
                                       "video.XG0", "video.YG0", nullptr};

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
  // The catalogue a restore replaced.
  platform::ProtectFromOutput(dir + "video.DB.avant-restauration");
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

}  // namespace kvn::app
