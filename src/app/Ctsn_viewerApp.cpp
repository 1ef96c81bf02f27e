#include "app/Ctsn_viewerApp.h"

#include "app/ProgramDirectory.h"

void Ctsn_viewerApp::LoadAtStartUp(SettingsStore& store) {
    m_directory = ProgramDirectory(store);
    LoadPreferences(store);
    LoadCollectionDefs(m_directory, m_colDefs);
}

void Ctsn_viewerApp::LoadPreferences(SettingsStore& store) {
    m_displayImage = store.GetProfileInt("DisplayImage", 1);
    m_previewType = store.GetProfileInt("PreviewType", 1);
    m_prevSizeX = store.GetProfileInt("PrevSizeX", 300);
    m_prevSizeY = store.GetProfileInt("PrevSizeY", 300);
}

void Ctsn_viewerApp::SavePreferences(SettingsStore& store) const {
    store.WriteProfileInt("DisplayImage", m_displayImage);
    store.WriteProfileInt("PreviewType", m_previewType);
    store.WriteProfileInt("PrevSizeX", m_prevSizeX);
    store.WriteProfileInt("PrevSizeY", m_prevSizeY);
}
