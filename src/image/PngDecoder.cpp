// PNG through libpng: every colour type and bit depth comes out as B, G, R, 0xFF, with
// transparency composited onto the caller's background and the file's gamma corrected
// to the display's. Text chunks are read here rather than by libpng, so that their
// order is the file's and an oversized one is left out instead of failing the file.

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "image/Decoders.h"
#include "image/Resampler.h"

namespace {

constexpr std::size_t kMaxTextEntryBytes = std::size_t{1} << 20;
constexpr std::size_t kMaxTextTotalBytes = std::size_t{64} << 20;
constexpr std::size_t kMaxKeywordBytes = 79;
constexpr const char* kEndsEarly = "the PNG file ends early";

std::uint32_t ReadBe32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
           std::uint32_t{p[3]};
}

// ---- text chunks ----

struct TextBudget {
    std::size_t used = 0;  // text bytes produced so far, kept or not

    bool Take(std::size_t bytes) {
        if (bytes > kMaxTextTotalBytes - used)
            return false;
        used += bytes;
        return true;
    }
};

// Inflates a zlib stream; false when it is broken, or inflates past `limit` or the budget.
bool Inflate(const std::uint8_t* data, std::size_t size, std::size_t limit, TextBudget& budget,
             std::string& out) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return false;
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(std::min<std::size_t>(size, UINT32_MAX));
    std::uint8_t buffer[16384];
    int status = Z_OK;
    bool ok = true;
    while (ok && status == Z_OK) {
        z.next_out = buffer;
        z.avail_out = sizeof buffer;
        status = inflate(&z, Z_NO_FLUSH);
        const std::size_t produced = sizeof buffer - z.avail_out;
        ok = (status == Z_OK || status == Z_STREAM_END) && out.size() + produced <= limit &&
             budget.Take(produced);
        if (ok)
            out.append(reinterpret_cast<const char*>(buffer), produced);
        if (status == Z_OK && produced == 0 && z.avail_in == 0)
            ok = false;  // the stream stops short of its end
    }
    inflateEnd(&z);
    return ok && status == Z_STREAM_END;
}

// Splits off the NUL-terminated field at `pos`; false when no NUL ends it within
// maxLength bytes.
bool TakeField(const std::uint8_t* data, std::size_t size, std::size_t& pos, std::size_t maxLength,
               std::string& field) {
    const std::size_t span = std::min(size - pos, maxLength + 1);
    const auto* end = static_cast<const std::uint8_t*>(std::memchr(data + pos, 0, span));
    if (!end)
        return false;
    field.assign(reinterpret_cast<const char*>(data + pos), end - (data + pos));
    pos = static_cast<std::size_t>(end - data) + 1;
    return true;
}

// Uncompressed text, up to its first NUL as libpng hands it out; false when too long.
bool TakePlainText(const std::uint8_t* data, std::size_t size, std::size_t pos, TextBudget& budget,
                   std::string& text) {
    const auto* nul = static_cast<const std::uint8_t*>(std::memchr(data + pos, 0, size - pos));
    const std::size_t length = nul ? static_cast<std::size_t>(nul - (data + pos)) : size - pos;
    if (length > kMaxTextEntryBytes || !budget.Take(length))
        return false;
    text.assign(reinterpret_cast<const char*>(data + pos), length);
    return true;
}

void CutAtNul(std::string& text) {
    text.resize(std::strlen(text.c_str()));
}

bool ValidKeyword(const std::string& keyword) {
    return !keyword.empty() && keyword.size() <= kMaxKeywordBytes;
}

// The body of a tEXt, zTXt or iTXt chunk as keyword and text; false when malformed,
// oversized or over the budget.
bool ParseText(const std::string& type, const std::uint8_t* data, std::size_t size,
               TextBudget& budget, PngTextEntry& entry) {
    std::size_t pos = 0;
    if (type == "tEXt") {
        if (!TakeField(data, size, pos, kMaxKeywordBytes, entry.keyword)) {
            if (size > kMaxKeywordBytes)
                return false;
            entry.keyword.assign(reinterpret_cast<const char*>(data), size);  // no text
            pos = size;
        }
        return ValidKeyword(entry.keyword) && TakePlainText(data, size, pos, budget, entry.text);
    }
    if (!TakeField(data, size, pos, kMaxKeywordBytes, entry.keyword) ||
        !ValidKeyword(entry.keyword))
        return false;
    bool compressed = true;
    if (type == "iTXt") {
        if (size - pos < 2 || data[pos] > 1 || data[pos + 1] != 0)
            return false;
        compressed = data[pos] == 1;
        pos += 2;
        std::string language, translated;
        if (!TakeField(data, size, pos, kMaxTextEntryBytes, language) ||
            !TakeField(data, size, pos, kMaxTextEntryBytes, translated))
            return false;
    } else {  // zTXt
        if (pos >= size || data[pos] != 0)
            return false;
        ++pos;
    }
    if (!compressed)
        return TakePlainText(data, size, pos, budget, entry.text);
    if (!Inflate(data + pos, size - pos, kMaxTextEntryBytes, budget, entry.text))
        return false;
    CutAtNul(entry.text);
    return true;
}

bool IsTextChunk(const std::string& type) {
    return type == "tEXt" || type == "zTXt" || type == "iTXt";
}

// ---- the stream libpng reads ----

struct Segment {
    std::size_t offset = 0;
    std::size_t size = 0;
};

// The file without its text chunks, as libpng sees it.
struct PngInput {
    ByteReader* file = nullptr;
    std::vector<Segment> segments;
    std::size_t segment = 0;
    std::size_t offset = 0;  // within the current segment
    std::size_t rowsRead = 0;
    bool ranOut = false;  // the file ended before libpng was done with it
    // libpng asks for a few KiB at a time: the file is read in larger pieces.
    std::vector<std::uint8_t> window;
    std::uint64_t windowStart = 0;
    std::size_t windowSize = 0;

    void Keep(std::size_t from, std::size_t size) {
        if (!segments.empty() && segments.back().offset + segments.back().size == from)
            segments.back().size += size;
        else
            segments.push_back({from, size});
    }

    // Copies `count` bytes from `at` (which the walk has seen the file hold).
    bool Copy(std::uint64_t at, std::size_t count, std::uint8_t* out) {
        constexpr std::size_t kWindow = std::size_t{1} << 18;
        if (at >= windowStart && at + count <= windowStart + windowSize) {
            std::memcpy(out, window.data() + (at - windowStart), count);
            return true;
        }
        if (count >= kWindow)
            return file->ReadAt(at, count, out);
        window.resize(kWindow);
        windowStart = at;
        windowSize = static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, file->Size() - at));
        if (!file->ReadAt(at, windowSize, window.data())) {
            windowSize = 0;
            return false;
        }
        std::memcpy(out, window.data(), count);
        return true;
    }
};

// Walks the chunks: text chunks (with a good CRC) go to `texts`, everything else to the
// input. The walk ends at IEND or at the first chunk the file cannot hold; libpng then
// finds the data ending there. Only chunk headers and text chunks are read here.
void SplitChunks(ByteReader& file, PngInput& input, std::vector<PngTextEntry>* texts) {
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    input.file = &file;
    const std::uint64_t size = file.Size();
    std::uint8_t signature[8];
    if (!file.ReadAt(0, 8, signature) || std::memcmp(signature, kSignature, 8) != 0) {
        if (size > 0)
            input.Keep(0, static_cast<std::size_t>(size));  // libpng reports the bad signature
        return;
    }
    input.Keep(0, 8);
    std::uint64_t pos = 8;
    TextBudget budget;
    std::vector<std::uint8_t> body;
    std::uint8_t header[8];
    while (size - pos >= 12 && file.ReadAt(pos, 8, header)) {
        const std::uint32_t length = ReadBe32(header);
        const std::string type(reinterpret_cast<const char*>(header + 4), 4);
        if (length > PNG_UINT_31_MAX || length > size - pos - 12) {
            // Only image data is worth reading in part: libpng would allocate any other
            // chunk at its declared size, whatever the file really holds.
            if (type == "IDAT")
                input.Keep(static_cast<std::size_t>(pos), static_cast<std::size_t>(size - pos));
            return;
        }
        const std::size_t chunkSize = std::size_t{length} + 12;
        if (!IsTextChunk(type)) {
            input.Keep(static_cast<std::size_t>(pos), chunkSize);
            pos += chunkSize;
            if (type == "IEND")
                return;
            continue;
        }
        // Type, body and CRC.
        body.resize(std::size_t{length} + 8);
        if (texts && file.ReadAt(pos + 4, body.size(), body.data())) {
            const uLong crc = crc32(0, body.data(), length + 4);
            PngTextEntry entry;
            if (crc == ReadBe32(body.data() + 4 + length) &&
                ParseText(type, body.data() + 4, length, budget, entry))
                texts->push_back(std::move(entry));
        }
        pos += chunkSize;
    }
}

// libpng wants every byte it asks for. When the file ends early it gets zeros once, so
// that it decodes the rows the real data holds before the padding stops it.
void ReadInput(png_structp png, png_bytep out, png_size_t length) {
    auto* input = static_cast<PngInput*>(png_get_io_ptr(png));
    while (length > 0) {
        if (input->segment >= input->segments.size()) {
            if (input->ranOut)
                png_error(png, kEndsEarly);
            input->ranOut = true;
            std::memset(out, 0, length);
            return;
        }
        const Segment& s = input->segments[input->segment];
        const std::size_t n = std::min<std::size_t>(length, s.size - input->offset);
        if (!input->Copy(s.offset + input->offset, n, out)) {
            input->segment = input->segments.size();  // the file shrank: it ends here
            continue;
        }
        out += n;
        length -= n;
        input->offset += n;
        if (input->offset == s.size) {
            ++input->segment;
            input->offset = 0;
        }
    }
}

// ---- libpng errors ----

struct PngErrorText {
    char message[160] = {};
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
    auto* error = static_cast<PngErrorText*>(png_get_error_ptr(png));
    std::snprintf(error->message, sizeof error->message, "%s", message ? message : "PNG error");
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Runs step() with libpng's error exit armed. A step keeps only trivially destructible
// locals: the jump skips its frame.
// libpng's reason, unless the file simply ran out (then the padding made up the reason).
std::string FailureReason(const PngInput& input, const PngErrorText& error) {
    return input.ranOut ? kEndsEarly : error.message;
}

template <typename Step>
bool RunPngStep(png_structp png, Step&& step) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    step();
    return true;
}

// ---- pixels ----

// Trapped: every transformation from the file's format to B, G, R, 0xFF.
void SetUpTransforms(png_structp png, png_infop info, Rgb background, double displayGamma) {
    const int colourType = png_get_color_type(png, info);
    const bool transparent =
        (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    png_set_expand(png);  // palette to RGB, small grey to 8 bits, tRNS to alpha
    if (png_get_bit_depth(png, info) == 16)
        png_set_scale_16(png);
    if ((colourType & PNG_COLOR_MASK_COLOR) == 0)
        png_set_gray_to_rgb(png);  // before compositing, so the background keeps its colour
    double fileGamma = 0;
    if (png_get_gAMA(png, info, &fileGamma) && fileGamma > 0 && displayGamma > 0)
        png_set_gamma(png, displayGamma, fileGamma);
    if (transparent) {
        png_color_16 colour{};
        colour.red = background.red;
        colour.green = background.green;
        colour.blue = background.blue;
        png_set_background(png, &colour, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

// Trapped: reads every pass of every row into `pixels`, counting rows as they come.
void ReadRows(png_structp png, png_infop info, std::uint8_t* pixels, PngInput& input) {
    const png_uint_32 height = png_get_image_height(png, info);
    const std::size_t stride = png_get_rowbytes(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, pixels + stride * y, nullptr);
            ++input.rowsRead;
        }
    }
}

void FillWith(std::uint8_t* pixels, std::size_t bytes, Rgb colour) {
    for (std::size_t i = 0; i + 3 < bytes; i += 4) {
        pixels[i] = colour.blue;
        pixels[i + 1] = colour.green;
        pixels[i + 2] = colour.red;
        pixels[i + 3] = 0xFF;
    }
}

// Trapped: reads the rows of a picture without interlacing straight into the shrinker,
// so that the whole picture is never held. Each row starts as the background, as the
// rows of a whole picture do: libpng may fail after writing the last row, or before.
void ShrinkRows(png_structp png, png_infop info, RowShrinker& shrinker, PngInput& input,
                Rgb background) {
    const png_uint_32 height = png_get_image_height(png, info);
    const std::size_t stride = std::size_t{png_get_image_width(png, info)} * kPictureBytesPerPixel;
    for (png_uint_32 y = 0; y < height; ++y) {
        FillWith(shrinker.NextRow(), stride, background);
        png_read_row(png, shrinker.NextRow(), nullptr);
        shrinker.PushRow();
        ++input.rowsRead;
    }
}

std::string SizeReason(png_uint_32 width, png_uint_32 height) {
    return "the PNG picture size " + std::to_string(width) + " x " + std::to_string(height) +
           " is not supported";
}

// The rows decoded into a shrinker, the rows the data never reaches as the background;
// false when no row could be read (`result.error` says why).
bool DecodeShrunk(png_structp png, png_infop info, PngInput& input, Rgb background,
                  const PngErrorText& error, Size target, DecodeResult& result) {
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    RowShrinker shrinker(static_cast<int>(width), static_cast<int>(height), target.cx, target.cy);
    if (!shrinker.Ready()) {
        result.error = "not enough memory for the PNG picture";
        return false;
    }
    if (!RunPngStep(png, [&] { ShrinkRows(png, info, shrinker, input, background); })) {
        if (input.rowsRead == 0) {
            result.error = FailureReason(input, error);
            return false;
        }
        result.error = "the PNG picture is incomplete: " + FailureReason(input, error);
        // The row libpng stopped in holds what it wrote, if anything; the rest the
        // background.
        const std::size_t stride = std::size_t{width} * kPictureBytesPerPixel;
        shrinker.PushRow();
        while (std::uint8_t* row = shrinker.NextRow()) {
            FillWith(row, stride, background);
            shrinker.PushRow();
        }
    }
    result.pixels = shrinker.Finish();
    if (!result.pixels) {
        result.error = "not enough memory for the PNG picture";
        return false;
    }
    result.pixels->SetPictureSize(target.cx, target.cy);
    return true;
}

DecodeResult DecodePixels(png_structp png, png_infop info, PngInput& input, Rgb background,
                          double displayGamma, const PngErrorText& error, const LoadHint& hint) {
    DecodeResult result;
    if (!RunPngStep(png, [&] {
            png_set_read_fn(png, &input, ReadInput);
            png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
            png_read_info(png, info);
        })) {
        result.error = FailureReason(input, error);
        return result;
    }
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (width < 1 || height < 1 || std::uint64_t{width} * height > kMaxPicturePixels) {
        result.error = SizeReason(width, height);
        return result;
    }
    if (!RunPngStep(png, [&] { SetUpTransforms(png, info, background, displayGamma); })) {
        result.error = error.message;
        return result;
    }
    const std::size_t stride = std::size_t{width} * kPictureBytesPerPixel;
    if (png_get_rowbytes(png, info) != stride) {
        result.error = "unexpected PNG row layout";
        return result;
    }
    // A preview smaller than the picture is made as the rows come (an interlaced
    // picture needs all of its passes first).
    const std::optional<Size> target =
        HintedSize(hint, static_cast<int>(width), static_cast<int>(height));
    if (target && png_get_interlace_type(png, info) == PNG_INTERLACE_NONE) {
        if (DecodeShrunk(png, info, input, background, error, *target, result)) {
            result.width = static_cast<int>(width);
            result.height = static_cast<int>(height);
        }
        return result;
    }
    BlockHandle block = MemoryBlock::Allocate(stride * height);
    if (!block) {
        result.error = "not enough memory for the PNG picture";
        return result;
    }
    // Rows the data never reaches show the background.
    FillWith(block->Data(), stride * height, background);
    if (!RunPngStep(png, [&] { ReadRows(png, info, block->Data(), input); })) {
        if (input.rowsRead == 0) {
            result.error = FailureReason(input, error);
            return result;
        }
        result.error = "the PNG picture is incomplete: " + FailureReason(input, error);
    }
    result.pixels = std::move(block);
    result.width = static_cast<int>(width);
    result.height = static_cast<int>(height);
    return result;
}

}  // namespace

DecodeResult DecodePng(ByteSpan file, Rgb background, double displayGamma,
                       std::vector<PngTextEntry>* texts) {
    SpanReader reader(file);
    return DecodePng(reader, background, displayGamma, texts, LoadHint{});
}

DecodeResult DecodePng(ByteReader& file, Rgb background, double displayGamma,
                       std::vector<PngTextEntry>* texts, const LoadHint& hint) {
    if (texts)
        texts->clear();
    PngInput input;
    SplitChunks(file, input, texts);

    PngErrorText error;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    DecodeResult result;
    if (!info)
        result.error = "libpng could not start";
    else
        result = DecodePixels(png, info, input, background, displayGamma, error, hint);
    png_destroy_read_struct(&png, &info, nullptr);
    return result;
}

namespace {

// ---- header only ----

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool ChunkCrcMatches(const std::uint8_t* typeAndBody, std::size_t bodyLength,
                     const std::uint8_t* crc) {
    return crc32(0, typeAndBody, static_cast<uInt>(bodyLength + 4)) == ReadBe32(crc);
}

// The header fields libpng refuses; empty when they are sound.
std::string HeaderFault(const std::uint8_t* ihdr) {
    const std::uint32_t width = ReadBe32(ihdr);
    const std::uint32_t height = ReadBe32(ihdr + 4);
    const int depth = ihdr[8];
    const int colourType = ihdr[9];
    if (width == 0 || height == 0 || width > PNG_UINT_31_MAX || height > PNG_UINT_31_MAX)
        return "Invalid IHDR data";
    bool depthFits = false;
    switch (colourType) {
        case 0:
            depthFits = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
            break;
        case 3:
            depthFits = depth == 1 || depth == 2 || depth == 4 || depth == 8;
            break;
        case 2:
        case 4:
        case 6:
            depthFits = depth == 8 || depth == 16;
            break;
        default:
            break;
    }
    if (!depthFits || ihdr[10] != 0 || ihdr[11] != 0 || ihdr[12] > 1)
        return "Invalid IHDR data";
    if (std::uint64_t{width} * height > kMaxPicturePixels)
        return SizeReason(width, height);
    return {};
}

bool IsCriticalChunk(const std::uint8_t* type) {
    return (type[0] & 0x20) == 0;
}

}  // namespace

DecodeResult ReadPngHeader(ByteReader& file, std::vector<PngTextEntry>* texts) {
    if (texts)
        texts->clear();
    DecodeResult result;
    const std::uint64_t size = file.Size();
    // Signature, then IHDR: length, type, 13 bytes of fields, CRC.
    std::uint8_t head[33] = {};
    if (file.ReadAt(0, 8, head) && std::memcmp(head, kPngSignature, 8) != 0) {
        result.error = "Not a PNG file";
        return result;
    }
    if (!file.ReadAt(0, sizeof head, head)) {
        result.error = kEndsEarly;
        return result;
    }
    if (ReadBe32(head + 8) != 13 || std::memcmp(head + 12, "IHDR", 4) != 0) {
        result.error = "Missing IHDR before image data";
        return result;
    }
    if (!ChunkCrcMatches(head + 12, 13, head + 29)) {
        result.error = "IHDR: CRC error";
        return result;
    }
    if (std::string fault = HeaderFault(head + 16); !fault.empty()) {
        result.error = std::move(fault);
        return result;
    }
    const bool palette = head[25] == 3;
    bool sawPalette = false;
    bool sawData = false;
    TextBudget budget;
    std::vector<std::uint8_t> chunk;
    std::uint64_t pos = sizeof head;
    std::uint8_t header[8];
    // As the full read does: up to IEND or the first chunk the file cannot hold.
    while (file.ReadAt(pos, 8, header)) {
        const std::uint32_t length = ReadBe32(header);
        const std::string type(reinterpret_cast<const char*>(header + 4), 4);
        if (length > PNG_UINT_31_MAX || length + std::uint64_t{12} > size - pos) {
            sawData = sawData || type == "IDAT";
            break;
        }
        if (type == "IEND")
            break;
        if (type == "IDAT") {
            if (palette && !sawPalette) {
                result.error = "Missing PLTE before IDAT";
                return result;
            }
            sawData = true;
        } else if (type == "PLTE" || IsTextChunk(type) ||
                   (!sawData && IsCriticalChunk(header + 4))) {
            if (!sawData && type != "PLTE" && !IsTextChunk(type)) {
                result.error = type + ": unknown critical chunk";
                return result;
            }
            chunk.resize(std::size_t{length} + 8);
            if (!file.ReadAt(pos + 4, chunk.size(), chunk.data()))
                break;
            const bool crcOk = ChunkCrcMatches(chunk.data(), length, chunk.data() + 4 + length);
            if (type == "PLTE" && !sawData) {
                if (!crcOk) {
                    result.error = "PLTE: CRC error";
                    return result;
                }
                sawPalette = true;
            }
            PngTextEntry entry;
            if (IsTextChunk(type) && texts && crcOk &&
                ParseText(type, chunk.data() + 4, length, budget, entry))
                texts->push_back(std::move(entry));
        }
        pos += std::uint64_t{length} + 12;
    }
    if (!sawData) {
        result.error = kEndsEarly;
        return result;
    }
    result.pixels = MemoryBlock::Allocate(0);
    if (!result.pixels) {
        result.error = "not enough memory for the PNG picture";
        return result;
    }
    result.pixels->SetPictureSize(0, 0);
    result.width = static_cast<int>(ReadBe32(head + 16));
    result.height = static_cast<int>(ReadBe32(head + 20));
    return result;
}
