#include "doc/DraftPicture.h"

#include <algorithm>
#include <cctype>

namespace {

// Other formats have no cheap small decode: a draft would cost a full load.
bool NamesJpeg(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".jpg" || ext == ".jpeg";
}

}  // namespace

bool DraftPicture::Load(const std::string& path, const OpenPreferences& preferences) {
    m_image.Free();
    m_shownSize = Size{};
    if (!NamesJpeg(path))
        return false;
    // The header gives the size; an eighth of it is what the codec's smallest scale
    // decodes directly.
    m_image.m_loadHint = LoadHint{LoadHint::kHeaderOnly};
    if (m_image.Load(path) != ImageFile::kSuccess) {
        m_image.Free();
        return false;
    }
    const Size full{m_image.m_width, m_image.m_height};
    m_image.m_loadHint = LoadHint{LoadHint::kFitInBox, (full.cx + 7) / 8, (full.cy + 7) / 8};
    if (m_image.Load(path) != ImageFile::kSuccess) {
        m_image.Free();
        return false;
    }
    m_shownSize =
        PreviewSizeFor(preferences.previewType, preferences.prevSizeX, preferences.prevSizeY, full);
    return true;
}
