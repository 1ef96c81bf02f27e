#pragma once
// The viewer's settings store: read through IniSettingsReader, as tsn-dump reads it,
// and written through QSettings into the user's file of that reader
// ($XDG_CONFIG_HOME/Tessellon/tsn_viewer.conf, values under [General]). The shell
// keeps its own values (recent files, the window's place) in sections of their own
// of the same file, through Settings().

#include <memory>

#include "app/Ctsn_viewerApp.h"

class QSettings;

class QtSettingsStore : public SettingsStore {
public:
    QtSettingsStore();
    ~QtSettingsStore() override;
    QtSettingsStore(const QtSettingsStore&) = delete;
    QtSettingsStore& operator=(const QtSettingsStore&) = delete;

    // A missing value or one that is not an integer reads as the default.
    int GetProfileInt(const std::string& name, int defaultValue) override;
    // Written to the file at once.
    void WriteProfileInt(const std::string& name, int value) override;
    // The text after "name=" in the first file that has the key, byte for byte: no
    // list splitting, trimming or escapes; only a value that QSettings wrote itself
    // (it begins with a double quote or with "@") is read the way QSettings reads
    // it. A value in the user's file that a later save by QSettings would change is
    // written back at once as a byte array, which QSettings keeps exact.
    std::string GetProfileString(const std::string& name, const std::string& defaultValue) override;

    // The user's file, for the shell's own sections. Call sync() after writing.
    QSettings& Settings() { return *m_settings; }

private:
    std::unique_ptr<QSettings> m_settings;
};
