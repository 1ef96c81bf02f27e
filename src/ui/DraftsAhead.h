#pragma once
// Quick drafts of the pictures a few presses ahead, made on a thread of their own
// while the window shows a picture. Presses that come faster than full pictures
// decode then still show each picture at once, coarse, until its full decode
// replaces it. Only large JPEGs get one: a small file opens about as fast as its
// draft is made, and other formats have no cheap small decode.

#include <QImage>
#include <QSize>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "doc/FileIdentity.h"
#include "doc/OpenPreferences.h"
#include "image/ImagingBackend.h"

class DraftsAhead {
public:
    struct Draft {
        QImage pixels;    // far fewer than shown
        QSize shownSize;  // the logical size the full picture is shown at
    };
    // Few enough to cost nothing beside one held full picture.
    static constexpr std::size_t kBudgetBytes = std::size_t(32) << 20;

    // A draft of `path` made here and now; nothing for a file that gives none.
    static std::optional<Draft> Decode(const std::string& path, const OpenPreferences& preferences,
                                       ImagingBackend& backend);

    // Files under `fromBytes` get no draft.
    explicit DraftsAhead(std::int64_t fromBytes);
    // Waits for the draft under way; nothing more is made.
    ~DraftsAhead();
    DraftsAhead(const DraftsAhead&) = delete;
    DraftsAhead& operator=(const DraftsAhead&) = delete;

    // The drafts wanted now, the nearest first: the others held are dropped, and the
    // missing ones are made in that order, as long as the budget lasts.
    void Want(std::vector<std::string> paths, const OpenPreferences& preferences);
    // The draft held for `path`, if its file is still the one read and it was made
    // under `now`; one that no longer matches is dropped (and made again if wanted).
    std::optional<Draft> Find(const std::string& path, const OpenPreferences& now);
    // As Find, after waiting for the draft of `path` if it is being made now: never
    // made twice.
    std::optional<Draft> WaitFor(const std::string& path, const OpenPreferences& now);
    // Drops every draft and the wish list.
    void Clear();
    void SetFromBytes(std::int64_t bytes);
    // How many drafts were made and held since the start.
    int DraftsMade() const;
    // True while there is nothing left to make.
    bool IsIdle() const;

private:
    struct Held {
        std::string path;
        FileIdentity identity;
        OpenPreferences preferences;
        Draft draft;
    };
    void Run();
    // The next path to make a draft of; empty when there is none (lock held).
    std::string NextToMake() const;
    std::size_t HeldBytes() const;
    void Make(const std::string& path, const OpenPreferences& preferences, ImagingBackend& backend);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_wanted;
    OpenPreferences m_preferences;
    std::vector<Held> m_held;
    // Wanted files that gave no draft (small, not a JPEG, unreadable) under these
    // preferences: not tried again.
    std::set<std::string> m_tried;
    std::int64_t m_fromBytes;
    std::string m_making;  // empty when idle
    bool m_stopping = false;
    int m_made = 0;
    std::thread m_thread;  // last: starts once everything above is set up
};
