#include "catalogue/film_search.h"

#include <string_view>
#include <utility>

#include "db/database.h"
#include "db/sqlite.h"
#include "db/title_key.h"
#include "platform/error.h"

namespace kvn::catalogue {

namespace {

// Ligatures and the letters of their own the tokenizer keeps whole: the
// index and the typed words are folded by the same table.
constexpr std::pair<std::string_view, std::string_view> kFolds[] = {
    {"œ", "oe"}, {"Œ", "oe"}, {"æ", "ae"}, {"Æ", "ae"}, {"ß", "ss"},
    {"ø", "o"},  {"Ø", "o"},  {"ł", "l"},  {"Ł", "l"}};

// The searched text of a film, as SQL over a row (old. or new.).
std::string FilmText(const std::string& row) {
  std::string text;
  for (const char* column :
       {"Titre", "Titre_original", "Reference", "\"Réalisateur\"", "Acteurs", "Nom"})
    text += std::string(text.empty() ? "" : " || ' ' || ") + "coalesce(" + row + column + ", '')";
  for (const auto& [from, to] : kFolds)
    text = "replace(" + text + ", '" + std::string(from) + "', '" + std::string(to) + "')";
  return text;
}

// The index holds no copy of the texts (content=''): a film's words are
// taken out by giving the index the text it was given.
std::string Triggers(int which) {
  const std::string insert =
      "INSERT INTO video_recherche (rowid, texte) VALUES (new.\"Index\", " + FilmText("new.") + ")";
  const std::string remove =
      "INSERT INTO video_recherche (video_recherche, rowid, texte) VALUES ('delete', "
      "old.\"Index\", " +
      FilmText("old.") + ")";
  switch (which) {
    case 0:
      return "CREATE TRIGGER video_recherche_ajout AFTER INSERT ON video BEGIN " + insert + "; END";
    case 1:
      return "CREATE TRIGGER video_recherche_modif AFTER UPDATE OF \"Index\", Titre, "
             "Titre_original, Reference, \"Réalisateur\", Acteurs, Nom ON video BEGIN " +
             remove + "; " + insert + "; END";
    default:
      return "CREATE TRIGGER video_recherche_suppr AFTER DELETE ON video BEGIN " + remove + "; END";
  }
}

const char kTable[] =
    "CREATE VIRTUAL TABLE video_recherche USING fts5(texte, content = '', tokenize = "
    "'unicode61 remove_diacritics 2')";
const char* const kTriggerNames[] = {"video_recherche_ajout", "video_recherche_modif",
                                     "video_recherche_suppr"};
// The tables FTS5 keeps for the index.
const char* const kShadowTables[] = {"video_recherche_data", "video_recherche_idx",
                                     "video_recherche_content", "video_recherche_docsize",
                                     "video_recherche_config"};

std::string SchemaSql(db::Database& database, const char* name) {
  db::Statement s(database.Handle(), "SELECT sql FROM sqlite_master WHERE name = ?1",
                  database.FilePath());
  s.BindText(1, name);
  return s.Step() && !s.ColumnIsNull(0) ? s.ColumnText(0) : std::string();
}

void RollBack(db::Database& database) noexcept {
  try {
    database.ExecSQL("ROLLBACK");
  } catch (const Error&) {
  }
}

}  // namespace

bool HasSearchIndex(db::Database& database) {
  if (SchemaSql(database, "video_recherche") != kTable) return false;
  for (int i = 0; i < 3; ++i)
    if (SchemaSql(database, kTriggerNames[i]) != Triggers(i)) return false;
  return true;
}

bool IsSearchIndexObject(const std::string& type, const std::string& name, const std::string& sql) {
  if (type == "table" && name == "video_recherche") return sql == kTable;
  if (type == "trigger") {
    for (int i = 0; i < 3; ++i)
      if (name == kTriggerNames[i]) return sql == Triggers(i);
    return false;
  }
  // FTS5's own tables hold data only.
  for (const char* shadow : kShadowTables)
    if (name == shadow) return type == "table" || type == "index";
  return false;
}

void UseSearchIndex(db::Database& database) {
  if (HasSearchIndex(database)) return;
  database.ExecSQL("BEGIN IMMEDIATE");
  try {
    for (const char* name : kTriggerNames)
      database.ExecSQL(std::string("DROP TRIGGER IF EXISTS ") + name);
    database.ExecSQL("DROP TABLE IF EXISTS video_recherche");
    database.ExecSQL(kTable);
    database.ExecSQL("INSERT INTO video_recherche (rowid, texte) SELECT \"Index\", " +
                     FilmText("") + " FROM video");
    for (int i = 0; i < 3; ++i) database.ExecSQL(Triggers(i));
    database.ExecSQL("COMMIT");
  } catch (...) {
    RollBack(database);
    throw;
  }
}

bool PauseSearchIndexForInserts(db::Database& database) {
  if (!HasSearchIndex(database)) return false;
  database.ExecSQL(std::string("DROP TRIGGER ") + kTriggerNames[0]);
  return true;
}

void IndexNewFilms(db::Database& database, int64_t firstNew) {
  database.ExecSQL("INSERT INTO video_recherche (rowid, texte) SELECT \"Index\", " + FilmText("") +
                   " FROM video WHERE \"Index\" >= " + std::to_string(firstNew));
  database.ExecSQL(Triggers(0));
}

std::string SearchQuery(const std::string& typed) {
  // Words are runs of letters and digits (an apostrophe or a dash parts them,
  // as the tokenizer does); each becomes a quoted prefix term.
  std::string query, word;
  auto flush = [&] {
    if (word.empty()) return;
    // Folded as the index folds the films' texts.
    for (const auto& [from, to] : kFolds)
      for (size_t at; (at = word.find(from)) != std::string::npos;)
        word.replace(at, from.size(), std::string(to));
    query += (query.empty() ? "" : " ") + ("\"" + word + "\"*");
    word.clear();
  };
  for (size_t i = 0; i < typed.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(typed[i]);
    const bool ascii = c < 0x80;
    const bool wordChar =
        !ascii || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    // Typographic apostrophes and quotes part words too.
    if (!ascii && (typed.compare(i, 3, "’") == 0 || typed.compare(i, 2, "«") == 0 ||
                   typed.compare(i, 2, "»") == 0)) {
      flush();
      i += typed.compare(i, 3, "’") == 0 ? 2 : 1;
      continue;
    }
    if (wordChar)
      word += static_cast<char>(c);
    else
      flush();
  }
  flush();
  return query;
}

std::vector<int64_t> SearchFilms(db::Database& database, const std::string& typed) {
  std::vector<int64_t> films;
  const std::string query = SearchQuery(typed);
  if (query.empty()) return films;
  const bool keys = db::HasFrenchTitleKey(database.Handle());
  db::Statement s(database.Handle(),
                  keys ? "SELECT k.id FROM video_cle k WHERE k.id IN (SELECT rowid FROM "
                         "video_recherche WHERE video_recherche MATCH ?1) ORDER BY k.cle, k.id"
                       : "SELECT rowid FROM video_recherche WHERE video_recherche MATCH ?1 ORDER "
                         "BY rowid",
                  database.FilePath());
  s.BindText(1, query);
  while (s.Step()) films.push_back(s.ColumnInt(0));
  return films;
}

}  // namespace kvn::catalogue
