#include "app/program.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
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

int RunGui(int& argc, char** argv, const std::string& directory) {
  KorvaneApplication app(argc, argv);
  QApplication::setApplicationName(ApplicationTitle());
  QApplication::setQuitOnLastWindowClosed(false);
  SetCatalogueDirectory(directory);
  UseFrenchLocale();
  catalogue::RemoveStaleCatalogueTemporaries(CatalogueDirectory());
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
