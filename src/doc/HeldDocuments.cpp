#include "doc/HeldDocuments.h"

#include <unistd.h>

#include <algorithm>

std::size_t HeldDocuments::DefaultBudget() {
    constexpr std::size_t kMostBytes = std::size_t(256) << 20;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return kMostBytes;
    return std::min(kMostBytes, std::size_t(pages) * std::size_t(pageSize) / 4);
}

bool HeldDocuments::Keep(std::unique_ptr<PreparedDocument> document) {
    if (!document || document->HeldBytes() > m_budget)
        return false;
    // A newer open of the same file replaces the older one.
    std::erase_if(m_held, [&](const auto& held) { return held->Path() == document->Path(); });
    if (m_held.size() == kMaxHeld)
        m_held.erase(m_held.begin());
    m_held.push_back(std::move(document));
    return true;
}

std::unique_ptr<PreparedDocument> HeldDocuments::Take(const std::string& path,
                                                      const OpenPreferences& now) {
    auto found = std::find_if(m_held.begin(), m_held.end(),
                              [&](const auto& held) { return held->Path() == path; });
    if (found == m_held.end())
        return nullptr;
    std::unique_ptr<PreparedDocument> document = std::move(*found);
    m_held.erase(found);
    if (!document->StillMatches(now))
        return nullptr;
    return document;
}

bool HeldDocuments::Holds(const std::string& path) const {
    return std::any_of(m_held.begin(), m_held.end(),
                       [&](const auto& held) { return held->Path() == path; });
}

void HeldDocuments::KeepOnly(const std::vector<std::string>& paths, const OpenPreferences& now) {
    std::erase_if(m_held, [&](const auto& held) {
        return held->Preferences() != now ||
               std::find(paths.begin(), paths.end(), held->Path()) == paths.end();
    });
}
