// Encrypted entries: the cipher's keys and header, stored, deflated, empty and
// large entries read back by unzip, Python's zipfile and the archiver itself
// with the password, refused with a wrong one; folders flagged without a
// header; the name cipher.
#include <gtest/gtest.h>

#include <random>

#include "archive/checksum.h"
#include "archive/zip_crypto.h"
#include "archive/zip_forge.h"
#include "platform/file_info.h"
#include "tests/support/message_of.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::archive {
namespace {

using test::ReadFile;
using test::WriteFile;

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 g(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(g() & 0xFF);
  return s;
}

class EncryptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ForceDirectories(dir / "src/vide");
    WriteFile(dir / "src/texte.txt", std::string(5000, 'a') + "Amélie Poulain");
    WriteFile(dir / "src/vide.txt", "");
    WriteFile(dir / "src/gros.bin", RandomBytes(3 * 1024 * 1024 + 17, 7));
    z.Name = "Archive";
    z.FileName = dir / "secret.zip";
    z.BaseDir = dir / "src";
    z.Password = "Mot de passe é";
  }
  test::TempDir dir;
  TZipForge z;
};

TEST(TraditionalCipher, KeysHeaderAndRoundTrip) {
  // The stream of an empty password from the initial keys, and a round trip.
  TraditionalCipher a("secret"), b("secret");
  std::string text = "Le Salaire de la peur";
  std::string coded = text;
  a.Encrypt(reinterpret_cast<unsigned char*>(coded.data()), coded.size());
  EXPECT_NE(coded, text);
  b.Decrypt(reinterpret_cast<unsigned char*>(coded.data()), coded.size());
  EXPECT_EQ(coded, text);
  // The header ends with the CRC's two high bytes; its random part changes.
  const auto h1 = EncryptionHeader(0xA1B2C3D4u), h2 = EncryptionHeader(0xA1B2C3D4u);
  EXPECT_EQ(h1[10], 0xB2);
  EXPECT_EQ(h1[11], 0xA1);
  EXPECT_NE(std::vector<uint8_t>(h1.begin(), h1.begin() + 10),
            std::vector<uint8_t>(h2.begin(), h2.begin() + 10));
}

TEST(NameCipher, RoundTripKeepsTheLength) {
  for (std::string name : {std::string("a.txt"), std::string("dossier/sous-dossier/fichier.txt"),
                           std::string(32, 'x'), std::string()}) {
    std::string coded = name;
    ASSERT_TRUE(EncipherName(coded));
    EXPECT_EQ(coded.size(), name.size());
    if (!name.empty()) {
      EXPECT_NE(coded, name);
    }
    ASSERT_TRUE(DecipherName(coded));
    EXPECT_EQ(coded, name);
  }
  EXPECT_EQ(StrongNameKey().size(), 9u);
}

TEST_F(EncryptionTest, ReadersOpenTheEntriesWithThePassword) {
  z.NoCompressionMasks = {"gros.bin"};
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("*.*", 63);
  z.Close();

  // Flags, sizes and methods as written.
  z.Open(0x22);
  for (const TDirItem& e : z.Entries()) {
    EXPECT_TRUE(e.flags & 1) << e.name;
    if (e.name == "vide.txt") {
      EXPECT_EQ(e.CompressedSize(), 12u);
      EXPECT_EQ(e.method, 0);
    }
    if (e.IsDirectory()) {
      EXPECT_EQ(e.CompressedSize(), 0u) << "no header for a folder";
    }
  }
  // The archiver reads them back; with a wrong password it refuses.
  platform::MemoryStream out;
  z.ExtractTo("texte.txt", out);
  EXPECT_EQ(out.Data(), ReadFile(dir / "src/texte.txt"));
  z.TestFiles();
  z.Password = "faux";
  EXPECT_NE(test::MessageOf([&] { z.TestFiles(); }).find("Invalid size or check sum"),
            std::string::npos);
  z.Close();

  const std::string password = "Mot de passe \xE9";  // as written: Windows-1252
  auto unzip = test::RunProgram({"unzip", "-P", password, "-t", dir / "secret.zip"});
  EXPECT_EQ(unzip.exitCode, 0) << unzip.out << unzip.err;
  auto wrong = test::RunProgram({"unzip", "-P", "faux", "-t", dir / "secret.zip"});
  EXPECT_NE(wrong.exitCode, 0);
  const std::string script =
      "import zipfile, sys, hashlib\n"
      "z = zipfile.ZipFile(sys.argv[1])\n"
      "for i in z.infolist():\n"
      "    if i.is_dir(): continue\n"
      "    d = z.read(i.filename, pwd=sys.argv[2].encode('latin-1'))\n"
      "    print(i.filename, i.compress_type, len(d), hashlib.md5(d).hexdigest())\n";
  auto py = test::RunProgram(
      {"/usr/bin/python3", "-c", script, dir / "secret.zip", "Mot de passe \xC3\xA9"});
  ASSERT_EQ(py.exitCode, 0) << py.err;
  const auto md5 = [](const std::string& data) {
    auto r = test::RunProgram({"md5sum"}, data);
    return r.out.substr(0, 32);
  };
  EXPECT_NE(py.out.find("gros.bin 0 3145745 " + md5(ReadFile(dir / "src/gros.bin"))),
            std::string::npos)
      << py.out;
  EXPECT_NE(py.out.find("texte.txt 8 " + std::to_string(ReadFile(dir / "src/texte.txt").size())),
            std::string::npos)
      << py.out;
  EXPECT_NE(py.out.find("vide.txt 0 0"), std::string::npos) << py.out;
  auto pyWrong = test::RunProgram({"/usr/bin/python3", "-c", script, dir / "secret.zip", "faux"});
  EXPECT_NE(pyWrong.exitCode, 0);
  EXPECT_NE(pyWrong.err.find("password"), std::string::npos) << pyWrong.err;
}

// A password Windows-1252 cannot hold is used as its UTF-8 bytes: unzip and
// Python's zipfile open the archive with them, and passwords that differ
// only in such characters ("Σmega", "?mega") do not.
TEST_F(EncryptionTest, PasswordsBeyondWindows1252AreTheirUtf8Bytes) {
  z.Password = "Ωmega 七";
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("texte.txt", 63);
  z.Close();
  z.Open(0x22);
  for (const char* other : {"Σmega 七", "?mega ?"}) {
    z.Password = other;
    EXPECT_NE(test::MessageOf([&] { z.TestFiles(); }), "") << other;
  }
  z.Password = "Ωmega 七";
  platform::MemoryStream out;
  z.ExtractTo("texte.txt", out);
  EXPECT_EQ(out.Data(), ReadFile(dir / "src/texte.txt"));
  z.Close();

  auto unzip = test::RunProgram({"unzip", "-P", "Ωmega 七", "-p", dir / "secret.zip", "texte.txt"});
  EXPECT_EQ(unzip.exitCode, 0) << unzip.err;
  EXPECT_EQ(unzip.out, ReadFile(dir / "src/texte.txt"));
  EXPECT_NE(test::RunProgram({"unzip", "-P", "?mega ?", "-t", dir / "secret.zip"}).exitCode, 0);
  auto py = test::RunProgram(
      {"/usr/bin/python3", "-c",
       "import zipfile, sys\n"
       "print(len(zipfile.ZipFile(sys.argv[1]).read('texte.txt', pwd=sys.argv[2].encode())))\n",
       dir / "secret.zip", "Ωmega 七"});
  EXPECT_EQ(py.out, std::to_string(ReadFile(dir / "src/texte.txt").size()) + "\n") << py.err;
}

// Without a password nothing is encrypted.
TEST_F(EncryptionTest, NoPasswordNoHeader) {
  z.Password.clear();
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("vide.txt", 63);
  z.Close();
  z.Open(0x22);
  ASSERT_EQ(z.Entries().size(), 1u);
  EXPECT_EQ(z.Entries()[0].flags & 1, 0);
  EXPECT_EQ(z.Entries()[0].CompressedSize(), 0u);
}

// An entry of version 0x4114 has its name enciphered: the archiver shows it
// deciphered and keeps its bytes when it rewrites the archive.
TEST_F(EncryptionTest, EncipheredNamesAreShownDeciphered) {
  z.Password.clear();
  z.Options.Recurse = false;
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("texte.txt", 63);
  z.Close();
  std::string bytes = ReadFile(dir / "secret.zip");
  std::string coded = "texte.txt";
  ASSERT_TRUE(EncipherName(coded));
  for (size_t at = bytes.find("texte.txt"); at != std::string::npos;
       at = bytes.find("texte.txt", at + 1))
    bytes.replace(at, 9, coded);
  const auto put16 = [&](size_t at, uint16_t v) {
    bytes[at] = static_cast<char>(v & 0xFF);
    bytes[at + 1] = static_cast<char>(v >> 8);
  };
  put16(4, kVersionNameCipher);                             // local header: version needed
  put16(bytes.find("PK\x01\x02") + 6, kVersionNameCipher);  // central header
  WriteFile(dir / "secret.zip", bytes);

  z.Open(0x22);
  ASSERT_EQ(z.Entries().size(), 1u);
  EXPECT_EQ(z.Entries()[0].name, "texte.txt");
  platform::MemoryStream out;
  z.ExtractTo("texte.txt", out);
  EXPECT_EQ(out.Data(), ReadFile(dir / "src/texte.txt"));
  z.AddMatching("vide.txt", 63);
  z.Close();
  const std::string rewritten = ReadFile(dir / "secret.zip");
  EXPECT_NE(rewritten.find(coded), std::string::npos);
  EXPECT_EQ(rewritten.find("texte.txt"), std::string::npos);
}

}  // namespace
}  // namespace kvn::archive
