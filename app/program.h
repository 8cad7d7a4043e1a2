// The program's start: the splash window, every window created once in a fixed
// order, then the main window's event loop.
#pragma once

#include <string>

namespace kvn::app {

// Creates the windows in their order; what a creation handler throws is shown
// and the next window is created.
void CreateWindows();
void DestroyWindows();

// Runs the GUI on a catalogue directory; returns the exit status.
int RunGui(int& argc, char** argv, const std::string& directory);

}  // namespace kvn::app
