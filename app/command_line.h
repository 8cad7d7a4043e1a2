// The command line: the catalogue directory, the subcommand and its arguments.
// Subcommands run without a window.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kvn::app {

struct CommandLine {
  std::string directory = ".";  // --dir DIR
  bool directoryGiven = false;  // false: the working directory, by default
  std::string command;          // empty: the GUI
  std::vector<std::string> arguments;
  bool help = false;
  bool version = false;
};

// Throws kvn::Error for an option without its value or an unknown option.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The French usage text.
std::string UsageText();
// The version, and where the program's own files were found (the help, the
// scanner's source manager, loaded to check it).
std::string VersionText();

// Runs a subcommand; returns the exit status. Errors are printed on err.
int RunSubcommand(const CommandLine& cl, std::ostream& out, std::ostream& err);

}  // namespace kvn::app
