#pragma once
// Where the program's data lives: the definitions file and the example image.

#include <string>

class SettingsStore;

// The `instdir` setting, which only the installer writes; without it, the current
// directory (empty if that cannot be determined).
std::string ProgramDirectory(SettingsStore& store);
