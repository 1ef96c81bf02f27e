#include "ui/LocalPaths.h"

#include <QDir>
#include <QFile>

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString FromLocalPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString FullPath(const QString& path) {
    if (QDir::isAbsolutePath(path))
        return path;
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}
