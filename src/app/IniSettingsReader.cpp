#include "app/IniSettingsReader.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "app/IniFormat.h"

namespace {

constexpr const char* kOrganisation = "Tessellon";
constexpr const char* kApplication = "tsn_viewer";

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string UserConfigDirectory() {
    std::string directory = Environment("XDG_CONFIG_HOME");
    if (!directory.empty())
        return directory;
    std::string home = Environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = getpwuid(getuid()))
            home = entry->pw_dir ? entry->pw_dir : "";
    }
    return home + "/.config";
}

std::vector<std::string> SystemConfigDirectories() {
    std::vector<std::string> directories;
    std::istringstream list(Environment("XDG_CONFIG_DIRS"));
    for (std::string directory; std::getline(list, directory, ':');) {
        if (!directory.empty())
            directories.push_back(directory);
    }
    if (directories.empty())
        directories.push_back("/etc/xdg");
    return directories;
}

std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

IniSettingsReader::IniSettingsReader() {
    const std::string app = std::string("/") + kOrganisation + "/" + kApplication + ".conf";
    const std::string organisation = std::string("/") + kOrganisation + ".conf";
    const std::string user = UserConfigDirectory();
    const std::vector<std::string> system = SystemConfigDirectories();
    m_intFiles = {user + app, user + organisation};
    m_stringFiles = {user + app};
    for (const std::string& directory : system) {
        m_intFiles.push_back(directory + app);
        m_stringFiles.push_back(directory + app);
    }
    for (const std::string& directory : system)
        m_intFiles.push_back(directory + organisation);
}

const IniSettingsReader::Values& IniSettingsReader::File(const std::string& path) {
    auto [place, added] = m_files.try_emplace(path);
    if (added) {
        if (const std::optional<std::string> text = ReadFile(path))
            place->second = IniGeneralValues(*text);
    }
    return place->second;
}

int IniSettingsReader::GetProfileInt(const std::string& name, int defaultValue) {
    for (const std::string& path : m_intFiles) {
        const Values& values = File(path);
        const auto found = values.find(name);
        if (found != values.end())
            return IniValueAsInt(found->second.value).value_or(defaultValue);
    }
    return defaultValue;
}

std::string IniSettingsReader::GetProfileString(const std::string& name,
                                                const std::string& defaultValue) {
    std::optional<FoundString> found = FindString(name);
    return found ? std::move(found->value) : defaultValue;
}

std::optional<IniSettingsReader::FoundString> IniSettingsReader::FindString(
    const std::string& name) {
    // A path is one string, byte for byte: only a value QSettings wrote itself (quoted,
    // or a byte array) is read the way QSettings reads it.
    for (const std::string& path : m_stringFiles) {
        const Values& values = File(path);
        const auto found = values.find(name);
        if (found == values.end())
            continue;
        const std::string& line = found->second.line;
        FoundString result{line, true, path == UserFile()};
        if (!line.empty() && (line.front() == '"' || line.front() == '@')) {
            IniValue value = ParseIniValue(found->second.value);
            if (value.kind != IniValue::kOther) {
                result.value = std::move(value.bytes);
                result.verbatim = false;
            }
        }
        return result;
    }
    return std::nullopt;
}
