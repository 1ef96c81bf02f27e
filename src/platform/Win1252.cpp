#include "platform/Win1252.h"

#include <array>
#include <cstdio>

namespace {

// 0x80 to 0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

char32_t Win1252CodePoint(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0)
        return kHighControls[byte - 0x80];
    return byte;
}

namespace {

// The code point at `i` (moved past it), or nothing when the bytes there are not
// a shortest-form UTF-8 sequence of a scalar value.
std::optional<char32_t> NextCodePoint(std::string_view utf8, std::size_t& i) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i++]);
    if (lead < 0x80)
        return lead;
    int more = 0;
    char32_t cp = 0;
    if (lead >= 0xC2 && lead < 0xE0) {
        more = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        more = 2;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead < 0xF5) {
        more = 3;
        cp = lead & 0x07;
    } else {
        return std::nullopt;
    }
    for (int k = 0; k < more; ++k, ++i) {
        if (i >= utf8.size() || (static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80)
            return std::nullopt;
        cp = (cp << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
    }
    constexpr char32_t kShortest[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kShortest[more] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
        return std::nullopt;
    return cp;
}

std::optional<char> Win1252Byte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp < 0x100))
        return static_cast<char>(cp);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == cp)
            return static_cast<char>(0x80 + i);
    return std::nullopt;
}

}  // namespace

std::optional<std::string> Utf8ToWin1252(std::string_view utf8, std::string* refused) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::optional<char32_t> cp = NextCodePoint(utf8, i);
        const std::optional<char> byte = cp ? Win1252Byte(*cp) : std::nullopt;
        if (!byte) {
            if (refused) {
                char name[16] = "invalid UTF-8";
                if (cp)
                    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(*cp));
                *refused = name;
            }
            return std::nullopt;
        }
        out += *byte;
    }
    return out;
}

std::string Win1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char c : bytes)
        AppendUtf8(out, Win1252CodePoint(static_cast<unsigned char>(c)));
    return out;
}

namespace {

// Appends the bytes quoted and escaped; every byte from 0x80 on goes through `high`.
// Runs of plain ASCII are copied whole: records of thousands of files a second are
// mostly that.
template <typename HighByte>
void AppendQuoted(std::string& out, std::string_view bytes, HighByte high) {
    out += '"';
    std::size_t plain = 0;  // start of the run of bytes that stand for themselves
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x20 && byte < 0x80 && byte != '"' && byte != '\\')
            continue;
        out.append(bytes.data() + plain, i - plain);
        plain = i + 1;
        switch (byte) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", byte);
                    out += buffer;
                } else {
                    high(out, byte);
                }
        }
    }
    out.append(bytes.data() + plain, bytes.size() - plain);
    out += '"';
}

void AppendWin1252(std::string& out, unsigned char byte) {
    AppendUtf8(out, Win1252CodePoint(byte));
}

}  // namespace

std::string JsonQuote(std::string_view bytes) {
    std::string out;
    AppendJsonQuoted(out, bytes);
    return out;
}

void AppendJsonQuoted(std::string& out, std::string_view bytes) {
    AppendQuoted(out, bytes, AppendWin1252);
}

std::string JsonQuoteUtf8(std::string_view utf8) {
    std::string out;
    AppendQuoted(out, utf8,
                 [](std::string& text, unsigned char byte) { text += static_cast<char>(byte); });
    return out;
}
