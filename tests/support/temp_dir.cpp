#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/mount.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace kvn::test {

TempDir::TempDir() {
  const char* base = getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/kvn-test-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  m_path = pattern;
}

TempDir::~TempDir() {
  if (::testing::Test::HasFailure()) {
    std::cerr << "[ kept ] " << m_path << "\n";
    return;
  }
  std::error_code ec;
  std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(m_path, ec);
}

SmallDisk::SmallDisk(int kilobytes) {
  const std::string options = "size=" + std::to_string(kilobytes) + "k";
  m_mounted =
      ::mount("tmpfs", m_dir.Path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}

SmallDisk::~SmallDisk() {
  if (m_mounted) ::umount2(m_dir.Path().c_str(), MNT_DETACH);
}

std::vector<std::string> HiddenFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    std::string name = entry.path().filename().string();
    if (!name.empty() && name[0] == '.') names.push_back(name);
  }
  return names;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace kvn::test
