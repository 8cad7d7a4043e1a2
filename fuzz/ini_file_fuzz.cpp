// Fuzz target: a settings file of arbitrary bytes read as the program reads
// kvn.ini and the options files, every value read in every way; then one key
// written. Anything but kvn::Error is a finding, and so is a write that does
// not read back, or that changes what another key of the file reads.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <utility>

#include "platform/error.h"
#include "platform/ini_file.h"
#include "platform/strings.h"

namespace {

const std::string& IniPath() {
  static const std::string path = [] {
    char pattern[] = "/tmp/kvn-fuzz-ini-XXXXXX";
    const std::string dir = mkdtemp(pattern) ? pattern : "/tmp";
    return dir + "/reglages.ini";
  }();
  return path;
}

using Values = std::map<std::pair<std::string, std::string>, std::string>;

Values ReadEverything(const kvn::platform::IniFile& ini) {
  Values values;
  for (const std::string& section : ini.ReadSections())
    for (const std::string& key : ini.ReadSection(section)) {
      values.emplace(std::make_pair(section, key), ini.ReadString(section, key, "\x01"));
      (void)ini.ReadInteger(section, key, -1);
      (void)ini.ReadFloat(section, key, -1);
      (void)ini.ReadBool(section, key, false);
    }
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    std::ofstream(IniPath(), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  try {
    kvn::platform::IniFile ini(IniPath());
    const Values before = ReadEverything(ini);
    if (!ini.IsText()) return 0;
    ini.WriteString("Fuzz", "Clé", "une valeur écrite");
    kvn::platform::IniFile again(IniPath());
    if (again.ReadString("Fuzz", "Clé", "") != "une valeur écrite") {
      std::fprintf(stderr, "the value written does not read back\n");
      abort();
    }
    // Names compare without regard to ASCII case.
    const auto withoutWritten = [](Values values) {
      std::erase_if(values, [](const auto& entry) {
        return kvn::platform::EqualsNoCase(entry.first.first, "Fuzz") &&
               kvn::platform::EqualsNoCase(entry.first.second, "Clé");
      });
      return values;
    };
    const Values after = withoutWritten(ReadEverything(again));
    const Values kept = withoutWritten(before);
    if (after != kept) {
      std::fprintf(stderr, "writing one key changed what the others read\n");
      abort();
    }
  } catch (const kvn::Error&) {
  }
  return 0;
}
