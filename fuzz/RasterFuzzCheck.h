#pragma once
// What every raster decoder must give back on arbitrary bytes: a failure that says why,
// or a whole, opaque picture.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "image/RasterDecoders.h"

// Large pictures are refused or decoded by the same code as small ones; a lower
// limit keeps every run fast and inside the fuzzer's memory limit.
inline constexpr std::uint64_t kMaxFuzzPixels = std::uint64_t{1} << 20;

inline int CheckRasterDecode(const DecodeResult& result) {
    if (!result.pixels) {
        if (result.error.empty() || result.width != 0 || result.height != 0)
            std::abort();
        return 0;
    }
    const std::size_t pixels = std::size_t(result.width) * std::size_t(result.height);
    if (result.width < 1 || result.height < 1 || result.pixels->Size() != pixels * 4)
        std::abort();
    // Every pixel written: the fourth byte is always 0xFF.
    const std::uint8_t* bytes = result.pixels->Data();
    for (std::size_t i = 0; i < pixels; ++i)
        if (bytes[4 * i + 3] != 0xFF)
            std::abort();
    return 0;
}
