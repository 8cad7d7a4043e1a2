#include "import/film_import.h"

#include <fcntl.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <cmath>
#include <map>

#include "catalogue/film_rules.h"
#include "catalogue/film_search.h"
#include "db/connection.h"
#include "db/database.h"
#include "db/sqlite.h"
#include "db/title_key.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/output_file.h"
#include "platform/output_set.h"
#include "platform/strings.h"
#include "platform/sys_error.h"

namespace kvn::importing {

using platform::Subst;

namespace {

// Names a column may have, best first, as Folded() gives them.
struct Names {
  size_t field;
  std::vector<const char*> names;
};
const std::vector<Names>& Synonyms() {
  static const std::vector<Names> synonyms = {
      {1, {"titre", "title", "titredufilm", "nomdufilm", "film"}},
      {0, {"reference", "ref", "code", "cote", "identifiant", "numero", "num"}},
      {2, {"genre", "genres", "categorie", "category", "categories"}},
      {3, {"support", "supports", "medium", "media", "format"}},
      {4, {"duree", "duration", "runningtime", "runtime", "time", "length", "temps"}},
      {5,
       {"jacquette", "jaquette", "jaquetteavant", "jacquetteavant", "cover", "couverture", "image",
        "affiche", "poster"}},
      {9, {"jaquette2", "jaquettearriere", "jacquettearriere", "backcover", "backpic", "dos"}},
      {6, {"nom", "emprunteur", "pretea", "borrower", "loanedto"}},
      {7, {"pretele", "datedepret", "datedupret", "datepret", "lenddate", "loandate"}},
      {8, {"nbcd", "nbdisques", "nombrededisques", "disques", "discs", "nbdiscs", "number"}},
      {10, {"annee", "year", "anneedesortie", "sortie", "date", "released", "release"}},
      {11, {"realisateur", "realisateurs", "realisation", "director", "directors"}},
      {12, {"acteurs", "acteur", "actors", "cast", "casting", "distribution"}},
      {13, {"pays", "country", "countries", "nationality", "nationalite"}},
      {14, {"titreoriginal", "originaltitle", "origtitle", "original", "titrevo", "vo"}},
      {15, {"resume", "synopsis", "summary", "plot", "description", "histoire"}},
      {16, {"note", "rating", "notepersonnelle", "evaluation", "etoiles", "stars"}},
      {17, {"vu", "seen", "watched", "dejavu"}},
      {18, {"ean", "ean13", "barcode", "codebarre", "codebarres", "upc", "gencod"}},
  };
  return synonyms;
}

// A name without accents, case, spaces or punctuation: "Prêté le" → "pretele".
std::string Folded(const std::string& name) {
  const QString decomposed = QString::fromStdString(name).normalized(QString::NormalizationForm_KD);
  std::string out;
  for (QChar c : decomposed) {
    if (c.unicode() >= 0x80) continue;  // the accents, once apart from their letters
    const char a = static_cast<char>(c.toLower().unicode());
    if ((a >= 'a' && a <= 'z') || (a >= '0' && a <= '9')) out += a;
  }
  return out;
}

size_t Characters(const std::string& utf8) {
  size_t n = 0;
  for (unsigned char c : utf8) n += (c & 0xC0) != 0x80;
  return n;
}

// The first run of four digits ("12/05/1999" → "1999").
std::string YearIn(const std::string& text) {
  int run = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    run = text[i] >= '0' && text[i] <= '9' ? run + 1 : 0;
    if (run == 4 && (i + 1 == text.size() || text[i + 1] < '0' || text[i + 1] > '9'))
      return text.substr(i - 3, 4);
  }
  return text;
}

bool IsNumber(const std::string& text, double& v) {
  if (text.empty()) return false;
  char* end = nullptr;
  v = std::strtod(text.c_str(), &end);
  return end && *end == 0;
}

std::string Quoted(const std::string& text) {
  std::string shown = text.size() > 60 ? text.substr(0, 57) + "…" : text;
  return "« " + shown + " »";
}

// The stored text of a value, or the reason it is refused.
struct Checked {
  std::optional<std::string> value;
  std::string problem;
};

Checked Check(const TargetField& field, std::string text, SourceFormat format) {
  if (platform::Trim(text).empty()) return {};
  // A text keeps its spaces (a title may end with one); other values do not.
  if (field.kind != FieldKind::Text && field.kind != FieldKind::Memo)
    text = std::string(platform::Trim(text));
  switch (field.kind) {
    case FieldKind::Text:
    case FieldKind::Memo: {
      if (format == SourceFormat::GCstar && std::string_view(field.column) == "Nom" &&
          text == "none")
        return {};
      if (field.kind == FieldKind::Text && static_cast<int>(Characters(text)) > field.size)
        return {std::nullopt, Subst("« %s » compte %s caractères (%s au plus)",
                                    {field.caption, std::to_string(Characters(text)),
                                     std::to_string(field.size)})};
      return {text, {}};
    }
    case FieldKind::Duration: {
      double v = 0;
      // A spreadsheet's fraction of a day.
      if (IsNumber(text, v) && v > 0 && v < 1) {
        const int seconds = static_cast<int>(std::lround(v * 86400));
        char out[48];
        std::snprintf(out, sizeof out, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
        return {std::string(out), {}};
      }
      if (auto d = catalogue::StoredDuration(text)) return {*d, {}};
      return {std::nullopt, Subst("la durée %s n'est pas une durée (HH:MM:SS, 1h30 ou 95 minutes)",
                                  {Quoted(text)})};
    }
    case FieldKind::Date: {
      if (auto d = catalogue::StoredDate(text)) return {*d, {}};
      return {std::nullopt,
              Subst("la date du prêt %s n'est pas une date (JJ/MM/AAAA)", {Quoted(text)})};
    }
    case FieldKind::Year: {
      const std::string year = YearIn(text);
      if (catalogue::YearProblem(year).empty()) return {year, {}};
      return {std::nullopt, Subst("l'année %s n'est pas une année de 1880 à 2100", {Quoted(text)})};
    }
    case FieldKind::Discs: {
      if (catalogue::DiscsProblem(text).empty()) return {std::to_string(std::stol(text)), {}};
      return {std::nullopt,
              Subst("le nombre de CD %s n'est pas un nombre de 0 à 99", {Quoted(text)})};
    }
    case FieldKind::Note: {
      // Tellico's ratings go from 1 to 5 stars.
      if (format == SourceFormat::Tellico && catalogue::NoteProblem(text).empty()) {
        const long stars = std::stol(text);
        if (stars <= 5) return {std::to_string(stars * 2), {}};
      }
      if (catalogue::NoteProblem(text).empty()) return {std::to_string(std::stol(text)), {}};
      return {std::nullopt, Subst("la note %s n'est pas un nombre de 0 à 10", {Quoted(text)})};
    }
    case FieldKind::YesNo: {
      if (auto yes = catalogue::YesNo(text)) return {*yes ? "1" : "0", {}};
      return {std::nullopt, Subst("« Vu » vaut %s au lieu de oui ou non", {Quoted(text)})};
    }
    case FieldKind::Ean: {
      std::string digits;
      for (char c : text)
        if (c != ' ' && c != '-') digits += c;
      const std::string problem = catalogue::EanProblem(digits);
      if (problem.empty()) return {digits, {}};
      return {std::nullopt, Subst("le code EAN %s est refusé : %s", {Quoted(text), problem})};
    }
  }
  return {};
}

bool IsIntegerKind(FieldKind kind) {
  return kind == FieldKind::Year || kind == FieldKind::Note || kind == FieldKind::Discs ||
         kind == FieldKind::YesNo;
}

std::string DuplicateKey(const std::optional<std::string>& title,
                         const std::optional<std::string>& year) {
  return db::FoldTitle(title.value_or("")) + '\x01' + year.value_or("");
}

void RollBack(db::Database& database) noexcept {
  try {
    database.ExecSQL("ROLLBACK");
  } catch (const Error&) {
  }
}

std::string Directory(db::Database& database) {
  std::string dir = database.Directory().empty() ? "." : database.Directory();
  if (dir.back() != '/') dir += '/';
  return dir;
}

}  // namespace

const std::array<TargetField, kTargetCount>& TargetFields() {
  static const std::array<TargetField, kTargetCount> fields = {{
      {"Reference", "Référence", FieldKind::Text, 255},
      {"Titre", "Titre", FieldKind::Text, 255},
      {"Genre", "Genre", FieldKind::Text, 30},
      {"Support", "Support", FieldKind::Text, 10},
      {"Durée", "Durée", FieldKind::Duration, 8},
      {"Jacquette", "Jaquette avant", FieldKind::Text, 255},
      {"Nom", "Prêté à", FieldKind::Text, 50},
      {"Prêté_le", "Prêté le", FieldKind::Date, 10},
      {"Nb_cd", "Nb CD", FieldKind::Discs, 2},
      {"Jaquette2", "Jaquette arrière", FieldKind::Text, 255},
      {"Année", "Année", FieldKind::Year, 4},
      {"Réalisateur", "Réalisateur", FieldKind::Text, 100},
      {"Acteurs", "Acteurs", FieldKind::Text, 255},
      {"Pays", "Pays", FieldKind::Text, 50},
      {"Titre_original", "Titre original", FieldKind::Text, 255},
      {"Résumé", "Résumé", FieldKind::Memo, 0},
      {"Note", "Note", FieldKind::Note, 2},
      {"Vu", "Vu", FieldKind::YesNo, 1},
      {"EAN", "EAN", FieldKind::Ean, 13},
  }};
  return fields;
}

std::vector<int> MatchColumns(const std::vector<std::string>& columns) {
  std::vector<std::string> folded;
  for (const std::string& c : columns) folded.push_back(Folded(c));
  std::vector<int> mapping(columns.size(), -1);
  for (const Names& n : Synonyms()) {
    bool done = false;
    for (const char* name : n.names) {
      for (size_t c = 0; c < folded.size() && !done; ++c)
        if (mapping[c] < 0 && folded[c] == name) {
          mapping[c] = static_cast<int>(n.field);
          done = true;
        }
      if (done) break;
    }
  }
  return mapping;
}

ImportPlan PrepareImport(db::Database& database, const ImportTable& table,
                         const std::vector<int>& mapping) {
  ImportPlan plan;
  plan.rows = table.rows.size();
  const auto& fields = TargetFields();
  bool hasTitle = false;
  for (int m : mapping) {
    hasTitle = hasTitle || m == 1;
    if (m >= 0) plan.mapped[static_cast<size_t>(m)] = true;
  }
  if (!hasTitle)
    throw Error(
        "Aucune colonne du fichier ne donne le titre des films : choisissez-la avant d'importer.");
  for (const ImportRow& row : table.rows) {
    PreparedFilm film;
    film.line = row.line;
    std::string problem;
    for (size_t c = 0; c < row.cells.size() && problem.empty(); ++c) {
      if (c >= mapping.size() || mapping[c] < 0) {
        if (c >= table.columns.size() && !platform::Trim(row.cells[c]).empty())
          problem = Subst("la ligne a %s valeurs pour %s colonnes",
                          {std::to_string(row.cells.size()), std::to_string(table.columns.size())});
        continue;
      }
      const TargetField& field = fields[static_cast<size_t>(mapping[c])];
      Checked checked = Check(field, row.cells[c], table.format);
      if (!checked.problem.empty())
        problem = checked.problem;
      else
        film.values[static_cast<size_t>(mapping[c])] = std::move(checked.value);
    }
    if (problem.empty() && !film.values[1]) problem = "le film n'a pas de titre";
    if (!problem.empty()) {
      plan.problems.push_back({row.line, problem});
      continue;
    }
    plan.films.push_back(std::move(film));
  }

  // The films already there: same reference, or same title (as the list
  // orders titles) and same year.
  std::map<std::string, std::pair<int64_t, std::string>> byReference, byTitle;
  db::Statement films(database.Handle(), "SELECT \"Index\", Reference, Titre, \"Année\" FROM video",
                      database.FilePath());
  while (films.Step()) {
    const int64_t id = films.ColumnInt(0);
    const std::string reference(platform::Trim(films.ColumnText(1)));
    const std::string title = films.ColumnText(2);
    if (!reference.empty()) byReference.emplace(reference, std::make_pair(id, title));
    std::optional<std::string> year;
    if (!films.ColumnIsNull(3)) year = films.ColumnText(3);
    byTitle.emplace(DuplicateKey(title, year), std::make_pair(id, title));
  }
  for (size_t i = 0; i < plan.films.size(); ++i) {
    const PreparedFilm& f = plan.films[i];
    if (f.values[0]) {
      const auto it = byReference.find(*f.values[0]);
      if (it != byReference.end()) {
        plan.duplicates.push_back({i, it->second.first, "même référence", it->second.second});
        continue;
      }
    }
    const auto it = byTitle.find(DuplicateKey(f.values[1], f.values[10]));
    if (it != byTitle.end())
      plan.duplicates.push_back(
          {i, it->second.first, "même titre et même année", it->second.second});
  }
  return plan;
}

std::string BeforeImportPath(const std::string& directory) {
  std::string dir = directory.empty() ? "." : directory;
  if (dir.back() != '/') dir += '/';
  return dir + "video.DB.avant-import";
}

bool CanUndoImport(const std::string& directory) {
  return platform::FileExists(BeforeImportPath(directory));
}

ImportResult ApplyImport(db::Database& database, const ImportPlan& plan, DuplicateChoice choice,
                         const ImportProgress& progress) {
  ImportResult result;
  const auto& fields = TargetFields();
  std::map<size_t, int64_t> duplicateOf;
  for (const Duplicate& d : plan.duplicates) duplicateOf[d.film] = d.existing;

  // Nobody writes from here to the end: the copy and the import see one state.
  database.ExecSQL("BEGIN IMMEDIATE");
  try {
    // 1. The catalogue as it is, kept beside it (written whole, then renamed).
    {
      const std::string source = database.FilePath();
      platform::OutputFile copy(BeforeImportPath(Directory(database)), {.allowProtected = true});
      const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) {
        const int err = errno;
        throw Error(
            Subst("Impossible de lire \"%s\". %s", {source, platform::SystemErrorMessage(err)}));
      }
      char buffer[1 << 16];
      ssize_t n;
      while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        copy.Stream().WriteBuffer(buffer, static_cast<size_t>(n));
      const int err = errno;
      ::close(fd);
      if (n < 0)
        throw Error(
            Subst("Impossible de lire \"%s\". %s", {source, platform::SystemErrorMessage(err)}));
      copy.Commit();
    }
    platform::PausePointForTests("import-copied");

    // 2. The films. The title keys are computed once at the end, not by the
    // triggers film by film.
    const bool keyTable = db::HasFrenchTitleKey(database.Handle(), true);
    // The search index too takes the new films at the end (a replaced film's
    // words still follow it film by film).
    const bool searchIndex = catalogue::PauseSearchIndexForInserts(database);
    const std::vector<std::string> schema = db::TitleKeySchema();
    if (keyTable)
      for (const std::string& drop : db::DropTitleKeySql())
        if (drop.rfind("DROP TRIGGER", 0) == 0) database.ExecSQL(drop);
    std::string columns, marks, sets;
    for (size_t i = 0; i < fields.size(); ++i) {
      columns += std::string(i ? ", " : "") + "\"" + fields[i].column + "\"";
      marks += std::string(i ? ", " : "") + "?" + std::to_string(i + 1);
      if (plan.mapped[i])
        sets += std::string(sets.empty() ? "" : ", ") + "\"" + fields[i].column + "\" = ?" +
                std::to_string(i + 1);
    }
    db::Statement insert(database.Handle(),
                         "INSERT INTO video (" + columns + ") VALUES (" + marks + ")",
                         database.FilePath());
    db::Statement update(
        database.Handle(),
        "UPDATE video SET " + sets + " WHERE \"Index\" = ?" + std::to_string(fields.size() + 1),
        database.FilePath());
    int64_t firstNew = 0;
    {
      db::Statement last(database.Handle(), "SELECT coalesce(max(\"Index\"), 0) FROM video",
                         database.FilePath());
      if (last.Step()) firstNew = last.ColumnInt(0) + 1;
    }
    std::vector<int64_t> replacedIds;
    for (size_t i = 0; i < plan.films.size(); ++i) {
      if (progress && i % 1000 == 0 && !progress(i, plan.films.size()))
        throw Error("Import interrompu : le catalogue n'a pas été modifié.");
      const auto dup = duplicateOf.find(i);
      db::Statement* target = &insert;
      if (dup != duplicateOf.end()) {
        if (choice == DuplicateChoice::Skip) {
          ++result.skipped;
          continue;
        }
        if (choice == DuplicateChoice::Replace) {
          target = &update;
          update.Reset();
          update.BindInt(static_cast<int>(fields.size() + 1), dup->second);
          replacedIds.push_back(dup->second);
        }
      }
      if (target == &insert) insert.Reset();
      const PreparedFilm& f = plan.films[i];
      for (size_t c = 0; c < fields.size(); ++c) {
        const int at = static_cast<int>(c + 1);
        if (!f.values[c])
          target->BindNull(at);
        else if (IsIntegerKind(fields[c].kind))
          target->BindInt(at, std::stoll(*f.values[c]));
        else
          target->BindText(at, *f.values[c]);
      }
      while (target->Step()) {
      }
      ++(target == &insert ? result.added : result.replaced);
    }
    if (keyTable) {
      // The keys of the new and changed films, then the triggers again.
      std::string changed;
      for (int64_t id : replacedIds) changed += (changed.empty() ? "" : ",") + std::to_string(id);
      database.ExecSQL("INSERT OR REPLACE INTO video_cle (id, cle) SELECT \"Index\", " +
                       db::TitleSortKeySql("Titre") +
                       " FROM video WHERE \"Index\" >= " + std::to_string(firstNew) +
                       (changed.empty() ? std::string() : " OR \"Index\" IN (" + changed + ")"));
      for (const std::string& sql : schema)
        if (sql.rfind("CREATE TRIGGER", 0) == 0) database.ExecSQL(sql);
    }
    if (searchIndex) catalogue::IndexNewFilms(database, firstNew);
    if (progress) progress(plan.films.size(), plan.films.size());
    platform::PausePointForTests("import-written");
    database.ExecSQL("COMMIT");
  } catch (...) {
    RollBack(database);
    throw;
  }
  return result;
}

int64_t UndoImport(const std::string& directory) {
  const std::string kept = BeforeImportPath(directory);
  if (!platform::FileExists(kept))
    throw Error("Il n'y a pas d'import à annuler : aucune copie du catalogue d'avant l'import.");
  std::string dir = directory.empty() ? "." : directory;
  if (dir.back() != '/') dir += '/';
  db::Connection source(kept, db::Connection::Mode::ReadOnly, kept);
  const std::string check = source.IsOpen() ? source.Check(true) : std::string("illisible");
  if (check != "ok")
    throw Error(Subst("La copie \"%s\" est endommagée (%s) : le catalogue n'a pas été modifié.",
                      {kept, check}));
  int64_t films = 0;
  {
    db::Statement count(source.Handle(), "SELECT count(*) FROM video", kept);
    if (count.Step()) films = count.ColumnInt(0);
  }
  // The online copy replaces the catalogue's pages in one transaction.
  db::Connection target(dir + "video.DB", db::Connection::Mode::ReadWrite, dir + "video.DB");
  if (!target.IsOpen() || source.BackupTo(target) != 0)
    throw db::EngineError(db::EngineMessage(target.Handle(), target.Code(), dir + "video.DB"),
                          target.Code());
  target.Close();
  source.Close();
  platform::PausePointForTests("undo-replaced");
  ::unlink(kept.c_str());
  return films;
}

std::string ResultText(const ImportResult& result, size_t problems) {
  auto films = [](int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n > 1 ? many : one);
  };
  std::string text = films(result.added, "film ajouté", "films ajoutés");
  if (result.replaced) text += ", " + films(result.replaced, "film remplacé", "films remplacés");
  if (result.skipped)
    text += ", " + films(result.skipped, "doublon laissé de côté", "doublons laissés de côté");
  if (problems)
    text += ", " + films(static_cast<int>(problems), "ligne écartée", "lignes écartées");
  return text + ".";
}

}  // namespace kvn::importing
