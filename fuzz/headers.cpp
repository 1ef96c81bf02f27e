// Feeds arbitrary bytes to the header-only readers and to the decoders that shrink
// rows into a preview as they come: none may crash, leak or read out of bounds, a
// header read must give an empty block, and a preview must have the hinted size.
// The first byte picks the reader; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/Decoders.h"

namespace {

// Pictures above this are skipped for the decoding readers, to stay fast and inside
// the fuzzer's memory limit (the header readers take any size).
constexpr std::uint64_t kMaxFuzzPixels = std::uint64_t{1} << 22;

void CheckHeader(const DecodeResult& result) {
    if (result.pixels && (result.pixels->Size() != 0 || result.width < 1 || result.height < 1))
        std::abort();
}

void CheckPreview(const DecodeResult& result, const LoadHint& hint) {
    if (!result.pixels)
        return;
    const std::optional<Size> target = HintedSize(hint, result.width, result.height);
    if (!result.pixels->HasPictureSize())
        return;  // decoded whole
    if (!target || result.pixels->PictureWidth() != target->cx ||
        result.pixels->PictureHeight() != target->cy ||
        result.pixels->Size() != std::size_t(target->cx) * target->cy * kPictureBytesPerPixel)
        std::abort();
}

bool Small(const DecodeResult& header) {
    return header.pixels &&
           std::uint64_t(header.width) * std::uint64_t(header.height) <= kMaxFuzzPixels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const ByteSpan file{data + 1, size - 1};
    const LoadHint hint =
        data[0] & 0x80 ? LoadHint{LoadHint::kFitInBox, 7, 5} : LoadHint{LoadHint::kHalfSize};
    switch (data[0] & 0x0F) {
        case 0: {
            std::vector<std::string> comments;
            CheckHeader(ReadJpegHeader(file, &comments));
            break;
        }
        case 1: {
            std::vector<PngTextEntry> texts;
            SpanReader reader(file);
            const DecodeResult header = ReadPngHeader(reader, &texts);
            CheckHeader(header);
            if (Small(header)) {
                SpanReader again(file);
                CheckPreview(DecodePng(again, Rgb{1, 2, 3}, 2.2, &texts, hint), hint);
            }
            break;
        }
        case 2: {
            const DecodeResult header = ReadBmpHeader(file);
            CheckHeader(header);
            if (Small(header))
                CheckPreview(DecodeBmpForHint(file, hint), hint);
            break;
        }
        case 3: {
            const DecodeResult header = ReadPcxHeader(file);
            CheckHeader(header);
            if (Small(header))
                CheckPreview(DecodePcxForHint(file, hint), hint);
            break;
        }
        case 4: {
            const DecodeResult header = ReadTiffHeader(file);
            CheckHeader(header);
            if (Small(header))
                CheckPreview(DecodeTiffForHint(file, hint), hint);
            break;
        }
        default:
            break;
    }
    return 0;
}
