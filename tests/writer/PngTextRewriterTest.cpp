#include "writer/PngTextRewriter.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "RewriterTestHelpers.h"
#include "support/ImageFixtures.h"

namespace {

using fixtures::PngText;
using fixtures::PngTextKind;
using writer_test::Concatenated;
using writer_test::Slice;
using Bytes = std::vector<std::uint8_t>;

std::vector<std::string> Texts(const Bytes& bytes) {
    return writer_test::ViewerTexts(bytes, true);
}

TEST(PngTextRewriter, ReplacesCardTextsOfEveryKindInPlaceAndKeepsTheRest) {
    Bytes old = fixtures::MakePng(8, 8,
                                  {{PngTextKind::kText, "Title", "first"},
                                   {PngTextKind::kZText, "Comment", "tSN|zipped"},
                                   {PngTextKind::kIText, "Note", "middle"}},
                                  {{PngTextKind::kITextCompressed, "Comment", "tSN|international"},
                                   {PngTextKind::kText, "Comment", "last"}});
    // A card text with a broken CRC: the viewer skips it, so it stays as it is.
    Bytes broken = fixtures::PngChunk("tEXt", std::string("Comment\0tSN|broken", 18));
    broken.back() ^= 1;
    fixtures::InsertBeforePngEnd(old, broken);

    const RewrittenFile fresh = RewritePngCardTexts(old, {"tSN|new1", "tSN|new2"});
    ASSERT_TRUE(fresh.ok()) << fresh.error;
    EXPECT_EQ(Texts(fresh.bytes),
              (std::vector<std::string>{"first", "tSN|new1", "tSN|new2", "middle", "last"}));
    EXPECT_EQ(RewritePngCardTexts(old, {}).bytes, RewritePngCardTexts(fresh.bytes, {}).bytes);
    EXPECT_NE(std::search(fresh.bytes.begin(), fresh.bytes.end(), broken.begin(), broken.end()),
              fresh.bytes.end());
}

TEST(PngTextRewriter, NewTextsGoRightBeforeTheImageData) {
    const Bytes old = fixtures::MakePng(8, 8, {{PngTextKind::kText, "Title", "t"}});
    const CardCommentLayout layout = WalkPngCardTexts(old);
    ASSERT_TRUE(layout.ok()) << layout.error;
    EXPECT_EQ(std::string(old.begin() + std::ptrdiff_t(layout.insertAt + 4),
                          old.begin() + std::ptrdiff_t(layout.insertAt + 8)),
              "IDAT");
    const Bytes chunk = PngCommentChunk("tSN|x");
    EXPECT_EQ(chunk, fixtures::PngChunk("tEXt", std::string("Comment\0tSN|x", 13)));
    EXPECT_EQ(RewritePngCardTexts(old, {"tSN|x"}).bytes,
              Concatenated({Slice(old, 0, layout.insertAt), chunk,
                            Slice(old, layout.insertAt, old.size())}));
}

TEST(PngTextRewriter, HostileFilesGiveAnError) {
    const Bytes good = fixtures::MakePng(4, 4, {{PngTextKind::kZText, "Comment", "tSN|a"}});
    for (std::size_t size = 0; size < good.size(); ++size)
        EXPECT_NE(RewritePngCardTexts(Slice(good, 0, size), {}).error, "") << size;
    Bytes noData = Slice(good, 0, 33);
    const Bytes end = fixtures::PngChunk("IEND", "");
    noData.insert(noData.end(), end.begin(), end.end());
    EXPECT_EQ(RewritePngCardTexts(noData, {}).error, "no IDAT chunk");
    Bytes huge = good;
    huge[33] = 0x80;  // the length of the chunk after IHDR beyond 2^31 - 1
    EXPECT_EQ(RewritePngCardTexts(huge, {}).error, "a chunk cut short at offset 33");
}

}  // namespace
