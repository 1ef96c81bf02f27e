#include "app/IniFormat.h"

#include "app/Utf16Text.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// ---- lines ----

// One logical line from `pos`: a quoted line break or an escaped line end does not end
// it, a ";" at its start makes it a comment, one after it (unquoted) ends it.
struct IniLine {
    std::size_t start = 0;
    std::size_t length = 0;
    std::size_t equals = std::string_view::npos;
};

bool ReadIniLine(std::string_view data, std::size_t& pos, IniLine& line) {
    while (pos < data.size() && IsBlank(data[pos]))  // blank lines and indentation
        ++pos;
    std::size_t start = pos, i = pos;
    std::size_t equals = std::string_view::npos;
    bool inQuotes = false;
    while (i < data.size()) {
        const char c = data[i++];
        if (c == '=') {
            if (!inQuotes && equals == std::string_view::npos)
                equals = i - 1;
        } else if (c == '\n' || c == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!inQuotes) {
                --i;
                break;
            }
        } else if (c == '\\') {
            if (i < data.size()) {
                const char escaped = data[i++];
                if (i < data.size()) {
                    const char after = data[i];
                    if ((escaped == '\n' && after == '\r') || (escaped == '\r' && after == '\n'))
                        ++i;
                }
            }
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == ';') {
            if (i == start + 1) {
                while (i < data.size() && data[i] != '\n' && data[i] != '\r')
                    ++i;
                while (i < data.size() && IsBlank(data[i]))
                    ++i;
                start = i;
            } else if (!inQuotes) {
                --i;
                break;
            }
        }
    }
    pos = i;
    line = IniLine{start, i - start, equals};
    return line.length > 0;
}

// A key with its escapes undone: "%XX" and "%UXXXX" are characters, "\" is "/".
std::string UnescapedKey(std::string_view key) {
    std::u16string result;
    std::size_t i = 0;
    while (i < key.size()) {
        if (key[i] == '\\') {
            result += u'/';
            ++i;
            continue;
        }
        if (key[i] != '%' || i == key.size() - 1) {
            std::size_t j = i + 1;
            while (j < key.size() && key[j] != '%' && key[j] != '\\')
                ++j;
            AppendUtf8(result, key.substr(i, j - i));
            i = j;
            continue;
        }
        std::size_t digitsAt = i + 1, digits = 2;
        if (key[i + 1] == 'U') {
            ++digitsAt;
            digits = 4;
        }
        unsigned value = 0;
        bool ok = digitsAt + digits <= key.size();
        for (std::size_t k = 0; ok && k < digits; ++k) {
            const int digit = HexDigit(key[digitsAt + k]);
            ok = digit >= 0;
            value = value * 16 + unsigned(digit);
        }
        if (!ok) {
            result += u'%';
            ++i;
            continue;
        }
        result += char16_t(value);
        i = digitsAt + digits;
    }
    return ToUtf8(result);
}

// ---- values ----

constexpr char kEscapes[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};

void ChopTrailingBlanks(std::u16string& text, std::size_t limit) {
    while (text.size() > limit && (text.back() == u' ' || text.back() == u'\t'))
        text.pop_back();
}

// The value's text with quotes and escapes undone; more than one part when it is a
// list (an unquoted comma).
std::vector<std::u16string> UnescapedParts(std::string_view text) {
    std::vector<std::u16string> parts;
    std::u16string current;
    bool inQuotes = false, quoted = false;
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
    };
    skipBlanks();
    std::size_t chopLimit = 0;
    bool chop = true;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\\') {
            if (++i >= text.size()) {
                chop = false;  // a lone backslash at the end keeps the blanks before it
                break;
            }
            const char escaped = text[i++];
            bool simple = false;
            for (const auto& pair : kEscapes) {
                if (escaped == pair[0]) {
                    current += char16_t(static_cast<unsigned char>(pair[1]));
                    simple = true;
                    break;
                }
            }
            if (!simple && escaped == 'x' && i < text.size() && HexDigit(text[i]) >= 0) {
                char16_t value = 0;
                while (i < text.size() && HexDigit(text[i]) >= 0)
                    value = char16_t((value << 4) + HexDigit(text[i++]));
                current += value;
            } else if (!simple && escaped >= '0' && escaped <= '7') {
                char16_t value = char16_t(escaped - '0');
                while (i < text.size() && text[i] >= '0' && text[i] <= '7')
                    value = char16_t((value << 3) + (text[i++] - '0'));
                current += value;
            } else if (!simple && (escaped == '\n' || escaped == '\r')) {
                if (i < text.size() && (text[i] == '\n' || text[i] == '\r') && text[i] != escaped)
                    ++i;
            }
            chopLimit = current.size();
        } else if (c == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipBlanks();
                chopLimit = current.size();
            }
        } else if (c == ',' && !inQuotes) {
            if (!quoted)
                ChopTrailingBlanks(current, chopLimit);
            parts.push_back(std::move(current));
            current.clear();
            quoted = false;
            ++i;
            skipBlanks();
            chopLimit = 0;
        } else {
            std::size_t j = i + 1;
            while (j < text.size() && text[j] != '\\' && text[j] != '"' && text[j] != ',')
                ++j;
            AppendUtf8(current, text.substr(i, j - i));
            i = j;
        }
    }
    if (!quoted && chop)
        ChopTrailingBlanks(current, chopLimit);
    parts.push_back(std::move(current));
    return parts;
}

bool StartsWith(const std::u16string& text, std::u16string_view prefix) {
    return std::u16string_view(text).substr(0, prefix.size()) == prefix;
}

bool IsSpace(char16_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20;
}

// QString::toInt in base 10, which reads no further than a NUL: ASCII blanks around
// the number are passed over.
std::optional<int> ToInt(const std::u16string& text) {
    std::size_t begin = 0, end = std::min(text.size(), text.find(u'\0'));
    while (begin < end && IsSpace(text[begin]))
        ++begin;
    while (end > begin && IsSpace(text[end - 1]))
        --end;
    bool negative = false;
    if (begin < end && (text[begin] == u'+' || text[begin] == u'-'))
        negative = text[begin++] == u'-';
    if (begin == end)
        return std::nullopt;
    std::int64_t value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return std::nullopt;
        value = value * 10 + (text[i] - u'0');
        if (value > std::int64_t(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

// The one string QSettings makes of a value, with what it holds: a list or a value of
// another type holds none.
std::optional<std::u16string> ValueString(std::string_view text, IniValue::Kind& kind) {
    std::vector<std::u16string> parts = UnescapedParts(text);
    kind = IniValue::kOther;
    if (parts.size() != 1)
        return std::nullopt;
    std::u16string& s = parts.front();
    if (!s.empty() && s.front() == u'@') {
        if (s.back() == u')') {
            if (StartsWith(s, u"@ByteArray(")) {
                kind = IniValue::kByteArray;
                return s.substr(11, s.size() - 12);
            }
            if (StartsWith(s, u"@String(")) {
                kind = IniValue::kString;
                return s.substr(8, s.size() - 9);
            }
            if (StartsWith(s, u"@Variant(") || StartsWith(s, u"@Rect(") ||
                StartsWith(s, u"@Size(") || StartsWith(s, u"@Point(") || s == u"@Invalid()")
                return std::nullopt;
        }
        if (StartsWith(s, u"@@")) {
            kind = IniValue::kString;
            return s.substr(1);
        }
    }
    kind = IniValue::kString;
    return std::move(s);
}

}  // namespace

std::map<std::string, IniEntry> IniGeneralValues(std::string_view text) {
    std::map<std::string, IniEntry> values;
    bool general = true;
    std::size_t pos = 0;
    IniLine line;
    while (ReadIniLine(text, pos, line)) {
        const std::string_view content = text.substr(line.start, line.length);
        if (content.front() == '[') {
            const std::size_t close = content.find(']');
            const std::string_view name = Trimmed(
                close == std::string_view::npos ? content.substr(1) : content.substr(1, close - 1));
            general = EqualsIgnoringCase(name, "general");
            continue;
        }
        if (!general || line.equals == std::string_view::npos)
            continue;
        const std::size_t keyLength = line.equals - line.start;
        const std::string key = UnescapedKey(Trimmed(content.substr(0, keyLength)));
        if (key.empty())
            continue;
        const std::string_view rest = text.substr(line.equals + 1);
        values[key] = IniEntry{std::string(content.substr(keyLength + 1)),
                               std::string(rest.substr(0, rest.find_first_of("\r\n")))};
    }
    return values;
}

IniValue ParseIniValue(std::string_view text) {
    IniValue value;
    const std::optional<std::u16string> string = ValueString(text, value.kind);
    if (string)
        value.bytes = value.kind == IniValue::kByteArray ? ToLatin1(*string) : ToUtf8(*string);
    return value;
}

std::optional<int> IniValueAsInt(std::string_view text) {
    IniValue::Kind kind;
    const std::optional<std::u16string> string = ValueString(text, kind);
    if (!string)
        return std::nullopt;
    if (kind == IniValue::kByteArray) {  // its bytes as UTF-8, as QVariant turns it
        std::u16string decoded;
        AppendUtf8(decoded, ToLatin1(*string));
        return ToInt(decoded);
    }
    return ToInt(*string);
}
