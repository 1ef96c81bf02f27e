#pragma once
// File names between Qt's strings and the core's, which takes them in the local
// encoding the file system uses.

#include <QString>
#include <string>

std::string LocalPath(const QString& path);
QString FromLocalPath(const std::string& path);
// The full path of a file named relative to the current directory; a full path
// stays as it was given.
QString FullPath(const QString& path);
