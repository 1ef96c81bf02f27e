// tsn-dump: the viewer's open pipeline on the command line (see TsnDump.h).

#include <iostream>
#include <string>
#include <vector>

#include "app/QtSettingsStore.h"
#include "cli/TsnDump.h"
#include "image/RealImagingBackend.h"

int main(int argc, char** argv) {
    // Records go out in blocks, not through C stdio character by character.
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    QtSettingsStore settings;
    RealImagingBackend backend;
    return RunTsnDump(args, DumpEnvironment{settings, backend, std::cout, std::cerr});
}
