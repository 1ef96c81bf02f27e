#include "collection/Archive.h"

#include <algorithm>
#include <limits>

void Archive::WriteUInt(std::uint32_t value, int byteCount) {
    for (int i = 0; i < byteCount; ++i) {
        m_bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

bool Archive::ReadUInt(std::uint32_t& value, int byteCount) {
    if (!m_good || Remaining() < static_cast<std::size_t>(byteCount)) {
        m_good = false;
        return false;
    }
    value = 0;
    for (int i = 0; i < byteCount; ++i) {
        value |= static_cast<std::uint32_t>(m_bytes[m_position++]) << (8 * i);
    }
    return true;
}

void Archive::WriteInt32(std::int32_t value) {
    WriteUInt(static_cast<std::uint32_t>(value), 4);
}

void Archive::WriteString(const std::string& text) {
    // Longer texts than 32 bits can count are cut; no caller comes near that.
    const std::size_t length =
        std::min<std::size_t>(text.size(), std::numeric_limits<std::uint32_t>::max());
    if (length < 0xFF) {
        WriteUInt(static_cast<std::uint32_t>(length), 1);
    } else if (length < 0xFFFF) {
        WriteUInt(0xFF, 1);
        WriteUInt(static_cast<std::uint32_t>(length), 2);
    } else {
        WriteUInt(0xFF, 1);
        WriteUInt(0xFFFF, 2);
        WriteUInt(static_cast<std::uint32_t>(length), 4);
    }
    m_bytes.insert(m_bytes.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
}

bool Archive::ReadInt32(std::int32_t& value) {
    std::uint32_t raw = 0;
    if (!ReadUInt(raw, 4)) {
        return false;
    }
    value = static_cast<std::int32_t>(raw);
    return true;
}

bool Archive::ReadString(std::string& text) {
    std::uint32_t length = 0;
    if (!ReadUInt(length, 1)) {
        return false;
    }
    if (length == 0xFF) {
        if (!ReadUInt(length, 2)) {
            return false;
        }
        if (length == 0xFFFF && !ReadUInt(length, 4)) {
            return false;
        }
    }
    // The length comes from the data: check it against what is left before
    // allocating anything.
    if (Remaining() < length) {
        m_good = false;
        return false;
    }
    const auto begin = m_bytes.begin() + static_cast<std::ptrdiff_t>(m_position);
    text.assign(begin, begin + length);
    m_position += length;
    return true;
}
