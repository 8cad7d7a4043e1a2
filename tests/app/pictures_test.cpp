// Cover pictures: the formats read, and the messages for the others.
#include "app/pictures.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "tests/support/message_of.h"
#include "tests/support/temp_dir.h"

namespace kvn::app {
namespace {

std::string MessageOf(const QString& path) {
  return test::MessageOf([&] { LoadPicture(path); });
}

TEST(Pictures, ReadsJpegPngBitmapAndIcon) {
  test::TempDir dir;
  QImage image(40, 30, QImage::Format_RGB32);
  image.fill(Qt::red);
  for (const char* name : {"a.jpg", "b.JPEG", "c.bmp", "d.ico", "e.png", "f.PNG"}) {
    const QString path = QString::fromStdString(dir / name);
    const char* format = QString(name).endsWith("ico") ? "ICO" : nullptr;
    ASSERT_TRUE(image.save(path, format)) << name;
    QImage read = LoadPicture(path);
    EXPECT_EQ(read.size(), QSize(40, 30)) << name;
  }
}

TEST(Pictures, RefusalsNameTheProblem) {
  test::TempDir dir;
  test::WriteFile(dir / "broken.jpg", "not a picture");
  test::WriteFile(dir / "cover.wmf", "\xD7\xCD\xC6\x9A");
  struct {
    std::string path;
    std::string message;
  } cases[] = {
      {dir / "cover.xyz", "Extension de fichier image inconnue (.xyz)"},
      {dir / "cover", "Extension de fichier image inconnue (.)"},
      {dir / "missing.jpg", "Impossible d'ouvrir le fichier \"" + (dir / "missing.jpg") +
                                "\". Le fichier spécifié est introuvable."},
      {dir / "broken.jpg",
       "Le fichier image \"" + (dir / "broken.jpg") + "\" est illisible ou endommagé."},
      {dir / "cover.wmf",
       "Le métafichier \"" + (dir / "cover.wmf") +
           "\" ne peut pas être affiché : Korvane lit les jaquettes JPEG, PNG, bitmap, "
           "icône et les autres formats d'image courants. Enregistrez la jaquette dans l'un "
           "de ces formats."},
  };
  for (const auto& c : cases) EXPECT_EQ(MessageOf(QString::fromStdString(c.path)), c.message);
}

}  // namespace
}  // namespace kvn::app
