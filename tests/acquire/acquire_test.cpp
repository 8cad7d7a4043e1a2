// The acquisition component against SANE's test backend through the
// program's manager (the whole sequence, the options dialog, qualities), a
// missing manager, and a fake manager for the cancel paths, failures and
// pending transfers.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QImage>
#include <QPushButton>
#include <QTimer>
#include <regex>

#include "acquire/acquire_image.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::acquire {
namespace {

struct Error {
  int state, code;
  bool operator==(const Error&) const = default;
};
void PrintTo(const Error& e, std::ostream* os) {
  *os << "{" << e.state << ", 0x" << std::hex << e.code << "}";
}

class AcquireTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Only SANE's test backend, whatever the machine has.
    test::WriteFile(dir / "dll.conf", "test\n");
    // A colour pattern of 80 x 100 mm at 50 dpi: 157 x 196 pixels.
    test::WriteFile(
        dir / "test.conf",
        "number_of_devices 1\nmode Color\ndepth 8\nthree-pass false\nresolution_min 1.0\n"
        "resolution_max 1200.0\nresolution_quant 1.0\nresolution 50.0\ntest-picture \"Color "
        "pattern\"\n"
        "geometry_min 0.0\ngeometry_max 200.0\ngeometry_quant 1.0\ntl_x 0.0\ntl_y 0.0\nbr_x 80.0\n"
        "br_y 100.0\n");
    ::setenv("SANE_CONFIG_DIR", dir.Path().c_str(), 1);
    ::setenv("KORVANE_TWAIN_DSM", KVN_SANE_DSM, 1);
    twain.OnTwainError = [this](TAcquireImage*, int state, int code) {
      errors.push_back({state, code});
    };
  }
  void TearDown() override { ::unsetenv("KORVANE_TWAIN_DSM"); }
  // The picture size djpeg reads from JPEG bytes.
  std::pair<int, int> DecodedSize(const std::string& jpeg) {
    test::WriteFile(dir / "scan.jpg", jpeg);
    auto r = test::RunProgram({"djpeg", "-pnm", dir / "scan.jpg"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::smatch m;
    const std::string head = r.out.substr(0, 40);
    if (!std::regex_search(head, m, std::regex("P[56]\\s+(\\d+)\\s+(\\d+)"))) return {0, 0};
    return {std::stoi(m[1]), std::stoi(m[2])};
  }
  uint16_t Sequence(TJPEGImage& image, int quality) {
    EXPECT_TRUE(twain.LoadSourceManager());
    EXPECT_EQ(twain.OpenSourceManager(), 0);
    EXPECT_EQ(twain.SelectSource(true), "test:0");
    EXPECT_EQ(twain.OpenSource(), 0);
    const uint16_t rc = twain.AcquireJpeg(image, quality);
    EXPECT_EQ(twain.CloseSource(), 0);
    return rc;
  }

  test::TempDir dir;
  TAcquireImage twain;
  std::vector<Error> errors;
};

TEST_F(AcquireTest, TestBackendWholeSequenceAndQualities) {
  twain.SHOWhideUI = false;
  TJPEGImage best, worst;
  ASSERT_EQ(Sequence(best, 100), 0);
  ASSERT_EQ(Sequence(worst, 1), 0);
  EXPECT_TRUE(twain.UnloadSourceManager());
  EXPECT_TRUE(errors.empty());
  ASSERT_FALSE(best.Empty());
  // The test backend's page at its 50 dpi, as another reader decodes it.
  EXPECT_EQ(DecodedSize(best.data), std::make_pair(157, 196));
  EXPECT_EQ(std::make_pair(best.width, best.height), std::make_pair(157, 196));
  EXPECT_LT(worst.data.size() * 3, best.data.size());
  EXPECT_EQ(DecodedSize(worst.data), std::make_pair(best.width, best.height));
}

// The source's own dialog: its resolution chosen before the scan, or the
// scan cancelled there (the source asks to be closed: code 3 at stage 5).
TEST_F(AcquireTest, OptionsDialogScanAndCancel) {
  TJPEGImage full, half;
  twain.SHOWhideUI = false;
  ASSERT_EQ(Sequence(full, 75), 0);
  twain.SHOWhideUI = true;
  QTimer::singleShot(50, [] {
    auto* dialog = dynamic_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->objectName().toStdString(), "SaneOptions");
    dialog->findChild<QDoubleSpinBox*>("resolution")->setValue(25);
    dialog->accept();
  });
  ASSERT_EQ(Sequence(half, 75), 0);
  EXPECT_NEAR(half.width * 2, full.width, 2);
  QTimer::singleShot(50, [] { QApplication::activeModalWidget()->close(); });
  TJPEGImage kept;
  kept.data = "avant";
  EXPECT_EQ(Sequence(kept, 75), 1);
  EXPECT_EQ(kept.data, "avant");
  EXPECT_EQ(errors, (std::vector<Error>{Error{5, 3}}));
}

TEST_F(AcquireTest, NoManagerIsSilent) {
  ::setenv("KORVANE_TWAIN_DSM", (dir / "absent.so").c_str(), 1);
  EXPECT_FALSE(twain.LoadSourceManager());
  EXPECT_EQ(twain.OpenSourceManager(), 1);
  EXPECT_EQ(twain.SelectSource(true), "");
  EXPECT_EQ(twain.OpenSource(), 1);
  TJPEGImage image;
  image.data = "avant";
  EXPECT_EQ(twain.AcquireJpeg(image, 50), 1);
  EXPECT_EQ(image.data, "avant");
  EXPECT_EQ(twain.CloseSource(), 1);
  EXPECT_FALSE(twain.UnloadSourceManager());
  EXPECT_TRUE(errors.empty());
}

// The fake manager: every cancel path, failure and the pending transfers.
TEST_F(AcquireTest, FakeManagerPaths) {
  ::setenv("KORVANE_TWAIN_DSM", KVN_FAKE_DSM, 1);
  void* fake = ::dlopen(KVN_FAKE_DSM, RTLD_NOW);
  ASSERT_NE(fake, nullptr);
  auto configure = reinterpret_cast<void (*)(const char*)>(::dlsym(fake, "FakeDsm_Configure"));
  auto log = reinterpret_cast<const char* (*)()>(::dlsym(fake, "FakeDsm_Log"));
  struct Case {
    const char* scenario;
    uint16_t acquire;
    std::vector<Error> errors;
  };
  const Case cases[] = {
      {"plain", 0, {}},
      {"closerequest", 1, {{5, 3}}},
      {"canceltransfer", 1, {{7, 3}}},
      {"failtransfer", 1, {{7, 0x8005}}},
      {"enablefails", 1, {{5, 0x8005}}},
      {"nosource", 1, {{3, 1}, {4, 0x800B}, {5, 0x800B}}},
      {"twopictures", 0, {}},
      {"checkstatus", 0, {}},
  };
  twain.SHOWhideUI = false;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    configure(c.scenario);
    errors.clear();
    ASSERT_TRUE(twain.LoadSourceManager());
    twain.OpenSourceManager();
    const std::string source = twain.SelectSource(true);
    EXPECT_EQ(source, std::string(c.scenario) == "nosource" ? "" : "Fausse source");
    twain.OpenSource();
    TJPEGImage image;
    EXPECT_EQ(twain.AcquireJpeg(image, 90), c.acquire);
    twain.CloseSource();
    EXPECT_EQ(errors, c.errors);
    const std::string triplets = log();
    if (std::string(c.scenario) == "twopictures") {
      // The later picture replaces the earlier one.
      const QImage picture = QImage::fromData(QByteArray::fromStdString(image.data), "JPEG");
      EXPECT_NEAR(qRed(picture.pixel(0, 0)), 200, 12);
    }
    if (std::string(c.scenario) == "checkstatus") {
      EXPECT_NE(triplets.find("1/1/1 "), std::string::npos) << triplets;
    }
    if (std::string(c.scenario) == "plain") {
      EXPECT_EQ(triplets,
                "1/4/301 1/3/3 1/3/401 1/1/6 1/9/502 1/2/601 2/104/1 1/5/701 1/5/7 1/9/501 1/3/402 "
                "1/4/302 ");
    }
    EXPECT_TRUE(twain.UnloadSourceManager());
  }
  ::dlclose(fake);
}

}  // namespace
}  // namespace kvn::acquire

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
