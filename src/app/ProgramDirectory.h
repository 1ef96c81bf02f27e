#pragma once
// Where the program's data lives: the definitions file and the example image.

#include <string>

class SettingsStore;

// What start-up can find out about where it runs; an empty text is not known.
struct StartupPlaces {
    std::string currentDirectory;
    std::string installedDataDirectory;  // the data installed beside the executable
};

// The places of this process: the current directory, and the data directory that
// an installation puts at a fixed place relative to the executable, if it exists.
StartupPlaces CurrentStartupPlaces();

// The `instdir` setting, which only the installer writes. Without it, the current
// directory. An empty one, or no current directory, falls back to the installed
// data, else to the current directory, else to "." (never the root: every file
// name is appended to this directory after a slash).
std::string ProgramDirectory(SettingsStore& store, const StartupPlaces& places);
std::string ProgramDirectory(SettingsStore& store);
