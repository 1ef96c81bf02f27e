#pragma once
// The main window's size, position and maximised state, kept from one run to the
// next in the settings store's own section for it, [MainWindow] Geometry.

class QWidget;
class QtSettingsStore;

// Puts the window back as it was when last saved; leaves it alone when nothing (or
// nothing usable) was saved. A place saved by an older version directly under the
// application's key (WindowGeometry) is taken once, moved to the section and removed.
void RestoreWindowGeometry(QWidget& window, QtSettingsStore& store);
void SaveWindowGeometry(const QWidget& window, QtSettingsStore& store);
