// Archives a directory tree into a new zip at the fastest level, as the
// catalogue archiving does (without flushing to disk, as zip does not);
// optionally with every entry encrypted, or split into 100 MB volumes.
// Usage: archive_bench TREE OUT.zip [--password TEXT | --volumes-100mb]
#include <cstdio>
#include <exception>
#include <string>

#include "archive/zip_forge.h"

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: archive_bench TREE OUT.zip [--password TEXT | --volumes-100mb]\n");
    return 2;
  }
  const std::string option = argc > 3 ? argv[3] : "";
  try {
    kvn::archive::TZipForge z;
    z.Name = "Archive";
    z.FileName = argv[2];
    z.BaseDir = argv[1];
    z.SetCompressionLevel(kvn::archive::TZFCompressionLevel::clFastest);
    z.Options.FlushBuffers = false;
    z.Zip64Mode = kvn::archive::TZip64Mode::zmAuto;
    if (option == "--password" && argc == 5) z.Password = argv[4];
    if (option == "--volumes-100mb") {
      z.SpanningMode = kvn::archive::TZFSpanningMode::smSplitting;
      z.SpanningOptions.VolumeSize = kvn::archive::TZFVolumeSize::vs100MB;
    }
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
