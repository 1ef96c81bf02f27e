#pragma once
// Shared pieces of the BMP, PCX and TIFF decoders: little-endian field reads, the
// size check and allocation of the picture, and the packed output pixel.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "image/Decoders.h"
#include "image/Resampler.h"

static_assert(std::endian::native == std::endian::little,
              "pictures are written as packed 32-bit words in B, G, R, X byte order");

// One output pixel as a 32-bit word: stored little-endian it reads B, G, R, 0xFF.
inline constexpr std::uint32_t kOpaque = 0xFF000000u;
inline constexpr std::uint32_t kBlackPixel = kOpaque;

inline std::uint32_t PackPixel(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    return kOpaque | red << 16 | green << 8 | blue;
}

inline std::uint16_t ReadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t ReadLe32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// A picture being decoded: its rows as 32-bit words.
struct PictureRows {
    std::uint32_t* pixels = nullptr;
    std::size_t width = 0;
    std::size_t height = 0;

    std::uint32_t* Row(std::size_t y) const { return pixels + y * width; }
    // Row y is complete (for decoders that also write into ShrinkingRows).
    void Done(std::size_t) const {}
};

// Rows that go into a shrinker as they are done, for a decoder that writes each row
// once, top to bottom: Row(y) for the next row, then Done(y).
struct ShrinkingRows {
    RowShrinker& shrinker;
    std::size_t width = 0;
    std::size_t height = 0;

    std::uint32_t* Row(std::size_t) const {
        return reinterpret_cast<std::uint32_t*>(shrinker.NextRow());
    }
    void Done(std::size_t) const { shrinker.PushRow(); }
};

// The size check of AllocatePicture: false with result.error set when refused.
inline bool IsSizeAccepted(std::int64_t width, std::int64_t height, std::uint64_t maxPixels,
                           const char* format, DecodeResult& result) {
    if (width < 1 || height < 1 || std::uint64_t(width) * std::uint64_t(height) > maxPixels) {
        result.error = std::string(format) + " picture size " + std::to_string(width) + " x " +
                       std::to_string(height) + " refused";
        return false;
    }
    return true;
}

// For a header-only read: the size checked as for a decode, and an empty block that
// says it holds no pixels.
inline bool AcceptHeaderOnly(std::int64_t width, std::int64_t height, std::uint64_t maxPixels,
                             const char* format, DecodeResult& result) {
    if (!IsSizeAccepted(width, height, maxPixels, format, result))
        return false;
    result.pixels = MemoryBlock::Allocate(0);
    if (!result.pixels) {
        result.error = std::string(format) + " picture needs more memory than is available";
        return false;
    }
    result.pixels->SetPictureSize(0, 0);
    result.width = int(width);
    result.height = int(height);
    return true;
}

// Checks the size against maxPixels and allocates the picture into result
// (result.pixels, width and height set). Returns false with result.error set when
// the size is refused or the memory is not there. The pixels are left unset.
inline bool AllocatePicture(std::int64_t width, std::int64_t height, std::uint64_t maxPixels,
                            const char* format, DecodeResult& result, PictureRows& rows) {
    if (!IsSizeAccepted(width, height, maxPixels, format, result))
        return false;
    const std::size_t bytes = std::size_t(width) * std::size_t(height) * kPictureBytesPerPixel;
    result.pixels = MemoryBlock::Allocate(bytes);
    if (!result.pixels) {
        result.error = std::string(format) + " picture needs more memory than is available";
        return false;
    }
    result.width = int(width);
    result.height = int(height);
    rows.pixels = reinterpret_cast<std::uint32_t*>(result.pixels->Data());
    rows.width = std::size_t(width);
    rows.height = std::size_t(height);
    return true;
}

inline void FillBlack(std::uint32_t* pixels, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        pixels[i] = kBlackPixel;
}

// The note for a picture whose data ended early.
inline std::string TruncationNote(const char* format, std::size_t rowsDecoded, std::size_t height) {
    return std::string(format) + " data ends early: " + std::to_string(rowsDecoded) + " of " +
           std::to_string(height) + " rows decoded, the rest is black";
}

// Decodes into a shrinker when the hint names a smaller size: `decode(rows)` writes
// every row top to bottom. Returns false when the hint names no reduction (the caller
// decodes the whole picture); otherwise result holds the preview or the failure.
template <typename Decode>
bool DecodeShrunk(std::int64_t width, std::int64_t height, const LoadHint& hint, const char* format,
                  DecodeResult& result, Decode decode) {
    if (width < 1 || height < 1 || width > INT32_MAX || height > INT32_MAX)
        return false;
    const std::optional<Size> target = HintedSize(hint, int(width), int(height));
    if (!target || !IsSizeAccepted(width, height, kMaxPicturePixels, format, result))
        return false;
    RowShrinker shrinker(int(width), int(height), target->cx, target->cy);
    if (shrinker.Ready()) {
        ShrinkingRows rows{shrinker, std::size_t(width), std::size_t(height)};
        decode(rows);
        result.pixels = shrinker.Finish();
    }
    if (!result.pixels) {
        result.error = std::string(format) + " picture needs more memory than is available";
        return true;
    }
    result.pixels->SetPictureSize(target->cx, target->cy);
    result.width = int(width);
    result.height = int(height);
    return true;
}
