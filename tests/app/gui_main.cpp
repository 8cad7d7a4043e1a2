// Runs the window tests inside the program's application object, offscreen.
#include <gtest/gtest.h>

#include "app/forms.h"
#include "app/handlers.h"

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  kvn::app::KorvaneApplication app(argc, argv);
  QApplication::setApplicationName("Korvane");
  QApplication::setQuitOnLastWindowClosed(false);
  kvn::app::InstallFontSubstitutes();
  kvn::app::UseFrenchLocale();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
