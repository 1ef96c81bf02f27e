#pragma once
// Our new files are removed also when the program is stopped by a signal (Ctrl+C, kill,
// a read error in a mapped file) between two steps of a replace: each is listed while
// it exists, and the handler removes the listed files before the signal takes its usual
// course.

#include <string>

class TemporaryCleanup {
public:
    // Lists `path`; the first use installs the handlers where no other is installed.
    explicit TemporaryCleanup(const std::string& path);
    ~TemporaryCleanup();
    TemporaryCleanup(const TemporaryCleanup&) = delete;
    TemporaryCleanup& operator=(const TemporaryCleanup&) = delete;

private:
    int m_slot = -1;  // -1: more files at once than the list holds; left to the next run
};
