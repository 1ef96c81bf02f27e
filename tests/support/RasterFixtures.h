#pragma once
// Test-only writers of BMP, PCX and TIFF files, in memory: a known picture in each
// header kind, bit depth and compression the decoders read. Tests author their
// fixtures with these instead of committing image files.

#include <cstdint>
#include <string>
#include <vector>

#include "support/CodecCalls.h"

namespace fixtures {

// A picture as the decoders should give it: 0x00RRGGBB a pixel, rows top-down.
struct RasterPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
    bool operator==(const RasterPicture&) const = default;
};

// Every pixel differs from its neighbours in all three channels, so swapped
// channels, mirrored rows or shifted columns all show.
RasterPicture MakeTestPicture(int width, int height);

// A picture of palette indices. Indices may point past the palette (those pixels
// are expected black).
struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB

    std::uint8_t At(int x, int y) const { return indices[std::size_t(y) * width + x]; }
    RasterPicture Expand() const;
};

// Indices 0 to colours - 1 in a pattern with runs and single pixels (so RLE writers
// produce both encoded and absolute runs), over a palette of distinct colours.
IndexedPicture MakeIndexedPicture(int width, int height, int colours);

// The decoded picture as a RasterPicture (empty when there are no pixels); the
// fourth byte of every pixel must be 0xFF, else the pixel reads 0xFF000000 | rgb.
RasterPicture FromDecoded(const DecodeResult& result);

// Empty when two held pictures of `bytes` bytes show the same: the same blue, green and
// red, and a fourth byte of 0xFF, or 0 in a black pixel never written. Otherwise where
// they differ first.
std::string ShownDifference(const std::uint8_t* actual, const std::uint8_t* expected,
                            std::size_t bytes);

// Empty when the pictures are equal; otherwise the sizes or the first pixel that
// differs, for a readable test failure.
std::string DescribeDifference(const RasterPicture& actual, const RasterPicture& expected);

// ---- BMP ----

enum class BmpHeader {
    kCore,  // 12 bytes, RGBTRIPLE palette
    kInfo,  // 40 bytes; bit-field masks follow the header
    kV4,    // 108 bytes; masks inside the header
    kV5,    // 124 bytes
};

struct BmpOptions {
    BmpHeader header = BmpHeader::kInfo;
    int bitsPerPixel = 24;  // 1, 4, 8 (indexed); 16, 24, 32 (direct)
    bool topDown = false;   // negative height
    bool rle = false;       // RLE8 at 8 bits, RLE4 at 4 bits (bottom-up only)
    // 16 and 32 bits: BI_BITFIELDS with these masks when any is non-zero; otherwise
    // the defaults (5-5-5, and B, G, R, X bytes).
    std::uint32_t redMask = 0;
    std::uint32_t greenMask = 0;
    std::uint32_t blueMask = 0;
};

// 16, 24 or 32 bits.
std::vector<std::uint8_t> MakeBmp(const RasterPicture& picture, const BmpOptions& options = {});
// 1, 4 or 8 bits, with the picture's palette (at most 2^bits entries written).
std::vector<std::uint8_t> MakeBmp(const IndexedPicture& picture, const BmpOptions& options);
// An RLE4 or RLE8 file (info header) around a hand-made stream.
std::vector<std::uint8_t> MakeBmpWithRleStream(int width, int height, int bitsPerPixel,
                                               const std::vector<std::uint32_t>& palette,
                                               const std::vector<std::uint8_t>& stream);
// What a file with these masks keeps of the picture: every channel cut to its
// mask's width and scaled back to 0..255, rounded.
RasterPicture QuantiseToMasks(const RasterPicture& picture, std::uint32_t redMask,
                              std::uint32_t greenMask, std::uint32_t blueMask);

// ---- PCX ----

enum class PcxKind {
    kMono,      // 1 bit, 1 plane
    kPlanes2,   // 1 bit, 2 planes, header palette
    kPlanes4,   // 1 bit, 4 planes, header palette
    kPacked2,   // 2 bits, 1 plane, header palette
    kIndexed8,  // 8 bits, 1 plane, 256-colour palette at the end
    kGrey8,     // 8 bits, 1 plane, no palette at the end: the index is the grey level
    kRgb24,     // 8 bits, 3 planes
};

struct PcxOptions {
    PcxKind kind = PcxKind::kRgb24;
    int paddingBytes = 0;          // extra bytes a plane line carries beyond the width
    bool runsAcrossLines = false;  // one RLE stream for the whole picture
    bool headerPalette = true;     // kMono: false leaves the header palette zero
    bool rle = true;               // false: raw bytes (encoding 0)
    int xmin = 0;                  // window origin
    int ymin = 0;
};

// kRgb24.
std::vector<std::uint8_t> MakePcx(const RasterPicture& picture, const PcxOptions& options = {});
// The indexed kinds; the palette goes into the header (first 16) or the end (256).
std::vector<std::uint8_t> MakePcx(const IndexedPicture& picture, const PcxOptions& options);

// ---- TIFF ----

struct TiffOptions {
    int width = 0;
    int height = 0;
    std::uint16_t photometric = 2;  // PHOTOMETRIC_RGB; YCbCr with JPEG takes RGB samples
    std::uint16_t compression = 1;  // COMPRESSION_NONE
    std::uint16_t bitsPerSample = 8;
    std::uint16_t samplesPerPixel = 3;
    std::uint16_t extraSample = 0;  // with an alpha sample: EXTRASAMPLE_ASSOCALPHA/UNASSALPHA
    std::uint16_t orientation = 1;  // ORIENTATION_TOPLEFT
    bool separatePlanes = false;
    int tileWidth = 0;  // tiled when non-zero (multiples of 16)
    int tileHeight = 0;
    int rowsPerStrip = 0;                 // 0: libtiff's default
    std::vector<std::uint16_t> colormap;  // palette: red, green, blue arrays of 2^bits
};

// samples: samplesPerPixel values a pixel, rows in file order, each value within
// bitsPerSample. Empty when libtiff refuses the options.
std::vector<std::uint8_t> MakeTiff(const TiffOptions& options,
                                   const std::vector<std::uint16_t>& samples);
// A plain 8-bit RGB TIFF of the picture.
std::vector<std::uint8_t> MakeTiff(const RasterPicture& picture, std::uint16_t compression = 1);
// The file's first picture as libtiff's own RGBA reader gives it, top-left first;
// empty when libtiff cannot read it whole.
RasterPicture ReadTiffThroughLibtiff(const std::vector<std::uint8_t>& file);

// ---- files ----

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace fixtures
