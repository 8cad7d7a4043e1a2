#include "archive/masks.h"

#include <gtest/gtest.h>

#include "platform/error.h"

namespace kvn::archive {
namespace {

TEST(Masks, Matching) {
  struct {
    const char* name;
    const char* mask;
    bool match;
  } cases[] = {
      {"video.DB", "video.DB", true},
      {"VIDEO.db", "video.DB", true},             // ASCII case is ignored
      {"\xC9t\xE9.txt", "\xE9t\xE9.txt", false},  // outside ASCII it is not
      {"ac", "a*?c", true},                       // "?" after "*" is dropped
      {"abc", "a?c", true},
      {"ac", "a?c", false},
      {"[ab]x", "[ab]*", true},  // "[" is an ordinary character
      {"a", "[ab]*", false},
      {"readme", "*.*", false},  // TMask wants the dot
      {"a.b.c", "*.c", true},
      {"abcabc", "*abc", true},
      {"ab", "*b*", true},
      {"", "*", true},
      {"", "?", false},
      {"x.txt", "*.TXT", true},
      {"aaab", "*a*a*b", true},
      {"aaa", "*a*a*b", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " ~ " << c.mask;
  std::string tooMany;
  for (int i = 0; i < 31; ++i) tooMany += "*a";
  try {
    MatchesMask("a", tooMany);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "'" + tooMany + "' is an invalid mask at (62)");
  }
}

TEST(Masks, EntryNamesAndEquality) {
  EXPECT_TRUE(EntryNameMatches("readme", "*.*", true));
  EXPECT_TRUE(EntryNameMatches("Sub/Video.db", "sub/*.DB", true));
  EXPECT_FALSE(EntryNameMatches("Sub/Video.db", "sub/*.DB", false));
  EXPECT_TRUE(EntryNameMatches("abc", "a?c", true));
  EXPECT_TRUE(EqualNames("Vid\xE9o/A.txt", "VID\xC9O/a.TXT"));
  EXPECT_FALSE(EqualNames("a.txt", "a.txt "));
}

TEST(Masks, StoredNames) {
  struct {
    const char* path;
    TZFStorePathMode mode;
    const char* stored;
  } cases[] = {
      {"/base/video.DB", TZFStorePathMode::spRelativePath, "video.DB"},
      {"/base/sub/video.DB", TZFStorePathMode::spRelativePath, "sub/video.DB"},
      {"sub/video.DB", TZFStorePathMode::spRelativePath, "sub/video.DB"},
      {"/elsewhere/video.DB", TZFStorePathMode::spRelativePath, "elsewhere/video.DB"},
      {"/base/sub/video.DB", TZFStorePathMode::spNoPath, "video.DB"},
      {"/base/sub/video.DB", TZFStorePathMode::spFullPath, "base/sub/video.DB"},
      {"//server/share/dir/f.txt", TZFStorePathMode::spFullPath, "share/dir/f.txt"},
      {"/base/sub/", TZFStorePathMode::spRelativePath, "sub"},
      {"/base", TZFStorePathMode::spRelativePath, "base"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MakeStoredName(c.path, "/base", c.mode), c.stored) << c.path;
}

TEST(Masks, CoveringPaths) {
  const std::string cwd = "/base";
  struct {
    const char* path;
    const char* mask;
    bool dir;
    bool covered;
  } cases[] = {
      {"/base/a.tmp", "*.tmp", false, true},
      {"/base/deep/a.tmp", "*.tmp", false, true},  // a relative mask looks at the file part
      {"/base/a.txt", "*.tmp", false, false},
      {"/base/a.txt", "*.*", false, true},
      {"/base/Archive/video.zip", "/base/Archive/video.zip", false, true},  // the archive itself
      {"/base/Archive/video.zip", "/base/archive/VIDEO.ZIP", false, true},
      {"/base/Archive/other.zip", "/base/Archive/video.zip", false, false},
      {"/base/x/y/z.txt", "/base/x/*.*", false, true},  // everything below that directory
      {"/other/z.txt", "/base/x/*.*", false, false},
      {"/base/a.txt", "", false, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MaskCoversPath(c.path, c.mask, c.dir, cwd), c.covered) << c.path << " ~ " << c.mask;
}

}  // namespace
}  // namespace kvn::archive
