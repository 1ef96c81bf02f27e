// BMP reading: the file header, then a core (12-byte), info (40), V4 (108) or V5
// (124) header; 1 to 32 bits a pixel, palettes, RLE4/RLE8 and bit-field masks.
// Every offset is checked in 64-bit arithmetic before it is used.

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>
#include <vector>

#include "image/Decoders.h"
#include "image/RasterDecoders.h"
#include "image/RasterOutput.h"

namespace {

constexpr std::uint64_t kFileHeaderSize = 14;
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;

struct BmpHeader {
    std::int64_t width = 0;
    std::int64_t height = 0;  // always positive; topDown tells the row order
    bool topDown = false;
    int bits = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t masks[3] = {0, 0, 0};        // red, green, blue
    std::array<std::uint32_t, 256> palette{};  // unset entries black
    std::uint64_t pixelOffset = 0;
};

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

// Reads the headers, masks and palette; false with a reason when the structure is broken.
bool ReadHeader(ByteSpan file, BmpHeader& header, std::string& error) {
    const std::uint8_t* data = file.data;
    if (file.size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M') {
        error = "not a BMP file";
        return false;
    }
    header.pixelOffset = ReadLe32(data + 10);
    const std::uint64_t headerSize = ReadLe32(data + 14);
    const std::uint64_t headerEnd = kFileHeaderSize + headerSize;
    if (headerSize != 12 && (headerSize < 40 || headerSize > 255)) {
        error = "unsupported BMP header size " + std::to_string(headerSize);
        return false;
    }
    if (headerEnd > file.size) {
        error = "BMP header cut short";
        return false;
    }
    const std::uint8_t* h = data + kFileHeaderSize;
    std::uint64_t paletteEntrySize = 4;
    std::uint64_t paletteCount = 0;
    std::uint64_t paletteStart = headerEnd;
    if (headerSize == 12) {
        header.width = ReadLe16(h + 4);
        header.height = ReadLe16(h + 6);
        header.bits = ReadLe16(h + 10);
        paletteEntrySize = 3;
    } else {
        header.width = std::int32_t(ReadLe32(h + 4));
        const std::int32_t height = std::int32_t(ReadLe32(h + 8));
        header.topDown = height < 0;
        header.height = header.topDown ? -std::int64_t(height) : height;
        header.bits = ReadLe16(h + 14);
        header.compression = ReadLe32(h + 16);
        paletteCount = ReadLe32(h + 32);
        if (header.compression == kBitFields || header.compression == kAlphaBitFields) {
            // The masks sit in the larger headers, or right after the 40-byte one.
            const std::uint64_t masksAt = headerSize >= 52 ? kFileHeaderSize + 40 : headerEnd;
            if (masksAt + 12 > file.size) {
                error = "BMP colour masks cut short";
                return false;
            }
            for (int i = 0; i < 3; ++i)
                header.masks[i] = ReadLe32(data + masksAt + 4 * i);
            if (headerSize < 52)
                paletteStart += header.compression == kAlphaBitFields ? 16 : 12;
        }
    }

    const int bits = header.bits;
    const std::uint32_t compression = header.compression;
    const bool indexed = bits == 1 || bits == 4 || bits == 8;
    const bool valid =
        (compression == kRgb && (indexed || bits == 16 || bits == 24 || bits == 32)) ||
        (compression == kRle8 && bits == 8) || (compression == kRle4 && bits == 4) ||
        ((compression == kBitFields || compression == kAlphaBitFields) &&
         (bits == 16 || bits == 32));
    if (!valid) {
        error = "unsupported BMP kind: " + std::to_string(bits) + " bits, compression " +
                std::to_string(compression);
        return false;
    }
    if (compression == kRgb && bits == 16) {
        header.masks[0] = 0x7C00;
        header.masks[1] = 0x03E0;
        header.masks[2] = 0x001F;
    } else if (compression == kRgb && bits == 32) {
        header.masks[0] = 0xFF0000;
        header.masks[1] = 0x00FF00;
        header.masks[2] = 0x0000FF;
    }
    if (header.pixelOffset < headerEnd) {
        error = "BMP pixel data overlaps the header";
        return false;
    }

    if (indexed) {
        const std::uint64_t full = std::uint64_t(1) << bits;
        if (paletteCount == 0 || paletteCount > full)
            paletteCount = full;
        // Entries past the pixel data or the file stay black.
        const std::uint64_t paletteEnd = std::min<std::uint64_t>(header.pixelOffset, file.size);
        if (paletteStart < paletteEnd)
            paletteCount = std::min(paletteCount, (paletteEnd - paletteStart) / paletteEntrySize);
        else
            paletteCount = 0;
        header.palette.fill(kBlackPixel);
        for (std::uint64_t i = 0; i < paletteCount; ++i) {
            const std::uint8_t* entry = data + paletteStart + i * paletteEntrySize;
            header.palette[i] = PackPixel(entry[2], entry[1], entry[0]);
        }
    }
    return true;
}

// ---- uncompressed rows ----

void DecodeIndexedRow(const std::uint8_t* src, std::uint32_t* dst, std::size_t width, int bits,
                      const std::array<std::uint32_t, 256>& palette) {
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

// Rows are written once each, top to bottom, whatever the file's row order (Rows:
// PictureRows or ShrinkingRows).
template <typename Rows>
void DecodeUncompressed(ByteSpan file, const BmpHeader& header, const Rows& picture,
                        DecodeResult& result) {
    const std::uint64_t rowBytes = ((std::uint64_t(header.width) * header.bits + 31) / 32) * 4;
    const std::uint64_t available = file.size - header.pixelOffset;
    const std::uint64_t fullRows = std::min<std::uint64_t>(available / rowBytes, picture.height);
    const RowDecoder decodeRow(header);
    const std::uint8_t* pixels = file.data + header.pixelOffset;
    // A partial last row is decoded from what is there; rows after it stay black.
    std::vector<std::uint8_t> partial;
    std::size_t partialPixels = 0;
    if (fullRows < picture.height) {
        partial.assign(rowBytes, 0);
        const std::uint64_t partialBytes = available - fullRows * rowBytes;
        std::memcpy(partial.data(), pixels + fullRows * rowBytes, partialBytes);
        partialPixels =
            std::min<std::uint64_t>(partialBytes * 8 / std::uint64_t(header.bits), picture.width);
        result.error = TruncationNote("BMP", fullRows, picture.height);
    }
    for (std::uint64_t y = 0; y < picture.height; ++y) {
        const std::uint64_t fileRow = header.topDown ? y : picture.height - 1 - y;
        std::uint32_t* row = picture.Row(y);
        if (fileRow < fullRows) {
            decodeRow(pixels + fileRow * rowBytes, row, picture.width);
        } else {
            FillBlack(row, picture.width);
            if (fileRow == fullRows)
                decodeRow(partial.data(), row, partialPixels);
        }
        picture.Done(y);
    }
}

// ---- RLE ----

// Writes RLE runs into the picture, clipped to it; file rows count from the bottom
// unless the picture is top-down.
class RleCanvas {
public:
    RleCanvas(PictureRows& picture, bool topDown) : m_picture(picture), m_topDown(topDown) {}

    bool Done() const { return m_y >= m_picture.height; }
    std::size_t Row() const { return m_y; }
    void EndOfLine() {
        m_x = 0;
        ++m_y;
    }
    void Move(std::size_t dx, std::size_t dy) {
        m_x = std::min(m_x + dx, m_picture.width);
        m_y = std::min(m_y + dy, m_picture.height);
    }
    // count pixels taking colours a, b, a, b, ...
    void Run(std::size_t count, std::uint32_t a, std::uint32_t b) {
        const std::size_t n = std::min(count, m_picture.width - m_x);
        std::uint32_t* dst = CurrentRow() + m_x;
        for (std::size_t i = 0; i < n; ++i)
            dst[i] = i % 2 ? b : a;
        m_x += n;
    }
    void Put(std::uint32_t colour) {
        if (m_x < m_picture.width)
            CurrentRow()[m_x++] = colour;
    }

private:
    std::uint32_t* CurrentRow() const {
        return m_picture.Row(m_topDown ? m_y : m_picture.height - 1 - m_y);
    }

    PictureRows& m_picture;
    bool m_topDown;
    std::size_t m_x = 0;
    std::size_t m_y = 0;
};

void DecodeRle(ByteSpan file, const BmpHeader& header, PictureRows& picture, DecodeResult& result) {
    FillBlack(picture.pixels, picture.width * picture.height);
    const bool four = header.compression == kRle4;
    const auto& palette = header.palette;
    const std::uint8_t* data = file.data;
    std::uint64_t pos = header.pixelOffset;
    RleCanvas canvas(picture, header.topDown);
    bool ended = false;
    // Every pass consumes at least two bytes, so the loop ends with the data.
    while (!ended && !canvas.Done() && pos + 2 <= file.size) {
        const std::uint8_t count = data[pos];
        const std::uint8_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            if (four)
                canvas.Run(count, palette[value >> 4], palette[value & 0x0F]);
            else
                canvas.Run(count, palette[value], palette[value]);
            continue;
        }
        switch (value) {
            case 0:
                canvas.EndOfLine();
                break;
            case 1:
                ended = true;
                break;
            case 2:
                if (pos + 2 > file.size) {
                    pos = file.size;
                    break;
                }
                canvas.Move(data[pos], data[pos + 1]);
                pos += 2;
                break;
            default: {
                const std::uint64_t bytes = four ? (value + 1u) / 2 : value;
                const std::uint64_t present = std::min<std::uint64_t>(bytes, file.size - pos);
                for (std::uint64_t i = 0; i < value; ++i) {
                    const std::uint64_t at = four ? i / 2 : i;
                    if (at >= present)
                        break;
                    const std::uint8_t byte = data[pos + at];
                    canvas.Put(palette[four ? (i % 2 ? byte & 0x0F : byte >> 4) : byte]);
                }
                pos = std::min<std::uint64_t>(pos + bytes + bytes % 2, file.size);
                break;
            }
        }
    }
    if (!ended && !canvas.Done())
        result.error = TruncationNote("BMP", canvas.Row(), picture.height);
}

// The headers, and a pixel array that starts inside the file.
bool ReadHeaderAndPixelStart(ByteSpan& file, BmpHeader& header, std::string& error) {
    if (!file.data)
        file.size = 0;
    if (!ReadHeader(file, header, error))
        return false;
    if (header.pixelOffset >= file.size) {
        error = "BMP file holds no pixel data";
        return false;
    }
    return true;
}

}  // namespace

DecodeResult DecodeBmpWithin(ByteSpan file, std::uint64_t maxPixels) {
    DecodeResult result;
    BmpHeader header;
    if (!ReadHeaderAndPixelStart(file, header, result.error))
        return result;
    PictureRows picture;
    if (!AllocatePicture(header.width, header.height, maxPixels, "BMP", result, picture))
        return result;
    try {
        if (header.compression == kRle4 || header.compression == kRle8)
            DecodeRle(file, header, picture, result);
        else
            DecodeUncompressed(file, header, picture, result);
    } catch (const std::bad_alloc&) {
        result = DecodeResult{};
        result.error = "BMP picture needs more memory than is available";
    }
    return result;
}

DecodeResult DecodeBmp(ByteSpan file) {
    return DecodeBmpWithin(file, kMaxPicturePixels);
}

DecodeResult DecodeBmpForHint(ByteSpan file, const LoadHint& hint) {
    DecodeResult result;
    BmpHeader header;
    // Run-length data moves about the picture: it is decoded whole.
    if (!ReadHeaderAndPixelStart(file, header, result.error) || header.compression == kRle4 ||
        header.compression == kRle8)
        return DecodeBmp(file);
    try {
        if (DecodeShrunk(
                header.width, header.height, hint, "BMP", result,
                [&](const ShrinkingRows& rows) { DecodeUncompressed(file, header, rows, result); }))
            return result;
    } catch (const std::bad_alloc&) {
        result = DecodeResult{};
        result.error = "BMP picture needs more memory than is available";
        return result;
    }
    return DecodeBmp(file);
}

DecodeResult ReadBmpHeader(ByteSpan file) {
    DecodeResult result;
    BmpHeader header;
    if (!ReadHeaderAndPixelStart(file, header, result.error))
        return result;
    AcceptHeaderOnly(header.width, header.height, kMaxPicturePixels, "BMP", result);
    return result;
}
