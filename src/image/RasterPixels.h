#pragma once
// Pieces the BMP, PCX and TIFF codecs share: little-endian field reads, the packed
// output pixel, and a reader of a byte range in order.

#include <bit>
#include <cstddef>
#include <cstdint>

#include "image/ByteSource.h"

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

// The bytes of [begin, end) of a source in order, a piece at a time.
class ByteStream {
public:
    ByteStream(ByteSource& source, std::uint64_t begin, std::uint64_t end)
        : m_source(source), m_offset(begin), m_end(end < source.Size() ? end : source.Size()) {}

    // The next byte, or -1 at the end.
    int Next() {
        if (m_pos == m_stop && !Refill())
            return -1;
        return *m_pos++;
    }

private:
    bool Refill() {
        constexpr std::size_t kPiece = std::size_t{64} << 10;
        m_offset += std::uint64_t(m_stop - m_start);
        m_start = m_pos = m_stop = nullptr;
        if (m_offset >= m_end)
            return false;
        const std::size_t count =
            m_end - m_offset < kPiece ? std::size_t(m_end - m_offset) : kPiece;
        m_start = m_source.View(m_offset, count);
        if (!m_start)
            return false;
        m_pos = m_start;
        m_stop = m_start + count;
        return true;
    }

    ByteSource& m_source;
    std::uint64_t m_offset;  // of m_start
    std::uint64_t m_end;
    const std::uint8_t* m_start = nullptr;
    const std::uint8_t* m_pos = nullptr;
    const std::uint8_t* m_stop = nullptr;
};
