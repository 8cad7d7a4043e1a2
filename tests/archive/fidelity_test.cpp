// Archives that other programs wrote, updated by the archiver: every entry the
// update does not touch keeps its name bytes, flags, attributes, extra fields
// and data; faults in the middle of a commit leave the archive byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "archive/zip_forge.h"
#include "platform/codepage.h"
#include "platform/file_info.h"
#include "tests/support/message_of.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_readers.h"

namespace kvn::archive {
namespace {

using test::ReadFile;
using test::RunProgram;
using test::TempDir;
using test::WriteFile;

// Python's view of every entry: name, flags, system, attributes, extra
// field, CRC, method and the data's checksum, one line each.
std::vector<std::string> Entries(const std::string& zip) {
  auto r =
      RunProgram({"python3", "-c",
                  "import sys, zipfile, hashlib\n"
                  "z = zipfile.ZipFile(sys.argv[1])\n"
                  "for i in z.infolist():\n"
                  "    d = b'' if i.is_dir() else z.read(i)\n"
                  "    print(repr(i.filename), hex(i.flag_bits), i.create_system, i.create_version,"
                  " hex(i.external_attr), i.extra.hex(), hex(i.CRC), i.compress_type,"
                  " hashlib.sha1(d).hexdigest()[:12])\n",
                  zip});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < r.out.size()) {
    size_t nl = r.out.find('\n', at);
    lines.push_back(r.out.substr(at, nl - at));
    at = nl + 1;
  }
  return lines;
}

// unzip -t, 7z t and Python's testzip all accept it.
void ExpectReadable(const std::string& zip) {
  auto unzip = RunProgram({"unzip", "-tq", zip});
  EXPECT_EQ(unzip.exitCode, 0) << unzip.out << unzip.err;
  auto sevenZip = RunProgram({"7z", "t", zip});
  EXPECT_NE(sevenZip.out.find("Everything is Ok"), std::string::npos)
      << sevenZip.out << sevenZip.err;
  auto py = RunProgram(
      {"python3", "-c",
       "import sys, zipfile\nassert zipfile.ZipFile(sys.argv[1]).testzip() is None\n", zip});
  EXPECT_EQ(py.exitCode, 0) << py.err;
}

struct Fixture {
  const char* name;
  // Writes the archive at the path given, its sources in the folder given.
  std::function<void(const std::string& zip, const std::string& folder)> make;
};

void Python(const std::string& script, const std::string& zip) {
  auto r = RunProgram({"python3", "-c", script, zip});
  ASSERT_EQ(r.exitCode, 0) << r.err;
}

const Fixture kFixtures[] = {
    {"utf8 names",
     [](const std::string& zip, const std::string&) {
       // Python marks names outside ASCII as UTF-8 (flag bit 11).
       Python(
           "import sys, zipfile\n"
           "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
           "    z.writestr('日.txt', 'soleil' * 50)\n"
           "    z.writestr('月.txt', 'lune' * 50)\n"
           "    z.writestr('été/à.txt', 'chaud')\n",
           zip);
     }},
    {"unix modes and a link",
     [](const std::string& zip, const std::string& folder) {
       platform::ForceDirectories(folder + "/u");
       WriteFile(folder + "/u/script.sh", "#!/bin/sh\necho bonjour\n");
       ::chmod((folder + "/u/script.sh").c_str(), 0750);
       ::symlink("script.sh", (folder + "/u/lien").c_str());
       auto r = RunProgram({"zip", "-q", "-y", "-X", "-r", zip, "u"}, "", folder);
       ASSERT_EQ(r.exitCode, 0) << r.err;
       // zip's own extra fields (times, owners) stay on: drop -X's effect by a second file.
       r = RunProgram({"zip", "-q", "-y", zip, "u/script.sh"}, "", folder);
       ASSERT_EQ(r.exitCode, 0) << r.err;
     }},
    {"directory out of file order",
     [](const std::string& zip, const std::string&) {
       Python(
           "import sys, zipfile\n"
           "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n"
           "z.writestr('a.txt', 'premier ' * 40)\n"
           "z.writestr('b.txt', 'second ' * 40)\n"
           "z.writestr('c.txt', 'troisième ' * 40)\n"
           "z.filelist.reverse()\n"
           "z.close()\n",
           zip);
     }},
    {"duplicate names",
     [](const std::string& zip, const std::string&) {
       Python(
           "import sys, zipfile, warnings\n"
           "warnings.simplefilter('ignore')\n"
           "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
           "    z.writestr('double.txt', 'version un')\n"
           "    z.writestr('double.txt', 'version deux, plus longue')\n"
           "    z.writestr('seul.txt', 'seul')\n",
           zip);
     }},
    {"stored zip as the last entry",
     [](const std::string& zip, const std::string&) {
       // The inner archive's data ends with an end record, comment included.
       Python(
           "import sys, zipfile, io\n"
           "inner = io.BytesIO()\n"
           "with zipfile.ZipFile(inner, 'w') as i:\n"
           "    i.writestr('dedans.txt', 'interne')\n"
           "    i.comment = b'fin'\n"
           "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
           "    z.writestr('premier.txt', 'devant')\n"
           "    z.writestr('interne.zip', inner.getvalue())\n",
           zip);
     }},
};

struct Operation {
  const char* name;
  // Runs the update on the opened archiver; returns the names it changes.
  std::function<std::vector<std::string>(TZipForge& z, const std::string& sources)> run;
};

const Operation kOperations[] = {
    {"add a new file",
     [](TZipForge& z, const std::string& sources) {
       WriteFile(sources + "/nouveau.txt", "ajouté");
       z.AddMatching("nouveau.txt");
       return std::vector<std::string>{"'nouveau.txt'"};
     }},
    {"replace the first entry",
     [](TZipForge& z, const std::string& sources) {
       const std::string first = z.Entries().front().name;
       const std::string utf8 = platform::Cp1252ToUtf8(first);
       if (first.find('?') != std::string::npos || first.back() == '/')
         return std::vector<std::string>{};
       platform::ForceDirectories(sources + "/" + platform::ExtractFilePath(utf8));
       WriteFile(sources + "/" + utf8, "remplacé");
       z.AddMatching(utf8);
       return std::vector<std::string>{"'" + utf8 + "'"};
     }},
    {"replace the last entry",
     [](TZipForge& z, const std::string& sources) {
       const std::string last = z.Entries().back().name;
       const std::string utf8 = platform::Cp1252ToUtf8(last);
       if (last.find('?') != std::string::npos || last.back() == '/')
         return std::vector<std::string>{};
       platform::ForceDirectories(sources + "/" + platform::ExtractFilePath(utf8));
       WriteFile(sources + "/" + utf8, "remplacé à la fin");
       z.AddMatching(utf8);
       return std::vector<std::string>{"'" + utf8 + "'"};
     }},
};

// Whether a line of Entries() names one of these entries.
bool Names(const std::string& line, const std::vector<std::string>& names) {
  for (const auto& n : names)
    if (line.rfind(n + " ", 0) == 0) return true;
  return false;
}

TEST(ArchiveFidelity, OtherToolsArchivesSurviveUpdates) {
  for (const Fixture& f : kFixtures) {
    for (const Operation& op : kOperations) {
      SCOPED_TRACE(std::string(f.name) + " / " + op.name);
      TempDir dir;
      const std::string zip = dir / "archive.zip";
      platform::ForceDirectories(dir / "made");
      f.make(zip, dir / "made");
      const std::vector<std::string> before = Entries(zip);
      ASSERT_FALSE(before.empty());

      platform::ForceDirectories(dir / "src");
      TZipForge z;
      z.Name = "Archive";
      z.FileName = zip;
      z.BaseDir = dir / "src";
      z.Options.Recurse = false;
      z.OpenDefault();
      const std::vector<std::string> changed = op.run(z, dir / "src");
      z.Close();

      ExpectReadable(zip);
      std::vector<std::string> after = Entries(zip);
      // Every entry not named by the operation is as it was, in the same order.
      std::vector<std::string> untouchedBefore, untouchedAfter;
      for (const auto& l : before)
        if (!Names(l, changed)) untouchedBefore.push_back(l);
      for (const auto& l : after)
        if (!Names(l, changed)) untouchedAfter.push_back(l);
      EXPECT_EQ(untouchedAfter, untouchedBefore);
      for (const auto& n : changed) {
        bool found = false;
        for (const auto& l : after) found = found || Names(l, {n});
        EXPECT_TRUE(found) << n;
      }
    }
  }
}

// Faults at each step of a commit leave the archive exactly as it was.
TEST(ArchiveFidelity, FaultsInACommitLeaveTheArchiveAsItWas) {
  TempDir dir;
  const std::string zip = dir / "archive.zip";
  // The directory out of file order, and more than a few megabytes after the
  // entry replaced: they are kept aside in a temporary file.
  Python(
      "import sys, zipfile, os\n"
      "z = zipfile.ZipFile(sys.argv[1], 'w')\n"
      "z.writestr('a.txt', 'premier')\n"
      "z.writestr('gros.bin', os.urandom(6 << 20))\n"
      "z.writestr('b.txt', 'second')\n"
      "z.filelist.reverse()\n"
      "z.close()\n",
      zip);
  const std::string before = ReadFile(zip);
  platform::ForceDirectories(dir / "src");
  WriteFile(dir / "src/a.txt", std::string(3000000, 'r'));

  struct Case {
    const char* name;
    std::function<void(TZipForge&)> setUp;
    std::string message;  // its beginning
  } cases[] = {
      {"no folder for the temporary file", [&](TZipForge& z) { z.TempDir = dir / "absent"; },
       "Archive: Cannot create file \"" + dir / "absent/FC"},
      {"cancelled at the first block",
       [](TZipForge& z) {
         z.OnFileProgress = [](TZFBaseArchiver*, const std::string&, double, TZFProcessOperation,
                               TZFProgressPhase phase,
                               bool& cancel) { cancel = phase == TZFProgressPhase::ppProcess; };
       },
       "(no error)"},
      {"the source cannot be read, Abort",
       [&](TZipForge& z) {
         z.OnConfirmProcessFile = [&](TZFBaseArchiver*, const std::string&, TZFProcessOperation,
                                      bool&) {
           ::rename((dir / "src/a.txt").c_str(), (dir / "src/a.bak").c_str());
         };
       },
       "(no error)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(zip, before);
    TZipForge z;
    z.Name = "Archive";
    z.FileName = zip;
    z.BaseDir = dir / "src";
    z.OpenDefault();
    c.setUp(z);
    const std::string message = test::MessageOf([&] { z.AddMatching("a.txt"); });
    EXPECT_EQ(message.substr(0, c.message.size()), c.message);
    z.Close();
    ::rename((dir / "src/a.bak").c_str(), (dir / "src/a.txt").c_str());
    EXPECT_EQ(ReadFile(zip), before);
    EXPECT_EQ(test::HiddenFiles(dir.Path()), std::vector<std::string>{});
  }

  // A directory entry pointing past the end of the file: the archiver's error.
  std::string damaged = before;
  const size_t central = damaged.find("PK\x01\x02");
  ASSERT_NE(central, std::string::npos);
  damaged[central + 42 + 3] = '\x7F';  // the first entry's local header offset, high byte
  WriteFile(zip, damaged);
  TZipForge z;
  z.Name = "Archive";
  z.FileName = zip;
  z.BaseDir = dir / "src";
  z.OpenDefault();
  WriteFile(dir / "src/d.txt", "nouveau");
  EXPECT_EQ(test::MessageOf([&] { z.AddMatching("*.txt"); }),
            "Archive: Invalid size or check sum of file or unsupported compression format - Native "
            "error: 00008");
  z.Close();
  EXPECT_EQ(ReadFile(zip), damaged);
}

// Names only UTF-8 holds stay distinct; the archive is never added to itself,
// whatever the mask or the link that reaches it; ".." never enters a name.
TEST(ArchiveFidelity, NamesSelfAndParentFolders) {
  TempDir dir;
  platform::ForceDirectories(dir / "base/dedans");
  platform::ForceDirectories(dir / "autre");
  WriteFile(dir / "base/日.txt", "soleil");
  WriteFile(dir / "base/月.txt", "lune");
  WriteFile(dir / "base/Été.txt", "chaud");
  WriteFile(dir / "autre/voisin.txt", "à côté");
  ::symlink((dir / "base").c_str(), (dir / "lien").c_str());
  TZipForge z;
  z.Name = "Archive";
  z.FileName = dir / "base/./self.zip";
  z.BaseDir = dir / "base";
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("*.txt");
  z.AddMatching("../base/*.zip");
  z.AddMatching(dir / "lien/*.zip");
  z.AddMatching("../autre/*.txt");
  z.Close();
  ExpectReadable(dir / "base/self.zip");
  auto r = RunProgram({"python3", "-c",
                       "import sys, zipfile\n"
                       "for i in zipfile.ZipFile(sys.argv[1]).infolist(): print(i.filename, "
                       "hex(i.flag_bits & 0x800))\n",
                       dir / "base/self.zip"});
  const std::string outside = (dir / "autre/voisin.txt").substr(1);
  EXPECT_EQ(r.out, "Été.txt 0x0\n日.txt 0x800\n月.txt 0x800\n" + outside + " 0x0\n");
}

}  // namespace
}  // namespace kvn::archive
