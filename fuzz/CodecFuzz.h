#pragma once
// Arbitrary bytes through one codec and the driver, as the backend runs them: nothing
// may crash, hang, leak or read out of bounds; a failure says why in one line; a picture
// has the size asked for, and every pixel is written opaque or left as never written
// (all four bytes zero). The file's size picks what is asked for (whole, half size,
// fitted into 7 x 5, header only), so every seed is a plain file of its format.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

#include "image/Codecs.h"
#include "image/ImageFile.h"
#include "image/ImageFormats.h"

// Large pictures are refused or decoded by the same code as small ones; a lower
// limit keeps every run fast and inside the fuzzer's memory limit.
inline constexpr std::uint64_t kMaxFuzzPixels = std::uint64_t{1} << 20;

inline bool OneLine(const std::string& text) {
    return text.find('\n') == std::string::npos;
}

inline int FuzzCodec(const std::uint8_t* data, std::size_t size, ImageFormat::Number format,
                     const CodecSettings& settings = {}) {
    static const LoadHint kHints[] = {LoadHint{}, LoadHint{LoadHint::kHalfSize},
                                      LoadHint{LoadHint::kFitInBox, 7, 5},
                                      LoadHint{LoadHint::kHeaderOnly}};
    const LoadHint& hint = kHints[size % 4];
    SpanSource source(data, size);
    std::unique_ptr<Codec> codec = FormatNumbered(format)->makeCodec(source, settings);
    const DecodeResult result = RunCodec(*codec, hint, kMaxFuzzPixels);
    if (!OneLine(result.error) || !OneLine(result.damage))
        std::abort();
    if (!result.pixels) {
        if (result.error.empty() || result.failure == LoadFailure::kNone || result.width != 0)
            std::abort();
        return 0;
    }
    if (result.width < 1 || result.height < 1 || !result.error.empty())
        std::abort();
    const MemoryBlock& block = *result.pixels;
    if (hint.kind == LoadHint::kHeaderOnly) {
        if (block.Size() != 0 || !block.HasPictureSize() || block.PictureWidth() != 0)
            std::abort();
        return 0;
    }
    Size held{result.width, result.height};
    if (block.HasPictureSize())
        held = Size{block.PictureWidth(), block.PictureHeight()};
    const std::optional<Size> target = HintedSize(hint, result.width, result.height);
    if (held != Size{result.width, result.height} &&
        (!target || held.cx < target->cx || held.cy < target->cy))
        std::abort();
    const std::size_t pixels = std::size_t(held.cx) * std::size_t(held.cy);
    if (block.Size() != pixels * kPictureBytesPerPixel)
        std::abort();
    const std::uint8_t* bytes = result.pixels->Data();
    for (std::size_t i = 0; i < pixels; ++i, bytes += 4) {
        const bool never = bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 0 && bytes[3] == 0;
        if (bytes[3] != 0xFF && !never)
            std::abort();
    }
    return 0;
}
