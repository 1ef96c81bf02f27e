// Feeds arbitrary bytes to the JPEG decoder: it must never crash, leak or read out of
// bounds, and a picture it returns must be whole.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/Decoders.h"

namespace {

// Large pictures are refused or decoded by the same code as small ones; skipping them
// keeps every run fast and inside the fuzzer's memory limit.
constexpr std::uint64_t kMaxFuzzPixels = std::uint64_t{1} << 22;

bool IsFrameMarker(std::uint8_t code) {
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

std::uint64_t LargestDeclaredPicture(const std::uint8_t* data, std::size_t size) {
    std::uint64_t largest = 0;
    for (std::size_t i = 0; i + 9 <= size; ++i) {
        if (data[i] != 0xFF || !IsFrameMarker(data[i + 1]))
            continue;
        const std::uint64_t height = data[i + 5] << 8 | data[i + 6];
        const std::uint64_t width = data[i + 7] << 8 | data[i + 8];
        largest = std::max(largest, width * height);
    }
    return largest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (LargestDeclaredPicture(data, size) > kMaxFuzzPixels)
        return 0;
    std::vector<std::string> comments;
    const DecodeResult result = DecodeJpeg(ByteSpan{data, size}, &comments);
    if (!result.pixels)
        return 0;
    const std::size_t expected = std::size_t(result.width) * result.height * kPictureBytesPerPixel;
    if (result.width < 1 || result.height < 1 || result.pixels->Size() != expected)
        std::abort();
    const std::uint8_t* pixels = result.pixels->Data();
    for (std::size_t i = 3; i < expected; i += 4)
        if (pixels[i] != 0xFF)
            std::abort();
    return 0;
}
