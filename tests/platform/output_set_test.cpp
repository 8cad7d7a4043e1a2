// Several files replaced as one: a reader finds the whole earlier set or the
// whole new one, whatever fails and wherever the writer is killed.
#include "platform/output_set.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include "platform/error.h"
#include "platform/file_info.h"
#include "tests/support/message_of.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::platform {
namespace {

using test::HiddenFiles;
using test::MessageOf;
using test::ReadFile;
using test::TempDir;

using Names = std::vector<std::string>;

// A set of pages, an index and a style sheet kept in another folder.
struct PageSet {
  std::string folder, styles;
  int pages;
  std::string Page(int n) const { return folder + "/page_" + std::to_string(n) + ".html"; }
  std::string Index() const { return folder + "/index.html"; }
  std::string Sheet() const { return styles + "/style.css"; }

  void WriteOld() const {
    for (int n = 1; n <= pages; ++n) test::WriteFile(Page(n), "ancienne " + std::to_string(n));
    test::WriteFile(Index(), "ancien index");
    test::WriteFile(Sheet(), "ancien style");
  }
  // Writes the new set and calls before(set) where the commit would come.
  void WriteNew(const std::function<void(OutputSet&)>& finish) const {
    OutputSet set;
    FileStream& index = set.Add(Index());
    index.WriteString("nouvel index");
    set.Add(Sheet()).WriteString("nouveau style");
    set.Close(1);
    for (int n = 1; n <= pages; ++n) {
      set.Add(Page(n)).WriteString("nouvelle " + std::to_string(n));
      set.Close(set.Count() - 1);
    }
    // A page written again once closed (navigation bars).
    set.Stream(2).WriteString(" + barre");
    set.Close(2);
    finish(set);
  }
  // "old", "new" or "mix".
  std::string State() const {
    int oldCount = 0, newCount = 0;
    const auto count = [&](const std::string& text) {
      if (text.rfind("ancien", 0) == 0) ++oldCount;
      if (text.rfind("nouve", 0) == 0) ++newCount;
    };
    for (int n = 1; n <= pages; ++n) count(ReadFile(Page(n)));
    count(ReadFile(Index()));
    count(ReadFile(Sheet()));
    if (oldCount == pages + 2) return "old";
    if (newCount == pages + 2) return "new";
    return "mix (" + std::to_string(oldCount) + " old, " + std::to_string(newCount) + " new)";
  }
};

TEST(OutputSet, CommitReplacesEveryFileDiscardNone) {
  TempDir dir;
  ForceDirectories(dir / "styles");
  const PageSet set{dir / "", dir / "styles", 5};
  set.WriteOld();
  set.WriteNew([](OutputSet&) { /* not committed */ });
  EXPECT_EQ(set.State(), "old");
  EXPECT_EQ(HiddenFiles(dir.Path()), Names{});
  EXPECT_EQ(HiddenFiles(dir / "styles"), Names{});
  set.WriteNew([](OutputSet& s) { s.Commit(); });
  EXPECT_EQ(set.State(), "new");
  EXPECT_EQ(ReadFile(set.Page(1)), "nouvelle 1 + barre");
  EXPECT_EQ(HiddenFiles(dir.Path()), Names{});
  EXPECT_EQ(HiddenFiles(dir / "styles"), Names{});
}

// A kill at each phase: before the commit the earlier set stays whole; once
// the record is written, the next output in any folder of the set finishes it.
TEST(OutputSet, AKillLeavesOneWholeSet) {
  struct Case {
    const char* point;
    const char* recoverIn;  // the folder whose next output recovers
    const char* afterKill;
    const char* afterRecovery;
  };
  const Case cases[] = {
      {"", "pages", "old", "old"},                    // killed while writing
      {"output-set-commit", "pages", "old", "new"},   // record written, nothing renamed
      {"output-set-commit", "styles", "old", "new"},  // recovered from the other folder
      {"output-set-renamed", "pages", "mix (7 old, 1 new)", "new"},  // one file renamed
      {"output-set-renamed", "styles", "mix (7 old, 1 new)", "new"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.point) + " / " + c.recoverIn);
    TempDir dir;
    ForceDirectories(dir / "pages");
    ForceDirectories(dir / "styles");
    const PageSet set{dir / "pages", dir / "styles", 6};
    set.WriteOld();
    const std::string point = *c.point ? c.point : "never";
    const bool killed = test::KillChildAtPausePoint(
        [&] {
          set.WriteNew([&](OutputSet& s) {
            if (!*c.point) ::raise(SIGSTOP);  // killed before its commit
            s.Commit();
          });
        },
        *c.point ? point : "");
    ASSERT_TRUE(killed);
    EXPECT_EQ(set.State(), c.afterKill);
    EXPECT_FALSE(HiddenFiles(dir / "pages").empty());
    // A live writer's set in the same folder is left alone meanwhile.
    OutputSet live;
    live.Add(dir / "pages/autre.html").WriteString("en cours");
    RemoveStaleOutputFiles(dir / c.recoverIn);
    EXPECT_EQ(set.State(), c.afterRecovery);
    live.Commit();
    EXPECT_EQ(ReadFile(dir / "pages/autre.html"), "en cours");
    EXPECT_EQ(HiddenFiles(dir / "pages"), Names{});
    EXPECT_EQ(HiddenFiles(dir / "styles"), Names{});
  }
}

// A set holds more files than the process may keep open at once.
TEST(OutputSet, MorePagesThanOpenFiles) {
  TempDir dir;
  const std::string result = test::RunInChild([&] {
    rlimit limit{64, 64};
    setrlimit(RLIMIT_NOFILE, &limit);
    return MessageOf([&] {
      OutputSet set;
      for (int n = 0; n < 500; ++n) {
        set.Add(dir / ("p" + std::to_string(n) + ".html")).WriteString(std::to_string(n));
        set.Close(set.Count() - 1);
      }
      set.Commit();
    });
  });
  EXPECT_EQ(result, "(no error)");
  EXPECT_EQ(ReadFile(dir / "p499.html"), "499");
  EXPECT_EQ(HiddenFiles(dir.Path()), Names{});
}

TEST(OutputSet, RefusalsNameTheTarget) {
  TempDir dir;
  test::WriteFile(dir / "video.DB", "table");
  ClearOutputProtection();
  ProtectFromOutput(dir / "video.DB");
  OutputSet set;
  set.Add(dir / "a.html").WriteString("a");
  EXPECT_NE(MessageOf([&] { set.Add(dir / "video.DB"); }).find("fait partie du catalogue"),
            std::string::npos);
  EXPECT_EQ(MessageOf([&] { set.Add(dir / "absent/b.html"); }),
            "Impossible de créer le fichier \"" + (dir / "absent/b.html") +
                "\". Le chemin d'accès spécifié est introuvable.");
  set.Discard();
  EXPECT_EQ(ReadFile(dir / "video.DB"), "table");
  EXPECT_EQ(HiddenFiles(dir.Path()), Names{});
  ClearOutputProtection();
}

}  // namespace
}  // namespace kvn::platform
