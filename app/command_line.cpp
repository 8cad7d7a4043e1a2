#include "app/command_line.h"

#include <QGuiApplication>
#include <memory>
#include <ostream>

#include "app/forms.h"
#include "app/list_reports.h"
#include "catalogue/catalogue_export.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/catalogue_restore.h"
#include "catalogue/database_archiving.h"
#include "db/title_key.h"
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
      } else if (a == "--dir") {
        if (i + 1 >= args.size()) throw Error("L'option --dir attend un répertoire.");
        cl.directory = args[++i];
      } else if (a.rfind("--dir=", 0) == 0) {
        cl.directory = std::string(a.begin() + 6, a.end());
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
         "\n"
         "Options :\n"
         "  --dir RÉPERTOIRE  le répertoire du catalogue (par défaut le répertoire courant)\n"
         "  --help            affiche cette aide\n";
}

int RunSubcommand(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  if (cl.help) {
    out << UsageText();
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
