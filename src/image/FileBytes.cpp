#include "image/FileBytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>

namespace {

FileBytes Failure(FileBytes::Status status, std::string error) {
    FileBytes result;
    result.status = status;
    result.error = std::move(error);
    return result;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

FileBytes ReadFileBytes(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // Only regular files: a directory, a pipe or a device would fail to read or
    // never end.
    const fs::file_status status = fs::status(path, ec);
    if (ec)
        return Failure(FileBytes::kUnreadable, "cannot open file: " + ec.message());
    if (!fs::is_regular_file(status))
        return Failure(FileBytes::kUnreadable, "cannot open file: not a regular file");

    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return Failure(FileBytes::kUnreadable,
                       std::string("cannot open file: ") + std::strerror(errno));
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec)
        return Failure(FileBytes::kUnreadable, "cannot read file: " + ec.message());
    if (size > kMaxFileBytes)
        return Failure(FileBytes::kTooLarge, "file too large");

    FileBytes result;
    try {
        result.bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return Failure(FileBytes::kOutOfMemory, "out of memory reading file");
    }
    // A file that shrank since its size was taken ends where the reading ends.
    std::size_t filled = 0;
    while (filled < result.bytes.size()) {
        const std::size_t got =
            std::fread(result.bytes.data() + filled, 1, result.bytes.size() - filled, file.get());
        if (got == 0)
            break;
        filled += got;
    }
    if (std::ferror(file.get()))
        return Failure(FileBytes::kUnreadable,
                       std::string("cannot read file: ") + std::strerror(errno));
    result.bytes.resize(filled);
    result.status = FileBytes::kRead;
    return result;
}
