#pragma once
// The image files below one directory, handed out one at a time in byte order of
// their full paths. Only the directories on the way down are held, so a tree of
// any size costs what its largest directory's names do. Symbolic links to
// directories are not entered (a link may point back up the tree).

#include <optional>
#include <string>
#include <vector>

#include "cli/ImageItem.h"

// True for a name whose extension is one of the format table's (ImageFormats.h), in
// any letter case.
bool HasImageExtension(const std::string& name);

class DirectoryWalk {
public:
    explicit DirectoryWalk(std::string root);

    // The next image file, or a directory that could not be read (the walk goes on
    // past it), or nothing at the end.
    std::optional<ImageItem> Next();

private:
    struct Entry {
        std::string key;  // the name, with '/' after a directory's so that sorting
                          // by key gives the byte order of the full paths
        bool directory;
    };
    struct Level {
        std::string path;
        std::vector<Entry> entries;
        std::size_t next = 0;
    };

    // Reads one directory onto the stack; the failure, if it could not be read.
    std::optional<ImageItem> Enter(const std::string& path);

    std::string m_root;
    bool m_rootEntered = false;
    std::vector<Level> m_levels;
};
