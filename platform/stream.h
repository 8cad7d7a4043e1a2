// Byte streams: the file and memory streams every writer and reader works on.
// Failures throw kvn::Error with the stream layer's French messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvn::platform {

enum class SeekOrigin { Begin, Current, End };

class Stream {
 public:
  virtual ~Stream() = default;

  // Reads up to count bytes; returns how many were read (fewer at the end).
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes up to count bytes; returns how many were written.
  virtual size_t Write(const void* buffer, size_t count) = 0;
  // Returns the new position.
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
  // Sets the size; the position is kept unless it would lie past the new end.
  virtual void SetSize(int64_t size) = 0;
  virtual int64_t Size();
  // Pushes buffered bytes to the device; throws on failure.
  virtual void Flush() {}

  int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(int64_t pos) { Seek(pos, SeekOrigin::Begin); }

  // Throw ReadErrorText() / WriteErrorText() when not every byte could be moved.
  void ReadBuffer(void* buffer, size_t count);
  void WriteBuffer(const void* buffer, size_t count);
  void WriteString(std::string_view bytes) { WriteBuffer(bytes.data(), bytes.size()); }
  // Copies count bytes from source (all of it from its start when count is 0).
  int64_t CopyFrom(Stream& source, int64_t count);

  // What a failed read or write is reported as: "Erreur de lecture du flux" /
  // "Erreur d'écriture dans le flux"; a file names itself and the system's reason.
  virtual std::string ReadErrorText() const;
  virtual std::string WriteErrorText() const;
};

extern const char kReadErrorMessage[];
extern const char kWriteErrorMessage[];

enum class FileMode {
  Create,         // create or replace, read and write
  OpenRead,       // existing file, read only
  OpenWrite,      // existing file, write only
  OpenReadWrite,  // existing file, read and write
};

// A file on disk. Writes are buffered; Flush, Seek, Read, Size and Close push
// them out. Close reports a failed final write; the destructor cannot.
class FileStream : public Stream {
 public:
  FileStream(const std::string& path, FileMode mode);
  ~FileStream() override;
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  void SetSize(int64_t size) override;
  int64_t Size() override;
  void Flush() override;
  // Flushes, then forces the bytes to the disk.
  void Sync();
  void Close();

  const std::string& FileName() const { return m_path; }
  int Handle() const { return m_fd; }
  // The name messages give the file (its path unless set): a file written under
  // a temporary name is reported under the name the user chose.
  void SetDisplayName(std::string name) { m_displayName = std::move(name); }
  // The system's code of the last failed read or write (0 when none).
  int LastError() const { return m_error; }

  // "Erreur d'écriture dans le fichier "%s". <reason>" (and the same for reading).
  std::string ReadErrorText() const override;
  std::string WriteErrorText() const override;

 private:
  bool FlushBuffer();
  [[noreturn]] void FailWrite(int err);

  std::string m_path;
  std::string m_displayName;
  int m_error = 0;
  int m_fd = -1;
  std::vector<char> m_buffer;
  size_t m_used = 0;
  int64_t m_position = 0;  // logical position, buffered bytes included
};

// A growable block of memory.
class MemoryStream : public Stream {
 public:
  MemoryStream() = default;
  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  void SetSize(int64_t size) override;
  int64_t Size() override { return static_cast<int64_t>(m_data.size()); }

  const std::string& Data() const { return m_data; }
  std::string& Data() { return m_data; }
  void Clear() {
    m_data.clear();
    m_position = 0;
  }

 private:
  std::string m_data;
  size_t m_position = 0;
};

}  // namespace kvn::platform
