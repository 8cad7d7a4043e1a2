// Archives a directory tree into a new zip at the fastest level, as the
// catalogue archiving does (without flushing to disk, as zip does not).
// Usage: archive_bench TREE OUT.zip
#include <cstdio>
#include <exception>

#include "archive/zip_forge.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: archive_bench TREE OUT.zip\n");
    return 2;
  }
  try {
    kvn::archive::TZipForge z;
    z.Name = "Archive";
    z.FileName = argv[2];
    z.BaseDir = argv[1];
    z.SetCompressionLevel(kvn::archive::TZFCompressionLevel::clFastest);
    z.Options.FlushBuffers = false;
    z.Zip64Mode = kvn::archive::TZip64Mode::zmAuto;
    z.Open(kvn::archive::TZFBaseArchiver::kCreateMode);
    z.AddMatching("*", 47);
    std::printf("%d entries\n", z.FileCount());
    z.Close();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
