#pragma once
// The per-user settings store over QSettings: organisation "Tessellon", application
// "tsn_viewer", native format (on Linux $XDG_CONFIG_HOME/Tessellon/tsn_viewer.conf,
// values under [General]), with the system-wide file read beneath the user's own.

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

private:
    std::unique_ptr<QSettings> m_settings;
};
