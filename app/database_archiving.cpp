#include "app/database_archiving.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/error.h"
#include "platform/file_info.h"

namespace kvn::app {

const std::vector<std::string>& DatabaseFileMasks() {
  static const std::vector<std::string> masks = {"video.DB", "video.Dt", "video.PX", "video.XG0", "video.YG0"};
  return masks;
}

namespace {

// A read transaction on the catalogue for as long as its files are copied:
// another program cannot commit a change halfway through the copy.
class ReadLock {
 public:
  explicit ReadLock(const std::string& file) {
    if (!platform::FileExists(file)) return;
    if (sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return;
    sqlite3_busy_timeout(m_db, 5000);
    sqlite3_exec(m_db, "BEGIN; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr);
  }
  ~ReadLock() {
    if (m_db) {
      sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
      sqlite3_close(m_db);
    }
  }
  ReadLock(const ReadLock&) = delete;
  ReadLock& operator=(const ReadLock&) = delete;

 private:
  sqlite3* m_db = nullptr;
};

// Counts the failures it answers.
class CountingQuestions : public archive::ArchiverQuestions {
 public:
  explicit CountingQuestions(ArchiverQuestions* inner) : m_inner(inner) {}
  Overwrite ConfirmOverwrite(const std::string& e, const std::string& s) override {
    return m_inner ? m_inner->ConfirmOverwrite(e, s) : Overwrite::Yes;
  }
  archive::TZFAction FileFailure(const std::string& message) override {
    archive::TZFAction a = m_inner ? m_inner->FileFailure(message) : archive::TZFAction::fxaAbort;
    if (a != archive::TZFAction::fxaRetry) ++failures;
    return a;
  }
  int failures = 0;

 private:
  ArchiverQuestions* m_inner;
};

}  // namespace

ArchivingResult ArchiveDatabase(const std::string& catalogueDirectory, archive::ArchiverQuestions* questions,
                                const std::vector<std::string>& masks) {
  std::string dir = catalogueDirectory.empty() ? "./" : catalogueDirectory;
  if (dir.back() != '/') dir += '/';
  ArchivingResult result;
  result.archiveDirectory = dir + "Archive";
  result.archiveFile = result.archiveDirectory + "/video.zip";

  // 1. The archive directory, one level.
  if (!platform::DirectoryExists(result.archiveDirectory)) {
    if (::mkdir(result.archiveDirectory.c_str(), 0777) != 0 && !platform::DirectoryExists(result.archiveDirectory))
      throw Error("Impossible de créer" + result.archiveDirectory);
  }

  archive::TZipForge archiver;
  archiver.Name = "Archive";
  archiver.SetCompressionLevel(archive::TZFCompressionLevel::clFastest);
  archiver.SetCompressionMode(1);
  archiver.SpanningMode = archive::TZFSpanningMode::smNone;
  archiver.SpanningOptions.AdvancedNaming = true;
  archiver.SpanningOptions.VolumeSize = archive::TZFVolumeSize::vsAutoDetect;
  archiver.Zip64Mode = archive::TZip64Mode::zmDisabled;
  archiver.SetInMemory(false);
  archiver.Options.FlushBuffers = true;
  archiver.ExtractCorruptedFiles = false;
  archiver.BaseDir = dir;
  CountingQuestions counting(questions);
  archiver.Questions = &counting;

  // 2-5. Written under a temporary name, moved over video.zip when complete.
  const std::string partial = result.archiveDirectory + "/.video.zip.partial";
  archiver.FileName = partial;
  ReadLock lock(dir + "video.DB");
  try {
    archiver.Open(archive::TZFBaseArchiver::kCreateMode);
    for (const auto& mask : masks) archiver.AddMatching(mask, 47, "");
    result.files = archiver.FileCount();
    archiver.Close();
  } catch (...) {
    archiver.Close();
    ::unlink(partial.c_str());
    throw;
  }
  if (std::rename(partial.c_str(), result.archiveFile.c_str()) != 0) {
    int err = errno;
    ::unlink(partial.c_str());
    throw Error("Impossible de remplacer \"" + result.archiveFile + "\" : " + std::strerror(err));
  }
  result.failures = counting.failures;
  return result;
}

std::string ArchivingSuccessText(const ArchivingResult& result) {
  return "L'archivage s'est bien déroulé, vous trouverez le fichier video.zip dans le répertoire " +
         result.archiveDirectory;
}

}  // namespace kvn::app
