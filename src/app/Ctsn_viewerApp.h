#pragma once
// The application's shared state for the whole run: the four picture preferences,
// the program directory and the collection definitions. The shell's application
// object owns one; the document and the view read it.

#include <string>

#include "collection/ColDef.h"

// The per-user settings store: integer and string values directly under the
// application's key. QtSettingsStore is the real one; tests use their own.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual int GetProfileInt(const std::string& name, int defaultValue) = 0;
    virtual void WriteProfileInt(const std::string& name, int value) = 0;
    virtual std::string GetProfileString(const std::string& name,
                                         const std::string& defaultValue) = 0;
};

class Ctsn_viewerApp {
public:
    // What every start reads: the program directory, the preferences, then the
    // collection definitions from that directory.
    void LoadAtStartUp(SettingsStore& store);
    // DisplayImage, PreviewType, PrevSizeX, PrevSizeY, in that order.
    void LoadPreferences(SettingsStore& store);
    void SavePreferences(SettingsStore& store) const;

    int m_displayImage = 1;  // nonzero: a new view shows the picture
    int m_previewType = 1;   // 0 full size, 1 half size, 2 limited size
    int m_prevSizeX = 300;   // limits of the limited size
    int m_prevSizeY = 300;
    std::string m_directory;  // program directory: instdir, else the start-up directory
    ColDefList m_colDefs;
};
