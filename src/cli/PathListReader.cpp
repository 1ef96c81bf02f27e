#include "cli/PathListReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace {
constexpr std::size_t kReadSize = 64 * 1024;
}

PathListReader::PathListReader(const std::string& name, bool nullSeparated)
    : m_name(name), m_separator(nullSeparated ? '\0' : '\n') {
    if (name == "-") {
        m_fd = STDIN_FILENO;
    } else {
        m_fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0) {
            m_startError = std::generic_category().message(errno);
            return;
        }
        m_ownsFd = true;
    }
    // A file or a directory answers a first read at once: a list that cannot be read
    // is then known before any image. A pipe or a terminal may keep us waiting.
    struct stat status {};
    if (::fstat(m_fd, &status) == 0 && !S_ISFIFO(status.st_mode) && !S_ISCHR(status.st_mode) &&
        !S_ISSOCK(status.st_mode)) {
        Fill();
        m_startError = m_readError;
    }
}

PathListReader::~PathListReader() {
    if (m_ownsFd)
        ::close(m_fd);
}

std::optional<std::string> PathListReader::Next() {
    for (;;) {
        const std::size_t end = m_buffer.find(m_separator, m_start);
        if (end != std::string::npos) {
            std::string path = m_buffer.substr(m_start, end - m_start);
            m_start = end + 1;
            if (!path.empty())
                return path;
            continue;
        }
        if (!Fill()) {
            // The last entry may lack its separator.
            std::string path = m_buffer.substr(m_start);
            m_buffer.clear();
            m_start = 0;
            if (!path.empty())
                return path;
            return std::nullopt;
        }
    }
}

bool PathListReader::NextIsBuffered() const {
    if (m_ended || m_fd < 0)
        return true;
    for (std::size_t start = m_start;;) {
        const std::size_t end = m_buffer.find(m_separator, start);
        if (end == std::string::npos)
            return false;
        if (end > start)
            return true;
        start = end + 1;  // an empty entry, skipped by Next
    }
}

// Appends the next block of the list; false at its end or on a read error.
bool PathListReader::Fill() {
    if (m_ended || m_fd < 0)
        return false;
    m_buffer.erase(0, m_start);
    m_start = 0;
    const std::size_t had = m_buffer.size();
    m_buffer.resize(had + kReadSize);
    ssize_t count = 0;
    do {
        count = ::read(m_fd, m_buffer.data() + had, kReadSize);
    } while (count < 0 && errno == EINTR);
    if (count < 0)
        m_readError = std::generic_category().message(errno);
    m_buffer.resize(had + static_cast<std::size_t>(count > 0 ? count : 0));
    m_ended = count <= 0;
    return count > 0;
}
