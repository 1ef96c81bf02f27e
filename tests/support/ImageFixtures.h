#pragma once
// Test-only writers of small JPEG and PNG files: a known picture and chosen comments
// (JPEG COM segments) or text entries (PNG tEXt, zTXt, iTXt). Tests author their
// fixtures with these instead of committing image files. Every writer returns an
// empty result (or false) when libjpeg or libpng refuses the options.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fixtures {

struct Rgba {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;
    bool operator==(const Rgba&) const = default;
};

// The picture a writer draws: the colour of pixel (x, y).
using PixelFunction = std::function<Rgba(int x, int y)>;
// Red rising along x, green rising along y, blue 128: smooth, so JPEG keeps it closely.
PixelFunction Gradient(int width, int height);
PixelFunction Solid(Rgba colour);

// ---- JPEG ----

enum class JpegColour {
    kRgb,   // YCbCr in the file
    kGrey,  // one component: the pixel's red channel
    kCmyk,  // Adobe-style inverted CMYK, four components
    kYcck,  // the same, stored as YCCK
};

struct JpegOptions {
    int quality = 95;
    JpegColour colour = JpegColour::kRgb;
    int lumaH = 2;  // sampling factors of the first component; 2 x 2 is 4:2:0,
    int lumaV = 2;  // 2 x 1 is 4:2:2, 1 x 1 is 4:4:4
    bool progressive = false;
    bool arithmetic = false;
    int restartInterval = 0;  // in MCUs; 0 writes no restart markers
    // Above 0: a progressive file of this many scans (up to 1 + 693 per component),
    // each refining one coefficient by one bit.
    int progressiveScans = 0;
    PixelFunction pixel;  // default: Gradient(width, height)
};

// A whole JPEG file; each comment becomes one COM segment (raw bytes, up to 65533),
// written in order right after the header segments.
std::vector<std::uint8_t> MakeJpeg(int width, int height,
                                   const std::vector<std::string>& comments = {},
                                   const JpegOptions& options = {});
bool WriteJpegFile(const std::string& path, int width, int height,
                   const std::vector<std::string>& comments = {}, const JpegOptions& options = {});

// ---- PNG ----

enum class PngColour { kGrey, kGreyAlpha, kRgb, kRgbAlpha, kPalette };

enum class PngTextKind {
    kText,             // tEXt
    kZText,            // zTXt
    kIText,            // iTXt, uncompressed
    kITextCompressed,  // iTXt, compressed
};

struct PngText {
    PngTextKind kind = PngTextKind::kText;
    std::string keyword;  // 1 to 79 bytes
    std::string text;     // no NUL byte (libpng stops there)
};

struct PngOptions {
    PngColour colour = PngColour::kRgb;
    int bitDepth = 8;                 // 1, 2, 4 (grey, palette), 8, 16 (not palette)
    bool interlaced = false;          // Adam7
    std::optional<double> fileGamma;  // written as gAMA, e.g. 1 / 2.2
    bool srgb = false;                // written as sRGB
    // tRNS for grey or RGB pictures: pixels of exactly this colour are transparent.
    std::optional<Rgba> transparentColour;
    // Grey pictures take the red channel, scaled down to the bit depth; 16-bit
    // samples are the 8-bit value times 257. A palette is built from the distinct
    // colours (alpha below 255 goes to tRNS).
    PixelFunction pixel;  // default: Gradient(width, height)
};

std::vector<std::uint8_t> MakePng(int width, int height,
                                  const std::vector<PngText>& beforeImage = {},
                                  const std::vector<PngText>& afterImage = {},
                                  const PngOptions& options = {});
bool WritePngFile(const std::string& path, int width, int height,
                  const std::vector<PngText>& beforeImage = {},
                  const std::vector<PngText>& afterImage = {}, const PngOptions& options = {});

// One serialised PNG chunk (length, type, data, CRC), for hand-made hostile files.
std::vector<std::uint8_t> PngChunk(const std::string& type, const std::string& data);
// Inserts `chunk` right before the file's IEND chunk (or at the end if there is none).
void InsertBeforePngEnd(std::vector<std::uint8_t>& file, const std::vector<std::uint8_t>& chunk);
// zlib-compressed bytes, for zTXt and iTXt bodies made by hand.
std::string Deflate(const std::string& bytes);

// ---- files ----

bool WriteBytesFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadBytesFile(const std::string& path);

}  // namespace fixtures
