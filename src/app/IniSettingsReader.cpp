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

// The text after "name=" on the key's last line in the [General] section (or before
// any section), exactly as it stands, lines split at line feeds only: the viewer's
// store reads a string value so.
std::optional<std::string> RawGeneralValue(const std::string& text, const std::string& name) {
    const auto trimmed = [](std::string_view s) {
        const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
        while (!s.empty() && blank(s.front()))
            s.remove_prefix(1);
        while (!s.empty() && blank(s.back()))
            s.remove_suffix(1);
        return s;
    };
    std::optional<std::string> value;
    bool general = true;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string_view whole = trimmed(line);
        if (!whole.empty() && whole.front() == '[') {
            general = whole == "[General]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (general && equals != std::string::npos && equals > 0 &&
            trimmed(std::string_view(line).substr(0, equals)) == name)
            value = line.substr(equals + 1);
    }
    return value;
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

const IniSettingsReader::SettingsFile& IniSettingsReader::File(const std::string& path) {
    auto [place, added] = m_files.try_emplace(path);
    if (added) {
        place->second.text = ReadFile(path);
        if (place->second.text)
            place->second.values = IniGeneralValues(*place->second.text);
    }
    return place->second;
}

int IniSettingsReader::GetProfileInt(const std::string& name, int defaultValue) {
    for (const std::string& path : m_intFiles) {
        const SettingsFile& file = File(path);
        const auto found = file.values.find(name);
        if (found != file.values.end())
            return IniValueAsInt(found->second).value_or(defaultValue);
    }
    return defaultValue;
}

std::string IniSettingsReader::GetProfileString(const std::string& name,
                                                const std::string& defaultValue) {
    // A path is one string, byte for byte: only a value QSettings wrote itself (quoted,
    // or a byte array) is read the way QSettings reads it.
    for (const std::string& path : m_stringFiles) {
        const SettingsFile& file = File(path);
        const std::optional<std::string> raw =
            file.text ? RawGeneralValue(*file.text, name) : std::nullopt;
        if (!raw)
            continue;
        if (!raw->empty() && (raw->front() == '"' || raw->front() == '@')) {
            const auto found = file.values.find(name);
            if (found != file.values.end()) {
                const IniValue value = ParseIniValue(found->second);
                if (value.kind != IniValue::kOther)
                    return value.bytes;
            }
        }
        return *raw;
    }
    return defaultValue;
}
