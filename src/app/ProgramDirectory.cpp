#include "app/ProgramDirectory.h"

#include <filesystem>
#include <system_error>

#include "app/Ctsn_viewerApp.h"

std::string ProgramDirectory(SettingsStore& store) {
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    return store.GetProfileString("instdir", error ? std::string() : current.string());
}
