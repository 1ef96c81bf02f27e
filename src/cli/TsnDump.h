#pragma once
// tsn-dump's run: reads the settings and definitions as the viewer does, opens each
// image with a new document and prints its record, report, trace or picture.

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

class ImagingBackend;
class SettingsStore;

struct DumpEnvironment {
    SettingsStore& settings;  // only read, before any image is opened
    // One backend per worker; each is started once, before its first image.
    std::function<std::unique_ptr<ImagingBackend>()> newBackend;
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal = false;  // --progress draws only then
    bool outIsTerminal = false;  // then the progress line steps aside for each record
    // The run has the process to itself: no other thread opens files while it runs, so
    // each worker may keep a table of open files of its own.
    bool ownsProcess = false;
};

// Exit status: 0 every image loaded, 1 some image not opened or not loaded (or the
// picture could not be written, or a directory not read), 2 usage error (nothing on
// `out`).
int RunTsnDump(const std::vector<std::string>& args, DumpEnvironment env);
