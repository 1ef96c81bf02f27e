#include "ui/AppIcons.h"

// The pictures live in this static library; the reference keeps them linked in.
static void LoadIconResources() {
    static const bool loaded = [] {
        Q_INIT_RESOURCE(tsn_ui);
        return true;
    }();
    (void)loaded;
}

QIcon ApplicationIcon() {
    LoadIconResources();
    QIcon icon;
    for (int size : {16, 32, 48, 64, 96, 128})
        icon.addFile(QStringLiteral(":/icons/tsn-viewer-%1.png").arg(size), QSize(size, size));
    return icon;
}

QIcon ToolbarIcon(const QString& name) {
    LoadIconResources();
    // Both densities, whatever the screen at start-up: a window can move to another.
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/%1.png").arg(name));
    icon.addFile(QStringLiteral(":/icons/%1@2x.png").arg(name));
    return icon;
}
