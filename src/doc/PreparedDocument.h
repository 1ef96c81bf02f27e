#pragma once
// A document opened apart from the one the window shows, on whatever thread opens
// it: its own imaging backend, its own copy of the application state and its own
// card record, so that nothing but read-only data is shared. Its notices are kept
// to be shown when the window's document takes it over.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Ctsn_viewerApp.h"
#include "doc/Ctsn_viewerDoc.h"
#include "doc/FileIdentity.h"
#include "doc/OpenPreferences.h"
#include "image/ImagingBackend.h"

// A copy of the application state for another thread: the preferences and every
// collection definition.
Ctsn_viewerApp CopyOfAppState(const Ctsn_viewerApp& app);

class PreparedDocument {
public:
    PreparedDocument(Ctsn_viewerApp app, double devicePixelRatio,
                     std::unique_ptr<ImagingBackend> backend);
    PreparedDocument(const PreparedDocument&) = delete;
    PreparedDocument& operator=(const PreparedDocument&) = delete;

    // Opens the file as File > Open would. False when it cannot be opened for
    // reading (nothing is then worth keeping), or when its picture would be held in
    // more than `mostHeldBytes`: then it is not decoded at all.
    bool Open(const std::string& path, std::size_t mostHeldBytes = SIZE_MAX);

    const std::string& Path() const { return m_path; }
    // True while the path still names the file that was read and the preferences are
    // those the document was made under.
    bool StillMatches(const OpenPreferences& now) const;
    const OpenPreferences& Preferences() const { return m_preferences; }
    // The bytes of the picture held.
    std::size_t HeldBytes() const;
    // What the open would have told the user, in order.
    const std::vector<std::string>& Notices() const { return m_notices.messages; }
    Ctsn_viewerDoc& Document() { return m_doc; }

private:
    // What the picture will be held in, from the file's header.
    std::size_t HeldBytesAfterOpen(const std::string& path);

    struct NoticeRecorder : DocumentNotifier {
        void ShowMessage(const std::string& text) override { messages.push_back(text); }
        std::vector<std::string> messages;
    };

    Ctsn_viewerApp m_app;
    std::unique_ptr<ImagingBackend> m_backend;
    NoticeRecorder m_notices;
    Ctsn_viewerDoc m_doc;
    OpenPreferences m_preferences;
    std::string m_path;
    std::optional<FileIdentity> m_identity;
};
