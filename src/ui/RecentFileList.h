#pragma once
// The most-recently-used file list of the File menu: up to four full paths, the
// latest first, kept in the settings store's "Recent File List" section as
// File1 ... File4. Read at start-up, written back at exit.

#include <QString>
#include <QStringList>

class QtSettingsStore;

class RecentFileList {
public:
    static constexpr int kSize = 4;

    void Load(QtSettingsStore& store);
    void Save(QtSettingsStore& store) const;

    // Moves `path` to the top (a path already listed is not listed twice) and
    // drops the oldest beyond four.
    void Add(const QString& path);
    void Remove(int index);

    const QStringList& paths() const { return m_paths; }

private:
    QStringList m_paths;
};

// The text of a menu entry: "&1 " and the path, shortened in its middle when long.
QString RecentFileMenuText(int index, const QString& path);
