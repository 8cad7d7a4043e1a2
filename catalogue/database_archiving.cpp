#include "catalogue/database_archiving.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "catalogue/catalogue_files.h"
#include "db/connection.h"
#include "db/sqlite.h"
#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/output_file.h"
#include "platform/output_set.h"
#include "platform/strings.h"
#include "platform/sys_error.h"

namespace kvn::catalogue {

using platform::Subst;

const std::vector<std::string>& DatabaseFileMasks() {
  static const std::vector<std::string> masks = {"video.DB", "video.Dt", "video.PX", "video.XG0",
                                                 "video.YG0"};
  return masks;
}

namespace {

// Why the catalogue could not be copied, in the user's words.
[[noreturn]] void CatalogueFailure(const db::Connection& db, int rc, const std::string& file) {
  switch (db::OutcomeOf(rc)) {
    case db::Outcome::Busy:
      throw Error(
          Subst("Le catalogue \"%s\" est verrouillé par un autre programme qui y écrit ; "
                "réessayez dans un instant.",
                {file}));
    case db::Outcome::Corrupt:
      throw Error(Subst("Le catalogue \"%s\" est endommagé (%s).", {file, db.Message()}));
    default:
      throw Error(db::EngineMessage(db.Handle(), rc, file));
  }
}

// One consistent, checked state of the catalogue for the whole run, read
// within one read transaction. A catalogue in rollback-journal mode (the
// program's own) is archived from its file while the transaction holds writers
// off; one in WAL mode keeps commits in its log, so it is copied with the
// engine's online backup into a temporary file of the archive folder, which
// goes with this object.
class CatalogueSnapshot {
 public:
  CatalogueSnapshot(const std::string& catalogue, const std::string& folder)
      : m_catalogue(catalogue) {
    if (!platform::FileExists(catalogue))
      throw Error(
          Subst("Le catalogue \"%s\" est introuvable : il n'y a rien à archiver.", {catalogue}));
    if (::access(catalogue.c_str(), R_OK) != 0)
      throw Error(platform::FileOpenMessage(catalogue, errno));
    // Opened for writing when it may be: a transaction that a killed writer
    // left is then undone, as the next writer would, before the state is read.
    m_source =
        std::make_unique<db::Connection>(catalogue, db::Connection::Mode::ReadWriteElseReadOnly);
    if (!m_source->IsOpen()) CatalogueFailure(*m_source, m_source->Code(), catalogue);
    if (m_source->Exec("BEGIN; SELECT count(*) FROM sqlite_master;") != 0)
      CatalogueFailure(*m_source, m_source->Code(), catalogue);

    if (!InWalMode()) {
      Check(*m_source);
      struct stat st {};
      m_size = ::stat(catalogue.c_str(), &st) == 0 ? st.st_size : -1;
      return;
    }
    m_copy = std::make_unique<platform::OutputFile>(
        folder + "/video.DB", platform::OutputOptions{.allowProtected = true});
    const std::string& path = m_copy->TemporaryName();
    {
      db::Connection copy(path, db::Connection::Mode::ReadWrite, catalogue);
      if (!copy.IsOpen()) throw Error(db::EngineMessage(copy.Handle(), copy.Code(), folder));
      // A copy that fails is thrown away: it needs no journal.
      copy.Exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;");
      if (const int rc = m_source->BackupTo(copy); rc != 0) {
        // A failure writing the copy (a full disk) has the system's reason.
        if (const int err = copy.SystemErrno(); err != 0 || db::OutcomeOf(rc) == db::Outcome::Full)
          throw Error(Subst("Impossible d'écrire la copie du catalogue dans \"%s\". %s",
                            {folder, platform::SystemErrorMessage(err != 0 ? err : ENOSPC)}));
        CatalogueFailure(*m_source, rc, catalogue);
      }
      m_source.reset();
      Check(copy);
    }
    // The copy has no WAL file of its own.
    MarkRollbackJournal(path);
    struct stat st {};
    m_size = ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
  }

  // The file whose bytes are archived as video.DB: the copy, or empty for the
  // catalogue itself.
  std::string DataPath() const { return m_copy ? m_copy->TemporaryName() : std::string(); }
  int64_t Size() const { return m_size; }

 private:
  bool InWalMode() { return platform::EqualsNoCase(m_source->JournalMode(), "wal"); }

  // The state archived must be a sound catalogue before it replaces the last archive.
  void Check(db::Connection& db) {
    std::string verdict;
    try {
      verdict = db.Check(/*quick=*/true);
    } catch (const db::EngineError& e) {
      CatalogueFailure(db, e.NativeCode(), m_catalogue);
    }
    if (verdict != "ok")
      throw Error(Subst("Le catalogue \"%s\" est endommagé (%s).", {m_catalogue, verdict}));
    db::Statement table(
        db.Handle(),
        "SELECT count(*) FROM sqlite_master WHERE type='table' AND name='video' COLLATE NOCASE",
        m_catalogue);
    if (!table.Step() || table.ColumnInt(0) == 0)
      throw Error(Subst("Le fichier \"%s\" ne contient pas la table des films du catalogue.",
                        {m_catalogue}));
  }

  std::string m_catalogue;
  std::unique_ptr<db::Connection> m_source;  // its read transaction lasts as long as this object
  std::unique_ptr<platform::OutputFile> m_copy;
  int64_t m_size = -1;
};

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// The French text of the file-failure question: the file and why it could not
// be archived (the system's reason for the source, or for the archive when it
// could not be written), with the archiver's own message after it.
std::string FileFailureText(const std::string& shownName, const std::string& path, int nativeError,
                            int systemError, const std::string& componentMessage) {
  std::string reason;
  if (nativeError == 46) {
    reason = "L'archive ne peut pas être écrite. " +
             (systemError ? platform::SystemErrorMessage(systemError)
                          : std::string("Erreur d'écriture."));
  } else if (systemError) {
    reason = platform::SystemErrorMessage(systemError);
  } else {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    reason = fd < 0 ? platform::SystemErrorMessage(errno)
                    : std::string("La lecture du fichier a échoué.");
    if (fd >= 0) ::close(fd);
  }
  return Subst("Le fichier \"%s\" n'a pas pu être archivé. %s\n(%s)",
               {shownName, reason, componentMessage});
}

// What a failed run leaves: the previous archive, or none.
std::string KeptText(const std::string& archiveFile) {
  return platform::FileExists(archiveFile)
             ? Subst("L'archive précédente \"%s\" est conservée telle quelle.", {archiveFile})
             : std::string("Aucune archive n'a été écrite.");
}

}  // namespace

ArchivingResult ArchiveDatabase(const std::string& catalogueDirectory,
                                archive::ArchiverQuestions* questions,
                                const std::vector<std::string>& masks) {
  std::string dir = catalogueDirectory.empty() ? "./" : catalogueDirectory;
  if (dir.back() != '/') dir += '/';
  ArchivingResult result;
  result.archiveDirectory = dir + "Archive";
  result.archiveFile = result.archiveDirectory + "/video.zip";

  // 1. The archive directory, one level.
  if (!platform::DirectoryExists(result.archiveDirectory)) {
    const int err = ::mkdir(result.archiveDirectory.c_str(), 0777) == 0 ? 0 : errno;
    if (err != 0 && !platform::DirectoryExists(result.archiveDirectory))
      throw Error("Impossible de créer le répertoire " + result.archiveDirectory + " : " +
                  (err == EEXIST ? std::string("un fichier porte déjà ce nom.")
                                 : platform::SystemErrorMessage(err)));
  }

  try {
    const std::string catalogue = dir + "video.DB";
    platform::OutputFile output(result.archiveFile, {.allowProtected = true});
    CatalogueSnapshot snapshot(catalogue, result.archiveDirectory);

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
    // The table is read from its checked state (a copy for a WAL catalogue),
    // under its own name and time.
    const std::string data = snapshot.DataPath();
    archiver.DataSourceOf = [&](const std::string& path) {
      return !data.empty() && SameFile(path, catalogue) ? data : std::string();
    };
    const std::string base = platform::RealPath(dir) + "/";
    auto shown = [&base](const std::string& path) {
      return path.compare(0, base.size(), base) == 0 ? path.substr(base.size()) : path;
    };
    std::string abandon;
    archiver.OnProcessFileFailure = [&](archive::TZFBaseArchiver* sender,
                                        const std::string& fileName, archive::TZFProcessOperation,
                                        int nativeError, int, const std::string& message,
                                        archive::TZFAction& action) {
      const std::string text = FileFailureText(shown(fileName), fileName, nativeError,
                                               sender->FailureSystemError(), message);
      action = questions ? questions->FileFailure(text) : archive::TZFAction::fxaAbort;
      if (action == archive::TZFAction::fxaIgnore) result.ignored.push_back(shown(fileName));
      if (action == archive::TZFAction::fxaAbort) abandon = text;
    };

    // 2-5. Each mask a complete update of the temporary archive.
    archiver.FileName = output.TemporaryName();
    archiver.ShownFileName = result.archiveFile;
    archiver.Open(archive::TZFBaseArchiver::kCreateMode);
    for (const auto& mask : masks) {
      archiver.AddMatching(mask, 47, "");
      if (!abandon.empty()) throw Error(abandon + "\nL'archivage a été abandonné.");
    }
    platform::PausePointForTests("archive-written");
    archive::TZFArchiveItem item;
    if (!archiver.FindEntry("video.DB", item))
      throw Error(Subst("Le catalogue \"%s\" n'a pas été mis dans l'archive.", {catalogue}));
    if (static_cast<int64_t>(item.UncompressedSize) != snapshot.Size())
      throw Error(
          Subst("La copie du catalogue \"%s\" n'a pas été archivée en entier.", {catalogue}));
    result.files = archiver.FileCount();
    archiver.Close();
    output.Commit();
  } catch (const archive::EZFException& e) {
    // The archive itself could not be written: said in French, the
    // archiver's words after.
    std::string cause = e.what();
    if (e.SystemError() != 0)
      cause = Subst("Impossible d'écrire l'archive \"%s\". %s\n(%s)",
                    {result.archiveFile, platform::SystemErrorMessage(e.SystemError()), e.what()});
    throw Error(Subst("L'archivage a échoué. %s\n%s", {cause, KeptText(result.archiveFile)}));
  } catch (const std::exception& e) {
    throw Error(Subst("L'archivage a échoué. %s\n%s", {e.what(), KeptText(result.archiveFile)}));
  }
  return result;
}

std::string ArchivingSuccessText(const ArchivingResult& result) {
  std::string text =
      "L'archivage s'est bien déroulé, vous trouverez le fichier video.zip dans le répertoire " +
      result.archiveDirectory;
  if (!result.ignored.empty()) {
    std::string names;
    for (const auto& name : result.ignored) names += (names.empty() ? "" : ", ") + name;
    text += "\n\nFichiers laissés de côté à votre demande : " + names + ".";
  }
  return text;
}

}  // namespace kvn::catalogue
