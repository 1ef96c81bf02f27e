#include "cli/DirectoryWalk.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <system_error>

#include "image/ImageFormats.h"

namespace {

std::string Join(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == '/')
        return directory + name;
    return directory + '/' + name;
}

enum class Kind { kDirectory, kImage, kSkipped };

// A directory is entered only when it is one itself, not through a symbolic link;
// a file is listed when its name has an image extension.
Kind KindOf(const std::string& path, const std::string& name, unsigned char type) {
    if (type == DT_UNKNOWN) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0)
            type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISLNK(info.st_mode) ? DT_LNK : DT_REG;
    }
    if (type == DT_DIR)
        return Kind::kDirectory;
    if (!HasImageExtension(name))
        return Kind::kSkipped;
    struct stat target {};
    if (type == DT_LNK && ::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode))
        return Kind::kSkipped;
    return Kind::kImage;
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

std::string ErrorText(int error) {
    return std::generic_category().message(error);
}

}  // namespace

bool HasImageExtension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot != std::string::npos && FormatOfExtension(std::string_view(name).substr(dot));
}

DirectoryWalk::DirectoryWalk(std::string root) : m_root(std::move(root)) {}

std::optional<ImageItem> DirectoryWalk::Next() {
    if (!m_rootEntered) {
        m_rootEntered = true;
        if (auto failure = Enter(m_root))
            return failure;
    }
    while (!m_levels.empty()) {
        Level& level = m_levels.back();
        if (level.next == level.entries.size()) {
            m_levels.pop_back();
            continue;
        }
        const Entry& entry = level.entries[level.next++];
        if (!entry.directory)
            return ImageItem{Join(level.path, entry.key), {}};
        std::string name = entry.key.substr(0, entry.key.size() - 1);
        // Enter may grow the stack: `level` is not used after this.
        if (auto failure = Enter(Join(level.path, name)))
            return failure;
    }
    return std::nullopt;
}

std::optional<ImageItem> DirectoryWalk::Enter(const std::string& path) {
    std::unique_ptr<DIR, DirCloser> dir(::opendir(path.c_str()));
    if (!dir)
        return ImageItem{path, ErrorText(errno)};
    Level level{path, {}, 0};
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry) {
            error = errno;
            break;
        }
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        switch (KindOf(Join(path, name), name, entry->d_type)) {
            case Kind::kDirectory:
                level.entries.push_back(Entry{name + '/', true});
                break;
            case Kind::kImage:
                level.entries.push_back(Entry{std::move(name), false});
                break;
            case Kind::kSkipped:
                break;
        }
    }
    std::sort(level.entries.begin(), level.entries.end(),
              [](const Entry& a, const Entry& b) { return a.key < b.key; });
    m_levels.push_back(std::move(level));
    if (error != 0)
        return ImageItem{path, ErrorText(error)};
    return std::nullopt;
}
