#pragma once
// The viewer's settings store read without QtCore, for programs that only read it:
// the same files, in the same order, each value taken as the viewer's own store
// (QtSettingsStore) takes it. Each file is read once, when first needed. Writing does
// nothing.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/Ctsn_viewerApp.h"

class IniSettingsReader : public SettingsStore {
public:
    // The files of $XDG_CONFIG_HOME (else ~/.config) and $XDG_CONFIG_DIRS (else
    // /etc/xdg), as QSettings finds them.
    IniSettingsReader();

    int GetProfileInt(const std::string& name, int defaultValue) override;
    void WriteProfileInt(const std::string&, int) override {}
    std::string GetProfileString(const std::string& name, const std::string& defaultValue) override;

private:
    struct SettingsFile {
        std::optional<std::string> text;  // none: missing or unreadable
        std::map<std::string, std::string> values;
    };
    const SettingsFile& File(const std::string& path);

    std::map<std::string, SettingsFile> m_files;
    std::vector<std::string> m_intFiles;     // with the organisation-wide files
    std::vector<std::string> m_stringFiles;  // the application's own files only
};
