#include "doc/Ctsn_viewerDoc.h"

#include "card/CardComment.h"
#include "doc/OpenPreferences.h"
#include "image/ImageFormats.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace {

// What the framework's own open proves before the document is touched: the path
// names a regular file that this process may read. Empty when it does, else why not.
// Asked without opening the file: the load opens it right after, and a second open
// of every file costs dearly over a large collection.
std::string WhyNotReadable(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::strerror(errno);
    if (S_ISDIR(info.st_mode))
        return std::strerror(EISDIR);
    if (!S_ISREG(info.st_mode))
        return "not a regular file";
    if (::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) != 0)
        return std::strerror(errno);
    return {};
}

}  // namespace

Ctsn_viewerDoc::Ctsn_viewerDoc(const Ctsn_viewerApp& app, ImagingBackend& backend,
                               DocumentNotifier& notifier)
    : m_image(backend), m_app(app), m_notifier(notifier) {}

bool Ctsn_viewerDoc::OnOpenDocument(const std::string& path, std::string* whyNot) {
    if (std::string reason = WhyNotReadable(path); !reason.empty()) {
        if (whyNot)
            *whyNot = std::move(reason);
        return false;
    }
    Open(path);
    return true;
}

void Ctsn_viewerDoc::OpenFileBytes(const std::string& path, ByteSource& bytes) {
    m_image.m_bytes = &bytes;
    Open(path);
    m_image.m_bytes = nullptr;
}

void Ctsn_viewerDoc::Open(const std::string& path) {
    m_loadResult = -1;
    m_found = 0;
    m_page = PageNone;
    m_path = path;
    LoadImageAndCards();
}

void Ctsn_viewerDoc::LoadImageAndCards() {
    m_card.Reset();
    m_previewSize = Size{};
    m_found = 0;
    m_loadResult = 0;
    m_imageSize = Size{};
    m_loadFailure.clear();
    m_damage.clear();
    if (!m_path.empty()) {
        m_image.m_loadHint = PreviewHint();
        m_loadResult = m_image.Load(m_path);
        if (m_loadResult != ImageFile::kSuccess)
            m_loadFailure = m_image.m_failure;
        else
            m_damage = m_image.m_damage;
        if (m_loadResult == ImageFile::kSuccess) {
            ParseCardComments();
            if (!m_found)
                m_notifier.ShowMessage(kNoCardsMessage);
            SizeForPreview();
        }
    }
    m_refreshPending = 1;
}

// Everything a load sets on the picture, moved; what the caller sets before a load
// (hint, ratio, background, gamma) stays.
static void MoveLoadedPicture(ImageFile& from, ImageFile& to) {
    to.Free();
    to.m_path = std::move(from.m_path);
    to.m_format = std::exchange(from.m_format, ImageFormat::kNone);
    to.m_width = from.m_width;
    to.m_height = from.m_height;
    to.m_hImage = std::move(from.m_hImage);
    to.m_comments = std::move(from.m_comments);
    to.m_pngTexts = std::move(from.m_pngTexts);
    to.m_failure = std::move(from.m_failure);
    to.m_damage = std::move(from.m_damage);
    from.Free();
}

void Ctsn_viewerDoc::TakeOpened(Ctsn_viewerDoc& other) {
    m_page = PageNone;
    m_path = std::move(other.m_path);
    MoveLoadedPicture(other.m_image, m_image);
    m_loadResult = std::exchange(other.m_loadResult, -1);
    m_loadFailure = std::move(other.m_loadFailure);
    m_damage = std::move(other.m_damage);
    m_previewSize = other.m_previewSize;
    m_imageSize = other.m_imageSize;
    // A card record cannot be moved; parsing the same comments again gives the same
    // record.
    m_card.Reset();
    m_found = 0;
    if (m_loadResult == ImageFile::kSuccess)
        ParseCardComments();
    m_refreshPending = 1;
}

void Ctsn_viewerDoc::ParseCardComments() {
    // Every marked comment goes into the same record, so a later one overwrites
    // what both name.
    int count = m_image.GetCommentCount();
    for (int i = 0; i < count; ++i) {
        std::string comment = m_image.GetComment(i);
        if (!IsCardComment(comment))
            continue;
        m_card.Parse(m_app.m_colDefs, std::move(comment));
        m_found = 1;
    }
}

void Ctsn_viewerDoc::SizeForPreview() {
    m_imageSize = Size{m_image.m_width, m_image.m_height};
    m_previewSize =
        PreviewSizeFor(m_app.m_previewType, m_app.m_prevSizeX, m_app.m_prevSizeY, m_imageSize);
    // Full size is never resampled; the limited size is, even when it already fits.
    if (m_app.m_previewType != 1 && m_app.m_previewType != 2)
        return;
    // A refused resample leaves the loaded picture; the view goes by m_previewSize.
    if (!m_headerOnly)
        m_image.Resize(m_previewSize.cx, m_previewSize.cy);
}

// The loader learns the preview rule (not the size: that is in the file's header),
// so that it can decode no more than the preview needs.
LoadHint Ctsn_viewerDoc::PreviewHint() const {
    LoadHint hint;
    if (m_headerOnly)
        hint.kind = LoadHint::kHeaderOnly;
    else if (m_app.m_previewType == 1)
        hint.kind = LoadHint::kHalfSize;
    else if (m_app.m_previewType == 2)
        hint = LoadHint{LoadHint::kFitInBox, m_app.m_prevSizeX, m_app.m_prevSizeY};
    hint.devicePixelRatio = m_image.m_devicePixelRatio;
    return hint;
}
