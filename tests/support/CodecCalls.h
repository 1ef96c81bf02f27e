#pragma once
// One call per format and kind of read, for tests that decode bytes in memory: each
// runs the format's codec through the driver, as the backend does with a file.

#include <cstdint>
#include <string>
#include <vector>

#include "image/Codecs.h"
#include "image/Decoders.h"

struct PngTextEntry {
    std::string keyword;
    std::string text;
};

enum class CodecFormat { kBmp, kPcx, kTiff, kPng, kJpeg };

// The codec's result for `hint` (whole picture without one), at most maxPixels.
DecodeResult DecodeWith(CodecFormat format, ByteSpan file, const LoadHint& hint = {},
                        std::uint64_t maxPixels = kMaxPicturePixels);

DecodeResult DecodeBmp(ByteSpan file);
DecodeResult DecodePcx(ByteSpan file);
DecodeResult DecodeTiff(ByteSpan file);
DecodeResult DecodeBmpForHint(ByteSpan file, const LoadHint& hint);
DecodeResult DecodePcxForHint(ByteSpan file, const LoadHint& hint);
DecodeResult DecodeTiffForHint(ByteSpan file, const LoadHint& hint);
DecodeResult ReadBmpHeader(ByteSpan file);
DecodeResult ReadPcxHeader(ByteSpan file);
DecodeResult ReadTiffHeader(ByteSpan file);
DecodeResult DecodePng(ByteSpan file, Rgb background, double displayGamma,
                       std::vector<PngTextEntry>* texts, const LoadHint& hint = {});
DecodeResult ReadPngHeader(ByteSpan file, std::vector<PngTextEntry>* texts);
