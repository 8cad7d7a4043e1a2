// An export run from the export dialog, with its progress window, as the main
// window opens it: the dialog's choices for a type, "Lancer l'Export", the
// progress window following every record. Catalogue from KVN_BENCH_DIR, type
// and output from the arguments. Prints the seconds of the export alone.
//   export_dialog_bench csv /tmp/out.csv
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/forms.h"
#include "app/handlers.h"
#include "app/main_window.h"
#include "app/program.h"
#include "catalogue/catalogue_export.h"
#include "export/registry.h"
#include "export_dialog/export_dialog.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  kvn::app::KorvaneApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: export_dialog_bench TYPE OUTPUT\n");
    return 2;
  }
  const kvn::exporting::ExportType* type = kvn::exporting::FindExportType(argv[1]);
  if (!type) return 2;
  const char* dir = std::getenv("KVN_BENCH_DIR");
  kvn::app::SetCatalogueDirectory(dir ? dir : "/tmp/kvn-demo-100000");
  kvn::app::CreateWindows();
  kvn::app::TForm1* main = kvn::app::Forms().form1;
  kvn::exporting::TQExportDialog& dialog = main->QExportDialog1;
  dialog.FileName = argv[2];
  dialog.ShowFile = false;
  // No desktop: the file is not opened; the progress window is answered at the end.
  double seconds = 0;
  int exported = 0;
  dialog.OnExportedRecord = [&](kvn::exporting::TQExport*, int) { ++exported; };
  dialog.OnShow = [&](kvn::exporting::TQExportDialogF* w) {
    w->SelectType(type->number);
    w->Choices().FileName = argv[2];
    w->Choices().ShowFile = true;  // the progress window closes by itself
    dialog.FileShell = nullptr;
    struct NoShell : kvn::exporting::Shell {
      void Open(const std::string&) override {}
      void Print(const std::string&) override {}
    };
    static NoShell none;
    dialog.FileShell = &none;
    auto t0 = std::chrono::steady_clock::now();
    w->StartExport();
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    w->close();
  };
  dialog.Execute(main);
  std::printf("export %s from the dialog: %d films, %.3f s\n", argv[1], exported, seconds);
  kvn::app::DestroyWindows();
  return 0;
}
