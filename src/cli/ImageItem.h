#pragma once
// One entry of a run's image list: a path to open, or something found on the way
// that can only be reported (a directory that could not be read).

#include <string>

struct ImageItem {
    std::string path;
    std::string failure;  // non-empty: not opened; reported as "path: failure"
};
