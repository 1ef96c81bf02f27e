#pragma once
// One thread that opens documents ahead of the window. It opens one at a time and
// keeps at most one request waiting (a newer request replaces it), so that requests
// that come faster than opens never pile up. What it opened is collected on the
// thread that asked.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/Ctsn_viewerApp.h"
#include "doc/PreparedDocument.h"

class DocumentWorker {
public:
    struct Request {
        std::string path;
        Ctsn_viewerApp app;  // the worker's own copy
        double devicePixelRatio = 1.0;
        // A picture to be held in more is not opened.
        std::size_t mostHeldBytes = SIZE_MAX;
    };
    struct Finished {
        std::string path;
        std::unique_ptr<PreparedDocument> document;  // nullptr when it could not be opened
    };

    // Opens a request on the worker thread; nullptr when the file cannot be opened.
    using Opener = std::function<std::unique_ptr<PreparedDocument>(Request&)>;
    static std::unique_ptr<PreparedDocument> OpenWithRealBackend(Request& request);

    // `finished` runs on the worker thread after every open: it should only post.
    explicit DocumentWorker(std::function<void()> finished, Opener open = OpenWithRealBackend);
    // Waits for the open under way; a waiting request is dropped.
    ~DocumentWorker();
    DocumentWorker(const DocumentWorker&) = delete;
    DocumentWorker& operator=(const DocumentWorker&) = delete;

    void Submit(Request request);
    void DropWaiting();
    // True while `path` is being opened (not merely waiting).
    bool IsOpening(const std::string& path) const;
    // Nothing being opened, nothing waiting.
    bool IsIdle() const;
    // What was opened since the last call, oldest first.
    std::vector<Finished> TakeFinished();
    // How many opens were started since the worker began.
    int OpensStarted() const;

private:
    void Run();

    std::function<void()> m_finishedCallback;
    Opener m_open;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<Request> m_waiting;
    std::string m_opening;  // empty when idle
    std::vector<Finished> m_finished;
    int m_opensStarted = 0;
    bool m_stopping = false;
    std::thread m_thread;  // last: starts once everything above is set up
};
