#include "image/ByteSource.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

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

FileSource::~FileSource() {
    if (m_mapped)
        ::munmap(m_mapped, static_cast<std::size_t>(m_size));
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FileSource::ReadAt(std::uint64_t offset, std::size_t count, std::uint8_t* out) {
    if (offset > m_size || count > m_size - offset)
        return false;
    if (count == 0)
        return true;  // an empty file has no window to copy from
    if (offset >= m_windowStart && offset + count <= m_windowStart + m_windowSize) {
        std::memcpy(out, m_window.data() + (offset - m_windowStart), count);
        return true;
    }
    while (count > 0) {
        const ssize_t got = ::pread(m_fd, out, count, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;  // the file shrank since it was opened
        out += got;
        offset += static_cast<std::uint64_t>(got);
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

const std::uint8_t* FileSource::View(std::uint64_t offset, std::size_t count) {
    if (offset > m_size || count > m_size - offset)
        return nullptr;
    if (offset >= m_windowStart && offset + count <= m_windowStart + m_windowSize)
        return m_window.data() + (offset - m_windowStart);
    const std::size_t size = Available(offset, std::max(count, kSourceWindowBytes));
    if (m_window.size() < size)
        m_window.resize(size);
    m_windowSize = 0;
    if (!ReadAt(offset, size, m_window.data()))
        return nullptr;
    m_windowStart = offset;
    m_windowSize = size;
    return m_window.data();
}

// A file no larger than a window is read into it whole instead: one read costs less than
// mapping and unmapping, above all with several threads, and the window never moves
// again, as every view falls inside it.
const std::uint8_t* FileSource::Map() {
    if (m_size <= kSourceWindowBytes)
        return m_size > 0 ? View(0, static_cast<std::size_t>(m_size)) : nullptr;
    if (!m_mapped) {
        void* bytes =
            ::mmap(nullptr, static_cast<std::size_t>(m_size), PROT_READ, MAP_PRIVATE, m_fd, 0);
        if (bytes != MAP_FAILED)
            m_mapped = bytes;
    }
    return static_cast<const std::uint8_t*>(m_mapped);
}
