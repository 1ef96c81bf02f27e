#pragma once
// Which file a path named when it was read: a file replaced, rewritten or touched
// since then no longer has the same identity.

#include <cstdint>
#include <optional>
#include <string>

struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    bool operator==(const FileIdentity&) const = default;
};

// nullopt when the path names nothing that can be asked about.
std::optional<FileIdentity> ReadFileIdentity(const std::string& path);
