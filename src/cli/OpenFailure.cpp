#include "cli/OpenFailure.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

std::string OpenFailureReason(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::strerror(errno);
    struct stat info {};
    std::string reason = "not a regular file";
    if (::fstat(fd, &info) != 0)
        reason = std::strerror(errno);
    else if (S_ISDIR(info.st_mode))
        reason = std::strerror(EISDIR);
    else if (S_ISREG(info.st_mode))
        reason = "cannot be read";
    ::close(fd);
    return reason;
}
