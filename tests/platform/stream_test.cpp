#include "platform/stream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/error.h"
#include "tests/support/message_of.h"
#include "tests/support/temp_dir.h"

namespace kvn::platform {
namespace {

using test::ReadFile;
using test::TempDir;

using test::MessageOf;

TEST(FileStream, WriteSeekTruncateRead) {
  TempDir dir;
  {
    FileStream s(dir / "f.bin", FileMode::Create);
    s.WriteString("hello world");
    EXPECT_EQ(s.Position(), 11);
    EXPECT_EQ(s.Size(), 11);
    s.Seek(6, SeekOrigin::Begin);
    s.WriteString("WORLD!");
    s.SetSize(8);
    EXPECT_EQ(s.Position(), 8);
    s.Seek(-3, SeekOrigin::End);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, sizeof buf), 3u);
    EXPECT_EQ(std::string(buf, 3), " WO");
    s.Close();
  }
  EXPECT_EQ(ReadFile(dir / "f.bin"), "hello WO");
  FileStream r(dir / "f.bin", FileMode::OpenRead);
  char buf[20];
  EXPECT_THROW(r.ReadBuffer(buf, 20), Error);
}

TEST(FileStream, FailuresCarryTheStreamMessages) {
  TempDir dir;
  EXPECT_EQ(MessageOf([&] { FileStream s(dir / "no/f.txt", FileMode::Create); }),
            "Impossible de créer le fichier \"" + (dir / "no/f.txt") +
                "\". Le chemin d'accès spécifié est introuvable.");
  EXPECT_EQ(MessageOf([&] { FileStream s(dir / "absent", FileMode::OpenRead); }),
            "Impossible d'ouvrir le fichier \"" + (dir / "absent") +
                "\". Le fichier spécifié est introuvable.");
  EXPECT_EQ(MessageOf([&] { FileStream s(dir.Path(), FileMode::Create); }),
            "Impossible de créer le fichier \"" + dir.Path() + "\". Le nom désigne un répertoire.");
  // /dev/full accepts the open and refuses every byte: the message names the
  // file (or the name it is shown under) and the reason.
  EXPECT_EQ(MessageOf([] {
              FileStream s("/dev/full", FileMode::OpenWrite);
              s.WriteString(std::string(100, 'x'));
              s.Flush();
            }),
            "Erreur d'écriture dans le fichier \"/dev/full\". Il n'y a pas assez d'espace sur le "
            "disque.");
  EXPECT_EQ(MessageOf([] {
              FileStream s("/dev/full", FileMode::OpenWrite);
              s.SetDisplayName("liste.pdf");
              s.WriteString(std::string(200000, 'x'));
            }),
            "Erreur d'écriture dans le fichier \"liste.pdf\". Il n'y a pas assez d'espace sur le "
            "disque.");
}

TEST(MemoryStream, GrowsSeeksAndTruncates) {
  MemoryStream m;
  m.WriteString("abcdef");
  m.Seek(2, SeekOrigin::Begin);
  m.WriteString("XYZWV");
  EXPECT_EQ(m.Data(), "abXYZWV");
  m.SetSize(3);
  EXPECT_EQ(m.Position(), 3);
  m.Seek(0, SeekOrigin::Begin);
  char buf[3];
  m.ReadBuffer(buf, 3);
  EXPECT_EQ(std::string(buf, 3), "abX");
  EXPECT_EQ(MessageOf([&] { m.ReadBuffer(buf, 1); }), "Erreur de lecture du flux");
  m.Seek(5, SeekOrigin::Begin);
  m.WriteString("!");
  EXPECT_EQ(m.Data(), std::string("abX\0\0!", 6));
}

}  // namespace
}  // namespace kvn::platform
