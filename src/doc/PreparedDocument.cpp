#include "doc/PreparedDocument.h"

#include "image/MemoryBlock.h"

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

bool PreparedDocument::Open(const std::string& path) {
    m_path = path;
    // Read before the load: a file that changes while it loads no longer matches.
    m_identity = ReadFileIdentity(path);
    return m_identity && m_doc.OnOpenDocument(path);
}

bool PreparedDocument::StillMatches(const OpenPreferences& now) const {
    return m_identity && now == m_preferences && ReadFileIdentity(m_path) == m_identity;
}

std::size_t PreparedDocument::HeldBytes() const {
    const Size held = m_doc.m_image.HeldSize();
    return std::size_t(held.cx) * std::size_t(held.cy) * kPictureBytesPerPixel;
}
