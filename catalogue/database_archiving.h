// Archiving the catalogue: the table's files copied into Archive/video.zip of
// the catalogue directory. The table is archived in one consistent state,
// checked before it is added (a catalogue in WAL mode through a copy made with
// the database engine's online backup); the new archive is written under a
// temporary name and replaces video.zip only once it holds that sound state of
// video.DB. Any failure leaves the previous archive as it was.
#pragma once

#include <string>
#include <vector>

#include "archive/zip_forge.h"

namespace kvn::catalogue {

// The table's file masks, in the order they are added.
const std::vector<std::string>& DatabaseFileMasks();

struct ArchivingResult {
  std::string archiveDirectory;  // "<catalogue>/Archive"
  std::string archiveFile;       // ".../Archive/video.zip"
  int files = 0;
  // Files the user chose to leave out (Ignore), as the catalogue names them.
  std::vector<std::string> ignored;
};

// Throws kvn::Error: "Impossible de créer le répertoire <dir> : <reason>" when
// the archive directory cannot be made, otherwise a French message that names the cause and says
// the previous archive is kept (a missing, damaged or locked catalogue, a file that cannot be read,
// a full disk, an Abort). questions answers the file-failure questions with a French text (nullptr:
// Abort).
ArchivingResult ArchiveDatabase(const std::string& catalogueDirectory,
                                archive::ArchiverQuestions* questions,
                                const std::vector<std::string>& masks = DatabaseFileMasks());

// The success text of the menu command, naming the files left out.
std::string ArchivingSuccessText(const ArchivingResult& result);

}  // namespace kvn::catalogue
