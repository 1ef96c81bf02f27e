#pragma once
// The main window's size, position and maximised state, kept from one run to the
// next in the settings store under WindowGeometry (next to the preferences).

class QWidget;

// Puts the window back as it was when last saved; leaves it alone when nothing (or
// nothing usable) was saved.
void RestoreWindowGeometry(QWidget& window);
void SaveWindowGeometry(const QWidget& window);
