#include "app/ProgramDirectory.h"

#include <filesystem>
#include <system_error>

#include "app/Ctsn_viewerApp.h"

namespace fs = std::filesystem;

StartupPlaces CurrentStartupPlaces() {
    StartupPlaces places;
    std::error_code error;
    const fs::path current = fs::current_path(error);
    if (!error)
        places.currentDirectory = current.string();
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path data =
            (executable.parent_path() / TSN_INSTALLED_DATA_FROM_BINDIR).lexically_normal();
        if (fs::is_directory(data, error))
            places.installedDataDirectory = data.string();
    }
    return places;
}

std::string ProgramDirectory(SettingsStore& store, const StartupPlaces& places) {
    const std::string instdir = store.GetProfileString("instdir", places.currentDirectory);
    if (!instdir.empty())
        return instdir;
    if (!places.installedDataDirectory.empty())
        return places.installedDataDirectory;
    return places.currentDirectory.empty() ? "." : places.currentDirectory;
}

std::string ProgramDirectory(SettingsStore& store) {
    return ProgramDirectory(store, CurrentStartupPlaces());
}
