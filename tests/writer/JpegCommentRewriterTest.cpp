#include "writer/JpegCommentRewriter.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "RewriterTestHelpers.h"
#include "support/ImageFixtures.h"

namespace {

using writer_test::Concatenated;
using writer_test::Slice;
using Bytes = std::vector<std::uint8_t>;

std::vector<std::string> Texts(const Bytes& bytes) {
    return writer_test::ViewerTexts(bytes, false);
}

// A COM segment spliced in right before EOI: a comment after the scan.
Bytes WithCommentAtEnd(Bytes file, const std::string& comment) {
    const Bytes segment = JpegCommentSegment(comment);
    file.insert(file.end() - 2, segment.begin(), segment.end());
    return file;
}

TEST(JpegCommentRewriter, ReplacesCardCommentsInPlaceAndKeepsTheRest) {
    const std::string nulCard("tSN\0old", 7);
    const std::string notCard("ab\0tSN", 6);
    const Bytes old = WithCommentAtEnd(
        fixtures::MakeJpeg(16, 16, {"first", nulCard, "middle", "tSN|old2", notCard}), "tSN|late");
    const Bytes trailing = {0xFF, 0xFE, 0x00, 0x05, 't', 'S', 'N', 0x00};
    const Bytes oldWithTail = Concatenated({old, trailing});

    const RewrittenFile fresh = RewriteJpegCardComments(oldWithTail, {"tSN|new1", "tSN|new2"});
    ASSERT_TRUE(fresh.ok()) << fresh.error;
    EXPECT_EQ(Texts(fresh.bytes),
              (std::vector<std::string>{"first", "tSN|new1", "tSN|new2", "middle", notCard}));
    EXPECT_TRUE(std::equal(trailing.rbegin(), trailing.rend(), fresh.bytes.rbegin()));
    // Removing the card comments from the old and the new file leaves the same bytes.
    const RewrittenFile strippedOld = RewriteJpegCardComments(oldWithTail, {});
    const RewrittenFile strippedNew = RewriteJpegCardComments(fresh.bytes, {});
    EXPECT_EQ(strippedOld.bytes, strippedNew.bytes);
    EXPECT_EQ(Texts(strippedNew.bytes), (std::vector<std::string>{"first", "middle", notCard}));
}

TEST(JpegCommentRewriter, NewCommentsGoRightBeforeTheFrame) {
    fixtures::JpegOptions progressive;
    progressive.progressive = true;
    for (const Bytes& old :
         {fixtures::MakeJpeg(9, 7, {"a", "b"}), fixtures::MakeJpeg(9, 7, {}, progressive)}) {
        const CardCommentLayout layout = WalkJpegCardComments(old);
        ASSERT_TRUE(layout.ok()) << layout.error;
        ASSERT_EQ(old[layout.insertAt], 0xFF);
        EXPECT_TRUE(old[layout.insertAt + 1] == 0xC0 || old[layout.insertAt + 1] == 0xC2);
        const Bytes segment = JpegCommentSegment("tSN|x");
        EXPECT_EQ(RewriteJpegCardComments(old, {"tSN|x"}).bytes,
                  Concatenated({Slice(old, 0, layout.insertAt), segment,
                                Slice(old, layout.insertAt, old.size())}));
    }
}

TEST(JpegCommentRewriter, HostileFilesGiveAnError) {
    const Bytes good = WithCommentAtEnd(fixtures::MakeJpeg(8, 8, {"tSN|a"}), "tSN|b");
    const auto error = [](const Bytes& bytes) { return RewriteJpegCardComments(bytes, {}).error; };
    // Every cut of the header is refused; a cut in the scan data is copied as it is.
    const Bytes sosMarker = {0xFF, 0xDA};
    const auto sos = std::size_t(
        std::search(good.begin(), good.end(), sosMarker.begin(), sosMarker.end()) - good.begin());
    const std::size_t scanData = sos + 2 + (good[sos + 2] << 8 | good[sos + 3]);
    for (std::size_t size = 0; size < good.size(); ++size) {
        const Bytes cut = Slice(good, 0, size);
        if (size < scanData)
            EXPECT_NE(error(cut), "") << size;
        else
            error(cut);  // no crash, no overread
    }
    EXPECT_EQ(error({0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x01, 0xFF, 0xD9}),
              "a segment of a bad length at offset 2");
    EXPECT_EQ(error({0xFF, 0xD8, 0x00, 0xFF, 0xD9}),
              "unexpected bytes between segments at offset 2");
    EXPECT_EQ(error({0xFF, 0xD8, 0xFF, 0xD9}),
              "unexpected marker before the first scan at offset 2");
    EXPECT_EQ(error({0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9}),
              "a scan before any start-of-frame marker");
    EXPECT_EQ(error({'G', 'I', 'F'}), "not a JPEG file (no start-of-image marker)");
    EXPECT_NE(RewriteJpegCardComments(good, {std::string(65534, 'x')}).error, "");
}

}  // namespace
