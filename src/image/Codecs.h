#pragma once
// The codec of each format, reading from a byte source the caller keeps open for the
// codec's life. All have one shape, so that the format table (ImageFormats.h) can hold
// them.

#include <memory>

#include "image/ByteSource.h"
#include "image/Codec.h"

// What the caller chooses about a decode beyond the hint; only PNG reads it.
struct CodecSettings {
    Rgb background;             // transparent pixels are composited onto it
    double displayGamma = 2.2;  // the file's gamma is corrected to it
};

std::unique_ptr<Codec> MakeBmpCodec(ByteSource& source, const CodecSettings& settings);
std::unique_ptr<Codec> MakePcxCodec(ByteSource& source, const CodecSettings& settings);
std::unique_ptr<Codec> MakeTiffCodec(ByteSource& source, const CodecSettings& settings);
// Texts are the tEXt, zTXt and iTXt entries.
std::unique_ptr<Codec> MakePngCodec(ByteSource& source, const CodecSettings& settings);
// Texts are the COM segments, without keywords.
std::unique_ptr<Codec> MakeJpegCodec(ByteSource& source, const CodecSettings& settings);
