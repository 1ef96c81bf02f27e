#pragma once
// One call per format and kind of read, for tests that decode bytes in memory: each
// runs the format's codec through the driver, as the backend does with a file.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image/Codecs.h"
#include "image/ImageFormats.h"

struct ByteSpan {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

struct PngTextEntry {
    std::string keyword;
    std::string text;
};

// The codec's result for `hint` (whole picture without one), at most maxPixels.
DecodeResult DecodeWith(ImageFormat::Number format, ByteSpan file, const LoadHint& hint = {},
                        std::uint64_t maxPixels = kMaxPicturePixels);

DecodeResult DecodeBmp(ByteSpan file);
DecodeResult DecodePcx(ByteSpan file);
DecodeResult DecodeTiff(ByteSpan file);
DecodeResult DecodePng(ByteSpan file, Rgb background, double displayGamma,
                       std::vector<PngTextEntry>* texts, const LoadHint& hint = {});
DecodeResult ReadPngHeader(ByteSpan file, std::vector<PngTextEntry>* texts);
// JPEG, with the note on a picture not whole in `error`, as these tests read it; the
// comments go to `comments` also when the picture fails.
DecodeResult DecodeJpeg(ByteSpan file, std::vector<std::string>* comments);
DecodeResult DecodeJpegFile(std::FILE* file, const LoadHint& hint,
                            std::vector<std::string>* comments);
DecodeResult ReadJpegHeader(ByteSpan file, std::vector<std::string>* comments);
