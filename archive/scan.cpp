#include "archive/scan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>
#include <utility>

#include "archive/masks.h"
#include "platform/file_info.h"

namespace kvn::archive {

namespace {

constexpr uint32_t kDirectoryBit = 0x10;
constexpr uint32_t kListedOnlyOnRequest = 0x02 | 0x04 | 0x08 | 0x10;

bool HasWildcard(const std::string& s) {
  return s.find_first_of("*?") != std::string::npos;
}

// The names of a directory, sorted so that runs are repeatable.
std::vector<std::string> ListNames(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return names;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

class Walker {
 public:
  Walker(const ScanRequest& r, const std::function<void(const std::string&, bool)>& found)
      : m_request(r), m_found(found) {}

  void Walk(const std::string& directory, const std::string& mask, bool recurse) {
    ResolvedMask resolved = ResolveMask(mask, directory);
    const std::string dirPart = DirectoryPart(resolved.path);
    std::string filePart = FilePart(resolved.path);
    // The system's wildcard search: "*.*" lists every name, with or without a dot.
    if (filePart == "*.*") filePart = "*";
    const uint32_t filter = m_request.searchAttributes & ~kDirectoryBit;

    struct stat st {};
    if (::stat(dirPart.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
    const auto id = std::make_pair(st.st_dev, st.st_ino);
    if (!m_walking.insert(id).second) return;  // a link back to a directory being walked

    const std::vector<std::string> names = ListNames(dirPart);
    if (!filePart.empty()) {
      TMask fileMask(filePart);
      for (const auto& name : names) {
        if (!fileMask.Matches(name)) continue;
        auto attr = platform::DosAttributes(dirPart + name);
        if (!attr) continue;
        if ((*attr & kListedOnlyOnRequest) & ~filter) continue;
        if ((*attr & filter) == 0) continue;
        AddFoundItem(dirPart, name, false);
      }
    }

    const bool wantDirectories = (m_request.searchAttributes & kDirectoryBit) != 0;
    if (wantDirectories || recurse) {
      for (const auto& name : names) {
        if (name[0] == '.') continue;
        const std::string sub = dirPart + name;
        auto attr = platform::DosAttributes(sub);
        if (!attr || !(*attr & kDirectoryBit)) continue;
        if (Excluded(sub, true)) continue;
        if (wantDirectories && MatchesMask(sub, resolved.path)) {
          AddFoundItem(dirPart, name, true);
          Walk(sub, "*.*", true);
          continue;
        }
        if (!recurse) continue;
        if (resolved.relative)
          Walk(sub, mask, recurse);
        else if (HasWildcard(resolved.path))
          Walk(sub, FilePart(resolved.path), recurse);
      }
    }
    m_walking.erase(id);
  }

 private:
  bool Excluded(const std::string& path, bool isDirectory) const {
    for (const auto& m : m_request.exclusions)
      if (MaskCoversPath(path, m, isDirectory, m_request.baseDirectory)) return true;
    return false;
  }

  void AddFoundItem(const std::string& dirPart, const std::string& name, bool isDirectory) {
    std::string path = dirPart + name;
    if (isDirectory) path += '/';
    if (Excluded(path, isDirectory)) return;
    m_found(path, isDirectory);
  }

  const ScanRequest& m_request;
  const std::function<void(const std::string&, bool)>& m_found;
  std::set<std::pair<dev_t, ino_t>> m_walking;
};

}  // namespace

void ScanMasks(const ScanRequest& request,
               const std::function<void(const std::string& path, bool isDirectory)>& found) {
  Walker walker(request, found);
  for (const auto& mask : request.masks) walker.Walk(request.baseDirectory, mask, request.recurse);
}

}  // namespace kvn::archive
