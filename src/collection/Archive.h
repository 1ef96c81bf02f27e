#pragma once
// A small binary archive over a byte vector, either storing or loading: 32-bit
// little-endian integers and length-prefixed single-byte strings. Loading never
// reads past the end: a read that runs out of data fails and leaves the archive
// failed for every later read.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Archive {
public:
    // An empty archive that collects what is written.
    static Archive ForStoring() { return Archive(true, {}); }
    // An archive that reads `bytes` from the start.
    static Archive ForLoading(std::vector<std::uint8_t> bytes) {
        return Archive(false, std::move(bytes));
    }

    bool IsStoring() const { return m_storing; }
    // False once a read ran out of data.
    bool IsGood() const { return m_good; }
    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }
    std::size_t Remaining() const { return m_bytes.size() - m_position; }

    void WriteInt32(std::int32_t value);
    // A length below 0xFF takes one byte; below 0xFFFF, 0xFF and two bytes; else
    // 0xFF 0xFF 0xFF and four bytes.
    void WriteString(const std::string& text);

    bool ReadInt32(std::int32_t& value);
    bool ReadString(std::string& text);

private:
    Archive(bool storing, std::vector<std::uint8_t> bytes)
        : m_storing(storing), m_bytes(std::move(bytes)) {}

    void WriteUInt(std::uint32_t value, int byteCount);
    bool ReadUInt(std::uint32_t& value, int byteCount);

    bool m_storing;
    bool m_good = true;
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_position = 0;
};
