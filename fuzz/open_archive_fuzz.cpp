// Fuzz target: an archive's directory read from arbitrary bytes, as Open reads
// it, with and without the rebuild of damaged archives; then the archive
// opened from a file and updated with one new file. Anything but an
// EZFException (a crash, a hang, a sanitizer report) is a finding, and so is
// an update that fails without putting the file back byte for byte, or that
// succeeds with an archive the archiver cannot read again.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "archive/zf_exception.h"
#include "archive/zip_forge.h"
#include "archive/zip_format.h"
#include "platform/stream.h"

namespace {

const std::string& WorkDirectory() {
  static const std::string dir = [] {
    char pattern[] = "/tmp/kvn-fuzz-XXXXXX";
    std::string d = mkdtemp(pattern) ? pattern : "/tmp";
    std::ofstream(d + "/nouveau.txt") << "une ligne ajoutée\n";
    return d;
  }();
  return dir;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Update(const uint8_t* data, size_t size, bool corrupted) {
  const std::string zip = WorkDirectory() + "/archive.zip";
  const std::string original(reinterpret_cast<const char*>(data), size);
  { std::ofstream(zip, std::ios::binary | std::ios::trunc) << original; }
  kvn::archive::TZipForge z;
  z.Name = "Fuzz";
  z.FileName = zip;
  z.BaseDir = WorkDirectory();
  z.TempDir = WorkDirectory();
  z.Options.Recurse = false;
  z.OpenCorruptedArchives = corrupted;
  try {
    z.Open(0x22);
  } catch (const kvn::archive::EZFException&) {
    return;
  }
  bool committed = true;
  try {
    z.AddMatching("nouveau.txt", 47);
  } catch (const kvn::archive::EZFException&) {
    committed = false;
  }
  z.Close();
  const std::string after = ReadAll(zip);
  if (!committed) {
    if (after != original) abort();  // a failed update must leave the file as it was
    return;
  }
  kvn::platform::MemoryStream s;
  s.Write(after.data(), after.size());
  kvn::archive::ReadDirectory dir =
      kvn::archive::ReadArchiveDirectory(s, "Fuzz", false);  // must not throw
  bool found = false;
  for (const auto& e : dir.entries) found = found || e.name == "nouveau.txt";
  if (!found) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (bool corrupted : {false, true}) {
    kvn::platform::MemoryStream s;
    s.Write(data, size);
    try {
      kvn::archive::ReadDirectory dir = kvn::archive::ReadArchiveDirectory(s, "Fuzz", corrupted);
      (void)dir;
    } catch (const kvn::archive::EZFException&) {
    }
    Update(data, size, corrupted);
  }
  return 0;
}
