// Feeds arbitrary bytes to the PNG decoder: it must never crash, leak or read out of
// bounds, and a picture it returns must be whole.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/Decoders.h"

namespace {

// Large pictures are refused or decoded by the same code as small ones; skipping them
// keeps every run fast and inside the fuzzer's memory limit.
constexpr std::uint64_t kMaxFuzzPixels = std::uint64_t{1} << 22;

std::uint32_t ReadBe32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
           std::uint32_t{p[3]};
}

std::uint64_t LargestDeclaredPicture(const std::uint8_t* data, std::size_t size) {
    std::uint64_t largest = 0;
    for (std::size_t i = 0; i + 12 <= size; ++i) {
        if (std::memcmp(data + i, "IHDR", 4) == 0)
            largest =
                std::max(largest, std::uint64_t{ReadBe32(data + i + 4)} * ReadBe32(data + i + 8));
    }
    return largest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (LargestDeclaredPicture(data, size) > kMaxFuzzPixels)
        return 0;
    std::vector<PngTextEntry> texts;
    const Rgb background{12, 34, 56};
    const DecodeResult result = DecodePng(ByteSpan{data, size}, background, 2.2, &texts);
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
