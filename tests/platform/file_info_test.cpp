#include "platform/file_info.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "tests/support/temp_dir.h"

namespace kvn::platform {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(FileInfo, DosAttributesOfPaths) {
  TempDir dir;
  WriteFile(dir / "plain.txt", "x");
  WriteFile(dir / ".hidden", "x");
  WriteFile(dir / "ro.txt", "x");
  chmod((dir / "ro.txt").c_str(), 0444);
  mkdir((dir / "sub").c_str(), 0755);
  EXPECT_EQ(DosAttributes(dir / "plain.txt"), kFaArchive);
  EXPECT_EQ(DosAttributes(dir / ".hidden"), kFaArchive | kFaHidden);
  EXPECT_EQ(DosAttributes(dir / "ro.txt"), kFaArchive | kFaReadOnly);
  EXPECT_EQ(DosAttributes(dir / "sub"), kFaDirectory);
  EXPECT_EQ(DosAttributes(dir / "sub/"), kFaDirectory);
  EXPECT_EQ(DosAttributes(dir / "missing"), std::nullopt);
}

TEST(FileInfo, DosDateTimes) {
  std::tm tm{};
  tm.tm_year = 124;
  tm.tm_mon = 2;
  tm.tm_mday = 5;
  tm.tm_hour = 14;
  tm.tm_min = 7;
  tm.tm_sec = 9;
  tm.tm_isdst = -1;
  time_t t = mktime(&tm);
  EXPECT_EQ(DosDateTimeFromUnix(t), 0x586570E4u);
  EXPECT_EQ(UnixFromDosDateTime(0x586570E4u), t - 1);  // two-second resolution
  tm.tm_year = 70;
  EXPECT_EQ(DosDateTimeFromUnix(mktime(&tm)), 0x00210000u);  // before 1980: 1/1/1980
}

TEST(FileInfo, PathsAndDirectories) {
  TempDir dir;
  EXPECT_TRUE(ForceDirectories(dir / "a/b/c"));
  EXPECT_TRUE(DirectoryExists(dir / "a/b/c"));
  EXPECT_EQ(ExtractFilePath("/x/y/video.zip"), "/x/y/");
  EXPECT_EQ(ExtractFileName("/x/y/video.zip"), "video.zip");
  EXPECT_EQ(ExtractFileExt("/x.d/y"), "");
  EXPECT_EQ(ExtractFileExt("a/b.JPEG"), ".JPEG");
  EXPECT_EQ(ExecutableDirectory().back(), '/');
}

}  // namespace
}  // namespace kvn::platform
