#pragma once
// Where a codec reads a file's bytes from: the open file itself, read at any offset
// through a small window, or bytes already in memory (fuzzers, tests). No codec holds a
// copy of the whole file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// How much a file source reads ahead for a view.
inline constexpr std::size_t kSourceWindowBytes = std::size_t{256} << 10;

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Copies `count` bytes from `offset` to `out`; false when the source does not hold
    // them all.
    virtual bool ReadAt(std::uint64_t offset, std::size_t count, std::uint8_t* out) = 0;
    // The bytes [offset, offset + count), valid until the next call on this source;
    // nullptr when the source does not hold them all.
    virtual const std::uint8_t* View(std::uint64_t offset, std::size_t count) = 0;

    // The whole source at one address, or nullptr (a file that cannot be mapped).
    virtual const std::uint8_t* Map() = 0;

    // How many bytes the source holds from `offset` on, up to `count`.
    std::size_t Available(std::uint64_t offset, std::size_t count) const {
        const std::uint64_t size = Size();
        if (offset >= size)
            return 0;
        return size - offset < count ? static_cast<std::size_t>(size - offset) : count;
    }
};

// Bytes in memory, viewed in place.
class SpanSource : public ByteSource {
public:
    SpanSource(const std::uint8_t* data, std::size_t size)
        : m_data(data), m_size(data ? size : 0) {}
    std::uint64_t Size() const override { return m_size; }
    bool ReadAt(std::uint64_t offset, std::size_t count, std::uint8_t* out) override;
    const std::uint8_t* View(std::uint64_t offset, std::size_t count) override;
    const std::uint8_t* Map() override { return m_data; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

// An open regular file, read with pread; a view is served from a window of the file
// read ahead of it, so that small reads in order cost one system call per window.
class FileSource : public ByteSource {
public:
    // Takes the descriptor; `size` is the file's size when it was opened.
    FileSource(int fd, std::uint64_t size) : m_fd(fd), m_size(size) {}
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::uint64_t Size() const override { return m_size; }
    bool ReadAt(std::uint64_t offset, std::size_t count, std::uint8_t* out) override;
    const std::uint8_t* View(std::uint64_t offset, std::size_t count) override;
    // The file read whole into the window when it fits one, else its read-only pages,
    // mapped on first use.
    const std::uint8_t* Map() override;
    int Descriptor() const { return m_fd; }

private:
    int m_fd;
    std::uint64_t m_size;
    std::vector<std::uint8_t> m_window;
    std::uint64_t m_windowStart = 0;
    std::size_t m_windowSize = 0;
    void* m_mapped = nullptr;
};
