// The program's start: the splash window, every window created once in a fixed
// order, then the main window's event loop.
#pragma once

#include <optional>
#include <string>

namespace kvn::app {

// Creates the windows in their order; what a creation handler throws is shown
// and the next window is created.
void CreateWindows();
void DestroyWindows();

// The catalogue folder the window opens: the folder given; else the working
// directory when it holds a catalogue; else the last catalogue opened (kept in
// $XDG_CONFIG_HOME/korvane/korvane.ini) when it is still there; else the user
// chooses between a new catalogue in ~/Films and an existing one. nullopt:
// the user chose to quit.
std::optional<std::string> StartFolder(const std::string& directory, bool given);
// Keeps the folder of the catalogue opened for the next start.
void RememberCatalogue(const std::string& directory);

// Runs the GUI on a catalogue directory; returns the exit status.
int RunGui(int& argc, char** argv, const std::string& directory, bool given = true);

}  // namespace kvn::app
