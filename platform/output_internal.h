// What output files and output sets share: the target's check and how its
// temporary file is named. Only the output code includes this.
#pragma once

#include <string>

#include "platform/output_file.h"

namespace kvn::platform::detail {

// Temporary names: "." + the target's name + ".kvn-" + six characters.
inline constexpr char kTemporaryMark[] = ".kvn-";
inline constexpr size_t kTemporaryIdLength = 6;
inline constexpr size_t kTemporarySuffix = sizeof kTemporaryMark - 1 + kTemporaryIdLength;

// The folder part of a path, "./" when it has none.
std::string FolderOf(const std::string& path);

// A target checked and described: the file replaced (a symbolic link followed),
// whether it is a device or a pipe written directly, and the mode the new file
// gets (the earlier file's, or the usual one).
struct PreparedTarget {
  std::string replaced;
  bool direct = false;
  unsigned mode = 0;
};
// Throws kvn::Error: no name, a protected file, a directory.
PreparedTarget PrepareTarget(const std::string& target, OutputOptions options);

// The temporary name beside a file for an id: ".<name>.kvn-<id>", the name cut
// so that the whole stays within the longest file name.
std::string TemporaryNameFor(const std::string& replaced, const std::string& id);

}  // namespace kvn::platform::detail
