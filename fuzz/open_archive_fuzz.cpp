// Fuzz target: an archive's directory read from arbitrary bytes, as Open reads
// it, with and without the rebuild of damaged archives. Anything but an
// EZFException (a crash, a hang, a sanitizer report) is a finding.
#include <cstddef>
#include <cstdint>

#include "archive/zf_exception.h"
#include "archive/zip_format.h"
#include "platform/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (bool corrupted : {false, true}) {
    kvn::platform::MemoryStream s;
    s.Write(data, size);
    try {
      kvn::archive::ReadDirectory dir = kvn::archive::ReadArchiveDirectory(s, "Fuzz", corrupted);
      (void)dir;
    } catch (const kvn::archive::EZFException&) {
    }
  }
  return 0;
}
