// Archiving the catalogue: the table's files copied into Archive/video.zip of
// the catalogue directory. The new archive is written under a temporary name
// and moved over video.zip only once complete, so a failed run leaves the
// previous archive as it was.
#pragma once

#include <string>
#include <vector>

#include "archive/zip_forge.h"

namespace kvn::app {

// The table's file masks, in the order they are added.
const std::vector<std::string>& DatabaseFileMasks();

struct ArchivingResult {
  std::string archiveDirectory;  // "<catalogue>/Archive"
  std::string archiveFile;       // ".../Archive/video.zip"
  int files = 0;
  int failures = 0;  // files the questions answered with Ignore or Abort
};

// Throws kvn::Error ("Impossible de créer<dir>") or EZFException; questions
// answers the file-failure questions of the archiver (nullptr: Abort).
ArchivingResult ArchiveDatabase(const std::string& catalogueDirectory, archive::ArchiverQuestions* questions,
                                const std::vector<std::string>& masks = DatabaseFileMasks());

// The success text of the menu command.
std::string ArchivingSuccessText(const ArchivingResult& result);

}  // namespace kvn::app
