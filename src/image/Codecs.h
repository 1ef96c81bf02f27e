#pragma once
// The codec of each format, reading from a byte source the caller keeps open for the
// codec's life.

#include <memory>

#include "image/ByteSource.h"
#include "image/Codec.h"

std::unique_ptr<Codec> MakeBmpCodec(ByteSource& source);
std::unique_ptr<Codec> MakePcxCodec(ByteSource& source);
std::unique_ptr<Codec> MakeTiffCodec(ByteSource& source);
// Transparent pixels are composited onto `background`; the file's gamma is corrected
// to `displayGamma`. Texts are the tEXt, zTXt and iTXt entries.
std::unique_ptr<Codec> MakePngCodec(ByteSource& source, Rgb background, double displayGamma);
// Texts are the COM segments, without keywords.
std::unique_ptr<Codec> MakeJpegCodec(ByteSource& source);
