// The program's entry: a subcommand runs without a window; otherwise the GUI.
#include <iostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/program.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  kvn::app::CommandLine cl;
  try {
    cl = kvn::app::ParseCommandLine(args);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  if (cl.help || cl.version || !cl.command.empty())
    return kvn::app::RunSubcommand(cl, std::cout, std::cerr);
  return kvn::app::RunGui(argc, argv, cl.directory, cl.directoryGiven);
}
