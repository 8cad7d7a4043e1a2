// File masks: the wildcard language ("*" any run, "?" any one character, other
// characters compared in ASCII upper case), the path rules that resolve masks
// and build stored names, and the name comparison of entries.
// Paths are Linux paths ("/"); masks may use "\" or "/".
#pragma once

#include <string>
#include <vector>

namespace kvn::archive {

// A compiled mask: states of {skip flag, kind, character}. At most 30 states
// may follow a "*"; more raise "'%s' is an invalid mask at (%d)".
class TMask {
 public:
  explicit TMask(const std::string& mask);
  bool Matches(const std::string& name) const;

 private:
  enum Kind : uint8_t { kLiteral, kAny };
  struct State {
    bool skip;
    Kind kind;
    char c;
  };
  std::vector<State> m_states;
};

bool MatchesMask(const std::string& name, const std::string& mask);
// The simpler matcher of entry names with "*" and "?".
bool EntryNameMatches(const std::string& name, const std::string& mask, bool caseInsensitive);
// Case-insensitive equality of stored names (Windows-1252 text).
bool EqualNames(const std::string& a, const std::string& b);
// The folded form of a name: equal names have equal keys.
std::string NameKey(const std::string& name);

enum class TZFStorePathMode { spNoPath, spRelativePath, spFullPath };

// The name an entry gets for a path; currentDirectory is canonical. Empty when
// nothing is to be stored.
std::string MakeStoredName(const std::string& path, const std::string& currentDirectory,
                           TZFStorePathMode mode);

struct ResolvedMask {
  std::string path;  // the full mask path
  bool relative = false;
};
ResolvedMask ResolveMask(const std::string& mask, const std::string& directory);

// Whether a mask (exclusion, no compression) covers a path; the current
// directory resolves relative masks.
bool MaskCoversPath(const std::string& path, const std::string& mask, bool isDirectory,
                    const std::string& currentDirectory);

// The canonical form of a directory (absolute, symbolic links resolved, no
// trailing "/" but for the root); the path itself when it does not exist.
std::string CanonicalDirectory(const std::string& dir);

// Directory part (up to and including the last "/") and file part of a path.
std::string DirectoryPart(const std::string& path);
std::string FilePart(const std::string& path);

}  // namespace kvn::archive
