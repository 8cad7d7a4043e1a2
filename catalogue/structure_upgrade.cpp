#include "catalogue/structure_upgrade.h"

#include "catalogue/catalogue_files.h"
#include "catalogue/film_search.h"
#include "catalogue/loans.h"
#include "db/database.h"
#include "db/sqlite.h"
#include "db/title_key.h"
#include "platform/codepage.h"
#include "platform/conversions.h"
#include "platform/error.h"
#include "platform/ini_file.h"

namespace kvn::catalogue {

namespace {

// The columns of levels 2 and 3, in the order they are added.
struct AddedColumn {
  const char* column;
  const char* sql;
};
const AddedColumn kOriginalColumns[] = {
    {"Jacquette", "alter table video add column Jacquette varchar(255)"},
    {"Jaquette2", "alter table video add column Jaquette2 varchar(255)"},
    {"Nom", "alter table video add column Nom varchar(50)"},
    {"Prêté_le", "alter table video add column Prêté_le DATE"},
    {"Nb_cd", "alter table video add column Nb_cd Numeric(2)"},
};

void RollBack(db::Database& database) noexcept {
  try {
    database.ExecSQL("ROLLBACK");
  } catch (const Error&) {
    // No transaction left to undo.
  }
}

}  // namespace

StructureUpgrade PlanStructureUpgrade(db::Database& database, const std::string& directory) {
  StructureUpgrade plan;
  std::optional<int> level;
  try {
    platform::IniFile ini(SettingsPath(directory), {.allowProtected = true});
    level = platform::TryStrToInt(ini.ReadString("BASEDB", "Id_Imp_Base", "0"));
  } catch (const Error&) {
    // Unreadable: the table's columns tell.
  }
  std::vector<std::string> columns;
  try {
    db::Statement info(database.Handle(), "SELECT name FROM pragma_table_info('video')",
                       database.FilePath());
    while (info.Step()) columns.push_back(info.ColumnText(0));
  } catch (const Error&) {
    // No readable table: opening it says why.
  }
  if (columns.empty()) return plan;
  plan.hasTable = true;
  auto has = [&columns](const char* name) {
    for (const auto& c : columns)
      if (platform::Cp1252EqualsNoCase(platform::Utf8ToCp1252(c), platform::Utf8ToCp1252(name)))
        return true;
    return false;
  };
  for (const AddedColumn& added : kOriginalColumns)
    if (!has(added.column)) plan.columns.emplace_back(added.sql);
  plan.tellUser = !plan.columns.empty();
  plan.fromLevel2 = plan.columns.size() == 1 && !has("Jaquette2");
  // The film's details come after, with no message: they only add empty
  // fields to a catalogue that works as before.
  for (size_t i = 0; i < std::size(kDetailColumns); ++i)
    if (!has(kDetailColumns[i]))
      plan.columns.push_back(std::string("ALTER TABLE video ADD COLUMN ") +
                             kDetailColumnDeclarations[i]);
  // The settings file is brought in line with the table; a level written by
  // another version (1, 5 and above) is left as it is.
  plan.writeLevel = !level || *level == 0 || *level == 2 || *level == 3 || !plan.columns.empty();
  return plan;
}

UpgradeFailures ApplyStructureUpgrade(db::Database& database, const std::string& directory,
                                      const StructureUpgrade& plan) {
  UpgradeFailures failures;
  if (!plan.hasTable) return failures;
  // All the columns or none: a failure halfway would leave a table that
  // neither this version nor an earlier one expects.
  if (!plan.columns.empty()) {
    database.ExecSQL("BEGIN IMMEDIATE");
    try {
      for (const std::string& sql : plan.columns) database.ExecSQL(sql);
      database.ExecSQL("COMMIT");
    } catch (...) {
      RollBack(database);
      throw;
    }
  }
  if (plan.writeLevel) {
    try {
      platform::IniFile ini(SettingsPath(directory), {.allowProtected = true});
      ini.WriteString("BASEDB", "Id_Imp_Base", std::to_string(kCurrentStructureLevel));
    } catch (const Error&) {
      failures.settings = std::current_exception();
    }
  }
  // Titles in French order ("À bout de souffle" among the A's): a catalogue
  // made before gets its title index rebuilt and its key table built once.
  try {
    UseFrenchTitleIndex(database);
    UseFrenchTitleKey(database);
  } catch (const Error&) {
    failures.titles = std::current_exception();
  }
  // The loans' history and due dates; the index of the quick filter.
  try {
    UseLoanTables(database, LoanPeriodDays(directory));
    UseSearchIndex(database);
  } catch (const Error&) {
    if (!failures.titles) failures.titles = std::current_exception();
  }
  return failures;
}

void UseFrenchTitleKey(db::Database& database) {
  if (db::HasFrenchTitleKey(database.Handle(), true)) return;
  database.ExecSQL("BEGIN IMMEDIATE");
  try {
    for (const std::string& drop : db::DropTitleKeySql()) database.ExecSQL(drop);
    const std::vector<std::string> schema = db::TitleKeySchema();
    database.ExecSQL(schema[0]);
    // The keys of the films already there, by the program's own function
    // (the triggers compute the same).
    database.ExecSQL("INSERT INTO video_cle (id, cle) SELECT \"Index\", " +
                     db::TitleSortKeySql("Titre") + " FROM video");
    for (size_t i = 1; i < schema.size(); ++i) database.ExecSQL(schema[i]);
    database.ExecSQL("COMMIT");
  } catch (...) {
    RollBack(database);
    throw;
  }
}

bool HasFrenchTitleIndex(db::Database& database) {
  db::Statement stmt(database.Handle(),
                     "SELECT sql FROM sqlite_master WHERE type='index' AND name='idTitre'",
                     database.FilePath());
  if (!stmt.Step()) return false;
  return !stmt.ColumnIsNull(0) && db::TitleIndexSql() == stmt.ColumnText(0);
}

void UseFrenchTitleIndex(db::Database& database) {
  if (HasFrenchTitleIndex(database)) return;
  database.ExecSQL("BEGIN IMMEDIATE");
  try {
    database.ExecSQL("DROP INDEX IF EXISTS idTitre");
    database.ExecSQL(db::TitleIndexSql());
    database.ExecSQL("COMMIT");
  } catch (...) {
    RollBack(database);
    throw;
  }
}

}  // namespace kvn::catalogue
