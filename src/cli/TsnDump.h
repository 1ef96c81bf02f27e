#pragma once
// tsn-dump's run: reads the settings and definitions as the viewer does, opens each
// image with a new document and prints its record, report, trace or picture.

#include <ostream>
#include <string>
#include <vector>

class ImagingBackend;
class SettingsStore;

struct DumpEnvironment {
    SettingsStore& settings;  // only read
    ImagingBackend& backend;  // started here, once
    std::ostream& out;
    std::ostream& err;
};

// Exit status: 0 every image loaded, 1 some image not opened or not loaded (or the
// picture could not be written), 2 usage error (nothing on `out`).
int RunTsnDump(const std::vector<std::string>& args, DumpEnvironment env);
