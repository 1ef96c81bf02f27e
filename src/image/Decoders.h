#pragma once
// The JPEG decoder's entry points, until it reads through a codec like the other
// formats (see Codec.h).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image/Codec.h"

struct ByteSpan {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

// JPEG: every COM segment, in file order, goes to `comments` (also when the pixels fail).
DecodeResult DecodeJpeg(ByteSpan file, std::vector<std::string>* comments);
// The same, reading the file as it goes. When the hint names a smaller size
// (HintedSize), the picture is decoded at the smallest scale n/8 that still covers it:
// `width` and `height` stay the file's size and the block carries the smaller one.
DecodeResult DecodeJpegFile(std::FILE* file, const LoadHint& hint,
                            std::vector<std::string>* comments);
// The header only: the file's size and every COM segment, no pixels (an empty block
// with picture size 0 x 0). Fails where a decode fails on the header.
DecodeResult ReadJpegHeader(ByteSpan file, std::vector<std::string>* comments);
