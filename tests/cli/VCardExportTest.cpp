#include "cli/VCardExport.h"

#include <gtest/gtest.h>

#include <sstream>

#include "card/CardInfo.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
    return lines;
}

// The logical lines: folded lines joined again.
std::string Unfolded(const std::string& text) {
    std::string joined;
    for (const std::string& line : Lines(text))
        joined += line.starts_with(" ") ? line.substr(1) : "\n" + line;
    return joined;
}

TEST(VCardExportTest, NothingWithoutABusinessCard) {
    CardInfo card;
    card.m_name = "Someone";
    EXPECT_EQ(VCardExport(card), "");
}

TEST(VCardExportTest, ValuesEscapedAndLongLinesFoldedBetweenCharacters) {
    CardInfo card;
    card.m_hasBusiness = 1;
    card.m_name = "Ann \xC9lise Smith";
    card.m_street = "1 High St, Flat 2\r\nTown; County";
    card.m_message = std::string(30, 'x') + std::string(60, '\xE9') + "\\";  // 2 octets each
    card.m_url = "http://a.example/?x=1,2";
    const std::string vcard = VCardExport(card);

    for (const std::string& line : Lines(vcard)) {
        EXPECT_LE(line.size(), 75u) << line;
        const bool startsInsideACharacter =
            line.starts_with(" ") && line.size() > 1 && (line[1] & 0xC0) == 0x80;
        EXPECT_FALSE(startsInsideACharacter) << line;
    }
    const std::string text = Unfolded(vcard);
    EXPECT_NE(text.find("\nFN:Ann \xC3\x89lise Smith\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nN:Smith;Ann \xC3\x89lise;;;\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nADR;TYPE=work:;;1 High St\\, Flat 2,Town\\; County;;;;\n"),
              std::string::npos)
        << text;
    std::string message = "\nNOTE:" + std::string(30, 'x');
    for (int i = 0; i < 60; ++i)
        message += "\xC3\xA9";
    EXPECT_NE(text.find(message + "\\\\\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nURL:http://a.example/?x=1,2\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("TEL"), std::string::npos) << "empty fields are left out";
}

}  // namespace
