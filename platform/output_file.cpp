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
#include "platform/strings.h"
#include "platform/sys_error.h"

namespace kvn::platform {

namespace {

// Temporary names: "." + the target's name + ".kvn-" + six characters.
constexpr char kTemporaryMark[] = ".kvn-";
constexpr size_t kTemporarySuffix = sizeof kTemporaryMark - 1 + 6;

std::string FolderOf(const std::string& path) {
  std::string folder = ExtractFilePath(path);
  return folder.empty() ? std::string("./") : folder;
}

struct Identity {
  dev_t dev = 0;
  ino_t ino = 0;
  bool operator==(const Identity&) const = default;
};

std::optional<Identity> IdentityOf(const std::string& path) {
  struct stat st{};
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
  throw Error(Subst("Le fichier \"%s\" fait partie du catalogue (ses tables, kvn.ini ou le répertoire "
                    "Archive) : il ne peut pas servir de fichier de sortie. Choisissez un autre nom.",
                    {target}));
}

// A path with its existing part resolved (symbolic links, "." and "..") and
// the rest normalised by its words: two spellings of a file that does not exist
// yet give the same text.
std::string ResolvedPath(const std::string& path) {
  std::string absolute = path;
  if (absolute.empty() || absolute[0] != '/') {
    char cwd[PATH_MAX];
    absolute = std::string(::getcwd(cwd, sizeof cwd) ? cwd : ".") + "/" + absolute;
  }
  const std::vector<std::string> words = PathWords(absolute);
  // The longest existing beginning is resolved by the system.
  for (size_t n = words.size();; --n) {
    std::string head;
    for (size_t i = 0; i < n; ++i) head += "/" + words[i];
    if (head.empty()) head = "/";
    if (char* real = ::realpath(head.c_str(), nullptr)) {
      std::string result(real);
      ::free(real);
      for (size_t i = n; i < words.size(); ++i) result += (result == "/" ? "" : "/") + words[i];
      return result;
    }
    if (n == 0) break;
  }
  return absolute;
}

bool Inside(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         (path[folder.size()] == '/' || folder == "/");
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

void CheckOutputTarget(const std::string& target) {
  Protection& p = Protected();
  std::lock_guard guard(p.lock);
  if (p.files.empty() && p.folders.empty()) return;
  const auto targetId = IdentityOf(target);
  const std::string resolved = ResolvedPath(target);
  for (const std::string& file : p.files) {
    // The same file under any name; a file that does not exist yet (a
    // journal) by where it would be.
    if (targetId && IdentityOf(file) == targetId) RefuseProtected(target);
    if (ResolvedPath(file) == resolved) RefuseProtected(target);
  }
  for (const std::string& folder : p.folders) {
    const std::string protectedPath = ResolvedPath(folder);
    if (resolved == protectedPath || Inside(resolved, protectedPath)) RefuseProtected(target);
    // A folder reached through another mount of the same disk.
    if (const auto id = IdentityOf(folder)) {
      for (std::string above = ResolvedPath(FolderOf(target)); !above.empty();) {
        if (IdentityOf(above) == id) RefuseProtected(target);
        if (above == "/") break;
        const size_t slash = above.find_last_of('/');
        above = slash == 0 ? std::string("/") : above.substr(0, slash);
      }
    }
  }
}

bool IsOutputTemporaryName(const std::string& name) {
  return name.size() > kTemporarySuffix + 1 && name[0] == '.' &&
         name.compare(name.size() - kTemporarySuffix, sizeof kTemporaryMark - 1, kTemporaryMark) == 0;
}

void RemoveStaleOutputFiles(const std::string& folder) noexcept {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return;
  const int dirFd = ::dirfd(dir);
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!IsOutputTemporaryName(name)) continue;
    int fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat st{}, now{};
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

OutputFile::OutputFile(std::string target, OutputOptions options) : m_target(std::move(target)) {
  if (m_target.empty()) throw Error("Aucun nom de fichier de sortie n'est donné.");
  if (!options.allowProtected) CheckOutputTarget(m_target);

  // A symbolic link is followed: the file it names is the one replaced.
  std::string real = m_target;
  struct stat st{};
  bool exists = ::stat(m_target.c_str(), &st) == 0;
  if (exists) {
    struct stat link{};
    if (::lstat(m_target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
      if (char* resolved = ::realpath(m_target.c_str(), nullptr)) {
        real = resolved;
        ::free(resolved);
      }
    }
    if (S_ISDIR(st.st_mode)) throw Error(FileCreateMessage(m_target, EISDIR));
    if (!S_ISREG(st.st_mode)) {
      // A device or a pipe is written as it is: there is nothing to replace.
      m_direct = true;
      m_temporary = m_target;
      m_stream = std::make_unique<FileStream>(m_target, FileMode::OpenWrite);
      m_stream->SetDisplayName(m_target);
      return;
    }
    m_mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    m_mode = 0666 & ~mask;
  }

  const std::string folder = FolderOf(real);
  RemoveStaleOutputFiles(folder);
  std::string name = ExtractFileName(real);
  // Room for the dot and the suffix within the longest file name.
  if (name.size() + 1 + kTemporarySuffix > NAME_MAX) name.resize(NAME_MAX - 1 - kTemporarySuffix);
  for (int attempt = 0;; ++attempt) {
    std::string pattern = ExtractFilePath(real) + "." + name + kTemporaryMark + "XXXXXX";
    int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) throw Error(FileCreateMessage(m_target, errno));
    ::flock(fd, LOCK_EX);
    // Another run's cleanup may have taken the file between its creation and
    // the lock: then the name is gone and a new one is made.
    struct stat mine{}, named{};
    if (::fstat(fd, &mine) == 0 && ::stat(pattern.c_str(), &named) == 0 && mine.st_ino == named.st_ino &&
        mine.st_dev == named.st_dev) {
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
    throw Error(Subst("Impossible de remplacer le fichier \"%s\". %s", {m_target, SystemErrorMessage(err)}));
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
