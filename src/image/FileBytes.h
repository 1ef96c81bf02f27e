#pragma once
// Reading a whole image file into memory for the decoders, refusing what is not
// a readable regular file instead of failing later.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Files beyond this are refused before reading.
inline constexpr std::uint64_t kMaxFileBytes = std::uint64_t{1} << 30;

struct FileBytes {
    enum Status {
        kRead = 0,         // bytes hold the whole file
        kUnreadable = 1,   // missing, not a regular file, or a read error
        kTooLarge = 2,     // larger than kMaxFileBytes
        kOutOfMemory = 3,  // no memory for the bytes
    };
    Status status = kUnreadable;
    std::vector<std::uint8_t> bytes;
    std::string error;  // one line when status is not kRead
};

FileBytes ReadFileBytes(const std::string& path);
