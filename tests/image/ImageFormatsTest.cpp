// The format table: each row wired to its own codec, and the lookups by extension (in
// any letter case) and by the wrapper's number.
#include <gtest/gtest.h>

#include <string>

#include "image/Codecs.h"
#include "image/ImageFormats.h"

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// A row that names one format but makes another's codec would decode every file of
// that format with the wrong decoder.
TEST(ImageFormatsTest, EachRowMakesItsOwnCodec) {
    SpanSource empty(nullptr, 0);
    for (const ImageFormat& format : ImageFormats())
        EXPECT_EQ(format.makeCodec(empty, {})->Name(), Upper(format.name)) << format.name;
}

TEST(ImageFormatsTest, ExtensionsSelectTheirFormatInAnyCase) {
    for (const ImageFormat& format : ImageFormats()) {
        for (const char* extension : format.extensions) {
            EXPECT_EQ(FormatOfExtension(extension), &format) << extension;
            EXPECT_EQ(FormatOfExtension(Upper(extension)), &format) << extension;
        }
    }
    for (const char* other : {"", ".", ".gif", ".jp", ".jpgx", "jpg", ". jpg", ".jpg "})
        EXPECT_EQ(FormatOfExtension(other), nullptr) << '"' << other << '"';
}

TEST(ImageFormatsTest, NumbersFindTheirRowAndNoneFindsNothing) {
    for (const ImageFormat& format : ImageFormats())
        EXPECT_EQ(FormatNumbered(format.number), &format) << format.name;
    EXPECT_EQ(FormatNumbered(ImageFormat::kNone), nullptr);
    EXPECT_EQ(FormatNumbered(2), nullptr);
}

}  // namespace
