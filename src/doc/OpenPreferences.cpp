#include "doc/OpenPreferences.h"

OpenPreferences OpenPreferencesOf(const Ctsn_viewerApp& app, double devicePixelRatio) {
    return {app.m_previewType, app.m_prevSizeX, app.m_prevSizeY, devicePixelRatio};
}

Size PreviewSizeFor(int previewType, int maxX, int maxY, Size image) {
    switch (previewType) {
        case 1:
            return Size{image.cx / 2, image.cy / 2};
        case 2:
            return FitToBox(image.cx, image.cy, maxX, maxY);
        default:
            return image;
    }
}
