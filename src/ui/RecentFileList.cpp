#include "ui/RecentFileList.h"

#include <QSettings>

#include "app/QtSettingsStore.h"

namespace {

const QString kSection = QStringLiteral("Recent File List");
// Longer paths are shown with their middle left out.
constexpr qsizetype kMenuPathLength = 48;

QString Key(int index) {
    return QStringLiteral("File%1").arg(index + 1);
}

}  // namespace

void RecentFileList::Load(QtSettingsStore& store) {
    QSettings& settings = store.Settings();
    settings.beginGroup(kSection);
    m_paths.clear();
    for (int i = 0; i < kSize; ++i) {
        const QString path = settings.value(Key(i)).toString();
        if (path.isEmpty())
            break;
        m_paths.append(path);
    }
    settings.endGroup();
}

void RecentFileList::Save(QtSettingsStore& store) const {
    QSettings& settings = store.Settings();
    settings.beginGroup(kSection);
    for (int i = 0; i < kSize; ++i) {
        if (i < m_paths.size())
            settings.setValue(Key(i), m_paths[i]);
        else
            settings.remove(Key(i));
    }
    settings.endGroup();
    settings.sync();
}

void RecentFileList::Add(const QString& path) {
    m_paths.removeAll(path);
    m_paths.prepend(path);
    while (m_paths.size() > kSize)
        m_paths.removeLast();
}

void RecentFileList::Remove(int index) {
    if (index >= 0 && index < m_paths.size())
        m_paths.removeAt(index);
}

QString RecentFileMenuText(int index, const QString& path) {
    QString shown = path;
    if (shown.size() > kMenuPathLength) {
        const qsizetype keep = (kMenuPathLength - 3) / 2;
        shown = shown.left(keep) + QStringLiteral("...") + shown.right(keep);
    }
    // A literal '&' in the path must not become a mnemonic.
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}
