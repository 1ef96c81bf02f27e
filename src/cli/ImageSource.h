#pragma once
// The images of one run, in order: those on the command line, then those read from
// the --files-from list; with --recursive a directory among them stands for the
// image files below it. Paths are produced as they are needed, never all held.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/DirectoryWalk.h"
#include "cli/ImageItem.h"
#include "cli/PathListReader.h"

class ImageSource {
public:
    // `list` may be null (no --files-from).
    ImageSource(std::vector<std::string> paths, std::unique_ptr<PathListReader> list,
                bool recursive);

    std::optional<ImageItem> Next();
    // Whether Next will answer without waiting on a list still being written.
    bool NextIsReady() const;

    // How many items Next will give, when that is known before they are read.
    std::optional<std::size_t> Total() const;

private:
    std::optional<std::string> NextPath();

    std::vector<std::string> m_paths;
    std::size_t m_nextPath = 0;
    std::unique_ptr<PathListReader> m_list;
    bool m_recursive;
    std::optional<DirectoryWalk> m_walk;
};
