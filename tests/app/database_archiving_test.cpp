// Archiving the catalogue into Archive/video.zip, and a failed run that leaves
// the previous archive as it was.
#include "app/database_archiving.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/file_info.h"
#include "tests/archive/zip_readers.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::app {
namespace {

using test::ReadFile;
using test::RunProgram;
using test::TempDir;

TEST(DatabaseArchiving, CommandLineWritesArchiveVideoZip) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  platform::ForceDirectories(dir / "copie");
  test::WriteFile(dir / "copie/video.DB", "ancienne copie");
  auto r = RunProgram({test::KorvaneExecutable(), "--dir", dir.Path(), "archive"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Archivage terminé : " + dir / "Archive/video.zip" + " (2 fichiers)\n");
  archive::ExpectReadersAccept(dir / "Archive/video.zip", {{"video.DB", ReadFile(dir / "video.DB")},
                                                           {"copie/video.DB", "ancienne copie"}});
  // A second run replaces the archive and leaves no temporary file.
  test::WriteFile(dir / "copie/video.DB", "nouvelle copie");
  r = RunProgram({test::KorvaneExecutable(), "archive"}, "", dir.Path());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  auto listing = RunProgram({"ls", "-A", dir / "Archive"});
  EXPECT_EQ(listing.out, "video.zip\n");
  auto unzip = RunProgram({"unzip", "-p", dir / "Archive/video.zip", "copie/video.DB"});
  EXPECT_EQ(unzip.out, "nouvelle copie");
}

TEST(DatabaseArchiving, AFailedRunKeepsThePreviousArchive) {
  TempDir dir;
  test::MakeCatalogue(dir.Path(), 3, test::SampleFilms());
  ArchivingResult first = ArchiveDatabase(dir.Path(), nullptr);
  EXPECT_EQ(first.files, 1);
  EXPECT_EQ(ArchivingSuccessText(first),
            "L'archivage s'est bien déroulé, vous trouverez le fichier video.zip dans le répertoire " +
                dir / "Archive");
  const std::string before = ReadFile(dir / "Archive/video.zip");
  test::WriteFile(dir / "video.PX", "index");
  // The second mask cannot be compiled: the run stops after adding video.DB.
  std::string invalid;
  for (int i = 0; i < 31; ++i) invalid += "*x";
  EXPECT_THROW(ArchiveDatabase(dir.Path(), nullptr, {"video.PX", invalid}), Error);
  EXPECT_EQ(ReadFile(dir / "Archive/video.zip"), before);
  auto listing = RunProgram({"ls", "-A", dir / "Archive"});
  EXPECT_EQ(listing.out, "video.zip\n");
}

TEST(DatabaseArchiving, MissingTableFilesAndDirectoryFailure) {
  TempDir dir;
  ArchivingResult r = ArchiveDatabase(dir.Path(), nullptr);  // no file matches: an empty archive
  EXPECT_EQ(r.files, 0);
  EXPECT_EQ(ReadFile(dir / "Archive/video.zip").size(), 22u);
  TempDir blocked;
  test::WriteFile(blocked / "Archive", "");
  try {
    ArchiveDatabase(blocked.Path(), nullptr);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Impossible de créer" + blocked.Path() + "/Archive");
  }
}

}  // namespace
}  // namespace kvn::app
