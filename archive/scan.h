// The walk of the file system for a set of masks: files (and directories when
// the attributes ask for them) that match, with the DOS attribute filter,
// recursion and exclusion masks. Paths are resolved against the base directory;
// the process's current directory is never changed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kvn::archive {

struct ScanRequest {
  std::string baseDirectory;  // canonical
  std::vector<std::string> masks;
  uint32_t searchAttributes = 63;
  bool recurse = true;
  std::vector<std::string> exclusions;
};

// Calls found(path, isDirectory) for each accepted file or directory.
void ScanMasks(const ScanRequest& request,
               const std::function<void(const std::string& path, bool isDirectory)>& found);

}  // namespace kvn::archive
