#include "ui/FolderListing.h"

#include <QDir>
#include <QFileInfo>

#include "ui/FolderBrowser.h"

FolderListing::FolderListing(QObject* parent) : QObject(parent) {
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        m_stale = true;
        emit changed();
    });
}

QString FolderListing::neighbour(const QString& path, int step) {
    const QFileInfo file(path);
    follow(file.path());
    if (m_stale) {
        m_names = ImageNamesInFolder(m_folder);
        m_stale = !m_watched;
        ++m_listings;
    }
    const QString name = NeighbourName(m_names, file.fileName(), step);
    return name.isEmpty() ? QString() : QDir(m_folder).filePath(name);
}

void FolderListing::clear() {
    if (!m_folder.isEmpty())
        m_watcher.removePath(m_folder);
    m_folder.clear();
    m_watched = false;
    m_names.clear();
    m_stale = true;
}

void FolderListing::follow(const QString& folder) {
    if (folder == m_folder)
        return;
    clear();
    m_folder = folder;
    // Without a watch (none left, or a folder that cannot be watched) the list is
    // read at every question, as though it were always stale.
    m_watched = m_watcher.addPath(folder);
}
