#include "doc/PreparedDocument.h"

#include "image/MemoryBlock.h"

namespace {

std::size_t PictureBytes(Size size) {
    return std::size_t(size.cx) * std::size_t(size.cy) * kPictureBytesPerPixel;
}

}  // namespace

Ctsn_viewerApp CopyOfAppState(const Ctsn_viewerApp& app) {
    Ctsn_viewerApp copy;
    copy.m_displayImage = app.m_displayImage;
    copy.m_previewType = app.m_previewType;
    copy.m_prevSizeX = app.m_prevSizeX;
    copy.m_prevSizeY = app.m_prevSizeY;
    copy.m_directory = app.m_directory;
    for (const auto& definition : app.m_colDefs)
        copy.m_colDefs.push_back(std::make_unique<ColDef>(*definition));
    return copy;
}

PreparedDocument::PreparedDocument(Ctsn_viewerApp app, double devicePixelRatio,
                                   std::unique_ptr<ImagingBackend> backend)
    : m_app(std::move(app)),
      m_backend(std::move(backend)),
      m_doc(m_app, *m_backend, m_notices),
      m_preferences(OpenPreferencesOf(m_app, devicePixelRatio)) {
    m_backend->Startup();
    m_doc.m_image.m_devicePixelRatio = devicePixelRatio;
}

bool PreparedDocument::Open(const std::string& path, std::size_t mostHeldBytes) {
    m_path = path;
    // Read before the load: a file that changes while it loads no longer matches.
    m_identity = ReadFileIdentity(path);
    if (!m_identity)
        return false;
    if (mostHeldBytes != SIZE_MAX && HeldBytesAfterOpen(path) > mostHeldBytes) {
        m_doc.m_image.Free();
        return false;
    }
    return m_doc.OnOpenDocument(path);
}

std::size_t PreparedDocument::HeldBytesAfterOpen(const std::string& path) {
    m_doc.m_headerOnly = true;
    const bool opened = m_doc.OnOpenDocument(path);
    m_doc.m_headerOnly = false;
    m_notices.messages.clear();
    if (!opened || m_doc.m_loadResult != ImageFile::kSuccess)
        return 0;  // the open tells what is wrong
    return PictureBytes(
        DeviceSize(m_doc.m_previewSize, m_preferences.devicePixelRatio, m_doc.m_imageSize));
}

bool PreparedDocument::StillMatches(const OpenPreferences& now) const {
    return m_identity && now == m_preferences && ReadFileIdentity(m_path) == m_identity;
}

std::size_t PreparedDocument::HeldBytes() const {
    return PictureBytes(m_doc.m_image.HeldSize());
}
