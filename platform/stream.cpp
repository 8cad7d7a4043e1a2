#include "platform/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/error.h"
#include "platform/strings.h"
#include "platform/sys_error.h"

namespace kvn::platform {

const char kReadErrorMessage[] = "Erreur de lecture du flux";
const char kWriteErrorMessage[] = "Erreur d'écriture dans le flux";

int64_t Stream::Size() {
  int64_t pos = Seek(0, SeekOrigin::Current);
  int64_t size = Seek(0, SeekOrigin::End);
  Seek(pos, SeekOrigin::Begin);
  return size;
}

void Stream::ReadBuffer(void* buffer, size_t count) {
  if (count != 0 && Read(buffer, count) != count) throw Error(ReadErrorText());
}

void Stream::WriteBuffer(const void* buffer, size_t count) {
  if (count != 0 && Write(buffer, count) != count) throw Error(WriteErrorText());
}

std::string Stream::ReadErrorText() const {
  return kReadErrorMessage;
}
std::string Stream::WriteErrorText() const {
  return kWriteErrorMessage;
}

int64_t Stream::CopyFrom(Stream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<char> buf(static_cast<size_t>(std::min<int64_t>(count, 1 << 20)) + 1);
  int64_t left = count;
  while (left > 0) {
    size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(buf.size())));
    source.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    left -= static_cast<int64_t>(n);
  }
  return count;
}

namespace {
constexpr size_t kFileBufferSize = 64 * 1024;
}

FileStream::FileStream(const std::string& path, FileMode mode) : m_path(path) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case FileMode::Create:
      flags |= O_RDWR | O_CREAT | O_TRUNC;
      break;
    case FileMode::OpenRead:
      flags |= O_RDONLY;
      break;
    case FileMode::OpenWrite:
      flags |= O_WRONLY;
      break;
    case FileMode::OpenReadWrite:
      flags |= O_RDWR;
      break;
  }
  do {
    m_fd = ::open(path.c_str(), flags, 0666);
  } while (m_fd < 0 && errno == EINTR);
  if (m_fd < 0) {
    int err = errno;
    throw Error(mode == FileMode::Create ? FileCreateMessage(path, err)
                                         : FileOpenMessage(path, err));
  }
  struct stat st {};
  if (::fstat(m_fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(m_fd);
    m_fd = -1;
    throw Error(mode == FileMode::Create ? FileCreateMessage(path, EISDIR)
                                         : FileOpenMessage(path, EISDIR));
  }
}

FileStream::~FileStream() {
  if (m_fd >= 0) {
    FlushBuffer();
    ::close(m_fd);
  }
}

namespace {

std::string FileErrorText(const char* what, const std::string& name, int err) {
  std::string text = Subst(what, {name});
  if (err != 0) text += " " + SystemErrorMessage(err);
  return text;
}

}  // namespace

std::string FileStream::ReadErrorText() const {
  return FileErrorText("Erreur de lecture du fichier \"%s\".",
                       m_displayName.empty() ? m_path : m_displayName, m_error);
}

std::string FileStream::WriteErrorText() const {
  return FileErrorText("Erreur d'écriture dans le fichier \"%s\".",
                       m_displayName.empty() ? m_path : m_displayName, m_error);
}

void FileStream::FailWrite(int err) {
  if (err != 0) m_error = err;
  throw Error(WriteErrorText());
}

bool FileStream::FlushBuffer() {
  size_t done = 0;
  while (done < m_used) {
    ssize_t n = ::write(m_fd, m_buffer.data() + done, m_used - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      m_error = n < 0 ? errno : ENOSPC;
      // Drop what could not be written so the position stays truthful.
      m_position -= static_cast<int64_t>(m_used - done);
      m_used = 0;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  m_used = 0;
  return true;
}

void FileStream::Flush() {
  if (!FlushBuffer()) FailWrite(0);
}

void FileStream::Sync() {
  Flush();
  // Pipes and terminals cannot be synced and need not be.
  if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS) FailWrite(errno);
}

void FileStream::Close() {
  if (m_fd < 0) return;
  bool ok = FlushBuffer();
  int err = 0;
  if (::close(m_fd) != 0) {
    err = errno;
    ok = false;
  }
  m_fd = -1;
  if (!ok) FailWrite(err);
}

size_t FileStream::Read(void* buffer, size_t count) {
  Flush();
  size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < count) {
    ssize_t n = ::read(m_fd, out + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) m_error = errno;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  m_position += static_cast<int64_t>(done);
  return done;
}

size_t FileStream::Write(const void* buffer, size_t count) {
  const char* in = static_cast<const char*>(buffer);
  if (count >= kFileBufferSize) {
    if (!FlushBuffer()) return 0;
    size_t done = 0;
    while (done < count) {
      ssize_t n = ::write(m_fd, in + done, count - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        m_error = n < 0 ? errno : ENOSPC;
        break;
      }
      done += static_cast<size_t>(n);
    }
    m_position += static_cast<int64_t>(done);
    return done;
  }
  if (m_buffer.empty()) m_buffer.resize(kFileBufferSize);
  if (m_used + count > m_buffer.size() && !FlushBuffer()) return 0;
  std::memcpy(m_buffer.data() + m_used, in, count);
  m_used += count;
  m_position += static_cast<int64_t>(count);
  return count;
}

int64_t FileStream::Seek(int64_t offset, SeekOrigin origin) {
  if (origin == SeekOrigin::Current && offset == 0) return m_position;
  Flush();
  int whence = origin == SeekOrigin::Begin     ? SEEK_SET
               : origin == SeekOrigin::Current ? SEEK_CUR
                                               : SEEK_END;
  off_t r = ::lseek(m_fd, offset, whence);
  if (r < 0) {
    m_error = errno;
    throw Error(ReadErrorText());
  }
  m_position = r;
  return r;
}

int64_t FileStream::Size() {
  Flush();
  struct stat st {};
  if (::fstat(m_fd, &st) != 0) {
    m_error = errno;
    throw Error(ReadErrorText());
  }
  return st.st_size;
}

void FileStream::SetSize(int64_t size) {
  Flush();
  if (::ftruncate(m_fd, size) != 0) FailWrite(errno);
  if (m_position > size) Seek(size, SeekOrigin::Begin);
}

size_t MemoryStream::Read(void* buffer, size_t count) {
  if (m_position >= m_data.size()) return 0;
  size_t n = std::min(count, m_data.size() - m_position);
  std::memcpy(buffer, m_data.data() + m_position, n);
  m_position += n;
  return n;
}

size_t MemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return 0;
  if (m_position == m_data.size()) {
    m_data.append(static_cast<const char*>(buffer), count);
  } else {
    if (m_position + count > m_data.size()) m_data.resize(m_position + count);
    std::memcpy(m_data.data() + m_position, buffer, count);
  }
  m_position += count;
  return count;
}

int64_t MemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  int64_t base = origin == SeekOrigin::Begin     ? 0
                 : origin == SeekOrigin::Current ? static_cast<int64_t>(m_position)
                                                 : static_cast<int64_t>(m_data.size());
  int64_t pos = base + offset;
  if (pos < 0) throw Error(kReadErrorMessage);
  m_position = static_cast<size_t>(pos);
  return pos;
}

void MemoryStream::SetSize(int64_t size) {
  m_data.resize(static_cast<size_t>(size));
  if (m_position > m_data.size()) m_position = m_data.size();
}

}  // namespace kvn::platform
