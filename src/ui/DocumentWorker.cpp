#include "ui/DocumentWorker.h"

#include <utility>

#include "image/RealImagingBackend.h"

std::unique_ptr<PreparedDocument> DocumentWorker::OpenWithRealBackend(Request& request) {
    auto document = std::make_unique<PreparedDocument>(
        std::move(request.app), request.devicePixelRatio, std::make_unique<RealImagingBackend>());
    if (!document->Open(request.path, request.mostHeldBytes))
        return nullptr;
    return document;
}

DocumentWorker::DocumentWorker(std::function<void()> finished, Opener open)
    : m_finishedCallback(std::move(finished)),
      m_open(std::move(open)),
      m_thread([this] { Run(); }) {}

DocumentWorker::~DocumentWorker() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_waiting.reset();
    }
    m_changed.notify_all();
    m_thread.join();
}

void DocumentWorker::Submit(Request request) {
    {
        std::lock_guard lock(m_mutex);
        m_waiting = std::move(request);
    }
    m_changed.notify_all();
}

void DocumentWorker::DropWaiting() {
    std::lock_guard lock(m_mutex);
    m_waiting.reset();
}

bool DocumentWorker::IsOpening(const std::string& path) const {
    std::lock_guard lock(m_mutex);
    return !m_opening.empty() && m_opening == path;
}

bool DocumentWorker::IsIdle() const {
    std::lock_guard lock(m_mutex);
    return m_opening.empty() && !m_waiting;
}

std::vector<DocumentWorker::Finished> DocumentWorker::TakeFinished() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_finished, {});
}

int DocumentWorker::OpensStarted() const {
    std::lock_guard lock(m_mutex);
    return m_opensStarted;
}

void DocumentWorker::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_stopping || m_waiting; });
        if (m_stopping)
            return;
        Request request = std::move(*m_waiting);
        m_waiting.reset();
        m_opening = request.path;
        ++m_opensStarted;
        lock.unlock();

        std::unique_ptr<PreparedDocument> document = m_open(request);

        lock.lock();
        m_finished.push_back({request.path, std::move(document)});
        m_opening.clear();
        lock.unlock();
        m_finishedCallback();
        lock.lock();
    }
}
