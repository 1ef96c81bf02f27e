#include "image/ByteSource.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// How much a file source reads ahead for a view, and the largest file it reads whole.
constexpr std::size_t kWindowBytes = std::size_t{256} << 10;

}  // namespace

bool SpanSource::ReadAt(std::uint64_t offset, std::size_t count, std::uint8_t* out) {
    const std::uint8_t* bytes = View(offset, count);
    if (!bytes)
        return false;
    if (count > 0)
        std::memcpy(out, bytes, count);
    return true;
}

const std::uint8_t* SpanSource::View(std::uint64_t offset, std::size_t count) {
    if (offset > m_size || count > m_size - offset)
        return nullptr;
    // A view of nothing still needs a pointer that is not null.
    static const std::uint8_t kNothing = 0;
    return m_data ? m_data + offset : &kNothing;
}

const std::uint8_t* SpanSource::ViewSome(std::uint64_t offset, std::size_t& count) {
    count = Available(offset, count);
    return count > 0 ? m_data + offset : nullptr;
}

FileSource::~FileSource() {
    if (m_fd >= 0)
        ::close(m_fd);
}

// One read costs less than several, above all with several threads, and the window
// never moves again, as every view falls inside it.
bool FileSource::IsSmall() const {
    return m_size <= kWindowBytes;
}

// Fails where the file ends early: it shrank since it was opened.
bool FileSource::ReadFile(std::uint64_t offset, std::size_t count, std::uint8_t* out) const {
    while (count > 0) {
        const ssize_t got = ::pread(m_fd, out, count, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        out += got;
        offset += static_cast<std::uint64_t>(got);
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

bool FileSource::InWindow(std::uint64_t offset, std::size_t count) const {
    return offset >= m_windowStart && offset - m_windowStart <= m_windowSize &&
           count <= m_windowSize - (offset - m_windowStart);
}

bool FileSource::ReadAt(std::uint64_t offset, std::size_t count, std::uint8_t* out) {
    if (offset > m_size || count > m_size - offset)
        return false;
    if (count == 0)
        return true;  // an empty file has no window to copy from
    // Small reads each after the last (a TIFF's tiles) come through the window, one
    // system call for many; other reads of a large file go straight to it.
    const bool sequential = offset == m_nextRead && count <= kWindowBytes / 16;
    m_nextRead = offset + count;
    if (!InWindow(offset, count) && !IsSmall() && !sequential)
        return ReadFile(offset, count, out);
    const std::uint8_t* bytes = View(offset, count);
    if (!bytes)
        return false;
    std::memcpy(out, bytes, count);
    return true;
}

const std::uint8_t* FileSource::View(std::uint64_t offset, std::size_t count) {
    if (offset > m_size || count > m_size - offset)
        return nullptr;
    if (InWindow(offset, count) && m_windowSize > 0)
        return m_window.data() + (offset - m_windowStart);
    const std::uint64_t start = IsSmall() ? 0 : offset;
    const std::size_t size = IsSmall() ? static_cast<std::size_t>(m_size)
                                       : Available(offset, std::max(count, kWindowBytes));
    if (m_window.size() < size)
        m_window.resize(size);
    m_windowSize = 0;
    if (size == 0 || !ReadFile(start, size, m_window.data()))
        return nullptr;
    m_windowStart = start;
    m_windowSize = size;
    return m_window.data() + (offset - start);
}

const std::uint8_t* FileSource::ViewSome(std::uint64_t offset, std::size_t& count) {
    count = Available(offset, count);
    if (count == 0)
        return nullptr;
    if (InWindow(offset, 1) && m_windowSize > 0)
        count = std::min(count, m_windowSize - static_cast<std::size_t>(offset - m_windowStart));
    else
        count = std::min(count, IsSmall() ? count : kWindowBytes);
    return View(offset, count);
}

const std::uint8_t* FileSource::Whole() {
    return IsSmall() ? View(0, static_cast<std::size_t>(m_size)) : nullptr;
}
