// Multi-volume archives and the self-extractor stub: volume names, limits,
// split sets read by 7z, by Python once joined by zip, and by the archiver;
// central headers never split; volume requests and their cancellation; the
// stub before the first entry.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <random>

#include "archive/zip_forge.h"
#include "platform/endian.h"
#include "platform/file_info.h"
#include "tests/support/message_of.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::archive {
namespace {

using test::ReadFile;
using test::WriteFile;

std::string Noise(size_t n, unsigned seed) {
  std::mt19937 g(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(g() & 0xFF);
  return s;
}

struct Answers : ArchiverQuestions {
  std::vector<std::string> asked;
  std::vector<bool> answers;
  Overwrite ConfirmOverwrite(const std::string&, const std::string&) override {
    return Overwrite::Yes;
  }
  TZFAction FileFailure(const std::string&) override { return TZFAction::fxaAbort; }
  bool VolumeRequest(const std::string& text) override {
    asked.push_back(text);
    bool a = !answers.empty() && answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    return a;
  }
};

class VolumesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ForceDirectories(dir / "src");
    for (int i = 0; i < 3; ++i)
      WriteFile(dir / ("src/bruit" + std::to_string(i) + ".bin"), Noise(150000, i));
    WriteFile(dir / "src/texte.txt", std::string(20000, 't'));
    z.Name = "Archive";
    z.FileName = dir / "a.zip";
    z.BaseDir = dir / "src";
    z.SpanningMode = TZFSpanningMode::smSplitting;
    z.SpanningOptions.VolumeSize = TZFVolumeSize::vsCustom;
    z.SpanningOptions.SetCustomVolumeSize(65536);
  }
  test::TempDir dir;
  TZipForge z;
};

TEST(VolumeNames, EveryNaming) {
  TZipForge z;
  z.FileName = "/d/a.zip";
  struct Case {
    TZFSpanningMode mode;
    bool advanced;
    std::string stub;
    std::vector<std::string> names;  // volumes 0, 1, then the last
  };
  const Case cases[] = {
      {TZFSpanningMode::smSplitting, true, "", {"/d/a_001.zip", "/d/a_002.zip", "/d/a.zip"}},
      {TZFSpanningMode::smSplitting, false, "", {"/d/a.z01", "/d/a.z02", "/d/a.zip"}},
      {TZFSpanningMode::smSpanning, true, "", {"/d/a_001.zip", "/d/a_002.zip", "/d/a.zip"}},
      {TZFSpanningMode::smSpanning, false, "", {"/d/a.zip", "/d/a.zip", "/d/a.zip"}},
      {TZFSpanningMode::smSplitting, false, "/d/stub", {"/d/a.exe", "/d/a.z02", "/d/a.ZIP"}},
      {TZFSpanningMode::smSpanning, true, "/d/stub", {"/d/a_001.exe", "/d/a_002.exe", "/d/a.zip"}},
  };
  for (const Case& c : cases) {
    z.SpanningMode = c.mode;
    z.SpanningOptions.AdvancedNaming = c.advanced;
    z.SFXStub = c.stub;
    EXPECT_EQ(std::vector<std::string>({z.VolumeName(0), z.VolumeName(1), z.VolumeName(-1)}),
              c.names);
  }
  TZFSpanningOptions o;
  o.SetCustomVolumeSize(1000);
  EXPECT_EQ(o.CustomVolumeSize(), 65536u);
  o.VolumeSize = TZFVolumeSize::vs1_44MB;
  o.FirstVolumeSize = 100000;
  EXPECT_EQ(o.VolumeLimit(0), 100000u);
  EXPECT_EQ(o.VolumeLimit(1), 1457664u);
}

// A split set: volumes within their limit, read by 7z, by Python once zip has
// joined them, and by the archiver itself.
// An archive written over a set: once complete, only its own files remain,
// whichever naming either set had; the archiver and 7z read it.
TEST_F(VolumesTest, ANewArchiveReplacesTheWholeSetBeforeIt) {
  const auto files = [&] {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
      if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  const auto write = [&](TZFSpanningMode mode, bool advanced, const char* mask) {
    TZipForge w;
    w.Name = "Archive";
    w.FileName = dir / "a.zip";
    w.BaseDir = dir / "src";
    w.SpanningMode = mode;
    w.SpanningOptions.AdvancedNaming = advanced;
    w.SpanningOptions.VolumeSize = TZFVolumeSize::vsCustom;
    w.SpanningOptions.SetCustomVolumeSize(65536);
    w.Open(TZFBaseArchiver::kCreateMode);
    w.AddMatching(mask, 63);
    w.Close();
  };
  // 7z knows the ".z01" naming and single files.
  const auto readable = [&](size_t entries, bool sevenZip) {
    TZipForge r;
    r.FileName = dir / "a.zip";
    r.Open(0x40);
    EXPECT_EQ(r.Entries().size(), entries);
    r.TestFiles();
    r.Close();
    if (!sevenZip) return;
    auto seven = test::RunProgram({"7z", "t", dir / "a.zip"});
    EXPECT_EQ(seven.exitCode, 0) << seven.out;
  };
  struct Step {
    TZFSpanningMode mode;
    bool advanced;
    const char* mask;
    std::vector<std::string> expected;
  };
  const Step steps[] = {
      {TZFSpanningMode::smSplitting, true, "*.*", {}},
      // A smaller set over it: the four volumes it no longer has go.
      {TZFSpanningMode::smSplitting, true, "bruit0.bin", {"a.zip", "a_001.zip", "a_002.zip"}},
      // The other naming: none of the first set is left to join by mistake.
      {TZFSpanningMode::smSplitting, false, "bruit1.bin", {"a.z01", "a.z02", "a.zip"}},
      // One file over a set.
      {TZFSpanningMode::smNone, true, "*.*", {"a.zip"}},
  };
  const size_t entries[] = {4, 1, 1, 4};
  for (size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(i);
    write(steps[i].mode, steps[i].advanced, steps[i].mask);
    // The sources live in src/: the folder holds only the archive's files.
    const std::vector<std::string> found = files();
    if (i == 0)
      EXPECT_GE(found.size(), 6u);  // a.zip and five volumes or more
    else
      EXPECT_EQ(found, steps[i].expected);
    readable(entries[i], !steps[i].advanced || steps[i].mode == TZFSpanningMode::smNone);
  }
}

TEST_F(VolumesTest, SplitSetReadByEveryReader) {
  z.SpanningOptions.AdvancedNaming = false;
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("*.*", 63);
  z.Close();
  std::vector<std::string> volumes;
  for (int v = 1; platform::FileExists(dir / ("a.z0" + std::to_string(v))); ++v)
    volumes.push_back(dir / ("a.z0" + std::to_string(v)));
  ASSERT_GE(volumes.size(), 6u);
  for (const std::string& v : volumes) EXPECT_EQ(ReadFile(v).size(), 65536u) << v;
  EXPECT_LE(ReadFile(dir / "a.zip").size(), 65536u);
  EXPECT_TRUE(test::HiddenFiles(dir.Path()).empty());
  // No working file is left.
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    EXPECT_NE(entry.path().filename().string().rfind("FC", 0), 0u) << entry.path();

  auto seven = test::RunProgram({"7z", "t", dir / "a.zip"});
  EXPECT_EQ(seven.exitCode, 0) << seven.out << seven.err;
  // Joined (volumes end to end, the directory's offsets made absolute), the
  // set is one archive that Python reads.
  const std::string join =
      "import sys, struct, zipfile, io\n"
      "parts = [open(p, 'rb').read() for p in sys.argv[1:]]\n"
      "starts, data = [], b''\n"
      "for i, p in enumerate(parts):\n"
      "    skip = 4 if i == 0 and p[:4] == b'PK\\x07\\x08' else 0\n"
      "    starts.append(len(data) - skip)\n"
      "    data += p[skip:]\n"
      "e = data.rfind(b'PK\\x05\\x06')\n"
      "disk, cddisk, n, total, size, off, clen = struct.unpack('<HHHHIIH', data[e+4:e+22])\n"
      "at = starts[cddisk] + off\n"
      "cd = bytearray(data[at:at+size])\n"
      "i = 0\n"
      "while i < len(cd):\n"
      "    d, = struct.unpack('<H', cd[i+34:i+36]); o, = struct.unpack('<I', cd[i+42:i+46])\n"
      "    cd[i+34:i+36] = b'\\0\\0'; cd[i+42:i+46] = struct.pack('<I', starts[d] + o)\n"
      "    i += 46 + sum(struct.unpack('<HHH', cd[i+28:i+34]))\n"
      "one = data[:at] + bytes(cd) + b'PK\\x05\\x06' + struct.pack('<HHHHIIH', 0, 0, total, total, "
      "size, at, 0)\n"
      "z = zipfile.ZipFile(io.BytesIO(one))\n"
      "print(z.testzip(), sorted((i.filename, len(z.read(i))) for i in z.infolist()))\n";
  std::vector<std::string> argv = {"/usr/bin/python3", "-c", join};
  argv.insert(argv.end(), volumes.begin(), volumes.end());
  argv.push_back(dir / "a.zip");
  auto py = test::RunProgram(argv);
  EXPECT_EQ(py.out,
            "None [('bruit0.bin', 150000), ('bruit1.bin', 150000), ('bruit2.bin', 150000), "
            "('texte.txt', 20000)]\n")
      << py.err;

  TZipForge reader;
  reader.FileName = dir / "a.zip";
  reader.Open(0x40);
  EXPECT_TRUE(reader.MultiVolume());
  EXPECT_EQ(reader.FileCount(), 4);
  reader.TestFiles();
  platform::MemoryStream out;
  reader.ExtractTo("bruit1.bin", out);
  EXPECT_EQ(out.Data(), ReadFile(dir / "src/bruit1.bin"));
  EXPECT_EQ(reader.VolumeFiles().size(), volumes.size() + 1);
  reader.Close();
}

// A central directory header never starts on one volume and ends on the next.
TEST_F(VolumesTest, CentralHeadersStayOnOneVolume) {
  for (int i = 0; i < 700; ++i) {
    char name[160];
    std::snprintf(name, sizeof name,
                  "src/un nom de fichier assez long pour remplir le répertoire central %04d.txt",
                  i);
    WriteFile(dir / name, "x");
  }
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("*.txt", 63);
  z.Close();
  std::vector<std::string> files;
  for (int v = 1; platform::FileExists(dir / ("a_00" + std::to_string(v) + ".zip")); ++v)
    files.push_back(dir / ("a_00" + std::to_string(v) + ".zip"));
  files.push_back(dir / "a.zip");
  ASSERT_GE(files.size(), 2u);
  int headers = 0;
  for (const std::string& f : files) {
    const std::string bytes = ReadFile(f);
    for (size_t at = bytes.find("PK\x01\x02"); at != std::string::npos;
         at = bytes.find("PK\x01\x02", at + 1)) {
      ASSERT_LE(at + 46, bytes.size()) << f;
      const auto* h = reinterpret_cast<const uint8_t*>(bytes.data() + at);
      const size_t length =
          46 + platform::GetLE16(h + 28) + platform::GetLE16(h + 30) + platform::GetLE16(h + 32);
      EXPECT_LE(at + length, bytes.size()) << f;
      ++headers;
    }
  }
  EXPECT_EQ(headers, 701);
  // The archiver reads either naming (7z knows only the .z01 one).
  TZipForge reader;
  reader.FileName = dir / "a.zip";
  reader.Open(0x40);
  EXPECT_EQ(reader.FileCount(), 701);
  reader.TestFiles();
}

// A split set is replaced all or nothing: a volume request answered Cancel
// stops with native error 45 and the earlier set stays as it was. Changes to
// a set with entries need an explicit update.
TEST_F(VolumesTest, CancelledRequestsAndUpdates) {
  std::vector<int> asked;
  bool refuseSecond = false;
  z.OnRequestBlankVolume = [&](TZFBaseArchiver*, int volume, std::string&, bool& cancel) {
    asked.push_back(volume);
    cancel = refuseSecond && volume == 2;
  };
  z.Options.Recurse = false;
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("bruit0.bin", 63);
  EXPECT_EQ(asked.front(), 1);
  EXPECT_NE(test::MessageOf([&] { z.AddMatching("bruit1.bin", 63); }).find("Multi-spanned"),
            std::string::npos);
  std::vector<std::string> before;
  for (const std::string& v : z.VolumeFiles()) before.push_back(ReadFile(v));
  const auto listing = [&] {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
      names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  };
  const std::vector<std::string> files = listing();

  asked.clear();
  refuseSecond = true;
  z.BeginUpdate();
  z.AddMatching("bruit1.bin", 63);
  EXPECT_NE(test::MessageOf([&] { z.EndUpdate(); }).find("Opening aborted"), std::string::npos);
  EXPECT_EQ(asked, (std::vector<int>{1, 2}));
  std::vector<std::string> after;
  for (const std::string& v : z.VolumeFiles()) after.push_back(ReadFile(v));
  EXPECT_TRUE(after == before) << "the earlier volumes changed";
  EXPECT_EQ(listing(), files) << "a volume was left behind";
  EXPECT_EQ(z.FileCount(), 1);

  // Accepted inside an update.
  refuseSecond = false;
  z.BeginUpdate();
  z.AddMatching("bruit1.bin", 63);
  z.EndUpdate();
  EXPECT_EQ(z.FileCount(), 2);
  z.Close();
  TZipForge reader;
  reader.FileName = dir / "a.zip";
  reader.Open(0x40);
  EXPECT_EQ(reader.FileCount(), 2);
  reader.TestFiles();
}

// Spanning onto removable disks: when disk n+1 is asked for, disk n holds
// its volume under its own name (the handler takes the disk away), and the
// working file was never on a disk. The set reads back from the disks. A
// request answered Cancel keeps the disks finished so far and names them.
TEST_F(VolumesTest, SpanningWritesEachDiskBeforeTheNext) {
  for (const bool advanced : {true, false}) {
    SCOPED_TRACE(advanced ? "a_001.zip..." : "a.zip on every disk");
    const std::filesystem::path drive = dir / (advanced ? "drive1" : "drive2");
    const std::filesystem::path temp = dir / (advanced ? "tmp1" : "tmp2");
    platform::ForceDirectories(drive);
    platform::ForceDirectories(temp);
    const auto disk = [&](int n) {
      return std::filesystem::path(dir / ((advanced ? "adv-disk" : "disk") + std::to_string(n)));
    };
    // Takes the finished disk out of the drive, checking that it holds one
    // whole volume and nothing else.
    const auto eject = [&](int n, bool last = false) {
      std::vector<std::filesystem::path> onDrive;
      for (const auto& entry : std::filesystem::directory_iterator(drive))
        onDrive.push_back(entry.path());
      ASSERT_EQ(onDrive.size(), 1u) << "disk " << n;
      const std::string expected = advanced ? "a_00" + std::to_string(n) + ".zip" : "a.zip";
      EXPECT_EQ(onDrive[0].filename(), last ? "a.zip" : expected);
      platform::ForceDirectories(disk(n));
      std::filesystem::rename(onDrive[0], disk(n) / onDrive[0].filename());
    };
    const auto workingFilesIn = [](const std::filesystem::path& folder) {
      int n = 0;
      for (const auto& entry : std::filesystem::directory_iterator(folder))
        n += entry.path().filename().string().rfind("FC", 0) == 0;
      return n;
    };

    TZipForge w;
    w.FileName = (drive / "a.zip").string();
    w.BaseDir = dir / "src";
    w.TempDir = temp.string();
    w.SpanningMode = TZFSpanningMode::smSpanning;
    w.SpanningOptions.AdvancedNaming = advanced;
    w.SpanningOptions.VolumeSize = TZFVolumeSize::vsCustom;
    w.SpanningOptions.SetCustomVolumeSize(200000);
    int cancelAt = 0;
    std::vector<int> requests;
    w.OnRequestBlankVolume = [&](TZFBaseArchiver*, int volume, std::string& name, bool& cancel) {
      requests.push_back(volume);
      EXPECT_EQ(workingFilesIn(drive), 0);
      EXPECT_EQ(workingFilesIn(temp), 1);
      EXPECT_EQ(name,
                (drive / (advanced ? "a_00" + std::to_string(volume) + ".zip" : "a.zip")).string());
      if (volume > 1) eject(volume - 1);
      cancel = volume == cancelAt;
    };
    w.Open(TZFBaseArchiver::kCreateMode);
    w.AddMatching("*.*", 63);
    const int disks = static_cast<int>(requests.size());
    ASSERT_GE(disks, 3);
    for (int n = 1; n <= disks; ++n) EXPECT_EQ(requests[static_cast<size_t>(n - 1)], n);
    eject(disks, true);
    EXPECT_EQ(w.SpannedDisks().size(), static_cast<size_t>(disks));
    w.Close();
    EXPECT_EQ(workingFilesIn(temp), 0);

    // Read back from the disks, each asked for in turn.
    TZipForge r;
    r.FileName = (disk(disks) / "a.zip").string();
    r.SpanningMode = TZFSpanningMode::smSpanning;
    r.SpanningOptions.AdvancedNaming = advanced;
    r.TempDir = temp.string();
    const auto fromDisk = [&](int n, std::string& name) {
      name = (disk(n) / std::filesystem::path(name).filename()).string();
    };
    r.OnRequestFirstVolume = [&](TZFBaseArchiver*, std::string& name, bool&) { fromDisk(1, name); };
    r.OnRequestMiddleVolume = [&](TZFBaseArchiver*, int n, std::string& name, bool&) {
      fromDisk(n, name);
    };
    r.OnRequestLastVolume = [&](TZFBaseArchiver*, std::string& name, bool&) {
      fromDisk(disks, name);
    };
    r.Open(0x40);
    EXPECT_EQ(r.FileCount(), 4);
    r.TestFiles();
    r.Close();

    // Cancelled at the third disk: disks 1 and 2 are kept, and named.
    requests.clear();
    cancelAt = 3;
    TZipForge again;
    again.FileName = (drive / "a.zip").string();
    again.BaseDir = dir / "src";
    again.TempDir = temp.string();
    again.SpanningMode = TZFSpanningMode::smSpanning;
    again.SpanningOptions = w.SpanningOptions;
    again.OnRequestBlankVolume = w.OnRequestBlankVolume;
    for (int n = 1; n <= disks; ++n) std::filesystem::remove_all(disk(n));
    again.Open(TZFBaseArchiver::kCreateMode);
    EXPECT_NE(test::MessageOf([&] { again.AddMatching("*.*", 63); }).find("Native error: 00045"),
              std::string::npos);
    const std::string first = (drive / (advanced ? "a_001.zip" : "a.zip")).string();
    const std::string second = (drive / (advanced ? "a_002.zip" : "a.zip")).string();
    EXPECT_EQ(again.SpannedDisks(), (std::vector<std::string>{first, second}));
    EXPECT_TRUE(std::filesystem::exists(disk(1)) && std::filesystem::exists(disk(2)));
    EXPECT_GT(std::filesystem::file_size(disk(2) / std::filesystem::path(second).filename()),
              150000u);
    for (const auto& entry : std::filesystem::directory_iterator(drive))
      ADD_FAILURE() << entry.path() << " left";
    again.Close();
    EXPECT_EQ(workingFilesIn(temp), 0);
  }
}

// The stub goes before the first entry; offsets count from the start of the
// file, which unzip lists. A stub bigger than the first volume is refused
// before anything is written.
// A split self-extracting set ("a.exe", "a_002.zip"..., "a.ZIP") opens by
// each of its names: the ".exe" first volume leads to the ".ZIP" last one,
// and a name that differs only in case is found.
TEST_F(VolumesTest, SplitSelfExtractingSetReopensByEachName) {
  WriteFile(dir / "stub.bin", "MZ" + Noise(3000, 9));
  z.SFXStub = dir / "stub.bin";
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("*.*", 63);
  z.Close();
  ASSERT_TRUE(platform::FileExists(dir / "a.exe"));
  ASSERT_TRUE(platform::FileExists(dir / "a_002.zip"));
  ASSERT_TRUE(platform::FileExists(dir / "a.ZIP"));
  for (const char* name : {"a.zip", "a.exe", "a.ZIP", "A.Zip"}) {
    SCOPED_TRACE(name);
    TZipForge r;
    r.Name = "Archive";
    r.FileName = dir / name;
    try {
      r.Open(0x40);
      EXPECT_EQ(r.FileCount(), 4);
      r.TestFiles();
      r.Close();
    } catch (const EZFException& e) {
      ADD_FAILURE() << e.what();
    }
  }
}

TEST_F(VolumesTest, SelfExtractorStub) {
  WriteFile(dir / "stub.bin", "MZ" + Noise(3000, 9));
  z.SpanningMode = TZFSpanningMode::smNone;
  z.SFXStub = dir / "stub.bin";
  z.FileName = dir / "auto.zip";
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("texte.txt", 63);
  z.Close();
  const std::string bytes = ReadFile(dir / "auto.zip");
  EXPECT_EQ(bytes.substr(0, 3002), ReadFile(dir / "stub.bin"));
  EXPECT_EQ(bytes.substr(3002, 4), "PK\x03\x04");
  auto unzip = test::RunProgram({"unzip", "-t", dir / "auto.zip"});
  EXPECT_EQ(unzip.exitCode, 0) << unzip.out << unzip.err;
  EXPECT_EQ(unzip.out.find("extra bytes"), std::string::npos) << unzip.out;
  z.Open(0x40);
  EXPECT_EQ(z.FileCount(), 1);
  z.TestFiles();
  z.Close();

  z.SpanningMode = TZFSpanningMode::smSplitting;
  z.SpanningOptions.FirstVolumeSize = 2000;
  z.FileName = dir / "trop.zip";
  EXPECT_NE(
      test::MessageOf([&] { z.Open(TZFBaseArchiver::kCreateMode); }).find("Cannot place SFX stub"),
      std::string::npos);
  EXPECT_FALSE(platform::FileExists(dir / "trop.zip"));
  EXPECT_FALSE(platform::FileExists(dir / "trop.exe"));
}

}  // namespace
}  // namespace kvn::archive
