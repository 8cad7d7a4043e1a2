// The bytes of the records: the smallest archives, fields by name, deflate data,
// names, comments, and archives read back by their directory.
#include <gtest/gtest.h>
#include <zlib.h>

#include "archive/checksum.h"
#include "archive/deflate_stream.h"
#include "archive/zip_forge.h"
#include "platform/endian.h"
#include "platform/file_info.h"
#include "tests/support/byte_fields.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_readers.h"

namespace kvn::archive {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

using test::Fields;

std::string MakeArchive(TempDir& dir, const std::map<std::string, std::string>& files, int mode = 1,
                        TZip64Mode zip64 = TZip64Mode::zmDisabled) {
  for (const auto& [name, bytes] : files) {
    platform::ForceDirectories(platform::ExtractFilePath(dir / ("src/" + name)));
    WriteFile(dir / ("src/" + name), bytes);
  }
  TZipForge z;
  z.FileName = dir / "out.zip";
  z.BaseDir = dir / "src";
  z.SetCompressionMode(mode);
  z.Zip64Mode = zip64;
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("*.*", 47);
  z.Close();
  return ReadFile(dir / "out.zip");
}

TEST(ZipFormat, EmptyArchiveIsABareEndRecord) {
  TempDir dir;
  TZipForge z;
  z.FileName = dir / "empty.zip";
  z.Open(TZFBaseArchiver::kCreateMode);
  z.Close();
  EXPECT_EQ(ReadFile(dir / "empty.zip"), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
  ExpectReadersAccept(dir / "empty.zip", {});
  // Create mode on an existing file replaces it.
  WriteFile(dir / "empty.zip", std::string(1000, 'x'));
  z.Open(TZFBaseArchiver::kCreateMode);
  z.Close();
  EXPECT_EQ(ReadFile(dir / "empty.zip").size(), 22u);
}

TEST(ZipFormat, ZeroByteFileIsStoredWithCrcZero) {
  TempDir dir;
  std::string zip = MakeArchive(dir, {{"vide.dat", ""}}, 9);
  Fields f{zip};
  EXPECT_FIELD(f, 0, 4, 0x04034B50, "local signature");
  EXPECT_FIELD(f, 4, 2, 20, "version needed");
  EXPECT_FIELD(f, 6, 2, 0, "flags");
  EXPECT_FIELD(f, 8, 2, 0, "method");
  EXPECT_FIELD(f, 14, 4, 0, "crc");
  EXPECT_FIELD(f, 18, 4, 0, "compressed size");
  EXPECT_FIELD(f, 22, 4, 0, "uncompressed size");
  EXPECT_FIELD(f, 26, 2, 8, "name length");
  EXPECT_FIELD(f, 28, 2, 0, "extra length");
  EXPECT_EQ(zip.substr(30, 8), "vide.dat");
  const size_t central = 38;
  EXPECT_FIELD(f, central, 4, 0x02014B50, "central signature");
  EXPECT_FIELD(f, central + 4, 2, 20, "version made by");
  EXPECT_FIELD(f, central + 10, 2, 0, "method");
  EXPECT_FIELD(f, central + 16, 4, 0, "crc");
  EXPECT_FIELD(f, central + 38, 4, 0x20, "external attributes");
  EXPECT_FIELD(f, central + 42, 4, 0, "local header offset");
  const size_t end = central + 46 + 8;
  EXPECT_FIELD(f, end, 4, 0x06054B50, "end signature");
  EXPECT_FIELD(f, end + 8, 2, 1, "entries");
  EXPECT_FIELD(f, end + 12, 4, 54, "directory size");
  EXPECT_FIELD(f, end + 16, 4, 38, "directory offset");
  EXPECT_EQ(zip.size(), end + 22);
  ExpectReadersAccept(dir / "out.zip", {{"vide.dat", ""}});
}

TEST(ZipFormat, CrcOfAbc) {
  EXPECT_EQ(Crc32("abc", 3), 0x352441C2u);
  EXPECT_EQ(UpdateCrc(kCrcPreset, nullptr, 5), kCrcPreset);
  EXPECT_EQ(UpdateCrc(kCrcPreset, "abc", 0), kCrcPreset);
  uint32_t reg = UpdateCrc(kCrcPreset, "a", 1);
  EXPECT_EQ(~UpdateCrc(reg, "bc", 2), 0x352441C2u);
  EXPECT_EQ(CrcTable()[1], 0x77073096u);
}

// Inflates raw deflate data; returns the bytes and how many input bytes it used.
std::string Inflate(const std::string& data, size_t& used) {
  z_stream z{};
  inflateInit2(&z, -15);
  std::string out(64 << 20, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  int rc = inflate(&z, Z_FINISH);
  EXPECT_EQ(rc, Z_STREAM_END);
  used = data.size() - z.avail_in;
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
}

TEST(ZipFormat, DeflatedDataIsExactlyOneRawStream) {
  // One block at mode 1, then one block and one byte: a sync flush after the block.
  for (size_t size : {size_t{524288}, size_t{524289}}) {
    std::string source(size, '\0');
    for (size_t i = 0; i < size; ++i)
      source[i] = static_cast<char>("Korvane catalogue "[i % 18] + (i / 65536) % 3);
    platform::MemoryStream in, out;
    in.WriteString(source);
    EntryData d =
        WriteEntryData(in, static_cast<int64_t>(size), out, kMethodDeflated, 1, "", nullptr);
    EXPECT_EQ(d.method, kMethodDeflated);
    EXPECT_EQ(d.crc, Crc32(source.data(), static_cast<int64_t>(size)));
    EXPECT_EQ(d.compressedSize, out.Data().size());
    size_t used = 0;
    EXPECT_EQ(Inflate(out.Data(), used), source) << size;
    // Readers find nothing after the end of the stream.
    EXPECT_EQ(used, out.Data().size()) << size;
    const bool synced = out.Data().find(std::string("\x00\x00\xFF\xFF", 4)) != std::string::npos;
    EXPECT_EQ(synced, size > 524288) << size;
  }
  // Mode 0: the data is the source itself.
  platform::MemoryStream in, out;
  in.WriteString("texte brut");
  EntryData d = WriteEntryData(in, 10, out, kMethodStored, 0, "", nullptr);
  EXPECT_EQ(out.Data(), "texte brut");
  EXPECT_EQ(d.compressedSize, 10u);
}

TEST(ZipFormat, DirectoriesAndNamesInCodePage850) {
  TempDir dir;
  platform::ForceDirectories(dir / "src/Vidéos/vide.d");
  WriteFile(dir / "src/Vidéos/Été.txt", "soleil");
  TZipForge z;
  z.FileName = dir / "out.zip";
  z.BaseDir = dir / "src";
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("*", 63);  // directories too (a nested one must match "*.*")
  z.Close();
  std::string zip = ReadFile(dir / "out.zip");
  EXPECT_NE(zip.find("Vid\x82os/\x90t\x82.txt"), std::string::npos);  // é → 0x82, É → 0x90
  z.Open(0x22);
  std::vector<std::string> names;
  for (const auto& e : z.Entries()) {
    names.push_back(e.name);
    if (e.IsDirectory()) {
      EXPECT_EQ(e.externalAttributes & 0x10, 0x10u) << e.name;
      EXPECT_EQ(e.crc, 0u);
      EXPECT_EQ(e.method, 0);
      EXPECT_EQ(e.CompressedSize(), 0u);
    }
  }
  z.Close();
  EXPECT_EQ(names, (std::vector<std::string>{"Vid\xE9os/", "Vid\xE9os/\xC9t\xE9.txt",
                                             "Vid\xE9os/vide.d/"}));
  // Python reads names without the UTF-8 flag as code page 437, where é is 0x82 too.
  ExpectReadersAccept(dir / "out.zip",
                      {{"Vidéos/", ""}, {"Vidéos/\u00c9té.txt", "soleil"}, {"Vidéos/vide.d/", ""}});
}

TEST(ZipFormat, CommentSurvivesRewritesAndFalseEndSignatures) {
  TempDir dir;
  // An archive made by another program, with a comment, and a member whose
  // data holds an end-record signature near the end of the file.
  platform::ForceDirectories(dir / "src");
  WriteFile(dir / "src/trap.bin", std::string("PK\x05\x06", 4) + std::string(30, '\x01'));
  auto py = test::RunProgram({"python3", "-c",
                              "import sys, zipfile\n"
                              "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_STORED) as z:\n"
                              "    z.comment = b'commentaire'\n"
                              "    z.write(sys.argv[2], 'trap.bin')\n",
                              dir / "c.zip", dir / "src/trap.bin"});
  ASSERT_EQ(py.exitCode, 0) << py.err;
  WriteFile(dir / "src/new.txt", "nouveau");
  TZipForge z;
  z.FileName = dir / "c.zip";
  z.BaseDir = dir / "src";
  z.Open(0x22);
  EXPECT_EQ(z.ArchiveComment(), "commentaire");
  EXPECT_EQ(z.FileCount(), 1);
  z.AddMatching("new.txt", 47);
  z.Close();
  z.Open(0x22);
  EXPECT_EQ(z.ArchiveComment(), "commentaire");
  EXPECT_EQ(z.FileCount(), 2);
  z.Close();
  ExpectReadersAccept(dir / "c.zip",
                      {{"trap.bin", ReadFile(dir / "src/trap.bin")}, {"new.txt", "nouveau"}});
}

TEST(ZipFormat, DataInFrontOfTheArchiveIsTolerated) {
  TempDir dir;
  std::string zip = MakeArchive(dir, {{"a.txt", "alpha"}});
  WriteFile(dir / "prefixed.zip", std::string(1000, 'S') + zip);
  WriteFile(dir / "src/b.txt", "beta");
  TZipForge z;
  z.FileName = dir / "prefixed.zip";
  z.BaseDir = dir / "src";
  z.Open(0x22);
  ASSERT_EQ(z.FileCount(), 1);
  EXPECT_EQ(z.Entries()[0].LocalHeaderOffset(), 1000u);
  z.AddMatching("b.txt", 47);
  z.Close();
  auto unzip = test::RunProgram({"unzip", "-tq", dir / "prefixed.zip"});
  EXPECT_EQ(unzip.exitCode, 0) << unzip.out;
  auto py = test::RunProgram({"python3", "-c",
                              "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\n"
                              "print(z.testzip(), z.read('a.txt'), z.read('b.txt'))",
                              dir / "prefixed.zip"});
  EXPECT_EQ(py.out, "None b'alpha' b'beta'\n") << py.err;
}

TEST(ZipFormat, Zip64WhenForced) {
  TempDir dir;
  std::map<std::string, std::string> files = {{"a.txt", std::string(5000, 'a')}, {"b/c.txt", "c"}};
  std::string zip = MakeArchive(dir, files, 1, TZip64Mode::zmAlways);
  Fields f{zip};
  EXPECT_FIELD(f, 4, 2, 45, "version needed");
  EXPECT_FIELD(f, 18, 4, 0xFFFFFFFF, "compressed size escape");
  EXPECT_FIELD(f, 22, 4, 0xFFFFFFFF, "uncompressed size escape");
  EXPECT_FIELD(f, 28, 2, 20, "extra length");
  EXPECT_FIELD(f, 30 + 5, 2, 0x0001, "zip64 extra id");
  EXPECT_FIELD(f, 30 + 5 + 4, 8, 5000, "zip64 uncompressed size");
  ExpectReadersAccept(dir / "out.zip", files);
  TZipForge z;
  z.FileName = dir / "out.zip";
  z.Open(0x40);
  ASSERT_EQ(z.FileCount(), 2);
  EXPECT_EQ(z.Entries()[0].UncompressedSize(), 5000u);
  EXPECT_TRUE(z.Entries()[0].zip64);
}

}  // namespace
}  // namespace kvn::archive
