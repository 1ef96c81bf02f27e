#include "ui/BrowseSession.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <utility>

#include "ui/LocalPaths.h"
#include "ui/ViewWidget.h"

BrowseSession::BrowseSession(BrowseHost& host, ViewWidget& view, QObject* parent)
    : QObject(parent),
      m_host(host),
      m_view(view),
      m_drafts(m_workerOpenFromBytes),
      m_worker([this] {
          QMetaObject::invokeMethod(this, &BrowseSession::collect, Qt::QueuedConnection);
      }) {
    connect(&m_listing, &FolderListing::changed, this, [this] {
        m_notHeld.clear();
        schedulePreload();
    });
}

BrowseSession::~BrowseSession() = default;

void BrowseSession::opened(const QString& path) {
    reset();
    m_position = path;
    schedulePreload();
}

void BrowseSession::reset() {
    m_held.Clear();
    m_drafts.Clear();
    m_worker.DropWaiting();
    m_wanted.clear();
    m_notHeld.clear();
    m_position.clear();
    m_lastStep = 1;
}

void BrowseSession::preferencesChanged() {
    m_held.Clear();
    m_drafts.Clear();
    m_worker.DropWaiting();
    m_notHeld.clear();
    schedulePreload();
}

bool BrowseSession::holds(const QString& path) const {
    return m_held.Holds(LocalPath(path));
}

void BrowseSession::step(int step) {
    if (m_position.isEmpty())
        return;
    const QString next = m_listing.neighbour(m_position, step);
    if (next.isEmpty())
        return;
    m_position = next;
    m_lastStep = step;
    show(next);
    wantDrafts();
}

void BrowseSession::setWorkerOpenFromBytes(qint64 bytes) {
    m_workerOpenFromBytes = bytes;
    m_drafts.SetFromBytes(bytes);
}

OpenPreferences BrowseSession::preferences() const {
    return OpenPreferencesOf(m_host.browseAppState(), m_host.browseDevicePixelRatio());
}

DocumentWorker::Request BrowseSession::request(const QString& path) const {
    return {LocalPath(path), CopyOfAppState(m_host.browseAppState()),
            m_host.browseDevicePixelRatio()};
}

void BrowseSession::show(const QString& path) {
    const std::string local = LocalPath(path);
    m_worker.DropWaiting();
    // Taken first: holding what the worker has just opened could push it out.
    std::unique_ptr<PreparedDocument> held = m_held.Take(local, preferences());
    // An open of it that has finished but was not collected yet counts as held.
    m_wanted = path;
    std::optional<std::unique_ptr<PreparedDocument>> finished = holdFinished();
    m_wanted.clear();
    if (held || finished) {
        showOpened(path, held ? std::move(held) : std::move(*finished));
        return;
    }
    const bool large = QFileInfo(path).size() >= m_workerOpenFromBytes;
    const bool drafted = large && showHeldDraft(path);
    if (m_worker.IsOpening(local)) {
        // Never opened twice: the open under way is shown when it is done, and the
        // window stays live meanwhile, a draft on screen for a large picture.
        if (large && !drafted)
            showDraft(path);
        m_wanted = path;
        return;
    }
    if (!large) {
        showOpened(path, nullptr);
        return;
    }
    if (!drafted)
        showDraft(path);
    m_wanted = path;
    m_worker.Submit(request(path));
}

bool BrowseSession::openBehindDraft(const QString& path) {
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable() || file.size() < m_workerOpenFromBytes)
        return false;
    opened(path);
    m_wanted = path;
    // Its draft first, beside the window being built; then the full open on the worker,
    // the draft shown meanwhile. Both only while the file is still the one asked for.
    auto full = std::make_shared<DocumentWorker::Request>(request(path));
    const OpenPreferences now = preferences();
    m_firstDraft = std::jthread([this, path, now, full] {
        RealImagingBackend backend;
        std::optional<DraftsAhead::Draft> draft = DraftsAhead::Decode(full->path, now, backend);
        QMetaObject::invokeMethod(
            this,
            [this, path, full, draft = std::move(draft)] {
                if (m_wanted != path)
                    return;
                m_worker.Submit(std::move(*full));
                if (draft && m_view.view().m_bShowImage)
                    m_view.showDraft(draft->pixels, draft->shownSize);
            },
            Qt::QueuedConnection);
    });
    return true;
}

// Shows `document` when it still matches its file and the preferences; otherwise
// the file is opened as File > Open does.
void BrowseSession::showOpened(const QString& path, std::unique_ptr<PreparedDocument> document) {
    m_showing = true;
    if (document && document->StillMatches(preferences())) {
        m_host.browseShow(*document);
    } else {
        ++m_windowOpens;
        m_host.browseOpen(path);
    }
    // Gone with the document shown, or with the notice that the file failed.
    m_view.clearDraft();
    m_showing = false;
    shown();
}

void BrowseSession::showDraft(const QString& path) {
    if (!m_view.view().m_bShowImage)
        return;
    ++m_draftsDecodedOnPress;
    if (std::optional<DraftsAhead::Draft> draft =
            DraftsAhead::Decode(LocalPath(path), preferences(), m_draftBackend))
        m_view.showDraft(draft->pixels, draft->shownSize);
}

bool BrowseSession::showHeldDraft(const QString& path) {
    if (!m_view.view().m_bShowImage)
        return false;
    std::optional<DraftsAhead::Draft> draft = m_drafts.WaitFor(LocalPath(path), preferences());
    if (!draft)
        return false;
    m_view.showDraft(draft->pixels, draft->shownSize);
    return true;
}

// The pictures the next presses are likely to ask for that are not held whole: a
// few the way the last step went, one the other way.
void BrowseSession::wantDrafts() {
    std::vector<std::string> paths;
    for (int step : {m_lastStep, -m_lastStep}) {
        QString at = m_position;
        const int count = step == m_lastStep ? kDraftsAhead : 1;
        for (int i = 0; i < count && !at.isEmpty(); ++i) {
            at = m_listing.neighbour(at, step);
            if (!at.isEmpty() && !m_held.Holds(LocalPath(at)))
                paths.push_back(LocalPath(at));
        }
    }
    m_drafts.Want(std::move(paths), preferences());
}

void BrowseSession::shown() {
    if (m_collectAfterShow) {
        m_collectAfterShow = false;
        QMetaObject::invokeMethod(this, &BrowseSession::collect, Qt::QueuedConnection);
    }
    schedulePreload();
}

void BrowseSession::collect() {
    // A notice of the open being shown runs its own event loop.
    if (m_showing) {
        m_collectAfterShow = true;
        return;
    }
    std::optional<std::unique_ptr<PreparedDocument>> wanted = holdFinished();
    if (wanted) {
        const QString path = std::exchange(m_wanted, QString());
        showOpened(path, std::move(*wanted));
    }
    schedulePreload();
}

std::optional<std::unique_ptr<PreparedDocument>> BrowseSession::holdFinished() {
    std::optional<std::unique_ptr<PreparedDocument>> wanted;
    for (DocumentWorker::Finished& finished : m_worker.TakeFinished()) {
        const QString path = QFile::decodeName(QByteArray::fromStdString(finished.path));
        if (!m_wanted.isEmpty() && path == m_wanted) {
            wanted = std::move(finished.document);
            continue;
        }
        if (!finished.document || !finished.document->StillMatches(preferences()) ||
            !m_held.Keep(std::move(finished.document)))
            m_notHeld.insert(path);
    }
    return wanted;
}

void BrowseSession::readAheadOncePainted() {
    if (m_preloadAfterPaint)
        return;
    m_preloadAfterPaint = true;
    connect(
        &m_view, &ViewWidget::painted, this,
        [this] {
            m_preloadAfterPaint = false;
            schedulePreload();
        },
        Qt::SingleShotConnection);
}

void BrowseSession::schedulePreload() {
    if (m_preloadPosted || m_preloadAfterPaint)
        return;
    m_preloadPosted = true;
    // Once the events waiting now (the paint of the picture just shown, more presses)
    // are handled.
    QTimer::singleShot(0, this, [this] {
        m_preloadPosted = false;
        preload();
    });
}

void BrowseSession::preload() {
    m_held.KeepOnly(neighbours(), preferences());
    wantDrafts();
    if (m_position.isEmpty() || !m_wanted.isEmpty() || !m_worker.IsIdle())
        return;
    for (int step : {m_lastStep, -m_lastStep}) {
        const QString next = m_listing.neighbour(m_position, step);
        if (next.isEmpty() || m_notHeld.contains(next) || m_held.Holds(LocalPath(next)))
            continue;
        DocumentWorker::Request ahead = request(next);
        // A picture too large to hold is not decoded ahead at all.
        ahead.mostHeldBytes = m_held.Budget();
        m_worker.Submit(std::move(ahead));
        return;
    }
}

std::vector<std::string> BrowseSession::neighbours() {
    std::vector<std::string> paths;
    if (m_position.isEmpty())
        return paths;
    for (int step : {1, -1}) {
        const QString next = m_listing.neighbour(m_position, step);
        if (!next.isEmpty())
            paths.push_back(LocalPath(next));
    }
    return paths;
}
