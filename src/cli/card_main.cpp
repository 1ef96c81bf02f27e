// tsn-card: writes the cards of JPEG and PNG images (see TsnCard.h).

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/IniSettingsReader.h"
#include "cli/TsnCard.h"
#include "image/RealImagingBackend.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    IniSettingsReader settings;
    RealImagingBackend backend;
    backend.Startup();
    auto newBackend = [] { return std::make_unique<RealImagingBackend>(); };
    return RunTsnCard(
        args, CardEnvironment{settings, backend, std::cin, std::cout, std::cerr, {}, newBackend});
}
