#include "cli/TerminalText.h"

#include <cstdio>

#include "platform/PathText.h"
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

void AppendEscaped(std::string& out, unsigned char byte) {
    char escaped[5];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
    out += escaped;
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
        if (i < bytes.size())
            AppendEscaped(out, static_cast<unsigned char>(bytes[i]));
        plainStart = i + 1;
    }
    return out;
}

std::string TerminalPath(std::string_view path) {
    if (!IsValidUtf8(path))
        return TerminalText(path);
    std::string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        const bool c1 = byte == 0xC2 && i + 1 < path.size() &&
                        static_cast<unsigned char>(path[i + 1]) < 0xA0;  // U+0080..U+009F
        if (c1) {
            AppendEscaped(out, byte);
            AppendEscaped(out, static_cast<unsigned char>(path[++i]));
        } else if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
            AppendEscaped(out, byte);
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}
