#include "ui/WindowGeometry.h"

#include <QSettings>
#include <QWidget>

#include "ui/ShellStrings.h"

namespace {

const QString kKey = QStringLiteral("WindowGeometry");

QSettings Store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tessellon"),
                     QString::fromLatin1(ShellText::kAppTitle));
}

}  // namespace

void RestoreWindowGeometry(QWidget& window) {
    const QByteArray saved = Store().value(kKey).toByteArray();
    // Qt keeps a window that was on a screen no longer there on a visible one.
    if (!saved.isEmpty())
        window.restoreGeometry(saved);
}

void SaveWindowGeometry(const QWidget& window) {
    QSettings settings = Store();
    settings.setValue(kKey, window.saveGeometry());
    settings.sync();
}
