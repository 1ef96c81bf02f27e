#include "ui/FolderBrowser.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "image/ImageFormats.h"

namespace {

// "*.bmp", "*.jpg", ... for every extension of the format table.
QStringList ImagePatterns() {
    QStringList patterns;
    for (const ImageFormat& format : ImageFormats())
        for (const char* extension : format.extensions)
            patterns << QStringLiteral("*") + QLatin1String(extension);
    return patterns;
}

const QStringList kImagePatterns = ImagePatterns();

// The run of digits or of other characters that starts at `i`.
QStringView RunAt(const QString& name, qsizetype i) {
    const bool digits = name[i].isDigit();
    qsizetype end = i;
    while (end < name.size() && name[end].isDigit() == digits)
        ++end;
    return QStringView(name).mid(i, end - i);
}

// Numbers compare by value (leading zeros aside), other text without letter case.
int CompareRuns(QStringView a, QStringView b) {
    if (a[0].isDigit() && b[0].isDigit()) {
        while (a.size() > 1 && a[0] == u'0')
            a = a.mid(1);
        while (b.size() > 1 && b[0] == u'0')
            b = b.mid(1);
        if (a.size() != b.size())
            return a.size() < b.size() ? -1 : 1;
        return a.compare(b);
    }
    return a.compare(b, Qt::CaseInsensitive);
}

// Natural order of file names, the same whatever the locale; names it holds equal
// ("a.jpg", "A.jpg") keep their plain order, so that the order is total.
bool NaturalLess(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const QStringView runA = RunAt(a, i);
        const QStringView runB = RunAt(b, j);
        if (const int order = CompareRuns(runA, runB); order != 0)
            return order < 0;
        i += runA.size();
        j += runB.size();
    }
    if (i < a.size() || j < b.size())
        return j < b.size();
    return a < b;
}

QStringList SortedNames(QStringList names) {
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}

QStringList ImageNames(const QDir& folder) {
    // Without QDir::CaseSensitive the patterns match any letter case.
    return folder.entryList(kImagePatterns, QDir::Files, QDir::NoSort);
}

}  // namespace

QStringList ImageNamesInFolder(const QString& folder) {
    return SortedNames(ImageNames(QDir(folder)));
}

QStringList ImagesInFolder(const QString& folder) {
    const QDir dir(folder);
    QStringList paths;
    for (const QString& name : ImageNamesInFolder(folder))
        paths << dir.filePath(name);
    return paths;
}

QString NeighbourName(const QStringList& sortedNames, const QString& name, int step) {
    // The first name after `name` in the order, or the last before it.
    auto after = std::upper_bound(sortedNames.begin(), sortedNames.end(), name, NaturalLess);
    if (step > 0)
        return after == sortedNames.end() ? QString() : *after;
    auto before = after;
    if (before != sortedNames.begin() && *(before - 1) == name)
        --before;
    return before == sortedNames.begin() ? QString() : *(before - 1);
}

QString NeighbourImage(const QString& path, int step) {
    const QFileInfo file(path);
    const QString name = NeighbourName(ImageNamesInFolder(file.path()), file.fileName(), step);
    return name.isEmpty() ? QString() : file.dir().filePath(name);
}
