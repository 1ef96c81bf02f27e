#pragma once
// The images of the folder being browsed, listed once and kept: every press asks
// for a neighbour, and listing and sorting a large folder each time would cost more
// the larger it is. A watcher marks the list stale when the folder changes (files
// added, removed, renamed), and it is read again at the next question.

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>

class FolderListing : public QObject {
    Q_OBJECT

public:
    explicit FolderListing(QObject* parent = nullptr);

    // The image after (step 1) or before (step -1) `path` in its folder, as
    // NeighbourImage gives it.
    QString neighbour(const QString& path, int step);
    // Stops following the folder.
    void clear();
    // How many times a folder was listed.
    int listings() const { return m_listings; }

signals:
    // The folder followed changed on disk.
    void changed();

private:
    void follow(const QString& folder);

    QFileSystemWatcher m_watcher;
    QString m_folder;
    QStringList m_names;
    bool m_watched = false;
    bool m_stale = true;
    int m_listings = 0;
};
