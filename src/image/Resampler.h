#pragma once
// Resampling of pictures held as 4-byte B,G,R,X pixels (see kPictureBytesPerPixel):
// area averaging along an axis that shrinks, bilinear along one that grows.
// The result's fourth byte is always 0xFF.

#include <cstdint>

#include "image/MemoryBlock.h"

// True when width x height is a picture size the imaging code accepts: both sides
// at least 1 and no more than kMaxPicturePixels pixels.
bool IsPictureSizeAllowed(int width, int height);

// A new newWidth x newHeight picture, or nullptr when either size is not allowed,
// pixels is null, or the memory is not there. The source is left alone.
BlockHandle ResamplePicture(const std::uint8_t* pixels, int width, int height, int newWidth,
                            int newHeight);
