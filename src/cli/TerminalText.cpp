#include "cli/TerminalText.h"

#include <cstdio>

#include "platform/Win1252.h"

namespace {

bool IsControl(unsigned char byte) {
    if (byte == '\t')
        return false;
    if (byte < 0x20 || byte == 0x7F)
        return true;
    const char32_t codePoint = Win1252CodePoint(byte);
    return codePoint >= 0x80 && codePoint < 0xA0;
}

}  // namespace

std::string TerminalText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t plainStart = 0;
    for (std::size_t i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && !IsControl(static_cast<unsigned char>(bytes[i])))
            continue;
        out += Win1252ToUtf8(bytes.substr(plainStart, i - plainStart));
        if (i < bytes.size()) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(bytes[i]));
            out += escaped;
        }
        plainStart = i + 1;
    }
    return out;
}
