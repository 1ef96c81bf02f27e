#include "ui/DraftsAhead.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <utility>

#include "doc/DraftPicture.h"
#include "image/RealImagingBackend.h"

DraftsAhead::DraftsAhead(std::int64_t fromBytes)
    : m_fromBytes(fromBytes), m_thread([this] { Run(); }) {}

DraftsAhead::~DraftsAhead() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void DraftsAhead::Want(std::vector<std::string> paths, const OpenPreferences& preferences) {
    {
        std::lock_guard lock(m_mutex);
        if (preferences != m_preferences) {
            m_held.clear();
            m_tried.clear();
            m_preferences = preferences;
        }
        std::erase_if(m_held, [&](const Held& held) {
            return std::find(paths.begin(), paths.end(), held.path) == paths.end();
        });
        m_wanted = std::move(paths);
    }
    m_changed.notify_all();
}

std::optional<DraftsAhead::Draft> DraftsAhead::Find(const std::string& path,
                                                    const OpenPreferences& now) {
    const std::optional<FileIdentity> identity = ReadFileIdentity(path);
    {
        std::lock_guard lock(m_mutex);
        auto held = std::find_if(m_held.begin(), m_held.end(),
                                 [&](const Held& h) { return h.path == path; });
        if (held == m_held.end())
            return std::nullopt;
        if (identity == held->identity && held->preferences == now)
            return held->draft;
        m_held.erase(held);
    }
    m_changed.notify_all();
    return std::nullopt;
}

std::optional<DraftsAhead::Draft> DraftsAhead::WaitFor(const std::string& path,
                                                       const OpenPreferences& now) {
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_making != path; });
    }
    return Find(path, now);
}

void DraftsAhead::Clear() {
    std::lock_guard lock(m_mutex);
    m_held.clear();
    m_wanted.clear();
    m_tried.clear();
}

void DraftsAhead::SetFromBytes(std::int64_t bytes) {
    {
        std::lock_guard lock(m_mutex);
        m_fromBytes = bytes;
        m_tried.clear();
    }
    m_changed.notify_all();
}

int DraftsAhead::DraftsMade() const {
    std::lock_guard lock(m_mutex);
    return m_made;
}

bool DraftsAhead::IsIdle() const {
    std::lock_guard lock(m_mutex);
    return m_making.empty() && NextToMake().empty();
}

std::string DraftsAhead::NextToMake() const {
    if (HeldBytes() >= kBudgetBytes)
        return {};
    for (const std::string& path : m_wanted) {
        const bool held = std::any_of(m_held.begin(), m_held.end(),
                                      [&](const Held& h) { return h.path == path; });
        if (!held && !m_tried.contains(path))
            return path;
    }
    return {};
}

std::size_t DraftsAhead::HeldBytes() const {
    std::size_t bytes = 0;
    for (const Held& held : m_held)
        bytes += std::size_t(held.draft.pixels.sizeInBytes());
    return bytes;
}

void DraftsAhead::Run() {
    // Drafts are made with time nobody else wants: never at the cost of the picture
    // the worker opens for a press, nor of painting.
#ifdef SCHED_IDLE
    const sched_param idle{};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);
#endif
    // The thread's own: a backend serves one thread.
    RealImagingBackend backend;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_stopping || !NextToMake().empty(); });
        if (m_stopping)
            return;
        const std::string path = NextToMake();
        const OpenPreferences preferences = m_preferences;
        m_making = path;
        lock.unlock();
        Make(path, preferences, backend);
        lock.lock();
        m_making.clear();
        m_changed.notify_all();
    }
}

std::optional<DraftsAhead::Draft> DraftsAhead::Decode(const std::string& path,
                                                      const OpenPreferences& preferences,
                                                      ImagingBackend& backend) {
    DraftPicture draft(backend);
    if (!draft.Load(path, preferences))
        return std::nullopt;
    const PictureView picture = draft.Picture();
    const QImage pixels(picture.pixels, picture.width, picture.height, picture.width * 4,
                        QImage::Format_RGB32);
    const Size shown = draft.ShownSize();
    // Copied: the draft's own pixels go with it.
    return Draft{pixels.copy(), QSize(shown.cx, shown.cy)};
}

// Called without the lock; takes it to hold what came out.
void DraftsAhead::Make(const std::string& path, const OpenPreferences& preferences,
                       ImagingBackend& backend) {
    std::int64_t fromBytes;
    {
        std::lock_guard lock(m_mutex);
        fromBytes = m_fromBytes;
    }
    // Read before the picture: a file changed during the decode no longer matches.
    const std::optional<FileIdentity> identity = ReadFileIdentity(path);
    std::optional<Draft> draft;
    if (identity && identity->size >= fromBytes)
        draft = Decode(path, preferences, backend);
    std::lock_guard lock(m_mutex);
    const bool stillWanted = std::find(m_wanted.begin(), m_wanted.end(), path) != m_wanted.end();
    if (!stillWanted || preferences != m_preferences)
        return;
    if (!draft) {
        m_tried.insert(path);
        return;
    }
    ++m_made;
    m_held.push_back({path, *identity, preferences, std::move(*draft)});
}
