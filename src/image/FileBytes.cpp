#include "image/FileBytes.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

OpenedFile OpenImageFile(const std::string& path) {
    namespace fs = std::filesystem;
    OpenedFile result;
    auto fail = [&](FileBytes::Status status, std::string error) {
        result.file.reset();
        result.status = status;
        result.error = std::move(error);
        return std::move(result);
    };
    std::error_code ec;
    // Only regular files: a directory, a pipe or a device would fail to read or
    // never end.
    const fs::file_status status = fs::status(path, ec);
    if (ec)
        return fail(FileBytes::kUnreadable, "cannot open file: " + ec.message());
    if (!fs::is_regular_file(status))
        return fail(FileBytes::kUnreadable, "cannot open file: not a regular file");

    result.file.reset(std::fopen(path.c_str(), "rb"));
    if (!result.file)
        return fail(FileBytes::kUnreadable,
                    std::string("cannot open file: ") + std::strerror(errno));
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec)
        return fail(FileBytes::kUnreadable, "cannot read file: " + ec.message());
    if (size > kMaxFileBytes)
        return fail(FileBytes::kTooLarge, "file too large");
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
    // A file that shrank since its size was taken ends where the reading ends.
    std::FILE* file = opened.file.get();
    std::size_t filled = 0;
    while (filled < result.bytes.size()) {
        const std::size_t got =
            std::fread(result.bytes.data() + filled, 1, result.bytes.size() - filled, file);
        if (got == 0)
            break;
        filled += got;
    }
    if (std::ferror(file)) {
        result.bytes.clear();
        result.status = FileBytes::kUnreadable;
        result.error = std::string("cannot read file: ") + std::strerror(errno);
        return result;
    }
    result.bytes.resize(filled);
    result.status = FileBytes::kRead;
    return result;
}

bool FileReader::ReadAt(std::uint64_t offset, std::size_t count, std::uint8_t* out) {
    if (offset > m_size || count > m_size - offset)
        return false;
    if (::fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) != 0)
        return false;
    return std::fread(out, 1, count, m_file) == count;
}
