#include "writer/CardFileWriter.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>

#include "ScratchDirectory.h"
#include "card/CardComment.h"
#include "card/Scrambler.h"
#include "image/ImageFile.h"
#include "image/RealImagingBackend.h"
#include "support/CardMaker.h"
#include "support/ImageFixtures.h"
#include "writer/CardRecord.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using writer_test::ScratchDirectory;

// What the viewer shows of a file: its pixels, its comments, and the record parsed
// from the card comments among them.
struct Viewed {
    Bytes pixels;
    std::vector<std::string> comments;
};

Viewed View(const std::string& path, const ColDefList& defs, CardInfo* card = nullptr) {
    RealImagingBackend backend;
    ImageFile image(backend);
    Viewed viewed;
    EXPECT_EQ(image.Load(path), 0) << path;
    const PictureView picture = image.Picture();
    viewed.pixels.assign(picture.pixels,
                         picture.pixels + std::size_t(picture.width) * picture.height * 4);
    for (int i = 0; i < image.GetCommentCount(); ++i)
        viewed.comments.push_back(image.GetComment(i));
    if (card) {
        card->Reset();
        for (const std::string& comment : viewed.comments) {
            if (IsCardComment(comment))
                card->Parse(defs, comment);
        }
    }
    return viewed;
}

class CardFileWriterTest : public ::testing::Test {
protected:
    ScratchDirectory m_dir;
    ColDefList m_defs = fixtures::WriterDefinitions();
    std::mt19937 m_random{2026};
    fixtures::CardMaker m_maker{[this] { return std::uint8_t(m_random()); }};
};

TEST_F(CardFileWriterTest, RandomRecordsReadBackThroughTheViewerAndPixelsStay) {
    const std::string jpeg = m_dir.Path("a.jpg"), png = m_dir.Path("b.png");
    ASSERT_TRUE(
        fixtures::WriteJpegFile(jpeg, 32, 24, {"kept", *ScrambleComment("tSN|gen|TITold")}));
    ASSERT_TRUE(
        fixtures::WritePngFile(png, 32, 24, {{fixtures::PngTextKind::kText, "Title", "k"}}));
    for (const std::string& path : {jpeg, png}) {
        const Viewed before = View(path, m_defs);
        CardInfo card, back;
        for (int i = 0; i < 40; ++i) {
            m_maker.Fill(card, m_defs);
            const CardWriteResult result = WriteCardsIntoFile(path, card, m_defs, {});
            ASSERT_EQ(result.status, CardWriteResult::kWritten) << result.message;
            const Viewed after = View(path, m_defs, &back);
            EXPECT_EQ(CardRecordDifference(card, back), std::nullopt) << path << " record " << i;
            EXPECT_EQ(after.pixels, before.pixels);
            EXPECT_EQ(after.comments.front(), before.comments.front());
        }
        ASSERT_EQ(ClearCardsInFile(path, {}).status, CardWriteResult::kWritten);
        EXPECT_EQ(View(path, m_defs).comments, std::vector<std::string>{before.comments.front()});
    }
    EXPECT_EQ(m_dir.Names(), (std::set<std::string>{"a.jpg", "b.png"}));
}

TEST_F(CardFileWriterTest, ARecordAboveOneSegmentIsSplitAndReadBackWhole) {
    const std::string path = m_dir.Path("big.jpeg");
    ASSERT_TRUE(fixtures::WriteJpegFile(path, 8, 8));
    CardInfo card, back;
    card.m_hasGeneral = card.m_hasBusiness = 1;
    card.m_description = m_maker.Value(65000) + std::string(65000, 'x');
    card.m_message = std::string(64000, 'm');
    ASSERT_EQ(WriteCardsIntoFile(path, card, m_defs, {}).status, CardWriteResult::kWritten);
    EXPECT_EQ(View(path, m_defs, &back).comments.size(), 2u);
    EXPECT_EQ(CardRecordDifference(card, back), std::nullopt);
}

TEST_F(CardFileWriterTest, EditStartsFromTheCurrentRecord) {
    const std::string path = m_dir.Path("edit.png");
    const std::string old = *ScrambleComment("tSN|DCR01012001|gen|TITOld|end");
    ASSERT_TRUE(
        fixtures::WritePngFile(path, 4, 4, {{fixtures::PngTextKind::kZText, "Comment", old}}));
    const CardRecordEdit edit = [](CardInfo& record) {
        EXPECT_EQ(record.m_title, "Old");
        record.m_hasCopyright = 1;
        record.m_holder = "Me";
        return std::string();
    };
    ASSERT_EQ(EditCardsInFile(path, m_defs, {}, edit).status, CardWriteResult::kWritten);
    CardInfo back;
    View(path, m_defs, &back);
    EXPECT_EQ(back.m_title, "Old");
    EXPECT_EQ(back.m_holder, "Me");
    EXPECT_EQ(back.m_creationDate, "01012001");
}

TEST_F(CardFileWriterTest, RefusalsAndFailuresLeaveTheFileAsItWas) {
    const std::string jpeg = m_dir.Path("a.jpg"), bmp = m_dir.Path("c.bmp");
    const std::string damaged = m_dir.Path("d.png");
    ASSERT_TRUE(fixtures::WriteJpegFile(jpeg, 8, 8, {"tSN|gen|TITold|end"}));
    ASSERT_TRUE(fixtures::WriteBytesFile(bmp, {'B', 'M', 0, 0}));
    ASSERT_TRUE(fixtures::WriteBytesFile(damaged, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
    const Bytes original = fixtures::ReadBytesFile(jpeg);
    CardInfo card;
    card.m_hasBusiness = 1;
    card.m_layout->LoadBuiltIn(11);
    const CardWriteResult refused = WriteCardsIntoFile(jpeg, card, m_defs, {});
    EXPECT_EQ(refused.status, CardWriteResult::kRefused);
    EXPECT_EQ(refused.message, "layout: 11 is outside 1-10");
    card.m_layout->LoadBuiltIn(1);
    EXPECT_EQ(WriteCardsIntoFile(bmp, card, m_defs, {}).status, CardWriteResult::kFailed);
    EXPECT_EQ(WriteCardsIntoFile(damaged, card, m_defs, {}).status, CardWriteResult::kFailed);
    CardWriteOptions dryRun;
    dryRun.dryRun = true;
    EXPECT_EQ(WriteCardsIntoFile(jpeg, card, m_defs, dryRun).status, CardWriteResult::kWritten);
    ReplaceSeams failing;
    failing.failAt = [](ReplaceStep step) { return step == ReplaceStep::kSync ? EIO : 0; };
    EXPECT_EQ(WriteCardsIntoFile(jpeg, card, m_defs, {}, failing).status, CardWriteResult::kFailed);
    EXPECT_EQ(fixtures::ReadBytesFile(jpeg), original);
    EXPECT_EQ(m_dir.Names(), (std::set<std::string>{"a.jpg", "c.bmp", "d.png"}));
}

TEST_F(CardFileWriterTest, OutputElsewhereLeavesTheImageAndKeepsTheTime) {
    const std::string image = m_dir.Path("in.jpg"), out = m_dir.Path("out.JPG");
    ASSERT_TRUE(fixtures::WriteJpegFile(image, 8, 8));
    const timespec times[2] = {{1200000000, 0}, {1300000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, image.c_str(), times, 0), 0);
    const Bytes original = fixtures::ReadBytesFile(image);
    CardInfo card, back;
    card.m_hasGeneral = 1;
    card.m_title = "Copied";
    CardWriteOptions options;
    options.outputPath = out;
    options.keepTime = true;
    const CardWriteResult result = WriteCardsIntoFile(image, card, m_defs, options);
    ASSERT_EQ(result.status, CardWriteResult::kWritten) << result.message;
    EXPECT_EQ(result.writtenPath, out);
    EXPECT_EQ(fixtures::ReadBytesFile(image), original);
    View(out, m_defs, &back);
    EXPECT_EQ(back.m_title, "Copied");
    struct stat info {};
    ASSERT_EQ(::stat(out.c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, 1300000000);
    options.outputPath = m_dir.Path("out.png");
    EXPECT_EQ(WriteCardsIntoFile(image, card, m_defs, options).status, CardWriteResult::kFailed);
}

}  // namespace
