#include "cli/ImageSource.h"

#include <sys/stat.h>

#include <utility>

namespace {

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

ImageSource::ImageSource(std::vector<std::string> paths, std::unique_ptr<PathListReader> list,
                         bool recursive)
    : m_paths(std::move(paths)), m_list(std::move(list)), m_recursive(recursive) {}

std::optional<ImageItem> ImageSource::Next() {
    for (;;) {
        if (m_walk) {
            if (auto item = m_walk->Next())
                return item;
            m_walk.reset();
        }
        std::optional<std::string> path = NextPath();
        if (!path) {
            if (m_list && !m_list->ReadError().empty()) {
                ImageItem failure{m_list->Name(), m_list->ReadError()};
                m_list.reset();
                return failure;
            }
            return std::nullopt;
        }
        if (m_recursive && IsDirectory(*path)) {
            m_walk.emplace(std::move(*path));
            continue;
        }
        return ImageItem{std::move(*path), {}};
    }
}

bool ImageSource::NextIsReady() const {
    // A walk under way may end at any entry, and then the list is read next.
    if (!m_list || m_nextPath < m_paths.size())
        return true;
    return m_list->NextIsBuffered();
}

std::optional<std::size_t> ImageSource::Total() const {
    if (m_list || m_recursive)
        return std::nullopt;
    return m_paths.size();
}

std::optional<std::string> ImageSource::NextPath() {
    if (m_nextPath < m_paths.size())
        return std::move(m_paths[m_nextPath++]);
    if (m_list)
        return m_list->Next();
    return std::nullopt;
}
