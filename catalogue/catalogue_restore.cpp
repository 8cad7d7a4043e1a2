#include "catalogue/catalogue_restore.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "archive/zf_exception.h"
#include "archive/zip_forge.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/film_search.h"
#include "catalogue/loans.h"
#include "db/connection.h"
#include "db/database.h"
#include "db/sqlite.h"
#include "db/title_key.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/ini_file.h"
#include "platform/output_file.h"
#include "platform/output_set.h"
#include "platform/strings.h"
#include "platform/sys_error.h"

namespace kvn::catalogue {

using platform::Subst;

namespace {

constexpr const char* kUntouched = "Le catalogue actuel n'a pas été modifié.";

[[noreturn]] void Refuse(const std::string& why) {
  throw Error(why + "\n" + kUntouched);
}

bool HasColumn(const std::vector<std::string>& columns, const char* name) {
  for (const auto& c : columns)
    if (platform::Cp1252EqualsNoCase(platform::Utf8ToCp1252(c), platform::Utf8ToCp1252(name)))
      return true;
  return false;
}

int64_t CountFilms(db::Connection& db) {
  db::Statement count(db.Handle(), "SELECT count(*) FROM video", db.Name());
  return count.Step() ? count.ColumnInt(0) : 0;
}

// The restored bytes on their way to the file, with the share written told
// every few megabytes.
class ProgressStream : public platform::Stream {
 public:
  ProgressStream(platform::Stream& out, uint64_t total, const RestoreProgress& progress)
      : m_out(out), m_total(total), m_progress(progress) {
    Tell();
  }
  size_t Read(void* buffer, size_t count) override { return m_out.Read(buffer, count); }
  size_t Write(const void* buffer, size_t count) override {
    const size_t written = m_out.Write(buffer, count);
    m_written += written;
    if (m_written - m_told >= (8u << 20)) Tell();
    return written;
  }
  int64_t Seek(int64_t offset, platform::SeekOrigin origin) override {
    return m_out.Seek(offset, origin);
  }
  void SetSize(int64_t size) override { m_out.SetSize(size); }
  void Flush() override { m_out.Flush(); }
  std::string WriteErrorText() const override { return m_out.WriteErrorText(); }

  void Tell() {
    m_told = m_written;
    if (m_progress)
      m_progress("Lecture de l'archive…",
                 m_total ? static_cast<double>(m_written) / static_cast<double>(m_total) : 0);
  }

 private:
  platform::Stream& m_out;
  uint64_t m_total, m_written = 0, m_told = 0;
  const RestoreProgress& m_progress;
};

// The time the checks of a restored file may take: generous for a sound
// catalogue of that size (a million films check in a few seconds).
double CheckSeconds(int64_t bytes) {
  return 60.0 + static_cast<double>(bytes) / (1 << 20);
}

// A hidden name beside target that a killed run's cleanup removes.
std::string StagingName(const std::string& target) {
  unsigned char random[6];
  if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
    for (unsigned char& c : random) c = static_cast<unsigned char>(::rand());
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix;
  for (unsigned char c : random) suffix += kLetters[c % 36];
  return platform::ExtractFilePath(target) + "." + platform::ExtractFileName(target) + ".kvn-" +
         suffix;
}

// Makes keep a second name of file, replacing what keep named: a hard link
// made under a hidden name, then renamed; a copy where the file system has no
// hard links.
void KeepAside(const std::string& file, const std::string& keep) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    const std::string staging = StagingName(keep);
    if (::linkat(AT_FDCWD, file.c_str(), AT_FDCWD, staging.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      if (::rename(staging.c_str(), keep.c_str()) != 0) {
        const int err = errno;
        ::unlink(staging.c_str());
        throw Error(Subst("Impossible de conserver le catalogue actuel sous le nom \"%s\". %s",
                          {keep, platform::SystemErrorMessage(err)}));
      }
      return;
    }
    if (errno == EEXIST) continue;
    if (errno != EPERM && errno != EXDEV && errno != ENOTSUP && errno != EMLINK && errno != ENOSYS)
      break;
    // No hard links here: a copy, through a file that replaces keep only once whole.
    platform::OutputFile copy(keep, {.allowProtected = true});
    platform::FileStream source(file, platform::FileMode::OpenRead);
    std::vector<char> buffer(1 << 20);
    while (const size_t n = source.Read(buffer.data(), buffer.size()))
      copy.Stream().Write(buffer.data(), n);
    copy.Commit();
    return;
  }
  throw Error(Subst("Impossible de conserver le catalogue actuel sous le nom \"%s\". %s",
                    {keep, platform::SystemErrorMessage(errno)}));
}

}  // namespace

std::string FilmCount(int64_t films) {
  if (films == 0) return "aucun film";
  return std::to_string(films) + (films > 1 ? " films" : " film");
}

CatalogueRestore::CatalogueRestore(const std::string& catalogueDirectory,
                                   const std::string& archiveFile, double checkSeconds,
                                   const RestoreProgress& progress) {
  // Whatever stops the restore here, the current catalogue was not touched,
  // and the message says so.
  try {
    Prepare(catalogueDirectory, archiveFile, checkSeconds, progress);
  } catch (const Error& e) {
    m_restored.reset();
    if (std::string(e.what()).find(kUntouched) != std::string::npos) throw;
    Refuse(e.what());
  }
}

void CatalogueRestore::Prepare(const std::string& catalogueDirectory,
                               const std::string& archiveFile, double checkSeconds,
                               const RestoreProgress& progress) {
  m_directory = catalogueDirectory.empty() ? "./" : catalogueDirectory;
  if (m_directory.back() != '/') m_directory += '/';
  m_catalogue = m_directory + db::Database::kFileName;
  m_archiveFile = archiveFile.empty() ? m_directory + "Archive/video.zip" : archiveFile;
  // The files the restore writes lead to no other catalogue file (a settings
  // file that is a link to video.DB): refused before anything is read.
  try {
    platform::CheckOutputTarget(m_catalogue, true);
    platform::CheckOutputTarget(m_directory + "kvn.ini", true);
  } catch (const Error& e) {
    Refuse(e.what());
  }

  // 1. The archive and its root entry video.DB. Entry names are only compared,
  // never used as paths: "../video.DB" or "/video.DB" is not the catalogue.
  struct stat st {};
  if (::stat(m_archiveFile.c_str(), &st) != 0) {
    const int err = errno;
    Refuse(err == ENOENT ? Subst("L'archive \"%s\" est introuvable.", {m_archiveFile})
                         : Subst("L'archive \"%s\" ne peut pas être lue. %s",
                                 {m_archiveFile, platform::SystemErrorMessage(err)}));
  }
  if (S_ISDIR(st.st_mode))
    Refuse(Subst("\"%s\" est un répertoire, pas une archive.", {m_archiveFile}));
  // A pipe or a device would be read without end, or block: refused at once.
  if (!S_ISREG(st.st_mode))
    Refuse(
        Subst("\"%s\" n'est pas un fichier ordinaire (un tube ou un périphérique) : ce n'est pas "
              "une archive.",
              {m_archiveFile}));
  m_archiveTime = st.st_mtime;

  archive::TZipForge archiver;
  archiver.Name = "Archive";
  archiver.FileName = m_archiveFile;
  try {
    archiver.Open(0x20);  // read only, others may read too
  } catch (const archive::EZFException& e) {
    Refuse(Subst("L'archive \"%s\" est illisible ou endommagée.\n(%s)", {m_archiveFile, e.what()}));
  }
  archive::TZFArchiveItem item;
  if (!archiver.FindEntry(db::Database::kFileName, item))
    Refuse(Subst("L'archive \"%s\" ne contient pas de catalogue (video.DB).", {m_archiveFile}));
  // Two catalogues under one name: which one is meant cannot be known.
  int catalogues = 0;
  for (const archive::TDirItem& e : archiver.Entries())
    if (!e.IsDirectory() && platform::Cp1252EqualsNoCase(e.name, db::Database::kFileName))
      ++catalogues;
  if (catalogues > 1)
    Refuse(Subst("L'archive \"%s\" contient %s catalogues video.DB : elle n'est pas restaurée.",
                 {m_archiveFile, std::to_string(catalogues)}));
  if (item.Encrypted)
    Refuse(Subst("Le catalogue de l'archive \"%s\" est chiffré : il ne peut pas être restauré.",
                 {m_archiveFile}));

  // 2. Its bytes into a temporary file beside the catalogue, checked against
  // the entry's size and CRC as they are read.
  m_restored = std::make_unique<platform::OutputFile>(
      m_catalogue, platform::OutputOptions{.allowProtected = true});
  try {
    ProgressStream counted(m_restored->Stream(), item.UncompressedSize, progress);
    archiver.ExtractTo(db::Database::kFileName, counted);
    counted.Tell();
    m_restored->Stream().Sync();
  } catch (const std::exception& e) {
    const int err = m_restored->Stream().LastError();
    m_restored.reset();
    if (err != 0)
      Refuse(Subst("Impossible d'écrire le catalogue restauré dans \"%s\". %s",
                   {m_directory, platform::SystemErrorMessage(err)}));
    Refuse(
        Subst("Le catalogue de l'archive \"%s\" est endommagé : ses données ne correspondent pas à "
              "leur taille ou à leur somme de contrôle.\n(%s)",
              {m_archiveFile, e.what()}));
  }
  archiver.Close();

  // 3. A sound database with a `video` table the program can open. A copy of
  // a catalogue in WAL mode is made an ordinary file: it has no log of its own.
  const std::string& path = m_restored->TemporaryName();
  auto notACatalogue = [&](const std::string& why) {
    m_restored.reset();
    Refuse(Subst("Le fichier video.DB de l'archive \"%s\" n'est pas un catalogue utilisable (%s).",
                 {m_archiveFile, why}));
  };
  try {
    MarkRollbackJournal(path);
    db::Connection restored(path, db::Connection::Mode::ReadOnly, "video.DB");
    if (!restored.IsOpen()) notACatalogue(restored.Message());
    // The checks are bounded in time: a file made to keep them busy is refused.
    struct stat restoredSize {};
    ::stat(path.c_str(), &restoredSize);
    db::Deadline deadline(restored,
                          checkSeconds >= 0 ? checkSeconds : CheckSeconds(restoredSize.st_size));
    // Nothing in the file may run code when the program uses it: only tables
    // and their indexes, the title key's triggers, and `video` a table.
    {
      db::Statement schema(restored.Handle(),
                           "SELECT type, name, coalesce(sql, '') FROM sqlite_master", "video.DB");
      while (schema.Step()) {
        const std::string type = schema.ColumnText(0), name = schema.ColumnText(1),
                          sql = schema.ColumnText(2);
        if (type == "view") notACatalogue(Subst("il contient une vue, « %s »", {name}));
        // The triggers that keep the title keys and the loans are the program's own.
        if (type == "trigger" && !db::IsTitleKeyTrigger(name, sql) && !IsLoanTrigger(name, sql) &&
            !IsSearchIndexObject(type, name, sql))
          notACatalogue(Subst("il contient un déclencheur, « %s »", {name}));
        // The quick filter's full-text index is the one virtual table allowed.
        if (type == "table" && platform::StartsWithNoCase(platform::Trim(sql), "CREATE VIRTUAL") &&
            !IsSearchIndexObject(type, name, sql))
          notACatalogue(Subst("il contient une table virtuelle, « %s »", {name}));
      }
    }
    // The bytes are the archived ones (their CRC matched); what is checked is
    // that they make a whole database: every page, every tree and record in
    // order (the engine's quick check; the full check would also evaluate
    // each index's expression for every film, four times as long). The title
    // keys are counted again when the catalogue is opened, and rebuilt when
    // they do not match the films.
    if (progress) progress("Vérification du catalogue…", 0);
    const std::string verdict = restored.Check(/*quick=*/true);
    if (verdict != "ok") notACatalogue(verdict);
    if (progress) progress("Vérification du catalogue…", 1);
    const std::vector<std::string> columns = restored.Columns("video");
    if (columns.empty()) notACatalogue("il ne contient pas la table des films");
    for (const char* name : {"Index", "Reference", "Titre", "Genre", "Support", "Durée"})
      if (!HasColumn(columns, name))
        notACatalogue(Subst("la colonne %s manque à la table des films", {name}));
    m_archivedFilms = CountFilms(restored);
    const bool level2 = HasColumn(columns, "Jacquette") && HasColumn(columns, "Nom") &&
                        HasColumn(columns, "Prêté_le") && HasColumn(columns, "Nb_cd");
    m_level = level2 ? (HasColumn(columns, "Jaquette2") ? 3 : 2) : 0;
  } catch (const db::EngineError& e) {
    if (db::OutcomeOf(e.NativeCode()) == db::Outcome::Interrupted)
      notACatalogue("sa vérification dépasse le temps permis pour un fichier de cette taille");
    notACatalogue(e.what());
  }

  m_currentExists = platform::FileExists(m_catalogue);
}

std::optional<int64_t> CatalogueRestore::CurrentFilms() const {
  if (!m_currentFilms) {
    m_currentFilms.emplace();
    if (m_currentExists) {
      try {
        db::Connection current(m_catalogue, db::Connection::Mode::ReadOnly);
        if (current.IsOpen()) *m_currentFilms = CountFilms(current);
      } catch (const Error&) {
        // Damaged, locked or without a table: said as such in the question.
      }
    }
  }
  return *m_currentFilms;
}

CatalogueRestore::~CatalogueRestore() = default;

std::string CatalogueRestore::ArchiveDate() const {
  struct tm local {};
  ::localtime_r(&m_archiveTime, &local);
  char text[64];
  std::strftime(text, sizeof text, "%d/%m/%Y à %H:%M", &local);
  return text;
}

std::string CatalogueRestore::ConfirmationText() const {
  std::string current;
  if (!m_currentExists)
    current = "Il n'y a pas de catalogue actuel.";
  else if (const std::optional<int64_t> films = CurrentFilms())
    current = "Le catalogue actuel contient " + FilmCount(*films) +
              " ; il sera conservé sous le nom " + kReplacedCatalogueName + ".";
  else
    current =
        std::string("Le catalogue actuel ne peut pas être lu ; il sera conservé sous le nom ") +
        kReplacedCatalogueName + ".";
  return Subst("Restaurer le catalogue archivé le %s ?\n\nL'archive \"%s\" contient %s.\n%s",
               {ArchiveDate(), m_archiveFile, FilmCount(m_archivedFilms), current});
}

std::string CatalogueRestore::Commit() {
  if (!m_restored) throw Error("Le catalogue a déjà été restauré.");
  platform::PausePointForTests("restore-checked");
  const std::string keep = m_directory + kReplacedCatalogueName;
  bool keptAside = false;
  try {
    // Writers are held off while the files change names: the current file is
    // locked for writing (a transaction another program left unfinished is
    // rolled back first), and a catalogue in WAL mode gets its log written
    // back and given up, so no log beside video.DB belongs to another file.
    std::unique_ptr<db::Connection> lock;
    bool locked = false;
    struct stat st {};
    if (::lstat(m_catalogue.c_str(), &st) == 0) {
      // The engine names its logs after the file a symbolic link leads to.
      const std::string real = platform::RealPath(m_catalogue);
      lock = std::make_unique<db::Connection>(real, db::Connection::Mode::ReadWrite);
      if (lock->IsOpen()) {
        auto refuseLocked = [&] {
          Refuse(
              Subst("Le catalogue \"%s\" est verrouillé par un autre programme qui y écrit ; "
                    "réessayez dans un instant.",
                    {m_catalogue}));
        };
        bool wal = platform::FileExists(real + "-wal");
        try {
          wal = wal || platform::EqualsNoCase(lock->JournalMode(), "wal");
        } catch (const db::EngineError& e) {
          if (db::OutcomeOf(e.NativeCode()) == db::Outcome::Busy) refuseLocked();
        }
        if (wal) {
          lock->Exec("PRAGMA wal_checkpoint(TRUNCATE); PRAGMA journal_mode=DELETE;");
          if (platform::FileExists(real + "-wal"))
            Refuse(
                Subst("Le catalogue \"%s\" est ouvert par un autre programme ; fermez-le, puis "
                      "réessayez.",
                      {m_catalogue}));
        }
        const int rc = lock->Exec("BEGIN EXCLUSIVE");
        if (db::OutcomeOf(rc) == db::Outcome::Busy) refuseLocked();
        locked = rc == 0;
        // Any other failure: a damaged file, kept aside as it is.
      }
      KeepAside(real, keep);
      keptAside = true;
      platform::PausePointForTests("restore-kept");
      // A journal the engine could not roll back belongs to the kept file: it
      // goes with it rather than being played into the restored one.
      const std::string journal = real + "-journal";
      if (!locked && platform::FileExists(journal) &&
          ::rename(journal.c_str(), (keep + "-journal").c_str()) != 0)
        Refuse(Subst("Le journal \"%s\" de l'ancien catalogue ne peut pas être mis de côté. %s",
                     {journal, platform::SystemErrorMessage(errno)}));
    }
    m_restored->Commit();
    m_restored.reset();
  } catch (const Error& e) {
    m_restored.reset();
    const std::string what = e.what();
    if (what.find(kUntouched) != std::string::npos) throw;
    throw Error(Subst("La restauration a échoué. %s\n%s", {what, kUntouched}));
  }

  std::string text = Subst("Catalogue restauré depuis l'archive \"%s\" du %s : %s.",
                           {m_archiveFile, ArchiveDate(), FilmCount(m_archivedFilms)});
  if (keptAside) text += Subst("\nL'ancien catalogue est conservé dans \"%s\".", {keep});
  platform::PausePointForTests("restore-replaced");
  // The settings file names the level of the table now in place.
  try {
    platform::IniFile ini(m_directory + "kvn.ini", {.allowProtected = true});
    ini.WriteString("BASEDB", "Id_Imp_Base", std::to_string(m_level));
  } catch (const Error& e) {
    text += Subst("\nLe niveau de la table n'a pas pu être écrit dans kvn.ini : %s", {e.what()});
  }
  return text;
}

}  // namespace kvn::catalogue
