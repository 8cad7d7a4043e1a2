#include "app/program.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdlib>
#include <memory>

#include "app/about.h"
#include "app/cover_printing.h"
#include "app/forms.h"
#include "app/handlers.h"
#include "app/list_reports.h"
#include "app/main_window.h"
#include "app/record_forms.h"
#include "app/scan_form.h"
#include "app/search_form.h"
#include "catalogue/catalogue_files.h"
#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/ini_file.h"
#include "qt_support/prompts.h"

namespace kvn::app {

void CreateWindows() {
  Windows& w = Forms();
  w.form1 = new TForm1;
  w.apropos = new Tapropos;
  w.frmNFiche = new TfrmNFiche;
  // Above the main window: a click in the list never hides it.
  w.frmMFiche = new TfrmMFiche(w.form1);
  w.frmSFiche = new TfrmSFiche;
  w.frmRecherche = new TfrmRecherche(w.form1->Database1);
  w.frmImprimer = new TfrmImprimer(w.form1->Database1);
  RunHandler(nullptr, [&w] { w.frmImprimer->FormCreate(); });
  w.frmRImprimer = new TfrmRImprimer;
  w.frmJaquette = new TfrmJaquette;
  w.frmSCfiche = new TfrmSCfiche;
  w.frm_ImpJaquettes = new Tfrm_ImpJaquettes;
  w.quickReport1 = new TQuickReport1;
}

void DestroyWindows() {
  Windows& w = Forms();
  delete w.quickReport1;
  delete w.frm_ImpJaquettes;
  delete w.frmSCfiche;
  delete w.frmJaquette;
  delete w.frmRImprimer;
  delete w.frmImprimer;
  delete w.frmRecherche;
  delete w.frmSFiche;
  delete w.frmMFiche;
  delete w.frmNFiche;
  delete w.apropos;
  delete w.form1;
  w = Windows{};
}

namespace {

std::string StartSettingsPath() {
  return catalogue::UserSettingsDirectory() + "korvane.ini";
}

bool HoldsCatalogue(const std::string& directory) {
  return !directory.empty() && platform::FileExists(directory + "/video.DB");
}

}  // namespace

void RememberCatalogue(const std::string& directory) {
  if (!HoldsCatalogue(directory)) return;
  try {
    platform::ForceDirectories(catalogue::UserSettingsDirectory());
    platform::IniFile settings(StartSettingsPath());
    settings.WriteString("CATALOGUE", "Dossier", platform::RealPath(directory));
  } catch (const Error&) {
    // Not remembered: the next start asks again; nothing else depends on it.
  }
}

std::optional<std::string> StartFolder(const std::string& directory, bool given) {
  if (given || HoldsCatalogue(directory)) return directory;
  std::string last;
  try {
    last = platform::IniFile(StartSettingsPath()).ReadString("CATALOGUE", "Dossier", "");
  } catch (const Error&) {
    last.clear();  // an unreadable settings file: as if none
  }
  if (HoldsCatalogue(last)) return last;
  const char* home = std::getenv("HOME");
  const std::string films = std::string(home && *home ? home : ".") + "/Films";
  for (;;) {
    const int choice = qt::Ui().Choose(
        nullptr, ApplicationTitle(),
        QStringLiteral("Aucun catalogue de films n'est ouvert.\n\nKorvane peut créer un "
                       "catalogue vide dans le dossier %1, ou ouvrir un catalogue existant "
                       "(son fichier video.DB).")
            .arg(QString::fromStdString(films)),
        {QStringLiteral("Créer dans %1").arg(QString::fromStdString(films)),
         QStringLiteral("Ouvrir un catalogue…"), QStringLiteral("Quitter")});
    try {
      if (choice == 0) {
        // A catalogue already there is opened, never replaced.
        if (!HoldsCatalogue(films)) {
          if (const std::string why = platform::MakeFolders(films); !why.empty()) throw Error(why);
          catalogue::InitCatalogue(films);
        }
        return films;
      }
      if (choice == 1) {
        const auto file = qt::Ui().OpenFileName(
            nullptr, QStringLiteral("Catalogue Korvane (video.DB)|video.DB|Tous les fichiers|*"),
            QString::fromStdString(films + "/video.DB"));
        if (!file) continue;
        const std::string folder = platform::ExtractFilePath(file->toStdString());
        if (HoldsCatalogue(folder)) return folder;
        qt::Ui().Warning(nullptr, QStringLiteral("Ce dossier ne contient pas de catalogue "
                                                 "(video.DB) : choisissez son fichier video.DB."));
        continue;
      }
    } catch (const Error& e) {
      qt::Ui().Error(nullptr, QString::fromStdString(e.what()));
      continue;
    }
    return std::nullopt;
  }
}

int RunGui(int& argc, char** argv, const std::string& requested, bool given) {
  KorvaneApplication app(argc, argv);
  QApplication::setApplicationName(ApplicationTitle());
  QApplication::setQuitOnLastWindowClosed(false);
  UseFrenchLocale();
  InstallFontSubstitutes();
  // Qt's own windows (print preview, printer choice, file choice) in French too.
  QTranslator qtFrench;
  if (qtFrench.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtFrench);
  // The program's own texts in French (the export dialog's pages, its
  // progress window), with accents and French typography.
  QTranslator korvaneFrench;
  if (korvaneFrench.load(QStringLiteral(":/i18n/korvane_fr.qm")))
    QApplication::installTranslator(&korvaneFrench);

  const std::optional<std::string> directory = StartFolder(requested, given);
  if (!directory) return 0;
  RememberCatalogue(*directory);
  SetCatalogueDirectory(*directory);
  catalogue::RemoveStaleCatalogueTemporaries(CatalogueDirectory());

  auto splash = std::make_unique<TSplashScreen>();
  splash->show();
  splash->repaint();
  QApplication::processEvents();

  CreateWindows();
  splash.reset();

  CenterOnScreen(Forms().form1);
  Forms().form1->show();
  int status = QApplication::exec();
  DestroyWindows();
  return status;
}

}  // namespace kvn::app
