#include "archive/masks.h"

#include <stdlib.h>

#include <algorithm>
#include <climits>

#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/strings.h"

namespace kvn::archive {

namespace {

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

std::string Slashes(std::string s) {
  std::replace(s.begin(), s.end(), '\\', '/');
  return s;
}

// Windows-1252 upper case of letters, for comparing stored names.
unsigned char FoldUpper(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 32);
  switch (c) {
    case 0x9A:
      return 0x8A;  // š
    case 0x9C:
      return 0x8C;  // œ
    case 0x9E:
      return 0x8E;  // ž
    case 0xFF:
      return 0x9F;  // ÿ
    default:
      return c;
  }
}

}  // namespace

TMask::TMask(const std::string& mask) {
  bool skip = false;
  int skips = 0;
  auto add = [&](Kind kind, char c, size_t position) {
    if (skip && ++skips > 30)
      throw Error(
          platform::Subst("'%s' is an invalid mask at (%d)", {mask, std::to_string(position)}));
    m_states.push_back({skip, kind, c});
    skip = false;
  };
  for (size_t i = 0; i < mask.size(); ++i) {
    char c = mask[i];
    if (c == '*') {
      skip = true;
    } else if (c == '?') {
      if (!skip) add(kAny, 0, i + 1);  // "*?" acts as "*"
    } else {
      add(kLiteral, Upper(c), i + 1);
    }
  }
  add(kLiteral, '\0', mask.size() + 1);
}

bool TMask::Matches(const std::string& name) const {
  const size_t len = name.size();
  struct Frame {
    size_t pos, state;
  };
  std::vector<Frame> stack;
  size_t pos = 0, s = 0;
  bool resume = false;  // continuing a skip search from a popped frame
  for (;;) {
    const State& st = m_states[s];
    const bool end = st.kind == kLiteral && st.c == '\0';
    bool ok = true;
    if (st.skip || resume) {
      resume = false;
      if (end) {
        pos = len;  // a trailing "*" takes the rest
      } else {
        while (pos < len && st.kind == kLiteral && Upper(name[pos]) != st.c) ++pos;
        if (pos >= len)
          ok = false;
        else
          stack.push_back({pos + 1, s});
      }
    }
    if (ok) {
      if (end)
        ok = pos == len;
      else if (st.kind == kAny)
        ok = pos < len;
      else
        ok = pos < len && Upper(name[pos]) == st.c;
    }
    if (ok) {
      if (end) return true;
      ++pos;
      ++s;
      continue;
    }
    if (stack.empty()) return false;
    Frame f = stack.back();
    stack.pop_back();
    pos = f.pos;
    s = f.state;
    resume = true;
  }
}

bool MatchesMask(const std::string& name, const std::string& mask) {
  return TMask(mask).Matches(name);
}

namespace {

bool EntryMatch(const char* n, const char* m, bool ci) {
  for (;;) {
    if (std::string_view(m) == "*") return true;
    if (!*n) return !*m;
    if (*m == '*') {
      for (const char* p = n; *p; ++p)
        if (EntryMatch(p, m + 1, ci)) return true;
      return false;
    }
    if (*m == '?') {
      ++n;
      ++m;
      continue;
    }
    auto a = static_cast<unsigned char>(*n), b = static_cast<unsigned char>(*m);
    if (ci ? FoldUpper(a) != FoldUpper(b) : a != b) return false;
    ++n;
    ++m;
  }
}

}  // namespace

bool EntryNameMatches(const std::string& name, const std::string& mask, bool caseInsensitive) {
  if (mask == "*.*") return true;
  return EntryMatch(name.c_str(), mask.c_str(), caseInsensitive);
}

bool EqualNames(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldUpper(static_cast<unsigned char>(a[i])) != FoldUpper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string NameKey(const std::string& name) {
  std::string key(name);
  for (char& c : key) c = static_cast<char>(FoldUpper(static_cast<unsigned char>(c)));
  return key;
}

std::string DirectoryPart(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FilePart(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string CanonicalDirectory(const std::string& dir) {
  char buf[PATH_MAX];
  if (realpath(dir.c_str(), buf)) return buf;
  std::string d = dir;
  while (d.size() > 1 && d.back() == '/') d.pop_back();
  return d;
}

namespace {

std::string WithSlash(const std::string& dir) {
  return dir.empty() || dir.back() == '/' ? dir : dir + "/";
}

// The path relative to dir when it lies inside it; the path itself otherwise.
std::string RelativeTo(const std::string& path, const std::string& dir) {
  const std::string prefix = WithSlash(dir);
  if (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0)
    return path.substr(prefix.size());
  return path;
}

}  // namespace

// "." and ".." taken out of an absolute path by its words.
static std::string NormalizeDots(const std::string& path) {
  std::string out;
  for (const auto& w : platform::PathWords(path)) out += "/" + w;
  return out.empty() ? std::string("/") : out;
}

std::string MakeStoredName(const std::string& pathIn, const std::string& currentDirectory,
                           TZFStorePathMode mode) {
  std::string path = Slashes(pathIn);
  if (path.empty() || path[0] != '/') path = WithSlash(currentDirectory) + path;
  // A file reached through ".." lies outside the current directory: it is
  // stored by its absolute path, never with ".." in its name.
  const bool network = path.size() > 1 && path[1] == '/';
  if (!network) path = NormalizeDots(path);
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  std::string name;
  switch (mode) {
    case TZFStorePathMode::spNoPath:
      name = FilePart(path);
      break;
    case TZFStorePathMode::spRelativePath:
      name = RelativeTo(path, currentDirectory);
      break;
    case TZFStorePathMode::spFullPath:
      name = path;
      break;
  }
  // A network path keeps its share name as first component.
  if (name.size() > 2 && name[0] == '/' && name[1] == '/') {
    size_t afterServer = name.find('/', 2);
    name = afterServer == std::string::npos ? std::string() : name.substr(afterServer);
  }
  if (!name.empty() && name[0] == '/') name.erase(0, 1);
  return name;
}

ResolvedMask ResolveMask(const std::string& maskIn, const std::string& directory) {
  std::string mask = Slashes(maskIn);
  ResolvedMask r;
  const std::string dir = CanonicalDirectory(directory);
  if (!mask.empty() && mask[0] == '/') {
    r.path = mask == "/" ? dir : mask;  // an absolute path (or the directory itself)
    r.relative = false;
  } else if (mask.find("../") != std::string::npos) {
    r.path = WithSlash(dir) + mask;
    r.relative = false;
  } else {
    r.path = WithSlash(dir) + mask;
    r.relative = true;
  }
  return r;
}

bool MaskCoversPath(const std::string& pathIn, const std::string& maskIn, bool isDirectory,
                    const std::string& currentDirectory) {
  if (maskIn.empty()) return false;
  std::string path = Slashes(pathIn);
  std::string mask = Slashes(maskIn);
  if (mask == "*.*") return true;
  if (isDirectory) {
    if (path.back() != '/') path += '/';
    if (mask.back() != '*' && mask.back() != '/') mask += '/';
  }
  ResolvedMask r = ResolveMask(mask, currentDirectory);
  if (r.relative) {
    std::string rel = RelativeTo(path, CanonicalDirectory(currentDirectory));
    if (mask.find('/') == std::string::npos) rel = FilePart(rel);
    return MatchesMask(rel, FilePart(r.path));
  }
  if (platform::EqualsNoCase(DirectoryPart(path), DirectoryPart(r.path)))
    return MatchesMask(path, r.path);
  if (FilePart(r.path) == "*.*") {
    std::string dir = platform::AsciiLowerCopy(DirectoryPart(path));
    std::string base = platform::AsciiLowerCopy(r.path.substr(0, r.path.size() - 3));
    return dir.compare(0, base.size(), base) == 0;
  }
  return false;
}

}  // namespace kvn::archive
