// Runs an independent program (a reader from Debian) and collects what it says.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kvn::test {

struct ProgramResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// argv[0] is looked up on PATH. stdinText is fed to the program's input.
// fileSizeLimit (bytes, when not negative): no file the program writes may grow
// past it; a write beyond fails with EFBIG, as on a full disk.
ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& stdinText = {},
                         const std::string& workingDirectory = {}, int64_t fileSizeLimit = -1);

// Runs body in a child process (with the same file size limit, when given) and
// returns what it returned; a crash or an exception gives "child failed: ...".
// For code that must meet a full disk without touching the test process.
std::string RunInChild(const std::function<std::string()>& body, int64_t fileSizeLimit = -1);

// Limits the size of files this process writes (see RunProgram); call in a child.
void LimitFileSize(int64_t bytes);

// Runs body (in a child) or a program with KVN_PAUSE_AT=point and kills it with
// SIGKILL once it stops at that point. Returns true when it was killed there,
// false when it ended without reaching the point. No timing is involved: the
// kill happens in the phase the point names, however busy the machine is.
bool KillChildAtPausePoint(const std::function<void()>& body, const std::string& point);
bool KillProgramAtPausePoint(const std::vector<std::string>& argv, const std::string& point);

// Path of the built korvane executable (set by CMake).
std::string KorvaneExecutable();

}  // namespace kvn::test
