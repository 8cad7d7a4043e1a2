// The command line: the catalogue directory, the subcommand and its arguments.
// Subcommands run without a window.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kvn::app {

struct CommandLine {
  std::string directory = ".";  // --dir DIR
  std::string command;          // empty: the GUI
  std::vector<std::string> arguments;
  bool help = false;
};

// Throws kvn::Error for an option without its value or an unknown option.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The French usage text.
std::string UsageText();

// Runs a subcommand; returns the exit status. Errors are printed on err.
int RunSubcommand(const CommandLine& cl, std::ostream& out, std::ostream& err);

}  // namespace kvn::app
