// Runs an independent program (a reader from Debian) and collects what it says.
#pragma once

#include <string>
#include <vector>

namespace kvn::test {

struct ProgramResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// argv[0] is looked up on PATH. stdinText is fed to the program's input.
ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& stdinText = {},
                         const std::string& workingDirectory = {});

// Path of the built korvane executable (set by CMake).
std::string KorvaneExecutable();

}  // namespace kvn::test
