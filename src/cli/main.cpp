// tsn-dump: the viewer's open pipeline on the command line (see TsnDump.h).

#include <unistd.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/IniSettingsReader.h"
#include "cli/TsnDump.h"
#include "image/RealImagingBackend.h"

int main(int argc, char** argv) {
    // Records go out in blocks, not through C stdio character by character.
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    // Read without QtCore: tsn-dump never writes the store, and QtCore would cost
    // more start-up time than a small collection takes to read.
    IniSettingsReader settings;
    DumpEnvironment env{settings,
                        [] { return std::make_unique<RealImagingBackend>(); },
                        std::cout,
                        std::cerr,
                        ::isatty(STDERR_FILENO) == 1,
                        ::isatty(STDOUT_FILENO) == 1};
    env.ownsProcess = true;  // nothing else runs here
    return RunTsnDump(args, env);
}
