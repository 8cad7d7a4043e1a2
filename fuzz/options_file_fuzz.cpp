// Fuzz target: an export options file of arbitrary bytes loaded as the export
// dialog and `korvane export --options` load it, over a catalogue with every
// column. Anything but kvn::Error is a finding, and so is a file the check
// accepts that does not load, or a loaded state that does not survive being
// saved and loaded again (the second save must equal the first), or an
// export that cannot be prepared from it.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "catalogue/catalogue_files.h"
#include "db/database.h"
#include "db/table.h"
#include "db/title_key.h"
#include "export/dialog_choices.h"
#include "export/options_file.h"
#include "platform/error.h"
#include "platform/ini_file.h"

namespace {

struct Catalogue {
  std::string dir;
  std::unique_ptr<kvn::db::Database> database;
  std::unique_ptr<kvn::db::Table> table;
  Catalogue() {
    char pattern[] = "/tmp/kvn-fuzz-options-XXXXXX";
    dir = mkdtemp(pattern) ? pattern : "/tmp";
    kvn::catalogue::CreateCatalogueFile(dir);
    database = std::make_unique<kvn::db::Database>(dir);
    database->ExecSQL(
        "INSERT INTO video (Reference, Titre, Genre, Support, \"Durée\", Nom, \"Prêté_le\", Nb_cd) "
        "VALUES "
        "('5598930277955', 'Le Fabuleux Destin d''Amélie Poulain', 'Comédie', 'DVD', '02:02:00', "
        "'Łukasz', "
        "'2026-11-02', 1)");
    table = std::make_unique<kvn::db::Table>(*database);
    table->SetTableName("Video");
    table->SetIndexName("idTitre");
    table->Open();
  }
  kvn::exporting::ExportDialogSettings Settings() const {
    kvn::exporting::ExportDialogSettings s;
    s.DataSet = table.get();
    s.FileName = dir + "/video.xls";
    return s;
  }
};

const Catalogue& TheCatalogue() {
  static const Catalogue catalogue;
  return catalogue;
}

std::string Saved(kvn::exporting::ExportChoices& choices, const std::string& path) {
  std::remove(path.c_str());
  kvn::platform::IniFile ini(path);
  choices.SaveOptions(ini);
  return ini.Text();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Catalogue& catalogue = TheCatalogue();
  const std::string input = catalogue.dir + "/options.cfg";
  {
    std::ofstream(input, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  try {
    kvn::platform::IniFile ini(input);
    bool accepted = true;
    try {
      kvn::exporting::CheckOptionsFile(ini);
    } catch (const kvn::Error&) {
      accepted = false;
    }
    kvn::exporting::ExportChoices choices(catalogue.Settings());
    try {
      choices.LoadOptions(ini);
    } catch (const kvn::Error&) {
      if (accepted) {
        std::fprintf(stderr, "a file the check accepts does not load\n");
        abort();
      }
      return 0;
    }
    const std::string first = Saved(choices, catalogue.dir + "/premier.cfg");
    kvn::exporting::ExportChoices reloaded(catalogue.Settings());
    reloaded.LoadOptions(kvn::platform::IniFile(catalogue.dir + "/premier.cfg"));
    if (Saved(reloaded, catalogue.dir + "/second.cfg") != first) {
      std::fprintf(stderr, "the options loaded do not survive a save and a load\n");
      abort();
    }
    (void)choices.PrepareExport();
  } catch (const kvn::Error&) {
  }
  return 0;
}
