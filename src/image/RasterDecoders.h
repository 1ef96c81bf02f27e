#pragma once
// The BMP, PCX and TIFF decoders with a lower pixel limit than kMaxPicturePixels,
// for the fuzzers, which must stay fast and inside their memory limit.

#include <cstdint>

#include "image/Decoders.h"

DecodeResult DecodeBmpWithin(ByteSpan file, std::uint64_t maxPixels);
DecodeResult DecodePcxWithin(ByteSpan file, std::uint64_t maxPixels);
DecodeResult DecodeTiffWithin(ByteSpan file, std::uint64_t maxPixels);
