// Output files that never destroy what was there. The bytes go to a temporary
// file beside the target, which is flushed to disk and renamed over the target
// only once the last byte is written: an error or a kill leaves the earlier file
// byte for byte. A temporary file that a killed run left behind is removed by
// the next output made in that folder (its lock is free once its writer is gone).
//
// Call order: construct (checks the target, creates the temporary file), write
// to Stream(), Commit(). Destroying an output that was not committed removes
// the temporary file and leaves the target as it was.
#pragma once

#include <memory>
#include <string>

#include "platform/stream.h"

namespace kvn::platform {

struct OutputOptions {
  // The program's own protected files may be written by their own name (the
  // archive, the settings file, the restored catalogue); exports and printed
  // lists never may. Even then a target whose links lead to another protected
  // file is refused.
  bool allowProtected = false;
};

class OutputFile {
 public:
  // Throws kvn::Error, naming the target: a protected file, a directory, a
  // missing folder or one that cannot be written.
  explicit OutputFile(std::string target, OutputOptions options = {});
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // The stream to write; its messages name the target.
  FileStream& Stream() { return *m_stream; }
  const std::string& Target() const { return m_target; }
  // Where the bytes go until the commit: the temporary file, or the target
  // itself when it is a device or a pipe (which cannot be replaced).
  const std::string& TemporaryName() const { return m_temporary; }
  bool Direct() const { return m_direct; }

  // Flushes, forces the bytes to disk and renames the temporary file over the
  // target. Throws kvn::Error on failure; the target then stays as it was.
  void Commit();
  // Drops what was written; the target stays as it was. Never throws.
  void Discard() noexcept;
  bool Committed() const { return m_committed; }

 private:
  std::string m_target;
  std::string m_replaced;  // the target with a symbolic link followed
  std::string m_temporary;
  std::unique_ptr<FileStream> m_stream;
  int m_lockFd = -1;  // holds the temporary file's lock until it is renamed
  unsigned m_mode = 0;
  bool m_direct = false;
  bool m_committed = false;
};

// The files the program never takes as an output target: the catalogue's own.
// A file is matched by device and inode (any spelling, hard links, symbolic
// links), and, while it does not exist, by its folder's identity and its name.
// A folder protects everything under it.
void ProtectFromOutput(const std::string& file);
void ProtectFolderFromOutput(const std::string& folder);
void ClearOutputProtection();
// Throws kvn::Error when target is protected; with ownFile, only when the file
// it leads to belongs to another protected entry than the one it names.
void CheckOutputTarget(const std::string& target, bool ownFile = false);

// Removes the temporary files of outputs whose writer is gone (killed runs).
void RemoveStaleOutputFiles(const std::string& folder) noexcept;
// Whether a file name is one of those temporary names.
bool IsOutputTemporaryName(const std::string& name);

}  // namespace kvn::platform
