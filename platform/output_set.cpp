#include "platform/output_set.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>

#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/output_internal.h"
#include "platform/strings.h"
#include "platform/sys_error.h"

namespace kvn::platform {

namespace {

using detail::FolderOf;

constexpr char kRecordPrefix[] = ".kvn-set-";
// Record words, each followed by a NUL byte, as are the paths after them.
constexpr char kMagic[] = "KVN-SET";
constexpr char kFolderWord[] = "FOLDER";
constexpr char kPrimaryWord[] = "PRIMARY";
constexpr char kMemberWord[] = "MEMBER";
constexpr char kCommitWord[] = "COMMIT";

std::string RandomId() {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[detail::kTemporaryIdLength];
  if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes))
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(std::rand());
  std::string id;
  for (unsigned char b : bytes) id += kAlphabet[b % (sizeof kAlphabet - 1)];
  return id;
}

std::string WithSlash(std::string folder) {
  if (folder.empty()) folder = "./";
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string RecordPath(const std::string& folder, const std::string& id) {
  return WithSlash(folder) + kRecordPrefix + id;
}

// Writes every byte or throws with the system's reason.
void WriteAll(int fd, const std::string& bytes, const std::string& shownName) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int err = n < 0 ? errno : EIO;
      throw Error(Subst("Erreur d'écriture dans le fichier \"%s\". %s",
                        {shownName, SystemErrorMessage(err)}));
    }
    done += static_cast<size_t>(n);
  }
}

std::string Word(const char* word, const std::string& value = {}) {
  std::string bytes(word);
  bytes += '\0';
  if (!value.empty()) {
    bytes += value;
    bytes += '\0';
  }
  return bytes;
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// A record as read back: the other folders, or the first record's path, and
// at the commit the members.
struct Record {
  bool valid = false;
  std::string primary;
  std::vector<std::string> folders;
  std::vector<std::pair<std::string, std::string>> members;  // temporary, target
  bool committed = false;
};

Record ReadRecord(int fd) {
  Record record;
  std::string bytes;
  char buffer[4096];
  ::lseek(fd, 0, SEEK_SET);
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  std::vector<std::string> words;
  size_t at = 0;
  while (at < bytes.size()) {
    const size_t end = bytes.find('\0', at);
    if (end == std::string::npos) break;  // an unfinished last word
    words.push_back(bytes.substr(at, end - at));
    at = end + 1;
  }
  if (words.empty() || words[0] != kMagic) return record;
  record.valid = true;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w == kFolderWord && i + 1 < words.size()) {
      record.folders.push_back(words[++i]);
    } else if (w == kPrimaryWord && i + 1 < words.size()) {
      record.primary = words[++i];
    } else if (w == kMemberWord && i + 2 < words.size()) {
      record.members.emplace_back(words[i + 1], words[i + 2]);
      i += 2;
    } else if (w == kCommitWord) {
      record.committed = true;
    }
  }
  return record;
}

// Opens a record and takes its lock without waiting; -1 when it is missing or
// its writer (or another run's recovery) holds it.
int LockRecord(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st {
  }, now{};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0 ||
      ::lstat(path.c_str(), &now) != 0 || now.st_ino != st.st_ino || now.st_dev != st.st_dev) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool HasIdSuffix(const std::string& name, const std::string& id) {
  const std::string suffix = std::string(detail::kTemporaryMark) + id;
  return name.size() > suffix.size() + 1 && name[0] == '.' &&
         name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Removes the members of set id left in a folder.
void RemoveMembers(const std::string& folder, const std::string& id) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  const int dirFd = ::dirfd(dir);
  std::vector<std::string> names;
  while (dirent* entry = ::readdir(dir))
    if (HasIdSuffix(entry->d_name, id)) names.emplace_back(entry->d_name);
  for (const std::string& name : names) ::unlinkat(dirFd, name.c_str(), 0);
  ::closedir(dir);
}

// The renames of a committed set, again: a member whose temporary file is gone
// was renamed already.
void RollForward(const Record& record) {
  std::set<std::string> folders;
  for (const auto& [temporary, target] : record.members) {
    struct stat st {};
    if (::lstat(temporary.c_str(), &st) == 0) ::rename(temporary.c_str(), target.c_str());
    folders.insert(FolderOf(target));
  }
  for (const std::string& folder : folders) SyncFolder(folder);
}

// Finishes or removes the set whose first record is primaryPath (locked by
// the caller as primaryFd).
void RecoverPrimary(const std::string& primaryPath, int primaryFd, const std::string& id) {
  const Record record = ReadRecord(primaryFd);
  if (record.committed) RollForward(record);
  std::vector<std::string> folders = record.folders;
  folders.push_back(FolderOf(primaryPath));
  for (const std::string& folder : folders) {
    RemoveMembers(folder, id);
    if (WithSlash(folder) != FolderOf(primaryPath)) ::unlink(RecordPath(folder, id).c_str());
  }
  ::unlink(primaryPath.c_str());
}

// Throws when a file could not be renamed over: an immutable or append-only
// file, a folder that cannot be written.
void CheckReplaceable(const std::string& replaced, const std::string& shownName) {
  const int fd = ::open(replaced.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  if (fd >= 0) {
    int flags = 0;
    const bool locked = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                        (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
    ::close(fd);
    if (locked)
      throw Error(Subst(
          "Impossible de remplacer le fichier \"%s\" : il est marqué immuable ou en ajout seul "
          "(chattr). Aucun fichier de l'export n'a été modifié.",
          {shownName}));
  }
  const std::string folder = FolderOf(replaced);
  if (::access(folder.c_str(), W_OK | X_OK) != 0)
    throw Error(Subst(
        "Impossible de remplacer le fichier \"%s\". %s Aucun fichier de l'export n'a été modifié.",
        {shownName, SystemErrorMessage(errno)}));
}

}  // namespace

void PausePointForTests(const char* point) {
  const char* wanted = std::getenv("KVN_PAUSE_AT");
  if (wanted && std::strcmp(wanted, point) == 0) ::raise(SIGSTOP);
}

bool BelongsToOutputSet(int folderFd, const std::string& name) {
  if (name.size() < detail::kTemporaryIdLength) return false;
  const std::string record = kRecordPrefix + name.substr(name.size() - detail::kTemporaryIdLength);
  struct stat st {};
  return ::fstatat(folderFd, record.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

void RecoverOutputSets(const std::string& folder) noexcept {
  const std::string dirName = WithSlash(folder);
  DIR* dir = ::opendir(dirName.c_str());
  if (!dir) return;
  std::vector<std::string> ids;
  const size_t prefix = sizeof kRecordPrefix - 1;
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() == prefix + detail::kTemporaryIdLength &&
        name.compare(0, prefix, kRecordPrefix) == 0)
      ids.push_back(name.substr(prefix));
  }
  ::closedir(dir);
  for (const std::string& id : ids) {
    try {
      const std::string path = RecordPath(dirName, id);
      const int fd = LockRecord(path);
      if (fd < 0) continue;  // its writer lives
      const Record record = ReadRecord(fd);
      if (!record.primary.empty()) {
        // A record of another folder: the first record decides.
        const int primaryFd = LockRecord(record.primary);
        if (primaryFd >= 0) {
          RecoverPrimary(record.primary, primaryFd, id);
          ::close(primaryFd);
        } else if (::access(record.primary.c_str(), F_OK) != 0) {
          RemoveMembers(dirName, id);
        } else {
          ::close(fd);
          continue;  // the first record is busy: its writer lives
        }
        ::unlink(path.c_str());
      } else {
        RecoverPrimary(path, fd, id);
      }
      ::close(fd);
    } catch (...) {
    }
  }
}

// ----------------------------------------------------------------- the set

struct OutputSet::Member {
  std::string target;
  std::string replaced;
  std::string temporary;
  unsigned mode = 0;
  bool direct = false;
  std::unique_ptr<FileStream> stream;
};

struct OutputSet::Folder {
  std::string path;  // with its slash
  std::string record;
  int fd = -1;
};

OutputSet::OutputSet(OutputOptions options) : m_options(options), m_id(RandomId()) {}

OutputSet::~OutputSet() {
  if (!m_committed) Discard();
}

const std::string& OutputSet::Target(size_t member) const {
  return m_members.at(member)->target;
}

OutputSet::Folder& OutputSet::FolderFor(const std::string& folderName) {
  const std::string path = WithSlash(RealPath(folderName));
  for (auto& f : m_folders)
    if (f->path == path) return *f;
  auto folder = std::make_unique<Folder>();
  folder->path = path;
  folder->record = RecordPath(path, m_id);
  RemoveStaleOutputFiles(path);
  // The record is made before any member, and locked at once; a cleanup that
  // took it between the two leaves another name, and the set gives up.
  folder->fd = ::open(folder->record.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (folder->fd < 0) throw Error(FileCreateMessage(folder->record, errno));
  ::flock(folder->fd, LOCK_EX);
  struct stat mine {
  }, named{};
  if (::fstat(folder->fd, &mine) != 0 || ::lstat(folder->record.c_str(), &named) != 0 ||
      mine.st_ino != named.st_ino) {
    ::close(folder->fd);
    throw Error(FileCreateMessage(folder->record, EEXIST));
  }
  std::string bytes = Word(kMagic);
  if (!m_folders.empty()) bytes += Word(kPrimaryWord, m_folders.front()->record);
  try {
    WriteAll(folder->fd, bytes, folder->record);
    // The first record lists every folder that holds members.
    if (!m_folders.empty())
      WriteAll(m_folders.front()->fd, Word(kFolderWord, path), m_folders.front()->record);
  } catch (...) {
    ::unlink(folder->record.c_str());
    ::close(folder->fd);
    throw;
  }
  m_folders.push_back(std::move(folder));
  return *m_folders.back();
}

FileStream& OutputSet::Add(const std::string& target) {
  if (m_committed) throw Error("Ensemble de fichiers déjà écrit.");
  const detail::PreparedTarget prepared = detail::PrepareTarget(target, m_options);
  auto member = std::make_unique<Member>();
  member->target = target;
  member->mode = prepared.mode;
  member->direct = prepared.direct;
  if (prepared.direct) {
    member->temporary = target;
    member->stream = std::make_unique<FileStream>(target, FileMode::OpenWrite);
  } else {
    const std::string folderName = FolderOf(prepared.replaced);
    if (!DirectoryExists(folderName)) throw Error(FileCreateMessage(target, ENOENT));
    Folder& folder = FolderFor(folderName);
    member->replaced = folder.path + ExtractFileName(prepared.replaced);
    member->temporary = detail::TemporaryNameFor(member->replaced, m_id);
    const int fd = ::open(member->temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) throw Error(FileCreateMessage(target, errno));
    ::close(fd);
    member->stream = std::make_unique<FileStream>(member->temporary, FileMode::OpenReadWrite);
  }
  member->stream->SetDisplayName(target);
  m_members.push_back(std::move(member));
  return *m_members.back()->stream;
}

FileStream& OutputSet::Stream(size_t index) {
  Member& m = *m_members.at(index);
  if (!m.stream) {
    m.stream = std::make_unique<FileStream>(m.temporary, FileMode::OpenReadWrite);
    m.stream->SetDisplayName(m.target);
    m.stream->Seek(0, SeekOrigin::End);
  }
  return *m.stream;
}

void OutputSet::Close(size_t index) {
  Member& m = *m_members.at(index);
  if (!m.stream) return;
  std::unique_ptr<FileStream> stream = std::move(m.stream);
  if (m.direct)
    stream->Sync();
  else
    ::fchmod(stream->Handle(), m.mode);
  stream->Close();
}

void OutputSet::Commit() {
  if (m_committed) return;
  try {
    for (size_t i = 0; i < m_members.size(); ++i) Close(i);
    // What would stop a rename is found before the record: then the earlier
    // set stays whole.
    for (const auto& member : m_members)
      if (!member->direct) CheckReplaceable(member->replaced, member->target);
    // One flush per file system makes every member, and every record's name,
    // durable (a flush per file costs a disk wait per page).
    std::set<dev_t> devices;
    for (const auto& folder : m_folders) {
      struct stat st {};
      if (::fstat(folder->fd, &st) == 0 && devices.insert(st.st_dev).second &&
          ::syncfs(folder->fd) != 0)
        throw Error(Subst("Erreur d'écriture dans le fichier \"%s\". %s",
                          {m_members.front()->target, SystemErrorMessage(errno)}));
    }
    if (!m_folders.empty()) {
      std::string bytes;
      for (const auto& member : m_members)
        if (!member->direct)
          bytes += Word(kMemberWord, member->temporary) + member->replaced + '\0';
      bytes += Word(kCommitWord);
      Folder& primary = *m_folders.front();
      WriteAll(primary.fd, bytes, primary.record);
      if (::fsync(primary.fd) != 0)
        throw Error(Subst("Erreur d'écriture dans le fichier \"%s\". %s",
                          {primary.record, SystemErrorMessage(errno)}));
    }
  } catch (...) {
    Discard();
    throw;
  }
  // From here the set is committed: a kill is finished by the next run.
  PausePointForTests("output-set-commit");
  std::set<std::string> folders;
  int failure = 0;
  std::string failed;
  for (const auto& member : m_members) {
    if (member->direct) continue;
    if (::rename(member->temporary.c_str(), member->replaced.c_str()) != 0 && failure == 0) {
      failure = errno;
      failed = member->target;
    }
    folders.insert(FolderOf(member->replaced));
    PausePointForTests("output-set-renamed");
  }
  for (const std::string& folder : folders) SyncFolder(folder);
  if (failure != 0) {
    // The record stays for the next run to finish; the lock goes with the set.
    for (auto& folder : m_folders) ::close(folder->fd), folder->fd = -1;
    m_folders.clear();
    m_members.clear();
    m_committed = true;
    throw Error(Subst("Impossible de remplacer le fichier \"%s\". %s",
                      {failed, SystemErrorMessage(failure)}));
  }
  // The other folders' records first: the first record goes last.
  for (size_t i = m_folders.size(); i-- > 0;) {
    ::unlink(m_folders[i]->record.c_str());
    ::close(m_folders[i]->fd);
    m_folders[i]->fd = -1;
  }
  m_committed = true;
}

void OutputSet::Discard() noexcept {
  for (auto& member : m_members) {
    if (member->stream) {
      try {
        member->stream->Close();
      } catch (...) {
      }
      member->stream.reset();
    }
    if (!member->direct) ::unlink(member->temporary.c_str());
  }
  m_members.clear();
  for (size_t i = m_folders.size(); i-- > 0;) {
    ::unlink(m_folders[i]->record.c_str());
    if (m_folders[i]->fd >= 0) ::close(m_folders[i]->fd);
  }
  m_folders.clear();
}

}  // namespace kvn::platform
