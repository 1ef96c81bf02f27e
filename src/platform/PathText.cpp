#include "platform/PathText.h"

#include "platform/Win1252.h"

namespace {

// The length of the sequence a lead byte starts, with the bounds of its second byte;
// 0 for a byte that cannot lead.
struct Lead {
    int length;
    unsigned char low;
    unsigned char high;
};

Lead LeadOf(unsigned char byte) {
    if (byte < 0x80)
        return {1, 0, 0};
    if (byte >= 0xC2 && byte <= 0xDF)
        return {2, 0x80, 0xBF};
    if (byte == 0xE0)
        return {3, 0xA0, 0xBF};  // no overlong three-byte forms
    if (byte == 0xED)
        return {3, 0x80, 0x9F};  // no surrogates
    if (byte >= 0xE1 && byte <= 0xEF)
        return {3, 0x80, 0xBF};
    if (byte == 0xF0)
        return {4, 0x90, 0xBF};  // no overlong four-byte forms
    if (byte >= 0xF1 && byte <= 0xF3)
        return {4, 0x80, 0xBF};
    if (byte == 0xF4)
        return {4, 0x80, 0x8F};  // nothing beyond U+10FFFF
    return {0, 0, 0};
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const Lead lead = LeadOf(static_cast<unsigned char>(bytes[i]));
        if (lead.length == 0 || bytes.size() - i < static_cast<std::size_t>(lead.length))
            return false;
        for (int k = 1; k < lead.length; ++k) {
            const auto byte = static_cast<unsigned char>(bytes[i + k]);
            const unsigned char low = k == 1 ? lead.low : 0x80;
            const unsigned char high = k == 1 ? lead.high : 0xBF;
            if (byte < low || byte > high)
                return false;
        }
        i += static_cast<std::size_t>(lead.length);
    }
    return true;
}

std::string PathToUtf8(std::string_view path) {
    return IsValidUtf8(path) ? std::string(path) : Win1252ToUtf8(path);
}

std::string JsonQuotePath(std::string_view path) {
    return IsValidUtf8(path) ? JsonQuoteUtf8(path) : JsonQuote(path);
}
