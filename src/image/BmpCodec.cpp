// BMP reading: the file header, then a core (12-byte), info (40), V4 (108) or V5
// (124) header; 1 to 32 bits a pixel, palettes, RLE4/RLE8 and bit-field masks.
// Every offset is checked in 64-bit arithmetic before it is used.

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "image/Codecs.h"
#include "image/RasterPixels.h"

namespace {

constexpr std::uint64_t kFileHeaderSize = 14;
// Enough for the largest header, its masks and a full palette.
constexpr std::size_t kHeadBytes = 2048;
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;
// Uncompressed rows are read in bands of about this many bytes.
constexpr std::uint64_t kBandBytes = std::uint64_t{1} << 20;

using Palette = std::array<std::uint32_t, 256>;

struct BmpHeader {
    std::int64_t width = 0;
    std::int64_t height = 0;  // always positive; topDown tells the row order
    bool topDown = false;
    int bits = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t masks[3] = {0, 0, 0};  // red, green, blue
    Palette palette{};                   // unset entries black
    std::uint64_t pixelOffset = 0;

    bool IsRle() const { return compression == kRle4 || compression == kRle8; }
    std::uint64_t RowBytes() const { return ((std::uint64_t(width) * bits + 31) / 32) * 4; }
};

// Reads the headers, masks and palette in steps, each false with the failure and a
// detail when the structure is broken.
class HeaderReader {
public:
    HeaderReader(ByteSource& source, BmpHeader& header, LoadFailure& failure, std::string& error)
        : m_source(source), m_header(header), m_failure(failure), m_error(error) {}

    bool Read() {
        if (!ReadFileHeader())
            return false;
        if (m_headerSize == 12)
            ReadCoreHeader();
        else if (!ReadInfoHeader())
            return false;
        if (!CheckKind())
            return false;
        if (m_header.pixelOffset < m_headerEnd)
            return Fail(LoadFailure::kDamaged, "pixel data overlaps the header");
        if (IsIndexed())
            ReadPalette();
        if (m_header.pixelOffset >= m_source.Size())
            return Fail(LoadFailure::kDamaged, "the file holds no pixel data");
        return true;
    }

private:
    bool Fail(LoadFailure failure, std::string error) {
        m_failure = failure;
        m_error = std::move(error);
        return false;
    }

    bool IsIndexed() const {
        return m_header.bits == 1 || m_header.bits == 4 || m_header.bits == 8;
    }

    // The 14-byte file header and the size of the header after it.
    bool ReadFileHeader() {
        m_have = m_source.Available(0, kHeadBytes);
        m_data = m_source.View(0, m_have);
        m_failure = LoadFailure::kNotAPicture;
        if (!m_data || m_have < kFileHeaderSize + 4 || m_data[0] != 'B' || m_data[1] != 'M')
            return false;
        m_failure = LoadFailure::kDamaged;
        m_header.pixelOffset = ReadLe32(m_data + 10);
        m_headerSize = ReadLe32(m_data + 14);
        m_headerEnd = kFileHeaderSize + m_headerSize;
        m_paletteStart = m_headerEnd;
        if (m_headerSize != 12 && (m_headerSize < 40 || m_headerSize > 255))
            return Fail(LoadFailure::kUnsupportedKind,
                        "header size " + std::to_string(m_headerSize));
        if (m_headerEnd > m_have)
            return Fail(LoadFailure::kDamaged, "header cut short");
        return true;
    }

    // 16-bit sizes and a palette of three-byte entries.
    void ReadCoreHeader() {
        const std::uint8_t* h = m_data + kFileHeaderSize;
        m_header.width = ReadLe16(h + 4);
        m_header.height = ReadLe16(h + 6);
        m_header.bits = ReadLe16(h + 10);
        m_paletteEntrySize = 3;
    }

    // The 40-byte header and its larger kinds, with their colour masks.
    bool ReadInfoHeader() {
        const std::uint8_t* h = m_data + kFileHeaderSize;
        m_header.width = std::int32_t(ReadLe32(h + 4));
        const std::int32_t height = std::int32_t(ReadLe32(h + 8));
        m_header.topDown = height < 0;
        m_header.height = m_header.topDown ? -std::int64_t(height) : height;
        m_header.bits = ReadLe16(h + 14);
        m_header.compression = ReadLe32(h + 16);
        m_paletteCount = ReadLe32(h + 32);
        if (m_header.compression != kBitFields && m_header.compression != kAlphaBitFields)
            return true;
        // The masks sit in the larger headers, or right after the 40-byte one.
        const std::uint64_t masksAt = m_headerSize >= 52 ? kFileHeaderSize + 40 : m_headerEnd;
        if (masksAt + 12 > m_have)
            return Fail(LoadFailure::kDamaged, "colour masks cut short");
        for (int i = 0; i < 3; ++i)
            m_header.masks[i] = ReadLe32(m_data + masksAt + 4 * i);
        if (m_headerSize < 52)
            m_paletteStart += m_header.compression == kAlphaBitFields ? 16 : 12;
        return true;
    }

    // A depth the compression takes; the default masks of 16 and 32 bits.
    bool CheckKind() {
        const int bits = m_header.bits;
        const std::uint32_t compression = m_header.compression;
        const bool valid =
            (compression == kRgb && (IsIndexed() || bits == 16 || bits == 24 || bits == 32)) ||
            (compression == kRle8 && bits == 8) || (compression == kRle4 && bits == 4) ||
            ((compression == kBitFields || compression == kAlphaBitFields) &&
             (bits == 16 || bits == 32));
        if (!valid)
            return Fail(LoadFailure::kUnsupportedKind,
                        std::to_string(bits) + " bits, compression " + std::to_string(compression));
        if (compression == kRgb && bits == 16) {
            m_header.masks[0] = 0x7C00;
            m_header.masks[1] = 0x03E0;
            m_header.masks[2] = 0x001F;
        } else if (compression == kRgb && bits == 32) {
            m_header.masks[0] = 0xFF0000;
            m_header.masks[1] = 0x00FF00;
            m_header.masks[2] = 0x0000FF;
        }
        return true;
    }

    // A pixel offset inside the colour table the header announces: the offset is wrong
    // and the table right when the offset leaves no room for any table (an indexed
    // picture without colours), or when the pixels fit after the whole table. Pixels
    // the file then lacks are damage, not a reason to drop the table.
    bool OffsetInsideTable(std::uint64_t tableEnd) const {
        const std::uint64_t fileSize = m_source.Size();
        if (m_header.pixelOffset >= tableEnd || tableEnd >= fileSize)
            return false;
        if (m_header.pixelOffset <= m_paletteStart)
            return true;
        return m_header.compression == kRgb && m_header.width > 0 && m_header.height > 0 &&
               m_header.RowBytes() <= (fileSize - tableEnd) / std::uint64_t(m_header.height);
    }

    void ReadPalette() {
        const std::uint64_t full = std::uint64_t(1) << m_header.bits;
        std::uint64_t count = m_paletteCount == 0 || m_paletteCount > full ? full : m_paletteCount;
        const std::uint64_t tableEnd = m_paletteStart + count * m_paletteEntrySize;
        if (OffsetInsideTable(tableEnd))
            m_header.pixelOffset = tableEnd;
        // Entries past the pixel data or the file stay black.
        const std::uint64_t paletteEnd = std::min<std::uint64_t>(m_header.pixelOffset, m_have);
        if (m_paletteStart < paletteEnd)
            count = std::min(count, (paletteEnd - m_paletteStart) / m_paletteEntrySize);
        else
            count = 0;
        m_header.palette.fill(kBlackPixel);
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint8_t* entry = m_data + m_paletteStart + i * m_paletteEntrySize;
            m_header.palette[i] = PackPixel(entry[2], entry[1], entry[0]);
        }
    }

    ByteSource& m_source;
    BmpHeader& m_header;
    LoadFailure& m_failure;
    std::string& m_error;
    const std::uint8_t* m_data = nullptr;  // the head of the file
    std::size_t m_have = 0;                // bytes of it
    std::uint64_t m_headerSize = 0;        // of the header after the file header
    std::uint64_t m_headerEnd = 0;
    std::uint64_t m_paletteStart = 0;
    std::uint64_t m_paletteCount = 0;  // as the header gives it; 0 for the full table
    std::uint64_t m_paletteEntrySize = 4;
};

// ---- uncompressed rows ----

// One colour channel of a bit-field pixel, scaled to 0..255.
struct Channel {
    int shift = 0;
    std::uint64_t max = 0;  // 0: the channel is absent and reads 0

    explicit Channel(std::uint32_t mask) {
        if (mask == 0)
            return;
        shift = std::countr_zero(mask);
        max = mask >> shift;
    }
    std::uint32_t operator()(std::uint32_t value) const {
        if (max == 0)
            return 0;
        const std::uint64_t level = (value >> shift) & max;
        return std::uint32_t((level * 255 + max / 2) / max);
    }
};

bool IsStandard32(const std::uint32_t masks[3]) {
    return masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF;
}

void DecodeIndexedRow(const std::uint8_t* src, std::uint32_t* dst, std::size_t width, int bits,
                      const Palette& palette) {
    if (bits == 8) {
        for (std::size_t x = 0; x < width; ++x)
            dst[x] = palette[src[x]];
    } else if (bits == 4) {
        for (std::size_t x = 0; x < width; ++x)
            dst[x] = palette[(src[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F];
    } else {
        for (std::size_t x = 0; x < width; ++x)
            dst[x] = palette[(src[x / 8] >> (7 - x % 8)) & 1];
    }
}

void Decode24Row(const std::uint8_t* src, std::uint32_t* dst, std::size_t width) {
    for (std::size_t x = 0; x < width; ++x, src += 3)
        dst[x] = PackPixel(src[2], src[1], src[0]);
}

void DecodeStandard32Row(const std::uint8_t* src, std::uint32_t* dst, std::size_t width) {
    std::memcpy(dst, src, width * 4);
    for (std::size_t x = 0; x < width; ++x)
        dst[x] |= kOpaque;
}

// Turns uncompressed rows into pixels; one object per file.
class RowDecoder {
public:
    explicit RowDecoder(const BmpHeader& header) : m_header(header) {
        const Channel red(header.masks[0]), green(header.masks[1]), blue(header.masks[2]);
        if (header.bits == 16) {
            m_table16.resize(65536);
            for (std::uint32_t v = 0; v < 65536; ++v)
                m_table16[v] = PackPixel(red(v), green(v), blue(v));
        }
        m_standard32 = header.bits == 32 && IsStandard32(header.masks);
    }

    void operator()(const std::uint8_t* src, std::uint32_t* dst, std::size_t width) const {
        switch (m_header.bits) {
            case 24:
                Decode24Row(src, dst, width);
                break;
            case 16:
                for (std::size_t x = 0; x < width; ++x)
                    dst[x] = m_table16[ReadLe16(src + 2 * x)];
                break;
            case 32:
                if (m_standard32)
                    DecodeStandard32Row(src, dst, width);
                else
                    DecodeBitField32Row(src, dst, width);
                break;
            default:
                DecodeIndexedRow(src, dst, width, m_header.bits, m_header.palette);
                break;
        }
    }

private:
    void DecodeBitField32Row(const std::uint8_t* src, std::uint32_t* dst, std::size_t width) const {
        const Channel red(m_header.masks[0]), green(m_header.masks[1]), blue(m_header.masks[2]);
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint32_t v = ReadLe32(src + 4 * x);
            dst[x] = PackPixel(red(v), green(v), blue(v));
        }
    }

    const BmpHeader& m_header;
    std::vector<std::uint32_t> m_table16;
    bool m_standard32 = false;
};

// Rows top to bottom, read from the file in bands; a bottom-up file is read from its
// end. Rows the file does not hold are skipped (black).
void DecodeUncompressed(ByteSource& source, const BmpHeader& header, RowSink& sink,
                        DecodeReport& report) {
    const std::size_t width = std::size_t(header.width);
    const std::size_t height = std::size_t(header.height);
    const std::uint64_t rowBytes = header.RowBytes();
    const std::uint64_t available = source.Size() - header.pixelOffset;
    const std::size_t fullRows = std::size_t(std::min<std::uint64_t>(available / rowBytes, height));
    // The row the file cuts counts only when it holds at least one whole pixel.
    std::uint64_t partBytes = fullRows < height ? available - fullRows * rowBytes : 0;
    if (partBytes * 8 < std::uint64_t(header.bits))
        partBytes = 0;
    const RowDecoder decodeRow(header);
    const std::size_t band = std::size_t(
        std::max<std::uint64_t>(1, std::min<std::uint64_t>(kBandBytes / rowBytes, height)));
    report.rows = fullRows;
    report.partRow = partBytes > 0;
    if (fullRows < height)
        report.end = DecodeReport::kTruncated;

    // The row the file cuts: what it holds, the rest black.
    auto decodePart = [&](std::size_t y) {
        std::vector<std::uint8_t> part(std::size_t(partBytes) + 4, 0);
        const bool read = source.ReadAt(header.pixelOffset + fullRows * rowBytes,
                                        std::size_t(partBytes), part.data());
        const std::size_t pixels = read ? std::size_t(std::min<std::uint64_t>(
                                              partBytes * 8 / std::uint64_t(header.bits), width))
                                        : 0;
        std::uint32_t* row = sink.Row(y);
        decodeRow(part.data(), row, pixels);
        if (!sink.Pixels())  // a whole picture's rows start black
            std::fill(row + pixels, row + width, 0u);
        sink.Done(y);
    };
    // File rows [first, first + count) in the order the picture shows them.
    auto decodeBand = [&](std::size_t first, std::size_t count) {
        const std::uint8_t* bytes =
            source.View(header.pixelOffset + first * rowBytes, std::size_t(count * rowBytes));
        if (!bytes) {  // the file shrank while open
            report.end = DecodeReport::kAsTold;
            report.detail = "the pixel data could not be read";
        }
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t fileRow = header.topDown ? first + i : first + count - 1 - i;
            const std::size_t y = header.topDown ? fileRow : height - 1 - fileRow;
            if (bytes)
                decodeRow(bytes + (fileRow - first) * rowBytes, sink.Row(y), width);
            else
                std::fill_n(sink.Row(y), width, 0u);
            sink.Done(y);
        }
    };
    if (header.topDown) {
        for (std::size_t first = 0; first < fullRows; first += band)
            decodeBand(first, std::min(band, fullRows - first));
        if (partBytes > 0)
            decodePart(fullRows);
        sink.Skip(height - fullRows - (partBytes > 0 ? 1 : 0));
        return;
    }
    // Bottom-up: the rows the file lacks are at the top.
    sink.Skip(height - fullRows - (partBytes > 0 ? 1 : 0));
    if (partBytes > 0)
        decodePart(height - 1 - fullRows);
    for (std::size_t end = fullRows; end > 0;) {
        const std::size_t count = std::min(band, end);
        decodeBand(end - count, count);
        end -= count;
    }
}

// ---- RLE ----

// Writes RLE runs into the whole picture, clipped to it; file rows count from the
// bottom unless the picture is top-down.
class RleCanvas {
public:
    RleCanvas(std::uint32_t* pixels, std::size_t width, std::size_t height, bool topDown)
        : m_pixels(pixels), m_width(width), m_height(height), m_topDown(topDown) {}

    bool Done() const { return m_y >= m_height; }
    std::size_t Row() const { return m_y; }
    std::size_t Column() const { return m_x; }
    void EndOfLine() {
        m_x = 0;
        ++m_y;
    }
    void Move(std::size_t dx, std::size_t dy) {
        m_x = std::min(m_x + dx, m_width);
        m_y = std::min(m_y + dy, m_height);
    }
    // count pixels taking colours a, b, a, b, ...
    void Run(std::size_t count, std::uint32_t a, std::uint32_t b) {
        if (Done())
            return;
        const std::size_t n = std::min(count, m_width - m_x);
        std::uint32_t* dst = CurrentRow() + m_x;
        for (std::size_t i = 0; i < n; ++i)
            dst[i] = i % 2 ? b : a;
        m_x += n;
    }
    void Put(std::uint32_t colour) {
        if (!Done() && m_x < m_width)
            CurrentRow()[m_x++] = colour;
    }

private:
    std::uint32_t* CurrentRow() const {
        return m_pixels + (m_topDown ? m_y : m_height - 1 - m_y) * m_width;
    }

    std::uint32_t* m_pixels;
    std::size_t m_width;
    std::size_t m_height;
    bool m_topDown;
    std::size_t m_x = 0;
    std::size_t m_y = 0;
};

void DecodeRle(ByteSource& source, const BmpHeader& header, RowSink& sink, DecodeReport& report) {
    const bool four = header.compression == kRle4;
    const Palette& palette = header.palette;
    ByteStream in(source, header.pixelOffset, source.Size());
    RleCanvas canvas(sink.Pixels(), std::size_t(header.width), std::size_t(header.height),
                     header.topDown);
    bool ended = false;
    bool cut = false;
    while (!ended && !cut && !canvas.Done()) {
        const int count = in.Next();
        const int value = count < 0 ? -1 : in.Next();
        if (value < 0) {
            cut = true;
            break;
        }
        if (count > 0) {
            if (four)
                canvas.Run(std::size_t(count), palette[value >> 4], palette[value & 0x0F]);
            else
                canvas.Run(std::size_t(count), palette[value], palette[value]);
            continue;
        }
        switch (value) {
            case 0:
                canvas.EndOfLine();
                break;
            case 1:
                ended = true;
                break;
            case 2: {
                const int dx = in.Next();
                const int dy = dx < 0 ? -1 : in.Next();
                if (dy < 0) {
                    cut = true;
                    break;
                }
                canvas.Move(std::size_t(dx), std::size_t(dy));
                break;
            }
            default: {
                // An absolute run, padded to a whole number of 16-bit words.
                const int bytes = four ? (value + 1) / 2 : value;
                int byte = 0;
                for (int i = 0; i < value && !cut; ++i) {
                    if (!four || i % 2 == 0) {
                        byte = in.Next();
                        if (byte < 0) {
                            cut = true;
                            break;
                        }
                    }
                    canvas.Put(palette[four ? (i % 2 ? byte & 0x0F : byte >> 4) : byte]);
                }
                if (!cut && bytes % 2 && in.Next() < 0)
                    cut = true;
                break;
            }
        }
    }
    report.rows = canvas.Row();
    report.partRow = !canvas.Done() && canvas.Column() > 0;
    if (cut && !canvas.Done())
        report.end = DecodeReport::kTruncated;
}

class BmpCodec : public Codec {
public:
    explicit BmpCodec(ByteSource& source) : m_source(source) {}
    const char* Name() const override { return "BMP"; }

    bool ReadHeader(CodecHeader& header, LoadFailure& failure, std::string& detail) override {
        if (!HeaderReader(m_source, m_header, failure, detail).Read())
            return false;
        header.width = m_header.width;
        header.height = m_header.height;
        // Run-length data moves about the picture.
        header.rowsInOrder = !m_header.IsRle();
        return true;
    }

    void Decode(Size, RowSink& sink, DecodeReport& report) override {
        if (m_header.IsRle())
            DecodeRle(m_source, m_header, sink, report);
        else
            DecodeUncompressed(m_source, m_header, sink, report);
    }

private:
    ByteSource& m_source;
    BmpHeader m_header;
};

}  // namespace

std::unique_ptr<Codec> MakeBmpCodec(ByteSource& source, const CodecSettings&) {
    return std::make_unique<BmpCodec>(source);
}
