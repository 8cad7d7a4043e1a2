// How long the main window takes to show a large catalogue: every window
// created (the table opened in title order), the main window shown and painted,
// then a jump to the last film. Catalogue from KVN_BENCH_DIR. Prints seconds.
#include <QApplication>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

// Resident memory of the process: anonymous (heap) and file-backed (mapped).
static std::string Rss() {
  std::ifstream status("/proc/self/status");
  std::string line, out;
  while (std::getline(status, line))
    if (line.rfind("RssAnon", 0) == 0 || line.rfind("RssFile", 0) == 0) out += line + "  ";
  return out;
}

#include "app/forms.h"
#include "app/handlers.h"
#include "app/main_window.h"
#include "app/program.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  kvn::app::KorvaneApplication app(argc, argv);
  const char* dir = std::getenv("KVN_BENCH_DIR");
  kvn::app::SetCatalogueDirectory(dir ? dir : "/tmp/kvn-demo-1000000");
  kvn::app::InstallFontSubstitutes();
  using clock = std::chrono::steady_clock;
  auto t0 = clock::now();
  kvn::app::CreateWindows();
  auto t1 = clock::now();
  std::printf("after creating the windows: %s\n", Rss().c_str());
  kvn::app::TForm1* main = kvn::app::Forms().form1;
  main->show();
  QApplication::processEvents();
  main->grab();  // the first full paint
  auto t2 = clock::now();
  main->Tvideo.Last();
  QApplication::processEvents();
  main->grab();
  auto t3 = clock::now();
  auto s = [](auto a, auto b) { return std::chrono::duration<double>(b - a).count(); };
  std::printf(
      "films %lld\ncreate windows %.3f s\nshow and paint %.3f s\ntotal to first paint %.3f s\n"
      "jump to last and repaint %.3f s\n",
      static_cast<long long>(main->Tvideo.RecordCount()), s(t0, t1), s(t1, t2), s(t0, t2),
      s(t2, t3));
  std::printf("memory: %s\n", Rss().c_str());
  kvn::app::DestroyWindows();
  return 0;
}
