#pragma once
// Opening image files for the decoders, refusing what is not a readable regular file
// instead of failing later: read whole into memory, or opened for streaming or for a
// reader that looks at a few places only.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "image/Decoders.h"

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

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A file opened for reading from its start, after the same checks as ReadFileBytes.
struct OpenedFile {
    FileBytes::Status status = FileBytes::kUnreadable;  // kRead when `file` is open
    std::unique_ptr<std::FILE, FileCloser> file;        // unbuffered until the reader says
    std::uint64_t size = 0;
    std::string error;
};

OpenedFile OpenImageFile(const std::string& path);

// Reads at any offset of an opened file. The file's start is read once and kept (it
// holds all of a small file); beyond it every read goes to the file.
class FileReader : public ByteReader {
public:
    explicit FileReader(OpenedFile& opened);
    std::uint64_t Size() const override { return m_size; }
    bool ReadAt(std::uint64_t offset, std::size_t count, std::uint8_t* out) override;

private:
    bool ReadFromFile(std::uint64_t offset, std::size_t count, std::uint8_t* out);

    int m_fd;
    std::uint64_t m_size;
    std::vector<std::uint8_t> m_start;
    bool m_startRead = false;
};
