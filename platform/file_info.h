// DOS attributes and DOS date-times of paths, as the zip format and the file
// scans see them on Linux.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace kvn::platform {

enum DosAttribute : uint32_t {
  kFaReadOnly = 0x01,
  kFaHidden = 0x02,
  kFaSysFile = 0x04,
  kFaVolumeId = 0x08,
  kFaDirectory = 0x10,
  kFaArchive = 0x20,
};

// Read-only when the owner cannot write it, hidden when its name starts with
// ".", directory, archive on every regular file; nullopt when the path is missing.
std::optional<uint32_t> DosAttributes(const std::string& path);

// Date in the high 16 bits, time in the low 16 bits, local time; years before
// 1980 give 1/1/1980 00:00 and after 2107 give 31/12/2107 23:59:58.
uint32_t DosDateTimeFromUnix(time_t t);
time_t UnixFromDosDateTime(uint32_t dos);
// The last modification time of a path as a DOS date-time.
std::optional<uint32_t> FileDosDateTime(const std::string& path);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Creates the directory and its missing parents; true when it exists afterwards.
bool ForceDirectories(const std::string& path);
// Why a folder cannot be made, found before anything is created: a name or a
// path too long for the system, a part that is a file, a folder that cannot be
// written. Empty when it can be tried.
std::string WhyFolderCannotBeMade(const std::string& path);
// Creates the folder and its missing parents, or nothing at all: a failure on
// the way removes the folders it made. Returns the reason of a failure (the
// folder's name and the system's words), empty on success.
std::string MakeFolders(const std::string& path);
std::string ExtractFilePath(const std::string& path);  // with the trailing "/"
std::string ExtractFileName(const std::string& path);
std::string ExtractFileExt(const std::string& path);  // with the ".", or empty
// The names of an absolute path, with "." and ".." taken out by their words
// (no file system lookup): "/a/./b/../c" gives {"a", "c"}.
std::vector<std::string> PathWords(const std::string& absolute);
// The path with symbolic links, "." and ".." resolved; the path itself when it
// cannot be resolved (it does not exist).
std::string RealPath(const std::string& path);
// The directory of the running executable, with a trailing "/".
std::string ExecutableDirectory();
// Where the program's own read-only files lie, with a trailing "/": beside
// the executable in a build tree (when `name` is there), else the installed
// folder given relative to it ("../share/korvane/" beside "bin/").
std::string ProgramFilesDirectory(const std::string& name, const std::string& installed,
                                  const std::string& executableDirectory = ExecutableDirectory());

}  // namespace kvn::platform
