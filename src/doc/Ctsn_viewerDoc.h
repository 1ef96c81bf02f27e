#pragma once
// The one document: opens a file, loads its picture, parses every tSN comment into
// its card record and sizes the picture for preview. The view reads it; only the
// open pipeline writes it (the view sets m_page and clears m_refreshPending).

#include <string>

#include "app/Ctsn_viewerApp.h"
#include "card/CardInfo.h"
#include "doc/CardPage.h"
#include "image/ImageFile.h"
#include "image/ImagingBackend.h"

// Where the document's one notice goes: the shell shows its message dialog, tests
// and tsn-dump record it.
class DocumentNotifier {
public:
    virtual ~DocumentNotifier() = default;
    virtual void ShowMessage(const std::string& text) = 0;
};

inline constexpr const char* kNoCardsMessage = "No Tessellon found in this image.";

class Ctsn_viewerDoc {
public:
    Ctsn_viewerDoc(const Ctsn_viewerApp& app, ImagingBackend& backend, DocumentNotifier& notifier);
    Ctsn_viewerDoc(const Ctsn_viewerDoc&) = delete;
    Ctsn_viewerDoc& operator=(const Ctsn_viewerDoc&) = delete;

    // False when the file cannot be opened for reading: then nothing has changed and
    // the caller reports it (`whyNot`, when given, says why in one line). Otherwise runs
    // the pipeline and returns true, whatever the load gave.
    bool OnOpenDocument(const std::string& path, std::string* whyNot = nullptr);
    // Runs the pipeline over `bytes`, those of the file at `path` as the caller has
    // read them, instead of reading the file again; `path` names its format.
    void OpenFileBytes(const std::string& path, ByteSource& bytes);
    void LoadImageAndCards();
    // Takes over what `other` opened (on any thread) as though this document had
    // opened it: the picture, its comments, sizes and results move here, and the cards
    // are parsed again into this document's record. `other` is left empty. The notices
    // `other` gave are not repeated: its owner has them.
    void TakeOpened(Ctsn_viewerDoc& other);

    int m_refreshPending = 0;
    CardPage m_page = PageNone;
    ImageFile m_image;
    Size m_previewSize;
    Size m_imageSize;
    std::string m_path;
    int m_loadResult = -1;  // -1 nothing loaded yet, 0 loaded, else ImageFile::Load's code
    int m_found = 0;        // 1 when a tSN comment was parsed
    // Why the picture was not loaded (m_loadResult not 0), in one line.
    std::string m_loadFailure;
    // What was wrong with a picture that loaded but not whole, in one line; else empty.
    std::string m_damage;
    CardInfo m_card;
    // Read only the picture's size and comments, no pixels (for scanning many files):
    // the sizes and the card come out as with pixels, but nothing is held to draw.
    bool m_headerOnly = false;

private:
    void Open(const std::string& path);
    void ParseCardComments();
    void SizeForPreview();
    LoadHint PreviewHint() const;

    const Ctsn_viewerApp& m_app;
    DocumentNotifier& m_notifier;
};
