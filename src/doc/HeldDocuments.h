#pragma once
// Documents opened ahead of the user, held until asked for: at most two, none
// whose picture is over the memory budget. One is given out only while its file is
// still the one read and the preferences are still those it was made under;
// otherwise it is dropped, and the caller opens the file itself.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "doc/OpenPreferences.h"
#include "doc/PreparedDocument.h"

class HeldDocuments {
public:
    static constexpr std::size_t kMaxHeld = 2;

    explicit HeldDocuments(std::size_t budget = DefaultBudget()) : m_budget(budget) {}

    // 256 MiB, or a quarter of the physical memory when that is less.
    static std::size_t DefaultBudget();

    // Holds `document` unless its picture is over the budget; with two held already,
    // the one held longest goes. False when it was not held.
    bool Keep(std::unique_ptr<PreparedDocument> document);
    // The document held for `path` when it still matches; nullptr otherwise. It is no
    // longer held either way.
    std::unique_ptr<PreparedDocument> Take(const std::string& path, const OpenPreferences& now);
    bool Holds(const std::string& path) const;
    // Drops every document not held for one of `paths` or made under other
    // preferences than `now`.
    void KeepOnly(const std::vector<std::string>& paths, const OpenPreferences& now);
    void Clear() { m_held.clear(); }
    std::size_t Budget() const { return m_budget; }
    std::size_t Count() const { return m_held.size(); }

private:
    std::size_t m_budget;
    std::vector<std::unique_ptr<PreparedDocument>> m_held;  // oldest first
};
