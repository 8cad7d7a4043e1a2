// A fresh directory for one test; removed afterwards unless the test failed, so
// a failure can be looked at.
#pragma once

#include <string>
#include <vector>

namespace kvn::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return m_path; }
  // Path of a name inside the directory.
  std::string operator/(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

// A folder on a small file system of its own (a tmpfs of the given size), for
// a disk that really fills up. Mounting needs the right to (root); without it
// Mounted() is false and the folder is an ordinary one.
class SmallDisk {
 public:
  explicit SmallDisk(int kilobytes);
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool Mounted() const { return m_mounted; }
  const std::string& Path() const { return m_dir.Path(); }
  std::string operator/(const std::string& name) const { return m_dir / name; }

 private:
  TempDir m_dir;
  bool m_mounted = false;
};

// Names of the hidden files of a folder (temporary files left behind).
std::vector<std::string> HiddenFiles(const std::string& folder);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace kvn::test
