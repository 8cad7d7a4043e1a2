#include "db/title_key.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <utility>
#include <vector>

#include "db/database.h"
#include "db/sqlite.h"
#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/strings.h"
#include "platform/sys_error.h"

namespace kvn::db {

namespace {

// The key of the title index idTitre, as catalogues hold it: lower(), then
// the accented letters of French titles (with the capitals that begin them,
// and the Japanese long O of transcribed titles), one replace() nested in the
// next. SQLite's parser takes some twenty-five levels, which is why the
// program's own order goes through the key table below.
const std::pair<const char*, const char*> kIndexFolds[] = {
    {"é", "e"},  {"è", "e"},  {"ê", "e"}, {"ë", "e"}, {"à", "a"},  {"â", "a"},
    {"ç", "c"},  {"î", "i"},  {"ô", "o"}, {"ù", "u"}, {"û", "u"},  {"ü", "u"},
    {"œ", "oe"}, {"æ", "ae"}, {"É", "e"}, {"È", "e"}, {"Ê", "e"},  {"À", "a"},
    {"Â", "a"},  {"Ç", "c"},  {"Ô", "o"}, {"Î", "i"}, {"Œ", "oe"}, {"Ō", "o"},
};

// Every Latin letter with a diacritic, small and capital (Latin-1, Latin
// Extended-A, the Romanian comma letters), to its base letter; ligatures and
// letters of their own (æ, œ, ß, ø, ł, þ, ...) spelled out in ASCII.
const std::pair<const char*, const char*> kTitleFolds[] = {
    {"À", "a"},  {"Á", "a"},  {"Â", "a"},  {"Ã", "a"}, {"Ä", "a"},  {"Å", "a"},  {"Æ", "ae"},
    {"Ç", "c"},  {"È", "e"},  {"É", "e"},  {"Ê", "e"}, {"Ë", "e"},  {"Ì", "i"},  {"Í", "i"},
    {"Î", "i"},  {"Ï", "i"},  {"Ð", "d"},  {"Ñ", "n"}, {"Ò", "o"},  {"Ó", "o"},  {"Ô", "o"},
    {"Õ", "o"},  {"Ö", "o"},  {"Ø", "o"},  {"Ù", "u"}, {"Ú", "u"},  {"Û", "u"},  {"Ü", "u"},
    {"Ý", "y"},  {"Þ", "th"}, {"ß", "ss"}, {"à", "a"}, {"á", "a"},  {"â", "a"},  {"ã", "a"},
    {"ä", "a"},  {"å", "a"},  {"æ", "ae"}, {"ç", "c"}, {"è", "e"},  {"é", "e"},  {"ê", "e"},
    {"ë", "e"},  {"ì", "i"},  {"í", "i"},  {"î", "i"}, {"ï", "i"},  {"ð", "d"},  {"ñ", "n"},
    {"ò", "o"},  {"ó", "o"},  {"ô", "o"},  {"õ", "o"}, {"ö", "o"},  {"ø", "o"},  {"ù", "u"},
    {"ú", "u"},  {"û", "u"},  {"ü", "u"},  {"ý", "y"}, {"þ", "th"}, {"ÿ", "y"},  {"Ā", "a"},
    {"ā", "a"},  {"Ă", "a"},  {"ă", "a"},  {"Ą", "a"}, {"ą", "a"},  {"Ć", "c"},  {"ć", "c"},
    {"Ĉ", "c"},  {"ĉ", "c"},  {"Ċ", "c"},  {"ċ", "c"}, {"Č", "c"},  {"č", "c"},  {"Ď", "d"},
    {"ď", "d"},  {"Đ", "d"},  {"đ", "d"},  {"Ē", "e"}, {"ē", "e"},  {"Ĕ", "e"},  {"ĕ", "e"},
    {"Ė", "e"},  {"ė", "e"},  {"Ę", "e"},  {"ę", "e"}, {"Ě", "e"},  {"ě", "e"},  {"Ĝ", "g"},
    {"ĝ", "g"},  {"Ğ", "g"},  {"ğ", "g"},  {"Ġ", "g"}, {"ġ", "g"},  {"Ģ", "g"},  {"ģ", "g"},
    {"Ĥ", "h"},  {"ĥ", "h"},  {"Ħ", "h"},  {"ħ", "h"}, {"Ĩ", "i"},  {"ĩ", "i"},  {"Ī", "i"},
    {"ī", "i"},  {"Ĭ", "i"},  {"ĭ", "i"},  {"Į", "i"}, {"į", "i"},  {"İ", "i"},  {"ı", "i"},
    {"Ĳ", "ij"}, {"ĳ", "ij"}, {"Ĵ", "j"},  {"ĵ", "j"}, {"Ķ", "k"},  {"ķ", "k"},  {"ĸ", "k"},
    {"Ĺ", "l"},  {"ĺ", "l"},  {"Ļ", "l"},  {"ļ", "l"}, {"Ľ", "l"},  {"ľ", "l"},  {"Ŀ", "l"},
    {"ŀ", "l"},  {"Ł", "l"},  {"ł", "l"},  {"Ń", "n"}, {"ń", "n"},  {"Ņ", "n"},  {"ņ", "n"},
    {"Ň", "n"},  {"ň", "n"},  {"ŉ", "n"},  {"Ŋ", "n"}, {"ŋ", "n"},  {"Ō", "o"},  {"ō", "o"},
    {"Ŏ", "o"},  {"ŏ", "o"},  {"Ő", "o"},  {"ő", "o"}, {"Œ", "oe"}, {"œ", "oe"}, {"Ŕ", "r"},
    {"ŕ", "r"},  {"Ŗ", "r"},  {"ŗ", "r"},  {"Ř", "r"}, {"ř", "r"},  {"Ś", "s"},  {"ś", "s"},
    {"Ŝ", "s"},  {"ŝ", "s"},  {"Ş", "s"},  {"ş", "s"}, {"Š", "s"},  {"š", "s"},  {"Ţ", "t"},
    {"ţ", "t"},  {"Ť", "t"},  {"ť", "t"},  {"Ŧ", "t"}, {"ŧ", "t"},  {"Ũ", "u"},  {"ũ", "u"},
    {"Ū", "u"},  {"ū", "u"},  {"Ŭ", "u"},  {"ŭ", "u"}, {"Ů", "u"},  {"ů", "u"},  {"Ű", "u"},
    {"ű", "u"},  {"Ų", "u"},  {"ų", "u"},  {"Ŵ", "w"}, {"ŵ", "w"},  {"Ŷ", "y"},  {"ŷ", "y"},
    {"Ÿ", "y"},  {"Ź", "z"},  {"ź", "z"},  {"Ż", "z"}, {"ż", "z"},  {"Ž", "z"},  {"ž", "z"},
    {"ſ", "s"},  {"Ș", "s"},  {"ș", "s"},  {"Ț", "t"}, {"ț", "t"},
};

// replace() calls per statement of a trigger: the parser's stack takes 27.
constexpr size_t kFoldsPerStatement = 24;

// Each fold is a two-byte UTF-8 sequence with an ASCII replacement: the
// replacement of each lead byte's sequences, by continuation byte.
struct FoldTable {
  static constexpr unsigned kFirstLead = 0xC3, kLastLead = 0xC8;
  const char* to[kLastLead - kFirstLead + 1][64] = {};
  FoldTable() {
    for (const auto& [from, by] : kTitleFolds) {
      const auto lead = static_cast<unsigned char>(from[0]),
                 next = static_cast<unsigned char>(from[1]);
      to[lead - kFirstLead][next - 0x80] = by;
    }
  }
};

const FoldTable& Folds() {
  static const FoldTable table;
  return table;
}

void FoldTitleFunction(sqlite3_context* context, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  const int bytes = sqlite3_value_bytes(argv[0]);
  const std::string folded =
      FoldTitle(std::string_view(text ? text : "", static_cast<size_t>(bytes)));
  sqlite3_result_text(context, folded.data(), static_cast<int>(folded.size()), SQLITE_TRANSIENT);
}

constexpr char kKeyTable[] = "video_cle";
const char* const kKeyTriggers[] = {"video_cle_ajout", "video_cle_modif", "video_cle_suppr"};

// The statements that give the film new."Index" its key: the first writes
// lower() and the first folds, each next one folds further, the last adds
// the title lowered (A-Z only: titles that fold alike then compare as the
// column's NOCASE does, "noel" before "noël").
std::string KeyStatements() {
  const size_t count = std::size(kTitleFolds);
  std::string body;
  for (size_t first = 0; first < count; first += kFoldsPerStatement) {
    std::string sql = first == 0 ? "lower(new.Titre)" : "cle";
    for (size_t i = first; i < std::min(count, first + kFoldsPerStatement); ++i)
      sql = std::string("replace(") + sql + ",'" + kTitleFolds[i].first + "','" +
            kTitleFolds[i].second + "')";
    if (first + kFoldsPerStatement >= count) sql += " || char(1) || lower(new.Titre)";
    body += first == 0
                ? "INSERT OR REPLACE INTO video_cle (id, cle) VALUES (new.\"Index\", " + sql + "); "
                : "UPDATE video_cle SET cle = " + sql + " WHERE id = new.\"Index\"; ";
  }
  return body;
}

}  // namespace

std::vector<std::string> TitleKeySchema() {
  return {
      "CREATE TABLE video_cle (id INTEGER PRIMARY KEY, cle TEXT)",
      "CREATE INDEX idCle ON video_cle(cle)",
      "CREATE TRIGGER video_cle_ajout AFTER INSERT ON video BEGIN " + KeyStatements() + "END",
      "CREATE TRIGGER video_cle_modif AFTER UPDATE OF \"Index\", Titre ON video BEGIN "
      "DELETE FROM video_cle WHERE id = old.\"Index\"; " +
          KeyStatements() + "END",
      "CREATE TRIGGER video_cle_suppr AFTER DELETE ON video BEGIN DELETE FROM video_cle WHERE id = "
      "old.\"Index\"; END",
  };
}

std::vector<std::string> DropTitleKeySql() {
  std::vector<std::string> drops;
  for (const char* trigger : kKeyTriggers)
    drops.push_back(std::string("DROP TRIGGER IF EXISTS ") + trigger);
  drops.push_back(std::string("DROP TABLE IF EXISTS ") + kKeyTable);
  return drops;
}

namespace {

std::string IndexTitleKey(std::string_view operand) {
  std::string sql = "lower(" + std::string(operand) + ")";
  for (const auto& [from, to] : kIndexFolds)
    sql = "replace(" + sql + ",'" + from + "','" + to + "')";
  return sql;
}

}  // namespace

std::string FoldTitle(std::string_view title) {
  const FoldTable& folds = Folds();
  std::string out;
  out.reserve(title.size());
  for (size_t i = 0; i < title.size(); ++i) {
    const auto c = static_cast<unsigned char>(title[i]);
    if (c >= FoldTable::kFirstLead && c <= FoldTable::kLastLead && i + 1 < title.size()) {
      const auto next = static_cast<unsigned char>(title[i + 1]);
      if (next >= 0x80 && next <= 0xBF)
        if (const char* by = folds.to[c - FoldTable::kFirstLead][next - 0x80]) {
          out += by;
          ++i;
          continue;
        }
    }
    out += platform::AsciiLower(static_cast<char>(c));
  }
  return out;
}

std::string TitleSortKey(std::string_view title) {
  std::string key = FoldTitle(title);
  key += '\x01';
  return key + platform::AsciiLowerCopy(title);
}

void RegisterTitleFunctions(sqlite3* handle) {
  sqlite3_create_function_v2(handle, "cle_titre", 1,
                             SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                             FoldTitleFunction, nullptr, nullptr, nullptr);
}

std::string TitleKey(std::string_view operand) {
  return "cle_titre(" + std::string(operand) + ")";
}

std::string TitleSortKeySql(std::string_view operand) {
  const std::string op(operand);
  return "cle_titre(" + op + ") || char(1) || lower(" + op + ")";
}

std::string TitleIndexSql() {
  return "CREATE INDEX idTitre ON video(" + IndexTitleKey("Titre") + ", Titre)";
}

std::string TitleKeySchemaSql() {
  std::string sql;
  for (const std::string& statement : TitleKeySchema()) sql += statement + ";\n";
  return sql;
}

bool IsTitleKeyTrigger(std::string_view name, std::string_view sql) {
  for (const std::string& statement : TitleKeySchema())
    if (statement == sql && statement.rfind("CREATE TRIGGER " + std::string(name) + " ", 0) == 0)
      return true;
  return false;
}

bool HasFrenchTitleKey(sqlite3* handle, bool countKeys) {
  const std::vector<std::string> expected = TitleKeySchema();
  size_t found = 0;
  {
    Statement schema(
        handle,
        "SELECT sql FROM sqlite_master WHERE name IN ('video_cle', 'idCle', 'video_cle_ajout', "
        "'video_cle_modif', 'video_cle_suppr')",
        "video.DB");
    while (schema.Step()) {
      if (schema.ColumnIsNull(0)) return false;
      const std::string sql = schema.ColumnText(0);
      if (std::find(expected.begin(), expected.end(), sql) == expected.end()) return false;
      ++found;
    }
  }
  if (found != expected.size() || !countKeys) return found == expected.size();
  // One key per film: the triggers kept it since they were made.
  Statement counts(handle, "SELECT (SELECT count(*) FROM video) = (SELECT count(*) FROM video_cle)",
                   "video.DB");
  return counts.Step() && counts.ColumnInt(0) == 1;
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
  replaceAll("order by titre", "order by " + TitleSortKeySql("Titre") + ", rowid");
  return sql;
}

}  // namespace kvn::db
