#pragma once
// Binary PPM (P6, maxval 255, RGB) of a held picture, for scripts that compare pixels.

#include <string>

#include "platform/DeviceContext.h"

// The P6 bytes of a picture held as blue, green, red, unused.
std::string EncodePpm(const PictureView& picture);

// Writes EncodePpm to `path`; false with a one-line reason when it cannot.
bool WritePpmFile(const std::string& path, const PictureView& picture, std::string& reason);
