#pragma once
// The one reader of the viewer's settings store, without QtCore: the files QSettings
// would read, in its order, each value taken as QSettings takes it, except that a
// string the user typed (not one QSettings wrote) is a path, read byte for byte. The
// viewer's store and tsn-dump both read through it. Each file is read once, when
// first needed. Writing does nothing.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/Ctsn_viewerApp.h"
#include "app/IniFormat.h"

class IniSettingsReader : public SettingsStore {
public:
    // The files of $XDG_CONFIG_HOME (else ~/.config) and $XDG_CONFIG_DIRS (else
    // /etc/xdg), as QSettings finds them.
    IniSettingsReader();

    // The user's own file, the one the viewer writes.
    const std::string& UserFile() const { return m_stringFiles.front(); }

    int GetProfileInt(const std::string& name, int defaultValue) override;
    void WriteProfileInt(const std::string&, int) override {}
    std::string GetProfileString(const std::string& name, const std::string& defaultValue) override;

    struct FoundString {
        std::string value;
        bool verbatim = false;  // the line's text as it stands, not what QSettings wrote
        bool inUserFile = false;
    };
    // The string value of the first file that has the key.
    std::optional<FoundString> FindString(const std::string& name);

private:
    using Values = std::map<std::string, IniEntry>;
    // The [General] values of a file; none when it is missing or unreadable.
    const Values& File(const std::string& path);

    std::map<std::string, Values> m_files;
    std::vector<std::string> m_intFiles;     // with the organisation-wide files
    std::vector<std::string> m_stringFiles;  // the application's own files only
};
