#pragma once
// The small values the image wrapper and the codecs both speak of: a size, a colour,
// and what the caller will do with the next picture.

#include <cstdint>

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

struct Size {
    int cx = 0;
    int cy = 0;
    bool operator==(const Size&) const = default;
};

// What the caller will do with the next picture, so that a loader can produce less
// than the full picture. The size a loader reports is always the file's own.
struct LoadHint {
    enum Kind {
        kFullPicture,  // every pixel at full size
        kHalfSize,     // resampled to (width / 2, height / 2) right after the load
        kFitInBox,     // resampled to FitToBox(width, height, maxWidth, maxHeight)
        kHeaderOnly,   // only the size and the comments: the picture block holds no pixels
    };
    Kind kind = kFullPicture;
    int maxWidth = 0;
    int maxHeight = 0;
    // Device pixels per logical pixel of the screen the picture will be shown on: the
    // reduced size is held this many times larger (never beyond the full picture).
    double devicePixelRatio = 1.0;
};
