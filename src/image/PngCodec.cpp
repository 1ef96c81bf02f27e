// PNG through libpng: every colour type and bit depth comes out as B, G, R, 0xFF, with
// transparency composited onto the caller's background and the file's gamma corrected
// to the display's. The chunks are walked here first: text chunks are read here rather
// than by libpng, so that their order is the file's and an oversized one is left out
// instead of failing the file, and libpng sees the rest, read from the file as it goes.

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "image/Codecs.h"

namespace {

struct PngTextEntry {
    std::string keyword;
    std::string text;
};

constexpr std::size_t kMaxTextEntryBytes = std::size_t{1} << 20;
constexpr std::size_t kMaxTextTotalBytes = std::size_t{64} << 20;
constexpr std::size_t kMaxKeywordBytes = 79;

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

// A text chunk longer than this cannot hold a text within the caps: it is skipped
// unread (keyword, two iTXt fields and the text, each at most one entry long).
constexpr std::size_t kMaxTextChunkBytes = 3 * kMaxTextEntryBytes + 1024;

// ---- the stream libpng reads ----

struct Segment {
    std::uint64_t offset = 0;
    std::size_t size = 0;
};

// The file without its text chunks, as libpng sees it.
struct PngInput {
    ByteSource* file = nullptr;
    std::vector<Segment> segments;
    std::size_t segment = 0;
    std::size_t offset = 0;  // within the current segment
    bool ranOut = false;     // the file ended before libpng was done with it

    void Keep(std::uint64_t from, std::uint64_t size) {
        while (size > 0) {
            const std::size_t piece = std::size_t(std::min<std::uint64_t>(size, PNG_UINT_31_MAX));
            if (!segments.empty() && segments.back().offset + segments.back().size == from &&
                segments.back().size <= PNG_UINT_31_MAX)
                segments.back().size += piece;
            else
                segments.push_back({from, piece});
            from += piece;
            size -= piece;
        }
    }

    bool Copy(std::uint64_t at, std::size_t count, std::uint8_t* out) {
        const std::uint8_t* bytes = file->View(at, count);
        if (!bytes)
            return false;
        std::memcpy(out, bytes, count);
        return true;
    }
};

// libpng wants every byte it asks for. When the file ends early it gets zeros once, so
// that it decodes the rows the real data holds before the padding stops it.
void ReadInput(png_structp png, png_bytep out, png_size_t length) {
    auto* input = static_cast<PngInput*>(png_get_io_ptr(png));
    while (length > 0) {
        if (input->segment >= input->segments.size()) {
            if (input->ranOut)
                png_error(png, "the file ends early");
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
    bool outOfMemory = false;  // an allocation of libpng's or zlib's failed
};

// libpng's allocator, noting a failure: libpng then stops with a message of its own or
// zlib's, which would read as damage.
png_voidp AllocateForPng(png_structp png, png_alloc_size_t size) {
    void* bytes = std::malloc(size);
    if (!bytes)
        static_cast<PngErrorText*>(png_get_mem_ptr(png))->outOfMemory = true;
    return bytes;
}

void FreeForPng(png_structp, png_voidp bytes) {
    std::free(bytes);
}

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
    auto* error = static_cast<PngErrorText*>(png_get_error_ptr(png));
    std::snprintf(error->message, sizeof error->message, "%s", message ? message : "PNG error");
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Runs step() with libpng's error exit armed. A step keeps only trivially destructible
// locals: the jump skips its frame.
template <typename Step>
bool RunPngStep(png_structp png, Step&& step) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    step();
    return true;
}

// ---- header ----

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
    return {};
}

bool IsCriticalChunk(const std::uint8_t* type) {
    return (type[0] & 0x20) == 0;
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

void FillWith(std::uint8_t* pixels, std::size_t bytes, Rgb colour) {
    for (std::size_t i = 0; i + 3 < bytes; i += 4) {
        pixels[i] = colour.blue;
        pixels[i + 1] = colour.green;
        pixels[i + 2] = colour.red;
        pixels[i + 3] = 0xFF;
    }
}

struct PngReadState {
    std::size_t rows = 0;  // rows libpng has handed out
};

// Trapped: every pass of every row into the whole picture.
void ReadInterlaced(png_structp png, png_infop info, std::uint8_t* pixels, PngReadState& state) {
    const png_uint_32 height = png_get_image_height(png, info);
    const std::size_t stride = png_get_rowbytes(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, pixels + stride * y, nullptr);
            ++state.rows;
        }
    }
}

// Trapped: the rows in order into the sink, each first set to the background where
// the sink does not start black, so that a row libpng stops in shows it.
void ReadInOrder(png_structp png, png_infop info, RowSink& sink, Rgb background,
                 PngReadState& state) {
    const png_uint_32 height = png_get_image_height(png, info);
    const std::size_t stride = std::size_t{png_get_image_width(png, info)} * kPictureBytesPerPixel;
    const bool fill = !sink.Pixels() || background.red || background.green || background.blue;
    for (png_uint_32 y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint8_t*>(sink.Row(y));
        if (fill)
            FillWith(row, stride, background);
        png_read_row(png, row, nullptr);
        sink.Done(y);
        ++state.rows;
    }
}

// The signature and the IHDR chunk.
constexpr std::size_t kStartBytes = 33;

// What the walk over the chunks after IHDR has seen so far.
struct ChunkWalk {
    bool palette = false;  // the picture's colours are in a PLTE chunk
    bool sawPalette = false;
    bool sawData = false;
    TextBudget budget;
    std::vector<std::uint8_t> chunk;  // the body of the chunk being read, with type and CRC
};

enum class ChunkStep { kNext, kEnd, kRefuse };

// What libpng would refuse in the order of the chunks; marks the start of the image data.
std::string OrderFault(const std::string& type, const std::uint8_t* typeBytes, ChunkWalk& walk) {
    if (type == "IDAT") {
        if (walk.palette && !walk.sawPalette)
            return "Missing PLTE before IDAT";
        walk.sawData = true;
    }
    if (!walk.sawData && type != "PLTE" && type != "IEND" && !IsTextChunk(type) &&
        IsCriticalChunk(typeBytes))
        return type + ": unknown critical chunk";
    return {};
}

class PngCodec : public Codec {
public:
    PngCodec(ByteSource& source, Rgb background, double displayGamma)
        : m_background(background), m_gamma(displayGamma) {
        m_input.file = &source;
    }
    ~PngCodec() override {
        if (m_png)
            png_destroy_read_struct(&m_png, &m_info, nullptr);
    }
    PngCodec(const PngCodec&) = delete;
    PngCodec& operator=(const PngCodec&) = delete;

    const char* Name() const override { return "PNG"; }

    std::uint32_t MissingColour() const override {
        return std::uint32_t{m_background.red} << 16 | std::uint32_t{m_background.green} << 8 |
               m_background.blue;
    }

    // Walks the chunks: checks what libpng would refuse before the image data, keeps
    // the texts, and notes for libpng every other chunk. The walk ends at IEND or at the
    // first chunk the file cannot hold; libpng then finds the data ending there. Only
    // chunk headers and the chunks checked or kept as text are read.
    bool ReadHeader(CodecHeader& header, LoadFailure& failure, std::string& detail) override {
        std::uint8_t start[kStartBytes] = {};
        if (!ReadStart(start, failure, detail))
            return false;
        m_input.Keep(0, sizeof start);
        ChunkWalk walk;
        walk.palette = start[25] == 3;
        std::uint64_t pos = sizeof start;
        ChunkStep step = ChunkStep::kNext;
        while (step == ChunkStep::kNext)
            step = WalkChunk(pos, walk, detail);
        if (step == ChunkStep::kRefuse)
            return false;
        if (!walk.sawData) {
            detail = "the file ends before the image data";
            return false;
        }
        header.width = ReadBe32(start + 16);
        header.height = ReadBe32(start + 20);
        header.rowsInOrder = start[28] == 0;
        return true;
    }

    void Decode(Size, RowSink& sink, DecodeReport& report) override {
        m_png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &m_error, OnPngError, OnPngWarning,
                                         &m_error, AllocateForPng, FreeForPng);
        m_info = m_png ? png_create_info_struct(m_png) : nullptr;
        if (!m_info)
            throw std::bad_alloc();
        PngReadState state;
        const bool read = RunPngStep(m_png, [&] {
            png_set_read_fn(m_png, &m_input, ReadInput);
            png_set_user_limits(m_png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
            png_read_info(m_png, m_info);
            SetUpTransforms(m_png, m_info, m_background, m_gamma);
            if (png_get_rowbytes(m_png, m_info) !=
                std::size_t{png_get_image_width(m_png, m_info)} * kPictureBytesPerPixel)
                png_error(m_png, "unexpected row layout");
            if (png_get_interlace_type(m_png, m_info) == PNG_INTERLACE_NONE)
                ReadInOrder(m_png, m_info, sink, m_background, state);
            else
                ReadInterlaced(m_png, m_info, reinterpret_cast<std::uint8_t*>(sink.Pixels()),
                               state);
        });
        const std::size_t height = png_get_image_height(m_png, m_info);
        if (read) {
            report.rows = height;
            return;
        }
        if (m_error.outOfMemory)
            throw std::bad_alloc();  // not damage: the driver says so
        report.end = m_input.ranOut ? DecodeReport::kTruncated : DecodeReport::kCorrupt;
        if (!m_input.ranOut)
            report.detail = m_error.message;
        if (png_get_interlace_type(m_png, m_info) != PNG_INTERLACE_NONE) {
            report.rows = std::min(state.rows, height);
            return;
        }
        report.rows = state.rows;
        if (state.rows > 0 && state.rows < height) {
            // The row libpng stopped in holds what it wrote, if anything.
            sink.Done(state.rows);
            report.partRow = true;
            sink.Skip(height - state.rows - 1);
        }
    }

private:
    // The signature and the IHDR chunk, checked as libpng would check them.
    bool ReadStart(std::uint8_t (&start)[kStartBytes], LoadFailure& failure, std::string& detail) {
        ByteSource& file = *m_input.file;
        failure = LoadFailure::kNotAPicture;
        if (!file.ReadAt(0, std::min<std::uint64_t>(file.Size(), 8), start) ||
            std::memcmp(start, kPngSignature, 8) != 0)
            return false;
        failure = LoadFailure::kDamaged;
        if (!file.ReadAt(0, kStartBytes, start)) {
            detail = "the file ends early";
            return false;
        }
        if (ReadBe32(start + 8) != 13 || std::memcmp(start + 12, "IHDR", 4) != 0)
            detail = "Missing IHDR before image data";
        else if (!ChunkCrcMatches(start + 12, 13, start + 29))
            detail = "IHDR: CRC error";
        else
            detail = HeaderFault(start + 16);
        return detail.empty();
    }

    // The chunk at `pos`, and `pos` moved past it.
    ChunkStep WalkChunk(std::uint64_t& pos, ChunkWalk& walk, std::string& detail) {
        ByteSource& file = *m_input.file;
        const std::uint64_t size = file.Size();
        std::uint8_t chunkHeader[8];
        if (!file.ReadAt(pos, 8, chunkHeader))
            return ChunkStep::kEnd;
        const std::uint32_t length = ReadBe32(chunkHeader);
        const std::string type(reinterpret_cast<const char*>(chunkHeader + 4), 4);
        if (length > PNG_UINT_31_MAX || length + std::uint64_t{12} > size - pos) {
            // Only image data is worth reading in part: libpng would allocate any other
            // chunk at its declared size, whatever the file really holds.
            if (type == "IDAT") {
                walk.sawData = true;
                m_input.Keep(pos, size - pos);
            }
            return ChunkStep::kEnd;
        }
        detail = OrderFault(type, chunkHeader + 4, walk);
        if (!detail.empty())
            return ChunkStep::kRefuse;
        const bool text = IsTextChunk(type);
        if ((text && length <= kMaxTextChunkBytes) || (type == "PLTE" && !walk.sawData)) {
            const ChunkStep step = ReadChunk(pos, length, type, walk, detail);
            if (step != ChunkStep::kNext)
                return step;
        }
        if (!text)
            m_input.Keep(pos, std::uint64_t{length} + 12);
        pos += std::uint64_t{length} + 12;
        return type == "IEND" ? ChunkStep::kEnd : ChunkStep::kNext;
    }

    // A text chunk, kept when it is sound, or the palette before the image data, checked.
    ChunkStep ReadChunk(std::uint64_t pos, std::uint32_t length, const std::string& type,
                        ChunkWalk& walk, std::string& detail) {
        std::vector<std::uint8_t>& chunk = walk.chunk;
        chunk.resize(std::size_t{length} + 8);
        if (!m_input.file->ReadAt(pos + 4, chunk.size(), chunk.data()))
            return ChunkStep::kEnd;
        const bool crcOk = ChunkCrcMatches(chunk.data(), length, chunk.data() + 4 + length);
        if (type == "PLTE") {
            if (!crcOk) {
                detail = "PLTE: CRC error";
                return ChunkStep::kRefuse;
            }
            walk.sawPalette = true;
            return ChunkStep::kNext;
        }
        PngTextEntry entry;
        if (crcOk && ParseText(type, chunk.data() + 4, length, walk.budget, entry))
            m_texts.push_back({std::move(entry.keyword), std::move(entry.text)});
        return ChunkStep::kNext;
    }

    Rgb m_background;
    double m_gamma;
    PngInput m_input;
    PngErrorText m_error;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

}  // namespace

std::unique_ptr<Codec> MakePngCodec(ByteSource& source, const CodecSettings& settings) {
    return std::make_unique<PngCodec>(source, settings.background, settings.displayGamma);
}
