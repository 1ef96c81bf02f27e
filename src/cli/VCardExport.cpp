#include "cli/VCardExport.h"

#include <string_view>
#include <vector>

#include "card/CardInfo.h"
#include "platform/Win1252.h"

namespace {

constexpr std::size_t kMostOctetsPerLine = 75;

// The text split at its line breaks (CR LF, CR or LF).
std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            lines.emplace_back();
        } else {
            lines.back() += text[i];
        }
    }
    return lines;
}

// A text value: \ , ; escaped, line breaks as \n; other control characters, which a
// vCard cannot hold, are left out.
std::string Escaped(std::string_view bytes) {
    std::string out;
    const std::vector<std::string> lines = Lines(bytes);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            out += "\\n";
        for (char c : lines[i]) {
            if (c == '\\' || c == ',' || c == ';')
                out += '\\';
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t')
                out += c;
        }
    }
    return Win1252ToUtf8(out);
}

// A URI value is not escaped; it cannot hold line breaks or controls either.
std::string Uri(std::string_view bytes) {
    std::string out;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) > 0x20)
            out += c;
    return Win1252ToUtf8(out);
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// One content line, folded: no physical line longer than 75 octets, and never a
// break inside a UTF-8 sequence.
void AppendFolded(std::string& out, const std::string& line) {
    std::size_t start = 0;
    std::size_t room = kMostOctetsPerLine;
    while (line.size() - start > room) {
        std::size_t cut = start + room;
        while (cut > start && IsContinuationByte(line[cut]))
            --cut;
        out.append(line, start, cut - start);
        out += "\r\n ";
        start = cut;
        room = kMostOctetsPerLine - 1;  // the leading space counts
    }
    out.append(line, start);
    out += "\r\n";
}

// N from a single name: the last word is the family name, the words before it given.
std::string StructuredName(std::string_view name) {
    std::string_view trimmed = name;
    while (!trimmed.empty() && trimmed.back() == ' ')
        trimmed.remove_suffix(1);
    const std::size_t space = trimmed.rfind(' ');
    if (space == std::string_view::npos)
        return Escaped(trimmed) + ";;;;";
    return Escaped(trimmed.substr(space + 1)) + ";" + Escaped(trimmed.substr(0, space)) + ";;;";
}

// The street address's lines are the values of the street component.
std::string Address(std::string_view street) {
    std::string joined;
    const std::vector<std::string> lines = Lines(street);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            joined += ',';
        joined += Escaped(lines[i]);
    }
    return ";;" + joined + ";;;;";
}

}  // namespace

std::string VCardExport(const CardInfo& card) {
    if (!card.m_hasBusiness)
        return {};
    std::string out;
    auto property = [&out](const std::string& nameAndParams, const std::string& value) {
        AppendFolded(out, nameAndParams + ":" + value);
    };
    auto optional = [&](const char* nameAndParams, const std::string& value) {
        if (!value.empty())
            property(nameAndParams, value);
    };
    property("BEGIN", "VCARD");
    property("VERSION", "4.0");
    property("FN", Escaped(card.m_name));
    property("N", StructuredName(card.m_name));
    if (!card.m_street.empty())
        property("ADR;TYPE=work", Address(card.m_street));
    optional("TEL;TYPE=work,voice", Escaped(card.m_phone));
    optional("TEL;TYPE=work,fax", Escaped(card.m_fax));
    optional("URL", Uri(card.m_url));
    optional("EMAIL", Escaped(card.m_email));
    optional("NOTE", Escaped(card.m_message));
    property("END", "VCARD");
    return out;
}
