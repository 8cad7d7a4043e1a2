#include "app/command_line.h"

#include <dlfcn.h>

#include <QGuiApplication>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>

#include "acquire/acquire_image.h"
#include "app/forms.h"
#include "app/list_reports.h"
#include "catalogue/catalogue_export.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/catalogue_restore.h"
#include "catalogue/database_archiving.h"
#include "catalogue/film_duplicates.h"
#include "catalogue/film_search.h"
#include "catalogue/film_stats.h"
#include "catalogue/loans.h"
#include "catalogue/structure_upgrade.h"
#include "db/database.h"
#include "db/sqlite.h"
#include "db/title_key.h"
#include "import/film_import.h"
#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/ini_file.h"
#include "platform/strings.h"

namespace kvn::app {

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine cl;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (cl.command.empty()) {
      if (a == "--help" || a == "-h") {
        cl.help = true;
      } else if (a == "--version") {
        cl.version = true;
      } else if (a == "--dir") {
        if (i + 1 >= args.size()) throw Error("L'option --dir attend un répertoire.");
        cl.directory = args[++i];
        cl.directoryGiven = true;
      } else if (a.rfind("--dir=", 0) == 0) {
        // "--dir=" alone: the desktop's launcher with no folder to open.
        cl.directory = std::string(a.begin() + 6, a.end());
        cl.directoryGiven = !cl.directory.empty();
      } else if (!a.empty() && a[0] == '-') {
        throw Error(platform::Subst("Option inconnue : %s (voir korvane --help)", {a}));
      } else {
        cl.command = a;
      }
    } else if (a == "--help" || a == "-h") {
      cl.help = true;
    } else {
      cl.arguments.push_back(a);
    }
  }
  if (cl.directory.empty()) cl.directory.assign(1, '.');
  // The catalogue's file given for its folder (a file manager's "open with").
  if (cl.directoryGiven && platform::ExtractFileName(cl.directory) == "video.DB" &&
      !platform::DirectoryExists(cl.directory)) {
    cl.directory = platform::ExtractFilePath(cl.directory);
    if (cl.directory.empty()) cl.directory.assign(1, '.');
  }
  return cl;
}

std::string UsageText() {
  return "Korvane 1.0 — catalogue de films\n"
         "\n"
         "Utilisation : korvane [--dir RÉPERTOIRE] [COMMANDE]\n"
         "\n"
         "Sans commande, la fenêtre principale s'ouvre sur le catalogue du répertoire.\n"
         "\n"
         "Commandes :\n"
         "  init      crée un catalogue vide (video.DB et kvn.ini) ; refuse de\n"
         "            remplacer un catalogue existant\n"
         "  export TYPE [-o FICHIER] [--options FICHIER.cfg] [--encoding NOM]\n"
         "            exporte le catalogue dans l'ordre des titres ; TYPE parmi :\n"
         "            " +
         catalogue::ExportTypeNames() +
         "\n"
         "            par défaut dans video.TYPE, dans le répertoire du catalogue ;\n"
         "            un fichier d'options enregistré par le dialogue d'export règle\n"
         "            le reste\n"
         "  archive   archive les fichiers du catalogue dans Archive/video.zip ;\n"
         "            l'archive précédente n'est remplacée qu'une fois la nouvelle complète\n"
         "  restore [ARCHIVE.zip]\n"
         "            restaure le catalogue archivé (par défaut Archive/video.zip) après\n"
         "            l'avoir vérifié ; le catalogue remplacé est conservé dans\n"
         "            video.DB.avant-restauration\n"
         "  print [-o FICHIER.pdf]\n"
         "            imprime la liste des films dans un fichier PDF, par défaut\n"
         "            liste.pdf dans le répertoire du catalogue\n"
         "  import FICHIER [--delimiter C] [--quote C] [--encoding NOM]\n"
         "                 [--duplicates skip|replace|keep] [--skip-errors]\n"
         "            ajoute les films d'un fichier CSV ou TXT, d'un classeur XLS, XLSX\n"
         "            ou ODS, d'un export XML de Korvane ou d'une collection GCstar\n"
         "            (.gcs) ou Tellico (.tc) ; les colonnes sont reconnues à leur nom ;\n"
         "            une ligne fautive arrête l'import, sauf avec --skip-errors ;\n"
         "            les films déjà présents (même référence, ou même titre et même\n"
         "            année) sont laissés de côté, remplacés ou gardés en double ;\n"
         "            le catalogue d'avant est conservé dans video.DB.avant-import\n"
         "  undo-import\n"
         "            remet le catalogue d'avant le dernier import\n"
         "  search MOTS\n"
         "            les films dont le titre, le titre original, la référence, le\n"
         "            réalisateur, les acteurs ou l'emprunteur contiennent ces mots\n"
         "            (dans tout ordre, accents et majuscules ignorés), un par ligne :\n"
         "            référence, titre, année, séparés par des tabulations\n"
         "  stats     les chiffres de la collection : films, prêts, retards, durées,\n"
         "            disques, puis par genre, support, décennie et note, et les\n"
         "            réalisateurs et acteurs les plus fréquents (« libellé<TAB>nombre »)\n"
         "  duplicates\n"
         "            les doublons possibles (même EAN, ou même titre et même année),\n"
         "            un film par ligne : groupe, motif, référence, titre, année, EAN\n"
         "  lend RÉFÉRENCE NOM [--until AAAA-MM-JJ]\n"
         "            prête le film à NOM aujourd'hui, à rendre à la date donnée ou\n"
         "            après la durée de prêt ([PRETS] Duree dans kvn.ini, 14 jours)\n"
         "  return RÉFÉRENCE\n"
         "            enregistre le retour du film\n"
         "  loans [--overdue] [--history]\n"
         "            les prêts en cours (les retards d'abord), une ligne par prêt,\n"
         "            séparée par des tabulations : référence, titre, emprunteur,\n"
         "            prêté le, à rendre le, jours de retard ; --overdue : les\n"
         "            retards seuls ; --history : tous les prêts, avec le retour\n"
         "\n"
         "Options :\n"
         "  --dir RÉPERTOIRE  le répertoire du catalogue (par défaut le répertoire courant)\n"
         "  --help            affiche cette aide\n"
         "  --version         la version, et où sont l'aide et le module de numérisation\n";
}

namespace {

char OptionCharacter(const std::string& option, const std::string& value) {
  if (value == "\\t" || value == "tab") return '\t';
  if (value.size() != 1)
    throw Error(platform::Subst("L'option %s attend un seul caractère (ou \\t).", {option}));
  return value[0];
}

// `korvane import FILE`: the columns matched by their names, every row
// checked; nothing is written when a row is wrong, unless told to skip it.
int RunImport(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  std::string file;
  std::optional<importing::TextOptions> text;
  importing::DuplicateChoice choice = importing::DuplicateChoice::Skip;
  bool skipErrors = false;
  std::optional<char> delimiter, quote;
  std::string encoding;
  for (size_t i = 0; i < cl.arguments.size(); ++i) {
    const std::string& a = cl.arguments[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= cl.arguments.size())
        throw Error(platform::Subst("L'option %s attend une valeur.", {a}));
      return cl.arguments[++i];
    };
    if (a == "--delimiter") {
      delimiter = OptionCharacter(a, value());
    } else if (a == "--quote") {
      quote = OptionCharacter(a, value());
    } else if (a == "--encoding") {
      encoding = value();
    } else if (a == "--duplicates") {
      const std::string& v = value();
      if (v == "skip")
        choice = importing::DuplicateChoice::Skip;
      else if (v == "replace")
        choice = importing::DuplicateChoice::Replace;
      else if (v == "keep")
        choice = importing::DuplicateChoice::KeepBoth;
      else
        throw Error(platform::Subst(
            "--duplicates attend skip (laisser de côté), replace (remplacer) ou keep (garder "
            "les deux), pas « %s ».",
            {v}));
    } else if (a == "--skip-errors") {
      skipErrors = true;
    } else if (!a.empty() && a[0] == '-') {
      throw Error(platform::Subst("Option inconnue : %s (voir korvane --help)", {a}));
    } else if (file.empty()) {
      file = a;
    } else {
      throw Error(platform::Subst("Argument en trop : %s", {a}));
    }
  }
  if (file.empty()) throw Error("La commande import attend le fichier à importer.");
  const importing::TextOptions* chosen = nullptr;
  if (delimiter || quote || !encoding.empty()) {
    // What is not given is detected.
    std::FILE* f = std::fopen(file.c_str(), "rb");
    std::string head;
    if (f) {
      char buffer[65536];
      head.assign(buffer, std::fread(buffer, 1, sizeof buffer, f));
      std::fclose(f);
    }
    text = importing::DetectTextOptions(head);
    if (delimiter) text->delimiter = *delimiter;
    if (quote) text->quote = *quote;
    if (!encoding.empty()) text->encoding = encoding;
    chosen = &*text;
  }
  importing::ImportTable table = importing::ReadImportFile(file, chosen);
  const std::vector<int> mapping = importing::MatchColumns(table.columns);
  for (size_t c = 0; c < table.columns.size(); ++c)
    if (mapping[c] < 0)
      out << "Colonne « " << table.columns[c]
          << " » laissée de côté : aucun champ du catalogue ne porte ce nom.\n";

  db::Database database(cl.directory);
  // A catalogue of an earlier level gets the details' columns first.
  const catalogue::StructureUpgrade plan = catalogue::PlanStructureUpgrade(database, cl.directory);
  if (!plan.hasTable) database.Open();
  catalogue::ApplyStructureUpgrade(database, cl.directory, plan);

  const importing::ImportPlan films = importing::PrepareImport(database, table, mapping);
  table = importing::ImportTable();  // the checked films are all that is needed now
  for (const importing::RowProblem& p : films.problems)
    err << "Ligne " << p.line << " : " << p.reason << ".\n";
  if (!films.problems.empty() && !skipErrors)
    throw Error(platform::Subst(
        "%s : rien n'a été importé (--skip-errors écarte ces lignes et importe les autres).",
        {films.problems.size() > 1 ? std::to_string(films.problems.size()) + " lignes sont fautives"
                                   : std::string("1 ligne est fautive")}));
  for (const importing::Duplicate& d : films.duplicates)
    out << "Ligne " << films.films[d.film].line << " : déjà dans le catalogue (" << d.reason
        << ") : « " << d.existingTitle << " ».\n";
  const importing::ImportResult result = importing::ApplyImport(database, films, choice);
  out << "Import terminé : " << importing::ResultText(result, films.problems.size()) << "\n"
      << "Le catalogue d'avant l'import est conservé dans \""
      << importing::BeforeImportPath(cl.directory) << "\" (korvane undo-import le remet).\n";
  return 0;
}

// The catalogue opened and brought to the current structure, as the main
// window does at start.
void BringUp(db::Database& database, const std::string& directory) {
  const catalogue::StructureUpgrade plan = catalogue::PlanStructureUpgrade(database, directory);
  if (!plan.hasTable) database.Open();
  catalogue::ApplyStructureUpgrade(database, directory, plan);
}

// Tabs and line breaks of a value become spaces: one film per line.
std::string OnOneLine(std::string text) {
  for (char& c : text)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return text;
}

// The loans' commands: lend, return, loans.
int RunLoans(const CommandLine& cl, std::ostream& out) {
  db::Database database(cl.directory);
  BringUp(database, cl.directory);
  const int period = catalogue::LoanPeriodDays(cl.directory);
  const std::string today = catalogue::Today();
  std::vector<std::string> words;
  std::string until;
  bool overdue = false, history = false;
  for (size_t i = 0; i < cl.arguments.size(); ++i) {
    const std::string& a = cl.arguments[i];
    if (a == "--until" && cl.command == "lend") {
      if (i + 1 >= cl.arguments.size())
        throw Error("L'option --until attend une date (AAAA-MM-JJ).");
      until = cl.arguments[++i];
    } else if (a == "--overdue" && cl.command == "loans") {
      overdue = true;
    } else if (a == "--history" && cl.command == "loans") {
      history = true;
    } else if (!a.empty() && a[0] == '-') {
      throw Error(platform::Subst("Option inconnue : %s (voir korvane --help)", {a}));
    } else {
      words.push_back(a);
    }
  }
  const size_t expected = cl.command == "lend" ? 2 : cl.command == "return" ? 1 : 0;
  if (words.size() < expected)
    throw Error(cl.command == "lend" ? "La commande lend attend la référence du film et le nom "
                                       "de l'emprunteur."
                                     : "La commande return attend la référence du film.");
  if (words.size() > expected)
    throw Error(platform::Subst("Argument en trop : %s", {words[expected]}));
  if (cl.command == "lend") {
    const int64_t film = catalogue::FilmByReference(database, words[0]);
    catalogue::LendFilm(database, film, words[1], today, until, period);
    const catalogue::Loan loan = catalogue::LoanHistory(database, film).front();
    out << "Film « " << loan.title << " » prêté à " << loan.borrower << " le " << loan.since
        << ", à rendre le " << loan.due << ".\n";
    return 0;
  }
  if (cl.command == "return") {
    const int64_t film = catalogue::FilmByReference(database, words[0]);
    catalogue::ReturnFilm(database, film);
    out << "Film rendu : « " << catalogue::LoanHistory(database, film).front().title << " ».\n";
    return 0;
  }
  // One loan per line, tab-separated, for scripts and mail.
  const std::vector<catalogue::Loan> loans = history
                                                 ? catalogue::LoanHistory(database, {}, period)
                                                 : catalogue::CurrentLoans(database, today, period);
  for (const catalogue::Loan& l : loans) {
    if (overdue && (l.daysLate == 0 || !l.returned.empty())) continue;
    out << OnOneLine(l.reference) << '\t'
        << OnOneLine(l.film ? l.title : l.title + " (film supprimé)") << '\t'
        << OnOneLine(l.borrower) << '\t' << l.since << '\t' << l.due << '\t'
        << (l.returned.empty() ? std::to_string(l.daysLate) : std::string("0"));
    if (history) out << '\t' << l.returned;
    out << '\n';
  }
  return 0;
}

}  // namespace

std::string VersionText() {
  std::string text = "Korvane " KVN_VERSION "\n";
  const std::string help = HelpPage();
  text += "Aide : " + help + (platform::FileExists(help) ? "" : " (introuvable)") + "\n";
  const std::string manager = acquire::TAcquireImage::ManagerLibraryPath();
  std::string problem;
  if (void* library = ::dlopen(manager.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (!::dlsym(library, "DSM_Entry")) problem = "point d'entrée DSM_Entry absent";
    ::dlclose(library);
  } else {
    const char* why = ::dlerror();
    problem = why ? why : "bibliothèque illisible";
  }
  text += "Numérisation : " + manager +
          (problem.empty() ? "" : " (indisponible : " + problem + ")") + "\n";
  return text;
}

int RunSubcommand(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  if (cl.help) {
    out << UsageText();
    return 0;
  }
  if (cl.version) {
    out << VersionText();
    return 0;
  }
  try {
    // The catalogue's own files are never an output; what a killed run left
    // behind goes first.
    catalogue::ProtectCatalogueFiles(cl.directory);
    catalogue::RemoveStaleCatalogueTemporaries(cl.directory);
    if (cl.command == "init") {
      if (!cl.arguments.empty()) throw Error("La commande init ne prend pas d'argument.");
      catalogue::InitCatalogue(cl.directory);
      std::string dir = cl.directory;
      if (dir.back() != '/') dir += '/';
      out << "Catalogue créé : " << dir << "video.DB\n";
      return 0;
    }
    if (cl.command == "export") {
      catalogue::ExportRequest request;
      request.directory = cl.directory;
      for (size_t i = 0; i < cl.arguments.size(); ++i) {
        const std::string& a = cl.arguments[i];
        if (a == "-o" || a == "--options") {
          if (i + 1 >= cl.arguments.size())
            throw Error(platform::Subst("L'option %s attend un nom de fichier.", {a}));
          (a == "-o" ? request.output : request.optionsFile) = cl.arguments[++i];
        } else if (a == "--encoding") {
          if (i + 1 >= cl.arguments.size())
            throw Error("L'option --encoding attend un nom d'encodage.");
          request.encoding = cl.arguments[++i];
        } else if (!a.empty() && a[0] == '-') {
          throw Error(platform::Subst("Option inconnue : %s (voir korvane --help)", {a}));
        } else if (request.type.empty()) {
          request.type = a;
        } else {
          throw Error(platform::Subst("Argument en trop : %s", {a}));
        }
      }
      if (request.type.empty())
        throw Error("La commande export attend un type : " + catalogue::ExportTypeNames() + ".");
      int films = 0;
      std::string note;
      std::string file = catalogue::RunCatalogueExport(request, films, &note);
      out << "Export terminé : " << file << " (" << films << " films)\n";
      if (!note.empty()) out << note << "\n";
      return 0;
    }
    if (cl.command == "archive") {
      if (!cl.arguments.empty()) throw Error("La commande archive ne prend pas d'argument.");
      // Nobody can answer a question here: a file that cannot be read stops the
      // run and the previous archive is kept.
      catalogue::ArchivingResult r = catalogue::ArchiveDatabase(cl.directory, nullptr);
      out << "Archivage terminé : " << r.archiveFile << " (" << r.files << " fichier"
          << (r.files > 1 ? "s" : "") << ")\n";
      return 0;
    }
    if (cl.command == "restore") {
      if (cl.arguments.size() > 1)
        throw Error(platform::Subst("Argument en trop : %s", {cl.arguments[1]}));
      if (!cl.arguments.empty() && !cl.arguments[0].empty() && cl.arguments[0][0] == '-')
        throw Error(
            platform::Subst("Option inconnue : %s (voir korvane --help)", {cl.arguments[0]}));
      // Nobody is asked: the replaced catalogue is kept aside.
      catalogue::CatalogueRestore restore(cl.directory,
                                          cl.arguments.empty() ? std::string() : cl.arguments[0]);
      out << restore.Commit() << "\n";
      return 0;
    }
    if (cl.command == "import") return RunImport(cl, out, err);
    if (cl.command == "lend" || cl.command == "return" || cl.command == "loans")
      return RunLoans(cl, out);
    if (cl.command == "search") {
      std::string words;
      for (const std::string& a : cl.arguments) words += (words.empty() ? "" : " ") + a;
      if (catalogue::SearchQuery(words).empty())
        throw Error("La commande search attend un ou plusieurs mots à chercher.");
      db::Database database(cl.directory);
      BringUp(database, cl.directory);
      // In the list's title order, read in one statement.
      db::Statement films(database.Handle(),
                          "SELECT coalesce(v.Reference, ''), coalesce(v.Titre, ''), "
                          "coalesce(v.\"Année\", '') FROM video_cle k JOIN video v ON "
                          "v.\"Index\" = k.id WHERE k.id IN (SELECT rowid FROM video_recherche "
                          "WHERE video_recherche MATCH ?1) ORDER BY k.cle, k.id",
                          database.FilePath());
      films.BindText(1, catalogue::SearchQuery(words));
      std::string lines;
      while (films.Step())
        lines += OnOneLine(films.ColumnText(0)) + '\t' + OnOneLine(films.ColumnText(1)) + '\t' +
                 films.ColumnText(2) + '\n';
      out << lines;
      return 0;
    }
    if (cl.command == "stats" || cl.command == "duplicates") {
      if (!cl.arguments.empty())
        throw Error(platform::Subst("La commande %s ne prend pas d'argument.", {cl.command}));
      db::Database database(cl.directory);
      BringUp(database, cl.directory);
      if (cl.command == "stats") {
        out << catalogue::StatsText(catalogue::CountCollection(
            database, catalogue::Today(), catalogue::LoanPeriodDays(cl.directory)));
        return 0;
      }
      // One film per line, its group's number and reason first.
      const std::vector<catalogue::DuplicateGroup> groups = catalogue::FindDuplicates(database);
      for (size_t g = 0; g < groups.size(); ++g)
        for (const catalogue::FilmSummary& f : groups[g].films)
          out << g + 1 << '\t'
              << (groups[g].reason == catalogue::DuplicateGroup::Reason::SameEan ? "EAN"
                                                                                 : "titre et année")
              << '\t' << OnOneLine(f.reference) << '\t' << OnOneLine(f.title) << '\t' << f.year
              << '\t' << f.ean << '\n';
      return 0;
    }
    if (cl.command == "undo-import") {
      if (!cl.arguments.empty()) throw Error("La commande undo-import ne prend pas d'argument.");
      const int64_t films = importing::UndoImport(cl.directory);
      out << "Import annulé : le catalogue d'avant l'import est remis en place (" << films
          << " films).\n";
      return 0;
    }
    if (cl.command == "print") {
      std::string output;
      for (size_t i = 0; i < cl.arguments.size(); ++i) {
        const std::string& a = cl.arguments[i];
        if (a == "-o") {
          if (i + 1 >= cl.arguments.size()) throw Error("L'option -o attend un nom de fichier.");
          output = cl.arguments[++i];
        } else if (!a.empty() && a[0] == '-') {
          throw Error(platform::Subst("Option inconnue : %s (voir korvane --help)", {a}));
        } else {
          throw Error(platform::Subst("Argument en trop : %s", {a}));
        }
      }
      // The report is drawn with Qt's painter, without any display. Without a
      // desktop session Qt notes that it picks its own runtime directory: that
      // is expected here (cron, ssh) and not worth a line on the terminal.
      static QtMessageHandler previous = qInstallMessageHandler(
          [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
              return;
            if (previous) previous(type, context, message);
          });
      std::unique_ptr<QGuiApplication> application;
      if (!QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "korvane";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QGuiApplication>(argc, argv);
      }
      InstallFontSubstitutes();
      int films = 0;
      std::string file = PrintCatalogueList(cl.directory, output, films);
      out << "Liste imprimée : " << file << " (" << films << " films)\n";
      return 0;
    }
    throw Error(platform::Subst("Commande inconnue : %s (voir korvane --help)", {cl.command}));
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    return 1;
  }
}

}  // namespace kvn::app
