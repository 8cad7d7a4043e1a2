#include "platform/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/output_internal.h"
#include "platform/output_set.h"
#include "platform/strings.h"
#include "platform/sys_error.h"

namespace kvn::platform {

namespace {

using detail::FolderOf;
using detail::kTemporaryMark;
using detail::kTemporarySuffix;

struct Identity {
  dev_t dev = 0;
  ino_t ino = 0;
  bool operator==(const Identity&) const = default;
};

std::optional<Identity> IdentityOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return Identity{st.st_dev, st.st_ino};
}

struct Protection {
  std::mutex lock;
  std::vector<std::string> files;
  std::vector<std::string> folders;
};

Protection& Protected() {
  static Protection p;
  return p;
}

[[noreturn]] void RefuseProtected(const std::string& target) {
  throw Error(
      Subst("Le fichier \"%s\" fait partie du catalogue (ses tables, kvn.ini ou le répertoire "
            "Archive) : il ne peut pas servir de fichier de sortie. Choisissez un autre nom.",
            {target}));
}

[[noreturn]] void RefuseLinkedProtected(const std::string& target, const std::string& real) {
  throw Error(
      Subst("Le fichier \"%s\" mène à \"%s\", qui fait partie du catalogue : il n'est pas écrit. "
            "Rien n'a été modifié.",
            {target, real}));
}

std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char cwd[PATH_MAX];
  return std::string(::getcwd(cwd, sizeof cwd) ? cwd : ".") + "/" + path;
}

// A path with every symbolic link, "." and ".." resolved as far as it exists;
// the missing rest is taken by its words, so two spellings of a file that does
// not exist yet give the same text.
std::string ResolvedPath(const std::string& path, int depth = 0) {
  std::string current = "/";
  bool exists = true;
  for (const std::string& word : Split(Absolute(path), '/')) {
    if (word.empty() || word == ".") continue;
    if (word == "..") {
      const size_t slash = current.find_last_of('/');
      current = slash == 0 ? std::string("/") : current.substr(0, slash);
      continue;
    }
    std::string next = current == "/" ? "/" + word : current + "/" + word;
    struct stat st {};
    if (exists && ::lstat(next.c_str(), &st) == 0) {
      if (S_ISLNK(st.st_mode) && depth < 40) {
        // A link is followed even when what it names does not exist yet.
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(next.c_str(), buffer, sizeof buffer - 1);
        if (n > 0) {
          const std::string to(buffer, static_cast<size_t>(n));
          next = ResolvedPath(to[0] == '/' ? to : current + "/" + to, depth + 1);
          exists = ::lstat(next.c_str(), &st) == 0;
        }
      } else {
        next = RealPath(next);
      }
    } else {
      exists = false;
    }
    current = std::move(next);
  }
  return current;
}

// The path as it names its file: its folder resolved, its last word kept even
// when it is a symbolic link.
std::string NamedPath(const std::string& path) {
  std::string absolute = Absolute(path);
  while (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
  const size_t slash = absolute.find_last_of('/');
  const std::string name = absolute.substr(slash + 1);
  if (name == "." || name == "..") return ResolvedPath(absolute);
  const std::string folder =
      ResolvedPath(slash == 0 ? std::string("/") : absolute.substr(0, slash));
  return folder == "/" ? "/" + name : folder + "/" + name;
}

bool Inside(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         (path[folder.size()] == '/' || folder == "/");
}

// What the check knows of the target: its name, where its links lead, the
// file itself and the folder it would be made in.
struct Target {
  std::string named;
  std::string resolved;
  std::optional<Identity> id;
  std::optional<Identity> folderId;
  std::string name;
};

Target DescribeTarget(const std::string& path) {
  Target t;
  t.named = NamedPath(path);
  t.resolved = ResolvedPath(path);
  t.id = IdentityOf(path);
  t.folderId = IdentityOf(FolderOf(t.resolved));
  t.name = ExtractFileName(t.resolved);
  return t;
}

// Whether a protected file is the one the target names or leads to: the same
// file under any name (hard links, links, other mounts), or, while it does not
// exist, the same name in the same folder.
bool FileMatches(const std::string& file, const Target& t) {
  const auto id = IdentityOf(file);
  if (t.id && id == t.id) return true;
  if (ResolvedPath(file) == t.resolved) return true;
  if (!id && t.folderId && ExtractFileName(file) == t.name &&
      IdentityOf(FolderOf(file)) == t.folderId)
    return true;
  return false;
}

// Whether a protected file's own directory entry (its folder, its name, the
// name itself never followed) is the one the target leads to.
bool SameEntry(const std::string& file, const Target& t) {
  if (ExtractFileName(file) != t.name) return false;
  const std::string folder = ResolvedPath(FolderOf(file));
  const std::string targetFolder = ResolvedPath(FolderOf(t.resolved));
  if (folder == targetFolder) return true;
  const auto id = IdentityOf(folder);
  return id && id == IdentityOf(targetFolder);
}

bool FolderMatches(const std::string& folder, const Target& t) {
  const std::string protectedPath = ResolvedPath(folder);
  if (t.resolved == protectedPath || Inside(t.resolved, protectedPath)) return true;
  // A folder reached through another mount of the same disk.
  if (const auto id = IdentityOf(folder)) {
    if (t.id == id) return true;
    for (std::string above = FolderOf(t.resolved); !above.empty();) {
      while (above.size() > 1 && above.back() == '/') above.pop_back();
      if (IdentityOf(above) == id) return true;
      if (above == "/") break;
      const size_t slash = above.find_last_of('/');
      above = slash == 0 ? std::string("/") : above.substr(0, slash);
    }
  }
  return false;
}

// The protected entry that the target's own name designates (the link itself
// when it is one), or -1: files first, then folders.
int NamedEntry(const Protection& p, const Target& t) {
  for (size_t i = 0; i < p.files.size(); ++i)
    if (NamedPath(p.files[i]) == t.named) return static_cast<int>(i);
  for (size_t i = 0; i < p.folders.size(); ++i) {
    const std::string folder = ResolvedPath(p.folders[i]);
    if (t.named == folder || Inside(t.named, folder)) return static_cast<int>(p.files.size() + i);
  }
  return -1;
}

}  // namespace

void ProtectFromOutput(const std::string& file) {
  Protection& p = Protected();
  std::lock_guard guard(p.lock);
  p.files.push_back(file);
}

void ProtectFolderFromOutput(const std::string& folder) {
  Protection& p = Protected();
  std::lock_guard guard(p.lock);
  p.folders.push_back(folder);
}

void ClearOutputProtection() {
  Protection& p = Protected();
  std::lock_guard guard(p.lock);
  p.files.clear();
  p.folders.clear();
}

void CheckOutputTarget(const std::string& target, bool ownFile) {
  Protection& p = Protected();
  std::lock_guard guard(p.lock);
  if (p.files.empty() && p.folders.empty()) return;
  const Target t = DescribeTarget(target);
  const int named = NamedEntry(p, t);
  if (!ownFile) {
    // Exports never write a protected file: not by its name, nor through a
    // link, a hard link, another spelling or another mount.
    if (named >= 0) RefuseProtected(target);
    for (const std::string& file : p.files)
      if (FileMatches(file, t)) RefuseProtected(target);
    for (const std::string& folder : p.folders)
      if (FolderMatches(folder, t)) RefuseProtected(target);
    return;
  }
  // The program's own file is written by its name; the directory entry it
  // is renamed over, after every link is followed, must not be another
  // protected one. (A hard link to another file is a name of its own: the
  // rename leaves the other name's file as it was.)
  for (size_t i = 0; i < p.files.size(); ++i)
    if (static_cast<int>(i) != named && SameEntry(p.files[i], t))
      RefuseLinkedProtected(target, t.resolved);
  for (size_t i = 0; i < p.folders.size(); ++i)
    if (static_cast<int>(p.files.size() + i) != named && FolderMatches(p.folders[i], t))
      RefuseLinkedProtected(target, t.resolved);
}

bool IsOutputTemporaryName(const std::string& name) {
  return name.size() > kTemporarySuffix + 1 && name[0] == '.' &&
         name.compare(name.size() - kTemporarySuffix, sizeof kTemporaryMark - 1, kTemporaryMark) ==
             0;
}

void RemoveStaleOutputFiles(const std::string& folder) noexcept {
  // Sets first: the files of a committed set are renamed, not removed.
  RecoverOutputSets(folder);
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return;
  const int dirFd = ::dirfd(dir);
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!IsOutputTemporaryName(name) || BelongsToOutputSet(dirFd, name)) continue;
    int fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat st {
    }, now{};
    // A free lock means its writer is gone; the name must still be that file.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(dirFd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_ino == st.st_ino &&
        now.st_dev == st.st_dev)
      ::unlinkat(dirFd, name.c_str(), 0);
    ::close(fd);
  }
  ::closedir(dir);
}

// ----------------------------------------------------------------- the output

namespace detail {

std::string FolderOf(const std::string& path) {
  std::string folder = ExtractFilePath(path);
  return folder.empty() ? std::string("./") : folder;
}

PreparedTarget PrepareTarget(const std::string& target, OutputOptions options) {
  if (target.empty()) throw Error("Aucun nom de fichier de sortie n'est donné.");
  CheckOutputTarget(target, options.allowProtected);
  PreparedTarget prepared;
  // A symbolic link is followed: the file it names is the one replaced.
  prepared.replaced = target;
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    struct stat link {};
    if (::lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
      prepared.replaced = RealPath(target);
    if (S_ISDIR(st.st_mode)) throw Error(FileCreateMessage(target, EISDIR));
    // A device or a pipe is written as it is: there is nothing to replace.
    prepared.direct = !S_ISREG(st.st_mode);
    prepared.mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    prepared.mode = 0666 & ~mask;
  }
  return prepared;
}

std::string TemporaryNameFor(const std::string& replaced, const std::string& id) {
  std::string name = ExtractFileName(replaced);
  // Room for the dot and the suffix within the longest file name.
  if (name.size() + 1 + kTemporarySuffix > NAME_MAX) name.resize(NAME_MAX - 1 - kTemporarySuffix);
  return ExtractFilePath(replaced) + "." + name + kTemporaryMark + id;
}

}  // namespace detail

OutputFile::OutputFile(std::string target, OutputOptions options) : m_target(std::move(target)) {
  const detail::PreparedTarget prepared = detail::PrepareTarget(m_target, options);
  m_mode = prepared.mode;
  if (prepared.direct) {
    m_direct = true;
    m_temporary = m_target;
    m_stream = std::make_unique<FileStream>(m_target, FileMode::OpenWrite);
    m_stream->SetDisplayName(m_target);
    return;
  }
  const std::string& real = prepared.replaced;
  RemoveStaleOutputFiles(FolderOf(real));
  for (int attempt = 0;; ++attempt) {
    std::string pattern = detail::TemporaryNameFor(real, "XXXXXX");
    int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) throw Error(FileCreateMessage(m_target, errno));
    ::flock(fd, LOCK_EX);
    // Another run's cleanup may have taken the file between its creation and
    // the lock: then the name is gone and a new one is made.
    struct stat mine {
    }, named{};
    if (::fstat(fd, &mine) == 0 && ::stat(pattern.c_str(), &named) == 0 &&
        mine.st_ino == named.st_ino && mine.st_dev == named.st_dev) {
      m_temporary = pattern;
      m_lockFd = ::dup(fd);
      ::close(fd);
      break;
    }
    ::close(fd);
    if (attempt == 5) throw Error(FileCreateMessage(m_target, EEXIST));
  }
  m_replaced = real;
  try {
    m_stream = std::make_unique<FileStream>(m_temporary, FileMode::OpenReadWrite);
  } catch (...) {
    Discard();
    throw;
  }
  m_stream->SetDisplayName(m_target);
}

OutputFile::~OutputFile() {
  if (!m_committed) Discard();
}

void OutputFile::Commit() {
  if (m_committed) return;
  PausePointForTests("output-file-commit");
  try {
    if (m_direct) {
      m_stream->Sync();
      m_stream->Close();
      m_committed = true;
      return;
    }
    ::fchmod(m_stream->Handle(), m_mode);
    m_stream->Sync();
    m_stream->Close();
  } catch (...) {
    Discard();
    throw;
  }
  if (::rename(m_temporary.c_str(), m_replaced.c_str()) != 0) {
    const int err = errno;
    Discard();
    throw Error(Subst("Impossible de remplacer le fichier \"%s\". %s",
                      {m_target, SystemErrorMessage(err)}));
  }
  // The rename itself reaches the disk with its folder.
  int dirFd = ::open(FolderOf(m_replaced).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  ::close(m_lockFd);
  m_lockFd = -1;
  m_committed = true;
}

void OutputFile::Discard() noexcept {
  if (m_stream) {
    try {
      m_stream->Close();
    } catch (...) {
    }
  }
  if (!m_direct && !m_temporary.empty() && !m_committed) ::unlink(m_temporary.c_str());
  if (m_lockFd >= 0) {
    ::close(m_lockFd);
    m_lockFd = -1;
  }
  m_committed = false;
  m_temporary.clear();
}

}  // namespace kvn::platform
