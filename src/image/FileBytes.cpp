#include "image/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace {

std::string Reason(const char* what) {
    return std::string(what) + std::strerror(errno);
}

}  // namespace

// One open and one fstat: scanning many small files, the system calls are the cost.
OpenedSource OpenImageSource(const std::string& path) {
    OpenedSource result;
    auto fail = [&](LoadFailure failure, std::string error) {
        result.failure = failure;
        result.error = std::move(error);
        return std::move(result);
    };
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return fail(LoadFailure::kUnreadable, Reason("cannot open file: "));
    struct stat info {};
    std::string error;
    LoadFailure failure = LoadFailure::kNone;
    if (::fstat(fd, &info) != 0) {
        failure = LoadFailure::kUnreadable;
        error = Reason("cannot read file: ");
    } else if (!S_ISREG(info.st_mode)) {
        // A directory, a pipe or a device would fail to read or never end.
        failure = LoadFailure::kUnreadable;
        error = "cannot open file: not a regular file";
    } else if (static_cast<std::uint64_t>(info.st_size) > kMaxFileBytes) {
        failure = LoadFailure::kTooLarge;
        error = kFileTooLarge;
    }
    if (failure != LoadFailure::kNone) {
        ::close(fd);
        return fail(failure, std::move(error));
    }
    result.source.reset(new (std::nothrow)
                            FileSource(fd, static_cast<std::uint64_t>(info.st_size)));
    if (!result.source) {
        ::close(fd);
        return fail(LoadFailure::kOutOfMemory, "out of memory opening the file");
    }
    result.failure = LoadFailure::kNone;
    return result;
}
