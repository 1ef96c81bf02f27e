#pragma once
// The decoders behind RealImagingBackend, one per format. Each reads a whole file
// (or a buffer, for the fuzzers) into a picture block of kPictureBytesPerPixel
// bytes a pixel, or fails with a one-line reason. None throws.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image/ImageFile.h"
#include "image/MemoryBlock.h"

// Refused before allocating: a side below 1, or more pixels than this.
inline constexpr std::uint64_t kMaxPicturePixels = std::uint64_t{1} << 28;

struct DecodeResult {
    BlockHandle pixels;  // nullptr on failure
    int width = 0;
    int height = 0;
    std::string error;  // one line, set when pixels is nullptr; may note a truncation otherwise
};

struct PngTextEntry {
    std::string keyword;
    std::string text;
};

struct ByteSpan {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

// Random access to a file's bytes, for readers that skip what they do not need.
class ByteReader {
public:
    virtual ~ByteReader() = default;
    virtual std::uint64_t Size() const = 0;
    // Copies `count` bytes from `offset` to `out`; false when the file does not hold them.
    virtual bool ReadAt(std::uint64_t offset, std::size_t count, std::uint8_t* out) = 0;
};

class SpanReader : public ByteReader {
public:
    explicit SpanReader(ByteSpan bytes) : m_bytes(bytes) {}
    std::uint64_t Size() const override { return m_bytes.size; }
    bool ReadAt(std::uint64_t offset, std::size_t count, std::uint8_t* out) override {
        if (offset > m_bytes.size || count > m_bytes.size - offset)
            return false;
        std::copy_n(m_bytes.data + offset, count, out);
        return true;
    }

private:
    ByteSpan m_bytes;
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
// PNG: transparent pixels composited onto `background`; gamma from the file's
// gAMA/sRGB to `displayGamma`. Text entries in file order go to `texts`.
DecodeResult DecodePng(ByteSpan file, Rgb background, double displayGamma,
                       std::vector<PngTextEntry>* texts);
// The same, reading only the chunks it needs from `file`. When the hint names a
// smaller size (HintedSize), a picture without interlacing is resampled to it as its
// rows come, exactly as ResamplePicture would: `width` and `height` stay the file's
// size and the block carries the new one.
DecodeResult DecodePng(ByteReader& file, Rgb background, double displayGamma,
                       std::vector<PngTextEntry>* texts, const LoadHint& hint);
// The header only: the size and the text entries, walking the chunk headers without
// reading the data between them; an empty block with picture size 0 x 0.
DecodeResult ReadPngHeader(ByteReader& file, std::vector<PngTextEntry>* texts);
DecodeResult DecodeTiff(ByteSpan file);
DecodeResult DecodeBmp(ByteSpan file);
DecodeResult DecodePcx(ByteSpan file);
// When the hint names a smaller size (HintedSize), the rows go into a shrinker as they
// are decoded (not for run-length BMPs, nor TIFFs stored in another orientation than
// top-left), as ResamplePicture would make it; otherwise as above.
DecodeResult DecodeBmpForHint(ByteSpan file, const LoadHint& hint);
DecodeResult DecodeTiffForHint(ByteSpan file, const LoadHint& hint);
DecodeResult DecodePcxForHint(ByteSpan file, const LoadHint& hint);
// The header only: the size as a decode reports it, failing where a decode fails on
// the header; an empty block with picture size 0 x 0.
DecodeResult ReadTiffHeader(ByteSpan file);
DecodeResult ReadBmpHeader(ByteSpan file);
DecodeResult ReadPcxHeader(ByteSpan file);
