#include "tests/app/gui_fixture.h"

#include <stdlib.h>

#include <QDir>
#include <QWidget>

#include "app/forms.h"
#include "app/program.h"

namespace kvn::app {

void GuiTest::Start(int level, const std::vector<test::Film>& films,
                    std::optional<std::string> iniLevel) {
  test::MakeCatalogue(dir.Path(), level, films, iniLevel);
  CreateTheWindows();
}

void GuiTest::StartWithoutCatalogue(std::optional<std::string> iniLevel) {
  if (iniLevel) test::WriteFile(dir / "kvn.ini", "[BASEDB]\nId_Imp_Base=" + *iniLevel + "\n");
  CreateTheWindows();
}

void GuiTest::CreateTheWindows() {
  // The user's settings (the export dialog's last choices) stay in the test's folder.
  ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  qt::SetUiForTesting(&dialogs);
  SetCatalogueDirectory(dir.Path());
  CreateWindows();
  created = true;
}

void GuiTest::TearDown() {
  if (created) DestroyWindows();
  qt::SetUiForTesting(nullptr);
}

void GuiTest::WhileModal(const std::function<void()>& trigger, const std::function<void()>& body) {
  bool ran = false;
  QTimer::singleShot(0, [&] {
    ran = true;
    // The window is active before the user types, as on a desktop.
    if (QWidget* modal = QApplication::activeModalWidget()) {
      QApplication::setActiveWindow(modal);
      QApplication::processEvents();
    }
    body();
  });
  trigger();
  EXPECT_TRUE(ran);
}

void GuiTest::Screenshot(QWidget* window, const char* name) {
  QByteArray where = qgetenv("KVN_SCREENSHOT_DIR");
  if (where.isEmpty()) return;
  QDir().mkpath(QString::fromUtf8(where));
  window->grab().save(QString::fromUtf8(where) + "/" + name + ".png");
}

}  // namespace kvn::app
