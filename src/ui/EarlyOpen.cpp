#include "ui/EarlyOpen.h"

#include <QFileInfo>
#include <system_error>

#include "app/QtSettingsStore.h"
#include "ui/BrowseSession.h"
#include "ui/DocumentWorker.h"
#include "ui/LocalPaths.h"

EarlyOpen EarlyOpen::Start(int argc, char* argv[]) {
    // Anything more may be options for Qt, which only its application object reads.
    if (argc != 2 || argv[1][0] == '-')
        return {};
    EarlyOpen early;
    early.m_fullPath = FullPath(QString::fromLocal8Bit(argv[1]));
    // A large picture is left to browsing, which shows its draft first.
    if (QFileInfo(early.m_fullPath).size() >= BrowseSession::kWorkerOpenFromBytes)
        return {};
    DocumentWorker::Request request{LocalPath(early.m_fullPath), {}, 1.0};
    QtSettingsStore store;
    request.app.LoadAtStartUp(store);
    try {
        early.m_document = std::async(std::launch::async, [request = std::move(request)]() mutable {
            return DocumentWorker::OpenWithRealBackend(request);
        });
    } catch (const std::system_error&) {
        return {};  // no thread to be had: opened as File > Open does
    }
    return early;
}

void EarlyOpen::Wait() const {
    if (m_document.valid())
        m_document.wait();
}

std::unique_ptr<PreparedDocument> EarlyOpen::Take(const QString& fullPath) {
    if (!m_document.valid() || fullPath != m_fullPath)
        return nullptr;
    return m_document.get();
}
