#pragma once
// What shapes an open besides the file itself: the preview preferences and the
// device pixel ratio of the screen the picture is held for. A document made under
// other ones is not the document File > Open would give now.

#include "app/Ctsn_viewerApp.h"
#include "image/ImageFile.h"

struct OpenPreferences {
    int previewType = 1;
    int prevSizeX = 300;
    int prevSizeY = 300;
    double devicePixelRatio = 1.0;
    bool operator==(const OpenPreferences&) const = default;
};

OpenPreferences OpenPreferencesOf(const Ctsn_viewerApp& app, double devicePixelRatio);

// The size at which a picture of `image` size is shown under the preview type and
// limits: full size (0, and any value the preferences do not know), half size (1),
// or fitted into the limits (2).
Size PreviewSizeFor(int previewType, int maxX, int maxY, Size image);
