// The cover scanning window on SANE's test backend: a scan shown, saved and
// read by another JPEG reader, qualities 1 and 100; what the window says when
// there is no manager, no scanner, or the scan is cancelled.
#include "app/scan_form.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <regex>

#include "app/forms.h"
#include "app/main_window.h"
#include "platform/file_info.h"
#include "tests/app/gui_fixture.h"
#include "tests/support/run_program.h"

namespace kvn::app {
namespace {

class ScanFormTest : public GuiTest {
 protected:
  void SetUp() override {
    platform::ForceDirectories(dir / "sane");
    test::WriteFile(dir / "sane/dll.conf", "test\n");
    test::WriteFile(dir / "sane/test.conf",
                    "number_of_devices 1\nmode Color\ndepth 8\nresolution 50.0\ntest-picture "
                    "\"Color pattern\"\n"
                    "tl_x 0.0\ntl_y 0.0\nbr_x 80.0\nbr_y 100.0\n");
    ::setenv("SANE_CONFIG_DIR", (dir / "sane").c_str(), 1);
    ::setenv("KORVANE_TWAIN_DSM", KVN_SANE_DSM, 1);
    Start(3, test::SampleFilms());
  }
  void TearDown() override {
    ::unsetenv("KORVANE_TWAIN_DSM");
    GuiTest::TearDown();
  }
  TfrmSCfiche& Scan() { return *Forms().frmSCfiche; }
  // Answers the scanner's options dialog when it shows.
  static void AnswerOptions(bool scan) {
    QTimer::singleShot(30, [scan] {
      auto* options = dynamic_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(options, nullptr);
      ASSERT_EQ(options->objectName().toStdString(), "SaneOptions");
      scan ? options->accept() : options->reject();
    });
  }
  std::pair<int, int> DjpegSize(const std::string& file) {
    auto r = test::RunProgram({"djpeg", "-pnm", file});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::smatch m;
    const std::string head = r.out.substr(0, 40);
    if (!std::regex_search(head, m, std::regex("P[56]\\s+(\\d+)\\s+(\\d+)"))) return {0, 0};
    return {std::stoi(m[1]), std::stoi(m[2])};
  }
};

TEST_F(ScanFormTest, ScanShowSaveAndQualities) {
  WhileModal([&] { Forms().form1->Scanneruneimage1Click(); },
             [&] {
               TfrmSCfiche& w = Scan();
               EXPECT_EQ(w.windowTitle().toStdString(), "Scanner une jaquette");
               EXPECT_EQ(w.SpinEdit1->value(), 90);
               w.SpinEdit1->setValue(1);
               AnswerOptions(true);
               w.SpeedButton2->click();
               ASSERT_FALSE(w.Current().Empty());
               EXPECT_EQ(w.Images1->pixmap().size(), QSize(157, 196));
               Screenshot(&w, "scanner_jaquette");
               // A name without extension gets ".jpg".
               dialogs.files = {QString::fromStdString(dir / "basse")};
               w.SpeedButton3->click();
               w.SpinEdit1->setValue(100);
               AnswerOptions(true);
               w.SpeedButton2->click();
               dialogs.files = {QString::fromStdString(dir / "haute.jpeg.txt")};
               w.SpeedButton3->click();
               // Cancelling the save dialog writes nothing.
               dialogs.files = {QString()};
               w.SpeedButton3->click();
               w.SpeedButton4->click();
             });
  EXPECT_TRUE(dialogs.warnings.empty()) << dialogs.warnings.front();
  EXPECT_FALSE(platform::FileExists(dir / "basse"));
  EXPECT_EQ(DjpegSize(dir / "basse.jpg"), std::make_pair(157, 196));
  EXPECT_EQ(DjpegSize(dir / "haute.jpeg.txt"), std::make_pair(157, 196));
  EXPECT_LT(test::ReadFile(dir / "basse.jpg").size() * 3,
            test::ReadFile(dir / "haute.jpeg.txt").size());
}

TEST_F(ScanFormTest, WhatTheWindowSaysWhenNoPictureComes) {
  WhileModal([&] { Forms().form1->Scanneruneimage1Click(); },
             [&] {
               TfrmSCfiche& w = Scan();
               AnswerOptions(true);
               w.SpeedButton2->click();
               const std::string first = w.Current().data;
               ASSERT_FALSE(first.empty());
               // Cancelled in the scanner's dialog.
               AnswerOptions(false);
               w.SpeedButton2->click();
               // No scanner.
               w.AcquireImage1.UnloadSourceManager();
               test::WriteFile(dir / "sane/dll.conf", "\n");
               w.SpeedButton2->click();
               // No manager.
               w.AcquireImage1.UnloadSourceManager();
               ::setenv("KORVANE_TWAIN_DSM", (dir / "absent.so").c_str(), 1);
               w.SpeedButton2->click();
               EXPECT_EQ(w.Current().data, first);
               EXPECT_EQ(w.Images1->pixmap().size(), QSize(157, 196));
               w.close();
             });
  ASSERT_EQ(dialogs.warnings.size(), 3u);
  EXPECT_EQ(dialogs.warnings[0], "La numérisation a été annulée.");
  EXPECT_EQ(dialogs.warnings[1], "Aucun scanner n'a été trouvé.");
  EXPECT_EQ(dialogs.warnings[2],
            "Le gestionnaire de numérisation n'a pas pu être chargé (" + dir / "absent.so" + ").");
}

// A slow scanner (each read waits): the program's timers keep running and its
// windows painting during the scan, and the scan's own window cancels it.
TEST_F(ScanFormTest, TheWindowsLiveDuringTheScanWhichCanBeCancelled) {
  test::WriteFile(
      dir / "sane/test.conf",
      "number_of_devices 1\nmode Color\ndepth 8\nresolution 50.0\ntest-picture \"Color pattern\"\n"
      "tl_x 0.0\ntl_y 0.0\nbr_x 80.0\nbr_y 100.0\n"
      "read-limit true\nread-limit-size 2000\nread-delay true\nread-delay-duration 50000\n");
  // A clock that counts its ticks and asks the main window to paint; when
  // told, it presses the scan window's "Annuler" as soon as it shows.
  int ticks = 0, paints = 0;
  bool cancel = false, cancelled = false;
  QTimer clock;
  QObject::connect(&clock, &QTimer::timeout, [&] {
    ++ticks;
    Forms().form1->update();
    if (!cancel || cancelled) return;
    for (QWidget* top : QApplication::topLevelWidgets())
      if (top->objectName() == "SaneProgress" && top->isVisible()) {
        top->findChild<QPushButton*>()->click();
        cancelled = true;
      }
  });
  struct PaintCounter : QObject {
    int* paints;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) ++*paints;
      return false;
    }
  } counter;
  counter.paints = &paints;
  WhileModal([&] { Forms().form1->Scanneruneimage1Click(); },
             [&] {
               TfrmSCfiche& w = Scan();
               Forms().form1->show();
               Forms().form1->installEventFilter(&counter);
               clock.start(10);
               AnswerOptions(true);
               w.SpeedButton2->click();
               const int during = ticks, painted = paints;
               EXPECT_FALSE(w.Current().Empty());
               // A frozen program would see one tick at most.
               EXPECT_GE(during, 5) << "the event loop stood still during the scan";
               EXPECT_GE(painted, 2);
               // Cancelled from the scan's window while it reads.
               cancel = true;
               AnswerOptions(true);
               const std::string first = w.Current().data;
               w.SpeedButton2->click();
               clock.stop();
               EXPECT_TRUE(cancelled);
               EXPECT_EQ(w.Current().data, first);
               w.close();
             });
  Forms().form1->removeEventFilter(&counter);
  EXPECT_EQ(dialogs.warnings, std::vector<std::string>{"La numérisation a été annulée."});
}

}  // namespace
}  // namespace kvn::app
