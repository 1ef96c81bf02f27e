#include "ui/WindowGeometry.h"

#include <QSettings>
#include <QWidget>

#include "app/QtSettingsStore.h"

namespace {

const QString kKey = QStringLiteral("MainWindow/Geometry");
const QString kOldKey = QStringLiteral("WindowGeometry");

// The saved place, moved out of the old key first if it is still there.
QByteArray SavedGeometry(QSettings& settings) {
    QByteArray saved = settings.value(kKey).toByteArray();
    if (settings.contains(kOldKey)) {
        if (saved.isEmpty()) {
            saved = settings.value(kOldKey).toByteArray();
            settings.setValue(kKey, saved);
        }
        settings.remove(kOldKey);
        settings.sync();
    }
    return saved;
}

}  // namespace

void RestoreWindowGeometry(QWidget& window, QtSettingsStore& store) {
    const QByteArray saved = SavedGeometry(store.Settings());
    // Qt keeps a window that was on a screen no longer there on a visible one.
    if (!saved.isEmpty())
        window.restoreGeometry(saved);
}

void SaveWindowGeometry(const QWidget& window, QtSettingsStore& store) {
    QSettings& settings = store.Settings();
    settings.setValue(kKey, window.saveGeometry());
    settings.sync();
}
