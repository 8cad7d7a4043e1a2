// Update transactions: nested updates, overwrite modes and questions, failures
// with Retry/Ignore/Abort, cancel, rollback to the archive as it was; the
// message form of the archiver's errors; damaged archives.
#include "archive/zip_forge.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <random>

#include "platform/file_info.h"
#include "tests/support/message_of.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_readers.h"

namespace kvn::archive {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

using test::MessageOf;

class ArchiverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ForceDirectories(dir / "src/sub");
    WriteFile(dir / "src/a.txt", "alpha alpha alpha");
    WriteFile(dir / "src/b.txt", "beta");
    WriteFile(dir / "src/sub/a.txt", "sous-alpha");
    z.Name = "Archive";
    z.FileName = dir / "src/out.zip";  // inside the walked tree: never added to itself
    z.BaseDir = dir / "src";
  }
  std::vector<std::string> Names() {
    std::vector<std::string> n;
    for (const auto& e : z.Entries()) n.push_back(e.name);
    return n;
  }
  TempDir dir;
  TZipForge z;
};

struct ScriptedQuestions : ArchiverQuestions {
  std::vector<Overwrite> overwrite;
  std::vector<TZFAction> failures;
  std::vector<std::string> asked;
  Overwrite ConfirmOverwrite(const std::string& e, const std::string& s) override {
    asked.push_back("overwrite " + e + " " + s);
    Overwrite a = overwrite.empty() ? Overwrite::Yes : overwrite.front();
    if (!overwrite.empty()) overwrite.erase(overwrite.begin());
    return a;
  }
  TZFAction FileFailure(const std::string& m) override {
    asked.push_back(m);
    TZFAction a = failures.empty() ? TZFAction::fxaAbort : failures.front();
    if (!failures.empty()) failures.erase(failures.begin());
    return a;
  }
};

TEST_F(ArchiverTest, EachAddMatchingIsACompleteArchive) {
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("a.txt", 47);
  // Recursion finds the same name below; the archive is valid after each call.
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "sub/a.txt"}));
  ExpectReadersAccept(dir / "src/out.zip",
                      {{"a.txt", "alpha alpha alpha"}, {"sub/a.txt", "sous-alpha"}});
  z.AddMatching("nothing.here", 47);
  ExpectReadersAccept(dir / "src/out.zip",
                      {{"a.txt", "alpha alpha alpha"}, {"sub/a.txt", "sous-alpha"}});
  z.AddMatching("*.zip", 47);  // the archive itself is excluded
  z.AddMatching("*.*", 47);
  z.Close();
  EXPECT_EQ(ReadFile(dir / "src/out.zip").find("out.zip"), std::string::npos);
  ExpectReadersAccept(
      dir / "src/out.zip",
      {{"a.txt", "alpha alpha alpha"}, {"sub/a.txt", "sous-alpha"}, {"b.txt", "beta"}});
}

TEST_F(ArchiverTest, NestedUpdatesCommitOnceAtTheEnd) {
  z.Open(TZFBaseArchiver::kCreateMode);
  int starts = 0;
  z.OnOverallProgress = [&](TZFBaseArchiver*, double p, TZFProcessOperation, TZFProgressPhase ph,
                            bool&) {
    if (ph == TZFProgressPhase::ppStart) {
      ++starts;
      EXPECT_EQ(p, 0);
    }
  };
  z.BeginUpdate();
  z.AddMatching("a.txt", 47);
  z.AddMatching("b.txt", 47);
  EXPECT_EQ(ReadFile(dir / "src/out.zip").size(), 0u);  // nothing written yet
  z.EndUpdate();
  EXPECT_EQ(starts, 1);
  z.Close();
  ExpectReadersAccept(
      dir / "src/out.zip",
      {{"a.txt", "alpha alpha alpha"}, {"sub/a.txt", "sous-alpha"}, {"b.txt", "beta"}});
}

TEST_F(ArchiverTest, OverwriteModes) {
  z.Options.Recurse = false;
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("a.txt", 47);
  WriteFile(dir / "src/a.txt", "changé");
  z.AddMatching("a.txt", 47);  // omAlways: replaced in place
  EXPECT_EQ(Names(), std::vector<std::string>{"a.txt"});
  z.Options.OverwriteMode = TZFOverwriteMode::omNever;
  WriteFile(dir / "src/a.txt", "ignoré");
  z.AddMatching("a.txt", 47);
  z.Close();
  ExpectReadersAccept(dir / "src/out.zip", {{"a.txt", "changé"}});

  // Prompt: No to All keeps this entry and every later duplicate without asking.
  ScriptedQuestions q;
  q.overwrite = {ArchiverQuestions::Overwrite::NoToAll};
  z.Questions = &q;
  z.Options.OverwriteMode = TZFOverwriteMode::omPrompt;
  z.Open(0x22);
  z.AddMatching("a.txt", 47);
  z.AddMatching("a.txt", 47);
  EXPECT_EQ(q.asked, std::vector<std::string>{"overwrite a.txt " + dir / "src/a.txt"});
  EXPECT_EQ(z.Options.OverwriteMode, TZFOverwriteMode::omNever);
  z.Close();
  ExpectReadersAccept(dir / "src/out.zip", {{"a.txt", "changé"}});
}

TEST_F(ArchiverTest, SourceThatVanishesThenIgnore) {
  z.Options.Recurse = false;
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("b.txt", 47);
  const std::string before = ReadFile(dir / "src/out.zip");
  z.OnConfirmProcessFile = [&](TZFBaseArchiver*, const std::string& f, TZFProcessOperation, bool&) {
    if (f == dir / "src/a.txt") ::unlink(f.c_str());  // gone between the scan and the commit
  };
  std::vector<std::string> failures;
  z.OnProcessFileFailure = [&](TZFBaseArchiver*, const std::string& f, TZFProcessOperation,
                               int native, int code, const std::string& message,
                               TZFAction& action) {
    failures.push_back(f + "|" + std::to_string(native) + "|" + std::to_string(code) + "|" +
                       message);
    action = TZFAction::fxaIgnore;
  };
  z.AddMatching("*.txt", 47);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0], dir / "src/a.txt" + "|33|12|Archive: Cannot open file \"" +
                             dir / "src/a.txt" + "\" - Native error: 00033");
  EXPECT_EQ(Names(), std::vector<std::string>{"b.txt"});
  z.Close();
  EXPECT_EQ(ReadFile(dir / "src/out.zip"), before);
  ExpectReadersAccept(dir / "src/out.zip", {{"b.txt", "beta"}});
}

TEST_F(ArchiverTest, CancelAtTheStartLeavesTheArchiveUnchanged) {
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("b.txt", 47);
  const std::string before = ReadFile(dir / "src/out.zip");
  z.OnOverallProgress = [](TZFBaseArchiver*, double, TZFProcessOperation, TZFProgressPhase ph,
                           bool& cancel) {
    if (ph == TZFProgressPhase::ppStart) cancel = true;
  };
  z.AddMatching("a.txt", 47);
  EXPECT_EQ(Names(), (std::vector<std::string>{"b.txt"}));
  z.Close();
  EXPECT_EQ(ReadFile(dir / "src/out.zip"), before);
}

TEST_F(ArchiverTest, AbortDuringARewriteRestoresTheArchiveByteForByte) {
  z.Options.Recurse = false;
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("a.txt", 47);
  z.AddMatching("b.txt", 47);
  const std::string before = ReadFile(dir / "src/out.zip");
  // Replacing a.txt rewrites from the first entry (b.txt goes to a temporary
  // file); a new entry then fails and the user answers Abort.
  ScriptedQuestions q;
  q.failures = {TZFAction::fxaRetry, TZFAction::fxaAbort};
  z.Questions = &q;
  WriteFile(dir / "src/a.txt", "nouvel alpha");
  WriteFile(dir / "src/c.txt", "gamma");
  z.OnConfirmProcessFile = [&](TZFBaseArchiver*, const std::string& f, TZFProcessOperation, bool&) {
    if (f == dir / "src/c.txt") ::unlink(f.c_str());
  };
  z.TempDir = dir.Path();
  z.BeginUpdate();
  z.AddMatching("a.txt", 47);
  z.AddMatching("c.txt", 47);
  z.EndUpdate();
  ASSERT_EQ(q.asked.size(), 2u);  // Retry asks again
  EXPECT_EQ(q.asked[0],
            "Archive: Cannot open file \"" + dir / "src/c.txt" +
                "\" - Native error: 00033. File processing error, possibly disk is full");
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b.txt"}));
  z.Close();
  EXPECT_EQ(ReadFile(dir / "src/out.zip"), before);
  auto temps = test::RunProgram({"sh", "-c", "ls " + dir.Path() + " | grep -c ^FC || true"});
  EXPECT_EQ(temps.out, "0\n");
}

TEST_F(ArchiverTest, ReplacingTheFirstEntryKeepsTheOthers) {
  z.Options.Recurse = false;
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("a.txt", 47);
  z.AddMatching("b.txt", 47);
  WriteFile(dir / "src/a.txt", std::string(100000, 'z'));
  z.AddMatching("a.txt", 47);
  z.Close();
  ExpectReadersAccept(dir / "src/out.zip",
                      {{"a.txt", std::string(100000, 'z')}, {"b.txt", "beta"}});
}

TEST_F(ArchiverTest, ZeroLengthSourcesAreStoredAndNoCompressionMasks) {
  WriteFile(dir / "src/vide.txt", "");
  WriteFile(dir / "src/image.jpg", std::string(4000, 'j'));
  z.SetCompressionMode(9);
  z.NoCompressionMasks = {"*.jpg"};
  z.Options.Recurse = false;
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("vide.txt", 47);
  z.AddMatching("image.jpg", 47);
  z.AddMatching("a.txt", 47);
  EXPECT_EQ(z.Entries()[0].method, 0);
  EXPECT_EQ(z.Entries()[1].method, 0);
  EXPECT_EQ(z.Entries()[1].CompressedSize(), 4000u);
  EXPECT_EQ(z.Entries()[2].method, 8);
  z.Close();
  ExpectReadersAccept(
      dir / "src/out.zip",
      {{"vide.txt", ""}, {"image.jpg", std::string(4000, 'j')}, {"a.txt", "alpha alpha alpha"}});
}

TEST_F(ArchiverTest, ErrorsAndTheirMessages) {
  EXPECT_EQ(MessageOf([&] { z.AddMatching("*", 47); }),
            "Archive: Archive is not open - Native error: 00013");
  EXPECT_EQ(MessageOf([&] { z.SetCompressionMode(10); }),
            "Archive: Invalid compression mode. Mode must be in [0-9] range - Native error: 00005");
  EXPECT_EQ(z.CompressionMode(), 1);
  EXPECT_EQ(z.CompressionLevel(), TZFCompressionLevel::clFastest);
  z.SetCompressionMode(7);
  EXPECT_EQ(z.CompressionLevel(), TZFCompressionLevel::clMax);
  z.SetCompressionLevel(TZFCompressionLevel::clNormal);
  EXPECT_EQ(z.CompressionMode(), 6);
  z.FileName = dir / "missing.zip";
  EXPECT_EQ(MessageOf([&] { z.Open(0x22); }),
            "Archive: File \"" + dir / "missing.zip" + "\" not found - Native error: 00012");
  z.FileName = dir.Path() + "/";
  EXPECT_EQ(MessageOf([&] { z.Open(0x22); }),
            "Archive: File name is blank. Specify appropriate file name - Native error: 00010");
  WriteFile(dir / "junk.zip", "ceci n'est pas une archive");
  z.FileName = dir / "junk.zip";
  EXPECT_EQ(MessageOf([&] { z.Open(0x22); }),
            "Archive: Archive is damaged. Open failed - Native error: 00048");
  EXPECT_FALSE(z.Active());
  z.OpenCorruptedArchives = true;
  EXPECT_EQ(MessageOf([&] { z.Open(0x22); }),
            "Archive: Invalid archive file. - Native error: 00035");
  z.Name.clear();
  EXPECT_EQ(MessageOf([&] { z.AddMatching("*", 47); }),
            "Archive is not open - Native error: 00013");
  EXPECT_EQ(z.CurrentVersion(), "2.03 ");
}

TEST_F(ArchiverTest, CorruptedArchiveRebuiltFromLocalHeaders) {
  z.Options.Recurse = false;
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("*.txt", 47);
  z.Close();
  std::string bytes = ReadFile(dir / "src/out.zip");
  bytes.resize(bytes.rfind(std::string("PK\x01\x02", 4)) - 10);  // directory and end record gone
  WriteFile(dir / "cut.zip", bytes);
  z.FileName = dir / "cut.zip";
  z.OpenCorruptedArchives = true;
  z.Open(0x40);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(z.Entries()[0].externalAttributes, 0x20u);
}

// A run of local-header signatures (1 MB of "PK\3\4"): no record fits in the
// file, so the rebuild finds nothing, instead of an entry every 4 bytes.
TEST_F(ArchiverTest, RebuildIsBoundedByTheFile) {
  std::string bytes;
  for (int i = 0; i < (1 << 18); ++i) bytes += std::string("PK\x03\x04", 4);
  WriteFile(dir / "signatures.zip", bytes);
  z.FileName = dir / "signatures.zip";
  z.OpenCorruptedArchives = true;
  EXPECT_EQ(MessageOf([&] { z.Open(0x40); }),
            "Archive: Invalid archive file. - Native error: 00035");
  // A real archive cut before its directory, followed by the same run: only
  // the real entries.
  z.FileName = dir / "src/out.zip";
  z.OpenCorruptedArchives = false;
  z.Options.Recurse = false;
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("*.txt", 47);
  z.Close();
  std::string real = ReadFile(dir / "src/out.zip");
  real.resize(real.rfind(std::string("PK\x01\x02", 4)) - 10);
  WriteFile(dir / "cut.zip", real + bytes);
  z.FileName = dir / "cut.zip";
  z.OpenCorruptedArchives = true;
  z.Open(0x40);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b.txt"}));
}

// Events name what happens: a replaced entry is an update, called by its
// stored name; an added one by its source.
TEST_F(ArchiverTest, EventsNameTheRealOperation) {
  z.Options.Recurse = false;
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("a.txt", 47);
  std::vector<std::string> seen;
  z.OnFileProgress = [&](TZFBaseArchiver*, const std::string& f, double, TZFProcessOperation op,
                         TZFProgressPhase phase, bool&) {
    if (phase == TZFProgressPhase::ppStart)
      seen.push_back(f + " " + std::to_string(static_cast<int>(op)));
  };
  z.OnOverallProgress = [&](TZFBaseArchiver*, double, TZFProcessOperation op,
                            TZFProgressPhase phase, bool&) {
    if (phase == TZFProgressPhase::ppStart)
      seen.push_back("commit " + std::to_string(static_cast<int>(op)));
  };
  z.AddMatching("*.txt", 47);
  EXPECT_EQ(seen, (std::vector<std::string>{"commit 3", "a.txt 3", dir / "src/b.txt" + " 0"}));
}

// A full disk is one failure, whatever the size of the entry: the question,
// with native error 46 and the system's reason; Ignore leaves the archive as
// it was.
TEST_F(ArchiverTest, AFullDiskGoesThroughTheFailureQuestion) {
  z.Options.Recurse = false;
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("b.txt", 47);
  z.Close();
  const std::string before = ReadFile(dir / "src/out.zip");
  // Incompressible data: one entry that stays in the file's buffer until its
  // header is patched, one written in several blocks.
  std::string big(3 << 20, '\0');
  std::mt19937 rng(3);
  for (char& c : big) c = static_cast<char>(rng());
  WriteFile(dir / "src/petit.bin", big.substr(0, 300));
  WriteFile(dir / "src/gros.bin", big);
  for (const char* mask : {"petit.bin", "gros.bin"}) {
    SCOPED_TRACE(mask);
    const std::string outcome = test::RunInChild(
        [&] {
          TZipForge child;
          child.Name = "Archive";
          child.FileName = dir / "src/out.zip";
          child.BaseDir = dir / "src";
          child.Options.Recurse = false;
          std::string seen;
          child.OnProcessFileFailure = [&](TZFBaseArchiver* sender, const std::string&,
                                           TZFProcessOperation, int native, int,
                                           const std::string& message, TZFAction& action) {
            seen = std::to_string(native) + " " + std::to_string(sender->FailureSystemError()) +
                   " " + message;
            action = TZFAction::fxaIgnore;
          };
          child.OpenDefault();
          child.AddMatching(mask, 47);
          child.Close();
          return seen;
        },
        static_cast<int64_t>(before.size()) + 40);
    EXPECT_EQ(outcome, "46 27 Archive: Write to stream error - Native error: 00046");  // 27: EFBIG
    EXPECT_EQ(ReadFile(dir / "src/out.zip"), before);
  }
}

TEST_F(ArchiverTest, InMemoryArchives) {
  z.SetInMemory(true);
  z.Options.Recurse = false;
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("b.txt", 47);
  const std::string bytes = z.MemoryBytes();
  EXPECT_GT(bytes.size(), 22u);
  z.FileName = dir / "from-memory.zip";
  z.SetInMemory(false);  // written to the file and opened from there
  EXPECT_TRUE(z.Active());
  EXPECT_EQ(Names(), std::vector<std::string>{"b.txt"});
  z.Close();
  EXPECT_EQ(ReadFile(dir / "from-memory.zip"), bytes);
  ExpectReadersAccept(dir / "from-memory.zip", {{"b.txt", "beta"}});
}

// Every truncation and many corruptions of a real archive: the archiver opens
// it or refuses it with its own error, never crashes or hangs.
TEST_F(ArchiverTest, DamagedArchivesNeverCrash) {
  z.Open(TZFBaseArchiver::kCreateMode);
  z.AddMatching("*.*", 47);
  z.Close();
  const std::string good = ReadFile(dir / "src/out.zip");
  std::mt19937 rng(5);
  for (size_t n = 0; n <= good.size() + 40; ++n) {
    std::string bad = good.substr(0, std::min(n, good.size()));
    if (n > good.size()) {
      bad = good;
      for (int k = 0; k < 3; ++k) bad[rng() % bad.size()] = static_cast<char>(rng());
    }
    WriteFile(dir / "bad.zip", bad);
    for (bool corrupted : {false, true}) {
      TZipForge reader;
      reader.FileName = dir / "bad.zip";
      reader.OpenCorruptedArchives = corrupted;
      try {
        reader.Open(0x40);
        reader.Close();
      } catch (const EZFException&) {
      }
    }
  }
}

// Archives the fuzz target found: opened, then an update that fails; the
// file must be as it was, byte for byte, whether damaged archives are
// rebuilt or not.
TEST_F(ArchiverTest, AFailedUpdateLeavesTheFileAsItWas) {
  const std::string base64s[] = {
      // Entries with sizes of 0xFFFFFFFF and Zip64 extra fields.
      "UEsDBC0AAAAIAKYyil3qt8+z/"
      "xEREREREREREREREREREREREREREREREREREREREf8AAgAAAAAAAAAEAAAAAAAAAKvgAgBQSwECLQAtAAAACACmM4pd6"
      "rfPs///////////BQAcAAAAAAAAACAAAAD/"
      "AAAAYi50eHQBABgAGAAAAAAAAAANAAAAAAAAAAAAAAAAAAAAUEsBAi0ALQAAAAgApjKKXR8I6kb//////////"
      "wkAHAAAAAAAAAAgAAD/AP///"
      "3N1Yi9iLnR4dAEAGAACAAAAAAAAAAQAAAD4AAAARAAAAAAAAABQSwUGAAAAAAIAAgCiAAAAgwAAAAAA",
  };
  WriteFile(dir / "src/nouveau.txt", "une ligne ajoutée\n");
  for (const std::string& encoded : base64s) {
    const std::string original = test::RunProgram({"base64", "-d"}, encoded).out;
    ASSERT_FALSE(original.empty());
    for (bool corrupted : {false, true}) {
      SCOPED_TRACE(corrupted);
      WriteFile(dir / "archive.zip", original);
      TZipForge u;
      u.Name = "Fuzz";
      u.FileName = dir / "archive.zip";
      u.BaseDir = dir / "src";
      u.TempDir = dir.Path();
      u.Options.Recurse = false;
      u.OpenCorruptedArchives = corrupted;
      try {
        u.Open(0x22);
      } catch (const EZFException&) {
        continue;
      }
      bool committed = true;
      try {
        u.AddMatching("nouveau.txt", 47);
      } catch (const EZFException&) {
        committed = false;
      }
      u.Close();
      if (!committed) {
        EXPECT_EQ(ReadFile(dir / "archive.zip"), original);
      }
    }
  }
}

}  // namespace
}  // namespace kvn::archive
