// Bringing an older catalogue to the current structure when the program
// opens it: the columns of the later levels added, the settings file's level
// brought in line, and the title index and title key table of the French
// title order built once.
#pragma once

#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace kvn::db {
class Database;
}

namespace kvn::catalogue {

// What opening a catalogue has to change. The table's own columns decide what
// is still to add: a missing, damaged or stale settings file never leads to
// adding a column that exists (which would fail and leave the list empty).
struct StructureUpgrade {
  bool hasTable = false;             // the `video` table could be read
  std::vector<std::string> columns;  // the ALTER TABLE statements still to run
  bool tellUser = false;             // a column of levels 2 or 3 is missing
  bool fromLevel2 = false;           // of those, only the back cover is missing
  bool writeLevel = false;           // kvn.ini gets the current level
};

// Reads the table's columns and the level kvn.ini gives; changes nothing.
StructureUpgrade PlanStructureUpgrade(db::Database& database, const std::string& directory);

// What could not be done; the catalogue opens all the same, and the user is
// told once the list is shown.
struct UpgradeFailures {
  std::exception_ptr settings;  // kvn.ini could not be written
  std::exception_ptr titles;    // the title index or key table could not be built
};

// Adds the columns (a failure throws: the table is then not usable), writes
// the level and builds the French title index and key table.
UpgradeFailures ApplyStructureUpgrade(db::Database& database, const std::string& directory,
                                      const StructureUpgrade& plan);

// The catalogue's title index idTitre in French order, rebuilt when it is
// not (one transaction).
bool HasFrenchTitleIndex(db::Database& database);
void UseFrenchTitleIndex(db::Database& database);
// The title key table and its triggers, built when they are not there as
// this program writes them or hold a key count other than the films' (one
// transaction).
void UseFrenchTitleKey(db::Database& database);

}  // namespace kvn::catalogue
