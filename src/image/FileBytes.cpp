#include "image/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace {

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0)
            ::close(fd);
    }
};

std::string Reason(const char* what) {
    return std::string(what) + std::strerror(errno);
}

}  // namespace

// One open and one fstat: scanning many small files, the system calls are the cost.
OpenedFile OpenImageFile(const std::string& path) {
    OpenedFile result;
    auto fail = [&](FileBytes::Status status, std::string error) {
        result.file.reset();
        result.status = status;
        result.error = std::move(error);
        return std::move(result);
    };
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
    FdCloser fd{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (fd.fd < 0)
        return fail(FileBytes::kUnreadable, Reason("cannot open file: "));
    struct stat info {};
    if (::fstat(fd.fd, &info) != 0)
        return fail(FileBytes::kUnreadable, Reason("cannot read file: "));
    // Only regular files: a directory, a pipe or a device would fail to read or
    // never end.
    if (!S_ISREG(info.st_mode))
        return fail(FileBytes::kUnreadable, "cannot open file: not a regular file");
    const std::uint64_t size = static_cast<std::uint64_t>(info.st_size);
    if (size > kMaxFileBytes)
        return fail(FileBytes::kTooLarge, "file too large");
    const int flags = ::fcntl(fd.fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd.fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return fail(FileBytes::kUnreadable, Reason("cannot read file: "));
    result.file.reset(::fdopen(fd.fd, "rb"));
    if (!result.file)
        return fail(FileBytes::kUnreadable, Reason("cannot open file: "));
    fd.fd = -1;  // the stream owns it now
    result.size = size;
    result.status = FileBytes::kRead;
    return result;
}

FileBytes ReadFileBytes(const std::string& path) {
    OpenedFile opened = OpenImageFile(path);
    FileBytes result;
    if (opened.status != FileBytes::kRead) {
        result.status = opened.status;
        result.error = std::move(opened.error);
        return result;
    }
    try {
        result.bytes.resize(static_cast<std::size_t>(opened.size));
    } catch (const std::bad_alloc&) {
        result.status = FileBytes::kOutOfMemory;
        result.error = "out of memory reading file";
        return result;
    }
    // Straight from the descriptor: the stream's buffer would only be one more copy.
    // A file that shrank since its size was taken ends where the reading ends.
    const int fd = ::fileno(opened.file.get());
    std::size_t filled = 0;
    while (filled < result.bytes.size()) {
        const ssize_t got = ::read(fd, result.bytes.data() + filled, result.bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result.bytes.clear();
            result.status = FileBytes::kUnreadable;
            result.error = Reason("cannot read file: ");
            return result;
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    result.bytes.resize(filled);
    result.status = FileBytes::kRead;
    return result;
}

FileReader::FileReader(OpenedFile& opened)
    : m_fd(::fileno(opened.file.get())), m_size(opened.size) {}

bool FileReader::ReadFromFile(std::uint64_t offset, std::size_t count, std::uint8_t* out) {
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

bool FileReader::ReadAt(std::uint64_t offset, std::size_t count, std::uint8_t* out) {
    if (offset > m_size || count > m_size - offset)
        return false;
    if (!m_startRead) {
        m_startRead = true;
        m_start.resize(static_cast<std::size_t>(std::min<std::uint64_t>(m_size, 65536)));
        if (!ReadFromFile(0, m_start.size(), m_start.data()))
            m_start.clear();
    }
    if (offset + count <= m_start.size()) {
        std::copy_n(m_start.data() + offset, count, out);
        return true;
    }
    return ReadFromFile(offset, count, out);
}
