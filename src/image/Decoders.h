#pragma once
// The decoders behind RealImagingBackend, one per format. Each reads a whole file
// (or a buffer, for the fuzzers) into a picture block of kPictureBytesPerPixel
// bytes a pixel, or fails with a one-line reason. None throws.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/ImageFile.h"
#include "image/MemoryBlock.h"

// Refused before allocating: a side below 1, or more pixels than this.
inline constexpr std::uint64_t kMaxPicturePixels = std::uint64_t{1} << 28;

struct DecodeResult {
    BlockHandle pixels;  // nullptr on failure
    int width = 0;
    int height = 0;
    std::string error;  // one line, set when pixels is nullptr; may note a truncation otherwise
};

struct PngTextEntry {
    std::string keyword;
    std::string text;
};

struct ByteSpan {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

// JPEG: every COM segment, in file order, goes to `comments` (also when the pixels fail).
DecodeResult DecodeJpeg(ByteSpan file, std::vector<std::string>* comments);
// PNG: transparent pixels composited onto `background`; gamma from the file's
// gAMA/sRGB to `displayGamma`. Text entries in file order go to `texts`.
DecodeResult DecodePng(ByteSpan file, Rgb background, double displayGamma,
                       std::vector<PngTextEntry>* texts);
DecodeResult DecodeTiff(ByteSpan file);
DecodeResult DecodeBmp(ByteSpan file);
DecodeResult DecodePcx(ByteSpan file);
