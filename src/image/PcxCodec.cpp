// PCX reading: the 128-byte header, then one RLE stream of scan lines, each line
// holding its planes one after another. Runs may cross line ends, so the stream is
// read continuously and cut into lines as it goes.

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/Codecs.h"
#include "image/RasterPixels.h"

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kEndPaletteSize = 769;  // the 0x0C marker and 256 RGB triples

struct PcxHeader {
    bool rle = true;
    int bits = 0;
    int planes = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::size_t bytesPerLine = 0;
    std::uint8_t bytes[kHeaderSize] = {};
};

bool ReadHeader(ByteSource& source, PcxHeader& header, LoadFailure& failure, std::string& error) {
    const std::uint8_t* h = source.View(0, kHeaderSize);
    failure = LoadFailure::kNotAPicture;
    if (!h || h[0] != 10 || h[2] > 1)
        return false;
    std::memcpy(header.bytes, h, kHeaderSize);
    header.rle = h[2] == 1;
    header.bits = h[3];
    header.planes = h[65];
    const int xmin = ReadLe16(h + 4), ymin = ReadLe16(h + 6);
    const int xmax = ReadLe16(h + 8), ymax = ReadLe16(h + 10);
    header.width = std::int64_t(xmax) - xmin + 1;
    header.height = std::int64_t(ymax) - ymin + 1;
    header.bytesPerLine = ReadLe16(h + 66);
    const int bits = header.bits, planes = header.planes;
    const bool known = (bits == 1 && planes >= 1 && planes <= 4) ||
                       ((bits == 2 || bits == 4) && planes == 1) ||
                       (bits == 8 && (planes == 1 || planes == 3 || planes == 4));
    if (!known) {
        failure = LoadFailure::kUnsupportedKind;
        error = std::to_string(bits) + " bits x " + std::to_string(planes) + " planes";
        return false;
    }
    if (header.width >= 1 && header.height >= 1 &&
        header.bytesPerLine < (std::uint64_t(header.width) * bits + 7) / 8) {
        failure = LoadFailure::kDamaged;
        error = "lines are shorter than the picture is wide";
        return false;
    }
    return true;
}

// The decompressed byte stream, handed out in pieces of any length; the file is read
// a piece at a time.
class RleStream {
public:
    RleStream(ByteSource& source, std::uint64_t begin, std::uint64_t end, bool rle)
        : m_source(source), m_offset(begin), m_fileEnd(end), m_rle(rle), m_buffer(kPiece + 1) {}

    // Fills up to count bytes; returns how many were there.
    std::size_t Read(std::uint8_t* dst, std::size_t count) {
        std::uint8_t* out = dst;
        std::uint8_t* const outEnd = dst + count;
        if (m_runLeft > 0) {
            const std::size_t n = std::min(m_runLeft, count);
            std::memset(out, m_runValue, n);
            m_runLeft -= n;
            out += n;
        }
        const unsigned runMark = m_rle ? 0xC0 : 0x100;
        while (out < outEnd) {
            if (m_pos == m_end && !Refill())
                break;
            // Locals, so the loop keeps them in registers.
            const std::uint8_t* in = m_pos;
            const std::uint8_t* const inEnd = m_end;
            // Far from either end, the fast paths; the loop below finishes.
            if (m_rle)
                FastRuns(in, inEnd, out, outEnd);
            else
                FastCopy(in, inEnd, out, outEnd);
            bool split = false;  // a run's count ends this piece, its value starts the next
            while (out < outEnd && in < inEnd) {
                const std::uint8_t byte = *in;
                if (byte < runMark) {
                    *out++ = byte;
                    ++in;
                    continue;
                }
                if (in + 1 >= inEnd) {
                    split = true;
                    break;
                }
                std::size_t n = byte & 0x3F;
                const std::uint8_t value = in[1];
                in += 2;
                const std::size_t room = std::size_t(outEnd - out);
                if (n > room) {
                    m_runLeft = n - room;
                    m_runValue = value;
                    n = room;
                }
                for (std::size_t k = 0; k < n; ++k)
                    out[k] = value;
                out += n;
            }
            m_pos = in;
            if (split && !Refill()) {
                m_pos = m_end;
                break;
            }
        }
        return std::size_t(out - dst);
    }

private:
    static constexpr std::size_t kPiece = std::size_t{256} << 10;

    // The next piece of the file after what is left of this one (at most a run's count).
    bool Refill() {
        const std::size_t left = std::size_t(m_end - m_pos);
        if (m_offset >= m_fileEnd)
            return false;
        if (left > 0)
            std::memmove(m_buffer.data(), m_pos, left);
        const std::size_t n = std::size_t(std::min<std::uint64_t>(kPiece, m_fileEnd - m_offset));
        if (!m_source.ReadAt(m_offset, n, m_buffer.data() + left))
            return false;
        m_offset += n;
        m_pos = m_buffer.data();
        m_end = m_buffer.data() + left + n;
        return true;
    }

    // Room the fast paths keep from the ends: they copy in whole 16-byte pieces and
    // write runs in 8-byte pieces, then overwrite what went past.
    static constexpr std::ptrdiff_t kOutSlack = 160;
    static constexpr std::ptrdiff_t kInSlack = 96;

    // Bit i set when block[i] marks a run (its two top bits set).
    static std::uint64_t RunMarks(const std::uint8_t* block) {
        std::uint64_t marks = 0;
#if defined(__SSE2__)
        const __m128i top = _mm_set1_epi8(char(0xC0));
        for (int i = 0; i < 4; ++i) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block) + i);
            const __m128i marked = _mm_cmpeq_epi8(_mm_and_si128(bytes, top), top);
            marks |= std::uint64_t(std::uint16_t(_mm_movemask_epi8(marked))) << (16 * i);
        }
#else
        for (int i = 0; i < 64; ++i)
            marks |= std::uint64_t(block[i] >= 0xC0) << i;
#endif
        return marks;
    }

    // Decodes whole 64-byte blocks of input while both ends are far; stops at a
    // token boundary.
    static void FastRuns(const std::uint8_t*& in, const std::uint8_t* inEnd, std::uint8_t*& out,
                         const std::uint8_t* outEnd) {
        while (inEnd - in >= kInSlack && outEnd - out >= kOutSlack) {
            const std::uint64_t marks = RunMarks(in);
            unsigned pos = 0;
            while (pos < 64) {
                if (outEnd - out < kOutSlack)
                    break;
                const std::uint64_t pending = marks & (~std::uint64_t{0} << pos);
                const unsigned mark = unsigned(std::countr_zero(pending));  // 64 when none
                const unsigned count = mark - pos;
                std::memcpy(out, in + pos, 16);  // most stretches are short
                for (unsigned k = 16; k < count; k += 16)
                    std::memcpy(out + k, in + pos + k, 16);
                out += count;
                if (mark >= 64) {
                    pos = 64;
                    break;
                }
                const unsigned length = in[mark] & 0x3F;
                const std::uint64_t pattern = 0x0101010101010101ull * in[mark + 1];
                std::memcpy(out, &pattern, 8);
                for (unsigned k = 8; k < length; k += 8)
                    std::memcpy(out + k, &pattern, 8);
                out += length;
                pos = mark + 2;  // 64 or 65 when the value sits past the block
            }
            in += pos;
        }
    }

    static void FastCopy(const std::uint8_t*& in, const std::uint8_t* inEnd, std::uint8_t*& out,
                         const std::uint8_t* outEnd) {
        const std::size_t n = std::size_t(std::min(inEnd - in, outEnd - out));
        std::memcpy(out, in, n);
        in += n;
        out += n;
    }

    ByteSource& m_source;
    std::uint64_t m_offset;  // of the next piece
    std::uint64_t m_fileEnd;
    bool m_rle;
    std::vector<std::uint8_t> m_buffer;
    const std::uint8_t* m_pos = nullptr;
    const std::uint8_t* m_end = nullptr;
    std::size_t m_runLeft = 0;
    std::uint8_t m_runValue = 0;
};

using Palette = std::array<std::uint32_t, 256>;

Palette HeaderPalette(const std::uint8_t* header, const PcxHeader& pcx) {
    Palette palette;
    palette.fill(kBlackPixel);
    const std::uint8_t* entries = header + 16;
    for (int i = 0; i < 16; ++i)
        palette[i] = PackPixel(entries[3 * i], entries[3 * i + 1], entries[3 * i + 2]);
    // Monochrome files mostly leave the header palette empty: black and white then.
    if (pcx.bits == 1 && pcx.planes == 1 && palette[0] == palette[1]) {
        palette[0] = kBlackPixel;
        palette[1] = PackPixel(255, 255, 255);
    }
    return palette;
}

// The 256-colour palette at the end, or a grey ramp; sets dataEnd to where the
// pixel stream stops.
Palette EndPalette(ByteSource& source, std::uint64_t& dataEnd) {
    Palette palette;
    const std::uint64_t size = source.Size();
    const std::uint8_t* end =
        size >= kHeaderSize + kEndPaletteSize ? source.View(size - kEndPaletteSize, kEndPaletteSize)
                                              : nullptr;
    if (end && end[0] == 0x0C) {
        const std::uint8_t* entries = end + 1;
        for (int i = 0; i < 256; ++i)
            palette[i] = PackPixel(entries[3 * i], entries[3 * i + 1], entries[3 * i + 2]);
        dataEnd = size - kEndPaletteSize;
        return palette;
    }
    for (std::uint32_t i = 0; i < 256; ++i)
        palette[i] = PackPixel(i, i, i);
    return palette;
}

void DecodeIndexed8Line(const std::uint8_t* line, std::uint32_t* dst, std::size_t width,
                        const Palette& palette) {
    for (std::size_t x = 0; x < width; ++x)
        dst[x] = palette[line[x]];
}

void DecodeRgbLine(const std::uint8_t* line, std::size_t bytesPerLine, std::uint32_t* dst,
                   std::size_t width) {
    const std::uint8_t* red = line;
    const std::uint8_t* green = line + bytesPerLine;
    const std::uint8_t* blue = line + 2 * bytesPerLine;
    std::size_t x = 0;
#if defined(__SSE2__)
    // 16 pixels at a time: interleave blue with green and red with 0xFF, then the pairs.
    const __m128i opaque = _mm_set1_epi8(char(0xFF));
    for (; x + 16 <= width; x += 16) {
        const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(red + x));
        const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(green + x));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blue + x));
        const __m128i blueGreenLow = _mm_unpacklo_epi8(b, g);
        const __m128i blueGreenHigh = _mm_unpackhi_epi8(b, g);
        const __m128i redOpaqueLow = _mm_unpacklo_epi8(r, opaque);
        const __m128i redOpaqueHigh = _mm_unpackhi_epi8(r, opaque);
        auto* out = reinterpret_cast<__m128i*>(dst + x);
        _mm_storeu_si128(out, _mm_unpacklo_epi16(blueGreenLow, redOpaqueLow));
        _mm_storeu_si128(out + 1, _mm_unpackhi_epi16(blueGreenLow, redOpaqueLow));
        _mm_storeu_si128(out + 2, _mm_unpacklo_epi16(blueGreenHigh, redOpaqueHigh));
        _mm_storeu_si128(out + 3, _mm_unpackhi_epi16(blueGreenHigh, redOpaqueHigh));
    }
#endif
    for (; x < width; ++x)
        dst[x] = PackPixel(red[x], green[x], blue[x]);
}

// 1 bit in up to 4 planes, or 2 or 4 bits in one plane.
void DecodeSmallLine(const std::uint8_t* line, const PcxHeader& pcx, std::uint32_t* dst,
                     std::size_t width, const Palette& palette) {
    if (pcx.bits == 1) {
        for (std::size_t x = 0; x < width; ++x) {
            unsigned index = 0;
            const int shift = 7 - int(x % 8);
            for (int p = 0; p < pcx.planes; ++p)
                index |= ((line[p * pcx.bytesPerLine + x / 8] >> shift) & 1u) << p;
            dst[x] = palette[index];
        }
        return;
    }
    const std::size_t perByte = 8 / std::size_t(pcx.bits);
    const unsigned mask = (1u << pcx.bits) - 1;
    for (std::size_t x = 0; x < width; ++x) {
        const int shift = 8 - pcx.bits * int(x % perByte + 1);
        dst[x] = palette[(line[x / perByte] >> shift) & mask];
    }
}

// Rows top to bottom; the rows after the data's end are skipped (black).
void DecodePixels(ByteSource& source, const PcxHeader& pcx, RowSink& sink, DecodeReport& report) {
    const std::size_t width = std::size_t(pcx.width);
    const std::size_t height = std::size_t(pcx.height);
    std::uint64_t dataEnd = source.Size();
    const bool eightBitIndexed = pcx.bits == 8 && pcx.planes == 1;
    const Palette palette =
        eightBitIndexed ? EndPalette(source, dataEnd) : HeaderPalette(pcx.bytes, pcx);
    RleStream stream(source, kHeaderSize, dataEnd, pcx.rle);
    const std::size_t lineBytes = pcx.bytesPerLine * std::size_t(pcx.planes);
    std::vector<std::uint8_t> line(lineBytes);
    for (std::size_t y = 0; y < height; ++y) {
        const std::size_t filled = stream.Read(line.data(), lineBytes);
        std::size_t pixels = width;
        if (filled < lineBytes) {
            // A cut line keeps what its first plane holds; later rows stay black.
            report.end = DecodeReport::kTruncated;
            report.rows = y;
            pixels = pcx.planes == 1 ? std::min(width, filled * 8 / std::size_t(pcx.bits)) : 0;
            if (pixels == 0) {
                sink.Skip(height - y);
                return;
            }
            std::memset(line.data() + filled, 0, lineBytes - filled);
            report.partRow = true;
        }
        std::uint32_t* dst = sink.Row(y);
        if (eightBitIndexed)
            DecodeIndexed8Line(line.data(), dst, pixels, palette);
        else if (pcx.bits == 8)
            DecodeRgbLine(line.data(), pcx.bytesPerLine, dst, pixels);
        else
            DecodeSmallLine(line.data(), pcx, dst, pixels, palette);
        if (pixels < width && !sink.Pixels())
            std::fill(dst + pixels, dst + width, 0u);
        sink.Done(y);
        if (pixels < width || filled < lineBytes) {
            sink.Skip(height - y - 1);
            return;
        }
    }
    report.rows = height;
}

class PcxCodec : public Codec {
public:
    explicit PcxCodec(ByteSource& source) : m_source(source) {}
    const char* Name() const override { return "PCX"; }

    bool ReadHeader(CodecHeader& header, LoadFailure& failure, std::string& detail) override {
        if (!::ReadHeader(m_source, m_header, failure, detail))
            return false;
        header.width = m_header.width;
        header.height = m_header.height;
        return true;
    }

    void Decode(Size, RowSink& sink, DecodeReport& report) override {
        DecodePixels(m_source, m_header, sink, report);
    }

private:
    ByteSource& m_source;
    PcxHeader m_header;
};

}  // namespace

std::unique_ptr<Codec> MakePcxCodec(ByteSource& source, const CodecSettings&) {
    return std::make_unique<PcxCodec>(source);
}
