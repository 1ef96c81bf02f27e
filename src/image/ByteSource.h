#pragma once
// Where a codec reads a file's bytes from: the open file itself, read at any offset
// through a small window, or bytes already in memory (fuzzers, tests). No codec holds a
// copy of the whole file, and none looks at which kind of source it reads: how the bytes
// are fetched is the source's business.
//
// A file is only ever read, never mapped: a file that another program truncates while it
// is read must end as a failed read, not as a fault on a page that is no longer there.

#include <cstddef>
#include <cstdint>
#include <vector>

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
    // Some bytes from `offset` on, for a walk over many: at least one and at most `count`
    // (which it lowers to how many there are), valid until the next call on this source;
    // nullptr past the end or when the read fails.
    virtual const std::uint8_t* ViewSome(std::uint64_t offset, std::size_t& count) = 0;
    // The whole source at one address, valid as long as the source, when that costs no
    // more than reading it in pieces (bytes in memory, a small file); nullptr otherwise.
    virtual const std::uint8_t* Whole() = 0;

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
    const std::uint8_t* ViewSome(std::uint64_t offset, std::size_t& count) override;
    const std::uint8_t* Whole() override { return m_data; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

// An open regular file, read with pread. A small file is read whole by the first read
// and served from memory after that. A larger one serves views, and small reads each
// following the last, from a window read ahead of them, so that they cost one system
// call per window; it copies other reads straight from the file, so that what lies
// between them is never read.
class FileSource : public ByteSource {
public:
    // Takes the descriptor; `size` is the file's size when it was opened. Bytes past it
    // are never read, whatever the file holds by then.
    FileSource(int fd, std::uint64_t size) : m_fd(fd), m_size(size) {}
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::uint64_t Size() const override { return m_size; }
    bool ReadAt(std::uint64_t offset, std::size_t count, std::uint8_t* out) override;
    const std::uint8_t* View(std::uint64_t offset, std::size_t count) override;
    const std::uint8_t* ViewSome(std::uint64_t offset, std::size_t& count) override;
    const std::uint8_t* Whole() override;

private:
    bool IsSmall() const;
    bool ReadFile(std::uint64_t offset, std::size_t count, std::uint8_t* out) const;
    bool InWindow(std::uint64_t offset, std::size_t count) const;

    int m_fd;
    std::uint64_t m_size;
    std::vector<std::uint8_t> m_window;
    std::uint64_t m_windowStart = 0;
    std::size_t m_windowSize = 0;
    std::uint64_t m_nextRead = 0;  // where the last ReadAt ended
};
