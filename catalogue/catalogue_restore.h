// Restoring the catalogue from its archive. The archive's root entry video.DB
// is written to a temporary file in the catalogue folder and checked (its CRC
// and size, the database engine's check of its structure, one title key per
// film, a `video` table the program can open) before anything else changes. Only then is the
// current catalogue kept beside it (video.DB.avant-restauration, replacing an older one) and the
// restored file renamed over video.DB, while the current catalogue is locked
// against other writers: a failure or a kill at any point leaves either the
// current catalogue or the restored one, whole.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kvn::platform {
class OutputFile;
}

namespace kvn::catalogue {

// The name the replaced catalogue keeps, beside video.DB.
inline constexpr const char* kReplacedCatalogueName = "video.DB.avant-restauration";

// What a long restore says while it reads and checks: the step ("Lecture de
// l'archive…", "Vérification du catalogue…") and how much of it is done (0 to 1).
using RestoreProgress = std::function<void(const std::string& step, double done)>;

class CatalogueRestore {
 public:
  // Reads and checks the archived catalogue of archiveFile (empty: the
  // directory's Archive/video.zip). Throws kvn::Error with a French message
  // when the archive is missing or damaged, has no video.DB, the entry is
  // encrypted or does not match its CRC, or the file is not a catalogue (a
  // view, a trigger, a check that takes longer than checkSeconds, by default
  // a time generous for the file's size); the current catalogue is then
  // untouched.
  CatalogueRestore(const std::string& catalogueDirectory, const std::string& archiveFile = {},
                   double checkSeconds = -1, const RestoreProgress& progress = {});
  ~CatalogueRestore();
  CatalogueRestore(const CatalogueRestore&) = delete;
  CatalogueRestore& operator=(const CatalogueRestore&) = delete;

  const std::string& ArchiveFile() const { return m_archiveFile; }
  const std::string& Catalogue() const { return m_catalogue; }
  // When the archive was written (the archive file's time), "10/12/2026 à 15:55".
  std::string ArchiveDate() const;
  int64_t ArchivedFilms() const { return m_archivedFilms; }
  // The films of the current catalogue; empty when there is none or it cannot
  // be read (counted when first asked).
  std::optional<int64_t> CurrentFilms() const;
  bool CurrentExists() const { return m_currentExists; }
  // The structure level of the restored table (0, 2 or 3).
  int Level() const { return m_level; }

  // The question asked before the menu command restores.
  std::string ConfirmationText() const;

  // Keeps the current catalogue aside and puts the restored one in its place;
  // then writes the matching level into kvn.ini. Throws kvn::Error (the current
  // catalogue then stays as it was) when the catalogue is locked by another
  // program or a file cannot be written. Returns what the user is told.
  std::string Commit();

 private:
  void Prepare(const std::string& catalogueDirectory, const std::string& archiveFile,
               double checkSeconds, const RestoreProgress& progress);
  std::string m_directory;  // with its trailing "/"
  std::string m_catalogue;
  std::string m_archiveFile;
  time_t m_archiveTime = 0;
  int64_t m_archivedFilms = 0;
  mutable std::optional<std::optional<int64_t>> m_currentFilms;
  bool m_currentExists = false;
  int m_level = 0;
  std::unique_ptr<platform::OutputFile> m_restored;
};

// "1 film", "12 films", "aucun film".
std::string FilmCount(int64_t films);

}  // namespace kvn::catalogue
