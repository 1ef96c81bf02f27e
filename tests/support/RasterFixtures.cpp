#include "RasterFixtures.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace fixtures {
namespace {

void Put8(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value));
}
void Put16(std::vector<std::uint8_t>& out, unsigned value) {
    Put8(out, value & 0xFF);
    Put8(out, (value >> 8) & 0xFF);
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}
void Set32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint8_t Red(std::uint32_t rgb) {
    return (rgb >> 16) & 0xFF;
}
std::uint8_t Green(std::uint32_t rgb) {
    return (rgb >> 8) & 0xFF;
}
std::uint8_t Blue(std::uint32_t rgb) {
    return rgb & 0xFF;
}

struct MaskShape {
    int shift = 0;
    std::uint64_t max = 0;  // the mask shifted down; 0 for an empty mask
};

MaskShape ShapeOf(std::uint32_t mask) {
    MaskShape shape;
    if (mask == 0)
        return shape;
    while (((mask >> shape.shift) & 1) == 0)
        ++shape.shift;
    shape.max = mask >> shape.shift;
    return shape;
}

std::uint32_t Quantise(std::uint8_t channel, const MaskShape& shape) {
    if (shape.max == 0)
        return 0;
    return static_cast<std::uint32_t>((channel * shape.max + 127) / 255) << shape.shift;
}

std::uint8_t Expand(std::uint32_t value, const MaskShape& shape) {
    if (shape.max == 0)
        return 0;
    const std::uint64_t level = (value >> shape.shift) & shape.max;
    return static_cast<std::uint8_t>((level * 255 + shape.max / 2) / shape.max);
}

// ---- BMP ----

int HeaderSize(BmpHeader header) {
    switch (header) {
        case BmpHeader::kCore:
            return 12;
        case BmpHeader::kInfo:
            return 40;
        case BmpHeader::kV4:
            return 108;
        case BmpHeader::kV5:
            return 124;
    }
    return 40;
}

struct BmpLayout {
    BmpHeader header = BmpHeader::kInfo;
    int width = 0;
    int height = 0;
    int bits = 24;
    bool topDown = false;
    std::uint32_t compression = 0;
    std::uint32_t masks[3] = {0, 0, 0};
    std::vector<std::uint32_t> palette;
    std::uint32_t paletteCountField = 0;  // biClrUsed
};

// File header, bitmap header, masks and palette; the caller appends the pixels and
// then calls FinishBmp.
std::vector<std::uint8_t> StartBmp(const BmpLayout& layout) {
    std::vector<std::uint8_t> out;
    const int headerSize = HeaderSize(layout.header);
    out.push_back('B');
    out.push_back('M');
    Put32(out, 0);  // file size, set later
    Put32(out, 0);
    Put32(out, 0);  // pixel offset, set later
    Put32(out, headerSize);
    if (layout.header == BmpHeader::kCore) {
        Put16(out, layout.width);
        Put16(out, layout.height);
        Put16(out, 1);
        Put16(out, layout.bits);
        for (std::uint32_t colour : layout.palette) {
            Put8(out, Blue(colour));
            Put8(out, Green(colour));
            Put8(out, Red(colour));
        }
    } else {
        Put32(out, layout.width);
        Put32(out, static_cast<std::uint32_t>(layout.topDown ? -layout.height : layout.height));
        Put16(out, 1);
        Put16(out, layout.bits);
        Put32(out, layout.compression);
        Put32(out, 0);  // image size, set later
        Put32(out, 2835);
        Put32(out, 2835);
        Put32(out, layout.paletteCountField);
        Put32(out, 0);
        if (layout.header == BmpHeader::kInfo) {
            if (layout.compression == 3)
                for (std::uint32_t mask : layout.masks)
                    Put32(out, mask);
        } else {
            for (std::uint32_t mask : layout.masks)
                Put32(out, mask);
            Put32(out, 0);                        // alpha mask
            Put32(out, 0x73524742);               // 'sRGB'
            out.resize(out.size() + 36 + 12, 0);  // end points, gamma
            if (layout.header == BmpHeader::kV5) {
                Put32(out, 4);  // LCS_GM_IMAGES
                Put32(out, 0);
                Put32(out, 0);
                Put32(out, 0);
            }
        }
        for (std::uint32_t colour : layout.palette) {
            Put8(out, Blue(colour));
            Put8(out, Green(colour));
            Put8(out, Red(colour));
            Put8(out, 0);
        }
    }
    Set32(out, 10, static_cast<std::uint32_t>(out.size()));
    return out;
}

void FinishBmp(std::vector<std::uint8_t>& out, const BmpLayout& layout) {
    const std::uint32_t pixelStart = out[10] | (out[11] << 8) | (out[12] << 16) | (out[13] << 24);
    Set32(out, 2, static_cast<std::uint32_t>(out.size()));
    if (layout.header != BmpHeader::kCore)
        Set32(out, 34, static_cast<std::uint32_t>(out.size() - pixelStart));
}

std::size_t BmpRowBytes(int width, int bits) {
    return ((std::size_t(width) * bits + 31) / 32) * 4;
}

void EncodeRle8Row(const std::uint8_t* row, int width, std::vector<std::uint8_t>& out) {
    int i = 0;
    while (i < width) {
        int run = 1;
        while (i + run < width && run < 255 && row[i + run] == row[i])
            ++run;
        if (run >= 2) {
            Put8(out, run);
            Put8(out, row[i]);
            i += run;
            continue;
        }
        int j = i;
        while (j < width && j - i < 255 && !(j + 1 < width && row[j] == row[j + 1]))
            ++j;
        const int count = j - i;
        if (count >= 3) {
            Put8(out, 0);
            Put8(out, count);
            out.insert(out.end(), row + i, row + j);
            if (count % 2)
                Put8(out, 0);
        } else {
            for (int k = i; k < j; ++k) {
                Put8(out, 1);
                Put8(out, row[k]);
            }
        }
        i = j;
    }
}

// Pixels from i on that repeat the pair row[i], row[i + 1] alternately.
int AlternatingRun(const std::uint8_t* row, int width, int i) {
    int run = 1;
    while (i + run < width && run < 255 && row[i + run] == row[i + (run % 2)])
        ++run;
    return run;
}

void EncodeRle4Row(const std::uint8_t* row, int width, std::vector<std::uint8_t>& out) {
    int i = 0;
    while (i < width) {
        const int run = AlternatingRun(row, width, i);
        if (run >= 3) {
            Put8(out, run);
            Put8(out, (row[i] << 4) | (row[i + 1] & 0x0F));
            i += run;
            continue;
        }
        int j = i;
        while (j < width && j - i < 255 && AlternatingRun(row, width, j) < 3)
            ++j;
        const int count = j - i;
        if (count >= 3) {
            Put8(out, 0);
            Put8(out, count);
            const int bytes = (count + 1) / 2;
            for (int b = 0; b < bytes; ++b) {
                const int high = row[i + 2 * b] & 0x0F;
                const int low = i + 2 * b + 1 < j ? row[i + 2 * b + 1] & 0x0F : 0;
                Put8(out, (high << 4) | low);
            }
            if (bytes % 2)
                Put8(out, 0);
        } else {
            for (int k = i; k < j; ++k) {
                Put8(out, 1);
                Put8(out, (row[k] & 0x0F) << 4);
            }
        }
        i = j;
    }
}

// ---- PCX ----

struct PcxShape {
    int bits = 8;
    int planes = 1;
};

PcxShape ShapeOf(PcxKind kind) {
    switch (kind) {
        case PcxKind::kMono:
            return {1, 1};
        case PcxKind::kPlanes2:
            return {1, 2};
        case PcxKind::kPlanes4:
            return {1, 4};
        case PcxKind::kPacked2:
            return {2, 1};
        case PcxKind::kIndexed8:
        case PcxKind::kGrey8:
            return {8, 1};
        case PcxKind::kRgb24:
            return {8, 3};
    }
    return {8, 1};
}

int PcxBytesPerLine(int width, const PcxShape& shape, int padding) {
    int bytes = (width * shape.bits + 7) / 8;
    bytes += bytes % 2;
    return bytes + padding;
}

std::vector<std::uint8_t> PcxHeader(int width, int height, const PcxShape& shape, int bytesPerLine,
                                    const PcxOptions& options,
                                    const std::vector<std::uint32_t>& headerPalette) {
    std::vector<std::uint8_t> out;
    Put8(out, 10);
    Put8(out, 5);
    Put8(out, options.rle ? 1 : 0);
    Put8(out, shape.bits);
    Put16(out, options.xmin);
    Put16(out, options.ymin);
    Put16(out, options.xmin + width - 1);
    Put16(out, options.ymin + height - 1);
    Put16(out, 72);
    Put16(out, 72);
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t colour =
            i < int(headerPalette.size()) ? headerPalette[std::size_t(i)] : 0;
        Put8(out, Red(colour));
        Put8(out, Green(colour));
        Put8(out, Blue(colour));
    }
    Put8(out, 0);
    Put8(out, shape.planes);
    Put16(out, bytesPerLine);
    Put16(out, options.kind == PcxKind::kGrey8 ? 2 : 1);
    out.resize(128, 0);
    return out;
}

void EncodePcxRuns(const std::vector<std::uint8_t>& raw, std::size_t begin, std::size_t end,
                   std::vector<std::uint8_t>& out) {
    std::size_t i = begin;
    while (i < end) {
        std::size_t run = 1;
        while (i + run < end && run < 63 && raw[i + run] == raw[i])
            ++run;
        if (run > 1 || raw[i] >= 0xC0)
            Put8(out, 0xC0 | run);
        Put8(out, raw[i]);
        i += run;
    }
}

// raw holds height * planes lines of bytesPerLine each.
void AppendPcxData(const std::vector<std::uint8_t>& raw, std::size_t lineBytes,
                   const PcxOptions& options, std::vector<std::uint8_t>& out) {
    if (!options.rle) {
        out.insert(out.end(), raw.begin(), raw.end());
        return;
    }
    if (options.runsAcrossLines) {
        EncodePcxRuns(raw, 0, raw.size(), out);
        return;
    }
    for (std::size_t line = 0; line < raw.size(); line += lineBytes)
        EncodePcxRuns(raw, line, line + lineBytes, out);
}

// ---- TIFF ----

struct MemoryStream {
    std::vector<std::uint8_t> data;
    std::uint64_t position = 0;
};

tmsize_t StreamRead(thandle_t handle, void* buffer, tmsize_t size) {
    auto* stream = static_cast<MemoryStream*>(handle);
    if (stream->position >= stream->data.size())
        return 0;
    const std::uint64_t count =
        std::min<std::uint64_t>(std::uint64_t(size), stream->data.size() - stream->position);
    std::memcpy(buffer, stream->data.data() + stream->position, count);
    stream->position += count;
    return tmsize_t(count);
}

tmsize_t StreamWrite(thandle_t handle, void* buffer, tmsize_t size) {
    auto* stream = static_cast<MemoryStream*>(handle);
    const std::uint64_t end = stream->position + std::uint64_t(size);
    if (end > stream->data.size())
        stream->data.resize(end);
    std::memcpy(stream->data.data() + stream->position, buffer, std::size_t(size));
    stream->position = end;
    return size;
}

toff_t StreamSeek(thandle_t handle, toff_t offset, int whence) {
    auto* stream = static_cast<MemoryStream*>(handle);
    if (whence == SEEK_CUR)
        offset += stream->position;
    else if (whence == SEEK_END)
        offset += stream->data.size();
    stream->position = offset;
    return offset;
}

int StreamClose(thandle_t) {
    return 0;
}
toff_t StreamSize(thandle_t handle) {
    return static_cast<MemoryStream*>(handle)->data.size();
}
int NoMap(thandle_t, void**, toff_t*) {
    return 0;
}
void NoUnmap(thandle_t, void*, toff_t) {}

// count values of `bits` each, packed most significant bit first.
std::vector<std::uint8_t> PackSamples(const std::uint16_t* values, std::size_t count, int bits) {
    if (bits == 16) {
        std::vector<std::uint8_t> out(count * 2);
        std::memcpy(out.data(), values, count * 2);  // native order, as libtiff expects
        return out;
    }
    std::vector<std::uint8_t> out((count * bits + 7) / 8, 0);
    std::size_t bit = 0;
    for (std::size_t i = 0; i < count; ++i) {
        for (int b = bits - 1; b >= 0; --b, ++bit) {
            if ((values[i] >> b) & 1)
                out[bit / 8] |= static_cast<std::uint8_t>(0x80 >> (bit % 8));
        }
    }
    return out;
}

}  // namespace

RasterPicture MakeTestPicture(int width, int height) {
    RasterPicture picture{width, height, {}};
    picture.pixels.reserve(std::size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t red = (x * 37 + y * 11 + 5) & 0xFF;
            const std::uint32_t green = (x * 13 + y * 71 + 90) & 0xFF;
            const std::uint32_t blue = (x * 101 + y * 29 + 200) & 0xFF;
            picture.pixels.push_back(red << 16 | green << 8 | blue);
        }
    }
    return picture;
}

RasterPicture IndexedPicture::Expand() const {
    RasterPicture picture{width, height, {}};
    picture.pixels.reserve(indices.size());
    for (std::uint8_t index : indices)
        picture.pixels.push_back(index < palette.size() ? palette[index] : 0);
    return picture;
}

IndexedPicture MakeIndexedPicture(int width, int height, int colours) {
    IndexedPicture picture{width, height, {}, {}};
    picture.indices.reserve(std::size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int index = x < width / 2 ? (x / 4 + y) % colours : (x * 7 + y * 3) % colours;
            picture.indices.push_back(static_cast<std::uint8_t>(index));
        }
    }
    for (std::uint32_t i = 0; i < std::uint32_t(colours); ++i) {
        const std::uint32_t red = (i * 53 + 17) & 0xFF;
        const std::uint32_t green = (i * 151 + 3) & 0xFF;
        const std::uint32_t blue = (i * 97 + 211) & 0xFF;
        picture.palette.push_back(red << 16 | green << 8 | blue);
    }
    return picture;
}

std::string ShownDifference(const std::uint8_t* actual, const std::uint8_t* expected,
                            std::size_t bytes) {
    auto shown = [](const std::uint8_t* p) {
        const std::uint32_t rgb = std::uint32_t(p[2]) << 16 | p[1] << 8 | p[0];
        const bool opaque = p[3] == 0xFF || (p[3] == 0 && rgb == 0);
        return opaque ? rgb : 0xFF000000u | rgb;
    };
    for (std::size_t i = 0; i + 3 < bytes; i += 4) {
        if (shown(actual + i) != shown(expected + i))
            return "pixel " + std::to_string(i / 4) + " shows " +
                   std::to_string(shown(actual + i)) + ", expected " +
                   std::to_string(shown(expected + i));
    }
    return {};
}

RasterPicture FromDecoded(const DecodeResult& result) {
    RasterPicture picture;
    if (!result.pixels)
        return picture;
    picture.width = result.width;
    picture.height = result.height;
    const std::uint8_t* bytes = result.pixels->Data();
    const std::size_t count = std::size_t(result.width) * result.height;
    picture.pixels.reserve(count);
    for (std::size_t i = 0; i < count; ++i, bytes += 4) {
        std::uint32_t pixel = std::uint32_t(bytes[2]) << 16 | bytes[1] << 8 | bytes[0];
        // A row never decoded is zero bytes: black, its fourth byte unread.
        if (bytes[3] != 0xFF && !(bytes[3] == 0 && pixel == 0))
            pixel |= 0xFF000000u;
        picture.pixels.push_back(pixel);
    }
    return picture;
}

std::string DescribeDifference(const RasterPicture& actual, const RasterPicture& expected) {
    if (actual.width != expected.width || actual.height != expected.height)
        return "size " + std::to_string(actual.width) + " x " + std::to_string(actual.height) +
               ", expected " + std::to_string(expected.width) + " x " +
               std::to_string(expected.height);
    for (int y = 0; y < actual.height; ++y) {
        for (int x = 0; x < actual.width; ++x) {
            if (actual.At(x, y) == expected.At(x, y))
                continue;
            char text[96];
            std::snprintf(text, sizeof text, "pixel (%d, %d) is %08X, expected %08X", x, y,
                          unsigned(actual.At(x, y)), unsigned(expected.At(x, y)));
            return text;
        }
    }
    return "";
}

// ---- BMP ----

std::vector<std::uint8_t> MakeBmp(const RasterPicture& picture, const BmpOptions& options) {
    BmpLayout layout;
    layout.header = options.header;
    layout.width = picture.width;
    layout.height = picture.height;
    layout.bits = options.bitsPerPixel;
    layout.topDown = options.topDown;
    const bool bitFields = options.redMask || options.greenMask || options.blueMask;
    std::uint32_t masks[3] = {options.redMask, options.greenMask, options.blueMask};
    if (!bitFields) {
        if (layout.bits == 16) {
            masks[0] = 0x7C00;
            masks[1] = 0x03E0;
            masks[2] = 0x001F;
        } else {
            masks[0] = 0xFF0000;
            masks[1] = 0x00FF00;
            masks[2] = 0x0000FF;
        }
    }
    layout.compression = bitFields ? 3 : 0;
    if (bitFields || options.header == BmpHeader::kV4 || options.header == BmpHeader::kV5)
        std::copy(std::begin(masks), std::end(masks), layout.masks);
    const MaskShape shapes[3] = {ShapeOf(masks[0]), ShapeOf(masks[1]), ShapeOf(masks[2])};

    std::vector<std::uint8_t> out = StartBmp(layout);
    const std::size_t rowBytes = BmpRowBytes(picture.width, layout.bits);
    for (int fileRow = 0; fileRow < picture.height; ++fileRow) {
        const int y = options.topDown ? fileRow : picture.height - 1 - fileRow;
        const std::size_t rowStart = out.size();
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t rgb = picture.At(x, y);
            if (layout.bits == 24) {
                Put8(out, Blue(rgb));
                Put8(out, Green(rgb));
                Put8(out, Red(rgb));
                continue;
            }
            std::uint32_t value = Quantise(Red(rgb), shapes[0]) | Quantise(Green(rgb), shapes[1]) |
                                  Quantise(Blue(rgb), shapes[2]);
            if (layout.bits == 16) {
                Put16(out, value & 0xFFFF);
            } else {
                if (!bitFields)
                    value |= 0x7F000000u;  // an alpha byte the decoder must ignore
                Put32(out, value);
            }
        }
        while (out.size() - rowStart < rowBytes)
            Put8(out, 0xEE);
    }
    FinishBmp(out, layout);
    return out;
}

std::vector<std::uint8_t> MakeBmp(const IndexedPicture& picture, const BmpOptions& options) {
    BmpLayout layout;
    layout.header = options.header;
    layout.width = picture.width;
    layout.height = picture.height;
    layout.bits = options.bitsPerPixel;
    layout.topDown = options.topDown;
    const std::size_t fullPalette = std::size_t(1) << layout.bits;
    layout.palette.assign(picture.palette.begin(),
                          picture.palette.begin() + std::min(picture.palette.size(), fullPalette));
    if (options.header == BmpHeader::kCore)
        layout.palette.resize(fullPalette, 0);
    else if (layout.palette.size() < fullPalette)
        layout.paletteCountField = std::uint32_t(layout.palette.size());
    if (options.rle)
        layout.compression = layout.bits == 8 ? 1 : 2;

    std::vector<std::uint8_t> out = StartBmp(layout);
    if (options.rle) {
        for (int fileRow = 0; fileRow < picture.height; ++fileRow) {
            const std::uint8_t* row =
                &picture.indices[std::size_t(picture.height - 1 - fileRow) * picture.width];
            if (layout.bits == 8)
                EncodeRle8Row(row, picture.width, out);
            else
                EncodeRle4Row(row, picture.width, out);
            Put8(out, 0);
            Put8(out, fileRow + 1 == picture.height ? 1 : 0);
        }
        FinishBmp(out, layout);
        return out;
    }
    const std::size_t rowBytes = BmpRowBytes(picture.width, layout.bits);
    for (int fileRow = 0; fileRow < picture.height; ++fileRow) {
        const int y = options.topDown ? fileRow : picture.height - 1 - fileRow;
        std::vector<std::uint8_t> row(rowBytes, 0);
        for (int x = 0; x < picture.width; ++x) {
            const std::size_t bit = std::size_t(x) * layout.bits;
            const int shift = 8 - layout.bits - int(bit % 8);
            row[bit / 8] |= static_cast<std::uint8_t>(picture.At(x, y) << shift);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    FinishBmp(out, layout);
    return out;
}

std::vector<std::uint8_t> MakeBmpWithRleStream(int width, int height, int bitsPerPixel,
                                               const std::vector<std::uint32_t>& palette,
                                               const std::vector<std::uint8_t>& stream) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bits = bitsPerPixel;
    layout.compression = bitsPerPixel == 8 ? 1 : 2;
    layout.palette = palette;
    layout.paletteCountField = std::uint32_t(palette.size());
    std::vector<std::uint8_t> out = StartBmp(layout);
    out.insert(out.end(), stream.begin(), stream.end());
    FinishBmp(out, layout);
    return out;
}

RasterPicture QuantiseToMasks(const RasterPicture& picture, std::uint32_t redMask,
                              std::uint32_t greenMask, std::uint32_t blueMask) {
    const MaskShape red = ShapeOf(redMask), green = ShapeOf(greenMask), blue = ShapeOf(blueMask);
    RasterPicture result = picture;
    for (std::uint32_t& pixel : result.pixels) {
        const std::uint32_t r = Expand(Quantise(Red(pixel), red), red);
        const std::uint32_t g = Expand(Quantise(Green(pixel), green), green);
        const std::uint32_t b = Expand(Quantise(Blue(pixel), blue), blue);
        pixel = r << 16 | g << 8 | b;
    }
    return result;
}

// ---- PCX ----

std::vector<std::uint8_t> MakePcx(const RasterPicture& picture, const PcxOptions& options) {
    const PcxShape shape{8, 3};
    const int lineBytes = PcxBytesPerLine(picture.width, shape, options.paddingBytes);
    std::vector<std::uint8_t> out =
        PcxHeader(picture.width, picture.height, shape, lineBytes, options, {});
    std::vector<std::uint8_t> raw(std::size_t(lineBytes) * 3 * picture.height, 0xA5);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t rgb = picture.At(x, y);
            const std::size_t line = std::size_t(y) * 3 * lineBytes + x;
            raw[line] = Red(rgb);
            raw[line + lineBytes] = Green(rgb);
            raw[line + 2 * std::size_t(lineBytes)] = Blue(rgb);
        }
    }
    AppendPcxData(raw, std::size_t(lineBytes), options, out);
    return out;
}

std::vector<std::uint8_t> MakePcx(const IndexedPicture& picture, const PcxOptions& options) {
    const PcxShape shape = ShapeOf(options.kind);
    const int lineBytes = PcxBytesPerLine(picture.width, shape, options.paddingBytes);
    const bool endPalette = options.kind == PcxKind::kIndexed8;
    const bool noHeaderPalette = endPalette || options.kind == PcxKind::kGrey8 ||
                                 (options.kind == PcxKind::kMono && !options.headerPalette);
    std::vector<std::uint8_t> out =
        PcxHeader(picture.width, picture.height, shape, lineBytes, options,
                  noHeaderPalette ? std::vector<std::uint32_t>{} : picture.palette);

    // Bits and bytes past the width are set, to show a decoder that reads them.
    std::vector<std::uint8_t> raw(std::size_t(lineBytes) * shape.planes * picture.height, 0xFF);
    for (int y = 0; y < picture.height; ++y) {
        for (int plane = 0; plane < shape.planes; ++plane) {
            std::uint8_t* line =
                &raw[(std::size_t(y) * shape.planes + plane) * std::size_t(lineBytes)];
            for (int x = 0; x < picture.width; ++x) {
                const std::uint8_t index = picture.At(x, y);
                if (shape.bits == 8) {
                    line[x] = index;
                } else if (shape.bits == 2) {
                    const int shift = 6 - 2 * (x % 4);
                    line[x / 4] = static_cast<std::uint8_t>((line[x / 4] & ~(3 << shift)) |
                                                            ((index & 3) << shift));
                } else {
                    const int mask = 0x80 >> (x % 8);
                    if ((index >> plane) & 1)
                        line[x / 8] |= mask;
                    else
                        line[x / 8] &= ~mask;
                }
            }
        }
    }
    AppendPcxData(raw, std::size_t(lineBytes), options, out);
    if (endPalette) {
        Put8(out, 0x0C);
        for (int i = 0; i < 256; ++i) {
            const std::uint32_t colour =
                i < int(picture.palette.size()) ? picture.palette[std::size_t(i)] : 0;
            Put8(out, Red(colour));
            Put8(out, Green(colour));
            Put8(out, Blue(colour));
        }
    }
    return out;
}

// ---- TIFF ----

std::vector<std::uint8_t> MakeTiff(const TiffOptions& options,
                                   const std::vector<std::uint16_t>& samples) {
    MemoryStream stream;
    TIFF* tiff = TIFFClientOpen("memory", "w", &stream, StreamRead, StreamWrite, StreamSeek,
                                StreamClose, StreamSize, NoMap, NoUnmap);
    if (!tiff)
        return {};
    const int spp = options.samplesPerPixel;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, std::uint32_t(options.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, std::uint32_t(options.height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, options.bitsPerSample);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, options.samplesPerPixel);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, options.photometric);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, options.compression);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, options.orientation);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG,
                 options.separatePlanes ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    if (options.compression == COMPRESSION_JPEG && options.photometric == PHOTOMETRIC_YCBCR) {
        // Samples go in as RGB; libtiff turns them into YCbCr.
        TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, 95);
        TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    }
    if (options.extraSample) {
        const std::uint16_t extra = options.extraSample;
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (!options.colormap.empty()) {
        const std::size_t n = options.colormap.size() / 3;
        TIFFSetField(tiff, TIFFTAG_COLORMAP, options.colormap.data(), options.colormap.data() + n,
                     options.colormap.data() + 2 * n);
    }
    const bool tiled = options.tileWidth > 0;
    if (tiled) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, std::uint32_t(options.tileWidth));
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, std::uint32_t(options.tileHeight));
    } else if (options.rowsPerStrip > 0) {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, std::uint32_t(options.rowsPerStrip));
    }

    const int planes = options.separatePlanes ? spp : 1;
    const int perPixel = options.separatePlanes ? 1 : spp;
    // The samples of one plane for columns [x0, x0 + count) of a row; 0 outside.
    auto rowSamples = [&](int y, int x0, int count, int plane) {
        std::vector<std::uint16_t> values(std::size_t(count) * perPixel, 0);
        for (int i = 0; i < count && x0 + i < options.width; ++i) {
            if (y >= options.height)
                break;
            const std::size_t pixel = std::size_t(y) * options.width + x0 + i;
            for (int s = 0; s < perPixel; ++s)
                values[std::size_t(i) * perPixel + s] =
                    samples[pixel * spp + (options.separatePlanes ? plane : s)];
        }
        return PackSamples(values.data(), values.size(), options.bitsPerSample);
    };

    bool ok = true;
    for (int plane = 0; plane < planes && ok; ++plane) {
        if (!tiled) {
            for (int y = 0; y < options.height && ok; ++y) {
                std::vector<std::uint8_t> row = rowSamples(y, 0, options.width, plane);
                ok = TIFFWriteScanline(tiff, row.data(), std::uint32_t(y), std::uint16_t(plane)) ==
                     1;
            }
            continue;
        }
        for (int ty = 0; ty < options.height && ok; ty += options.tileHeight) {
            for (int tx = 0; tx < options.width && ok; tx += options.tileWidth) {
                std::vector<std::uint8_t> tile;
                for (int y = ty; y < ty + options.tileHeight; ++y) {
                    std::vector<std::uint8_t> row = rowSamples(y, tx, options.tileWidth, plane);
                    tile.insert(tile.end(), row.begin(), row.end());
                }
                tile.resize(std::size_t(TIFFTileSize(tiff)), 0);
                ok = TIFFWriteTile(tiff, tile.data(), std::uint32_t(tx), std::uint32_t(ty), 0,
                                   std::uint16_t(plane)) > 0;
            }
        }
    }
    TIFFClose(tiff);
    if (!ok)
        return {};
    return stream.data;
}

std::vector<std::uint8_t> MakeTiff(const RasterPicture& picture, std::uint16_t compression) {
    TiffOptions options;
    options.width = picture.width;
    options.height = picture.height;
    options.compression = compression;
    std::vector<std::uint16_t> samples;
    samples.reserve(picture.pixels.size() * 3);
    for (std::uint32_t rgb : picture.pixels) {
        samples.push_back(Red(rgb));
        samples.push_back(Green(rgb));
        samples.push_back(Blue(rgb));
    }
    return MakeTiff(options, samples);
}

RasterPicture ReadTiffThroughLibtiff(const std::vector<std::uint8_t>& file) {
    MemoryStream stream{file, 0};
    TIFF* tiff = TIFFClientOpen("memory", "r", &stream, StreamRead, StreamWrite, StreamSeek,
                                StreamClose, StreamSize, NoMap, NoUnmap);
    if (!tiff)
        return {};
    std::uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    std::vector<std::uint32_t> abgr(std::size_t(width) * height);
    const bool read =
        TIFFReadRGBAImageOriented(tiff, width, height, abgr.data(), ORIENTATION_TOPLEFT, 0) != 0;
    TIFFClose(tiff);
    if (!read)
        return {};
    RasterPicture picture{int(width), int(height), {}};
    picture.pixels.reserve(abgr.size());
    for (std::uint32_t v : abgr)
        picture.pixels.push_back(TIFFGetR(v) << 16 | TIFFGetG(v) << 8 | TIFFGetB(v));
    return picture;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file);
}

}  // namespace fixtures
