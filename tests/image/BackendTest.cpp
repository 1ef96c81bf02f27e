#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image/ImageFile.h"
#include "image/RealImagingBackend.h"
#include "platform/RecordingDC.h"
#include "support/ImageFixtures.h"
#include "support/RasterFixtures.h"

namespace {

namespace fs = std::filesystem;

class BackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) /
              ("backend_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = (dir / name).string();
        EXPECT_TRUE(fixtures::WriteBytesFile(path, bytes));
        return path;
    }
    std::string BlockText(const BlockHandle& block) {
        return block ? std::string(reinterpret_cast<const char*>(block->Data()), block->Size())
                     : std::string("<none>");
    }

    fs::path dir;
    RealImagingBackend backend;
    int width = 0;
    int height = 0;
};

TEST_F(BackendTest, UnreadableFileGivesStatusAndReason) {
    EXPECT_EQ(backend.LoadJpeg((dir / "missing.jpg").string(), width, height), nullptr);
    EXPECT_EQ(backend.Status(), RealImagingBackend::kStatusUnreadable);
    EXPECT_FALSE(backend.StatusReason().empty());
    EXPECT_EQ(backend.LoadPng(dir.string(), width, height), nullptr);
    EXPECT_EQ(backend.Status(), RealImagingBackend::kStatusUnreadable);
}

TEST_F(BackendTest, GarbageIsBadDataForEveryFormat) {
    const std::string path = Write("junk", std::vector<std::uint8_t>(64, 0x5A));
    using Loader = BlockHandle (RealImagingBackend::*)(const std::string&, int&, int&);
    const Loader loaders[] = {&RealImagingBackend::LoadBmp, &RealImagingBackend::LoadJpeg,
                              &RealImagingBackend::LoadTiff, &RealImagingBackend::LoadPcx,
                              &RealImagingBackend::LoadPng};
    for (Loader load : loaders) {
        EXPECT_EQ((backend.*load)(path, width, height), nullptr);
        EXPECT_EQ(backend.Status(), RealImagingBackend::kStatusNotAPicture);
        EXPECT_FALSE(backend.StatusReason().empty());
    }
    // A good load afterwards clears both.
    ASSERT_NE(backend.LoadJpeg(Write("good.jpg", fixtures::MakeJpeg(8, 8)), width, height),
              nullptr);
    EXPECT_EQ(backend.Status(), 0);
    EXPECT_EQ(backend.StatusReason(), "");
}

TEST_F(BackendTest, JpegCommentsKeptOnlyWhenAskedAndUntilReset) {
    const std::string path =
        Write("c.jpg", fixtures::MakeJpeg(16, 8, {"one", std::string("two\0more", 8)}));
    backend.ResetJpegOptions();
    ASSERT_NE(backend.LoadJpeg(path, width, height), nullptr);
    EXPECT_EQ(backend.JpegCommentCount(), 0u);

    backend.ResetJpegOptions();
    backend.KeepJpegComments();
    ASSERT_NE(backend.LoadJpeg(path, width, height), nullptr);
    EXPECT_EQ(width, 16);
    EXPECT_EQ(height, 8);
    ASSERT_EQ(backend.JpegCommentCount(), 2u);
    EXPECT_EQ(BlockText(backend.JpegComment(0)), std::string("one\0", 4));
    EXPECT_EQ(BlockText(backend.JpegComment(1)), std::string("two\0more\0", 9));
    EXPECT_EQ(backend.JpegComment(2), nullptr);
    // Other formats leave the JPEG comments alone; a reset drops them.
    backend.LoadBmp(Write("a.bmp", fixtures::MakeBmp(fixtures::MakeTestPicture(2, 2))), width,
                    height);
    EXPECT_EQ(backend.JpegCommentCount(), 2u);
    backend.ResetJpegOptions();
    EXPECT_EQ(backend.JpegCommentCount(), 0u);
}

TEST_F(BackendTest, PngTextsOfLastLoad) {
    const std::string path =
        Write("t.png", fixtures::MakePng(4, 4, {{fixtures::PngTextKind::kText, "Title", "first"}},
                                         {{fixtures::PngTextKind::kZText, "Comment", "second"}}));
    ASSERT_NE(backend.LoadPng(path, width, height), nullptr);
    ASSERT_EQ(backend.PngTextCount(), 2u);
    EXPECT_EQ(BlockText(backend.PngTextKeyword(0)), std::string("Title\0", 6));
    EXPECT_EQ(BlockText(backend.PngText(1)), std::string("second\0", 7));
    EXPECT_EQ(backend.PngText(2), nullptr);
    EXPECT_EQ(backend.PngTextKeyword(2), nullptr);

    EXPECT_EQ(backend.LoadPng((dir / "missing.png").string(), width, height), nullptr);
    EXPECT_EQ(backend.PngTextCount(), 0u);
}

TEST_F(BackendTest, PngBackgroundFillsTransparentPixels) {
    fixtures::PngOptions options;
    options.colour = fixtures::PngColour::kRgbAlpha;
    options.pixel = fixtures::Solid({10, 20, 30, 0});
    const std::string path = Write("clear.png", fixtures::MakePng(2, 2, {}, {}, options));
    backend.SetPngBackground(200, 100, 50);
    EXPECT_DOUBLE_EQ(backend.SetPngGamma(2.2), 2.2);
    BlockHandle picture = backend.LoadPng(path, width, height);
    ASSERT_NE(picture, nullptr);
    const std::uint8_t* p = picture->Data();
    EXPECT_EQ(p[0], 50);  // blue
    EXPECT_EQ(p[1], 100);
    EXPECT_EQ(p[2], 200);
}

TEST_F(BackendTest, TruncatedJpegIsNotedWhenPartlyDecoded) {
    std::vector<std::uint8_t> bytes = fixtures::MakeJpeg(64, 64);
    bytes.resize(bytes.size() / 2);
    BlockHandle picture = backend.LoadJpeg(Write("cut.jpg", bytes), width, height);
    EXPECT_FALSE(backend.StatusReason().empty());
    const int expected = picture ? 0 : RealImagingBackend::kStatusDamaged;
    EXPECT_EQ(backend.Status(), expected);
}

TEST_F(BackendTest, DrawBlitsAtPoint) {
    const std::uint8_t pixels[8] = {};
    RecordingDC dc;
    backend.Draw(&dc, PictureView{pixels, 2, 1}, 10, 12, 2, 1, 1200, 1200, 0);
    EXPECT_EQ(backend.Status(), 0);
    ASSERT_EQ(dc.Calls().size(), 1u);
    EXPECT_EQ(dc.Calls()[0].kind, DrawCall::Kind::DrawPicture);
    EXPECT_EQ(dc.Calls()[0].a, 10);
    EXPECT_EQ(dc.Calls()[0].b, 12);
    EXPECT_EQ(dc.Calls()[0].c, 2);
    EXPECT_EQ(dc.Calls()[0].d, 1);
    backend.Draw(nullptr, PictureView{pixels, 2, 1}, 10, 12, 2, 1, 1200, 1200, 0);
    EXPECT_EQ(backend.Status(), RealImagingBackend::kStatusBadArgument);
}

TEST_F(BackendTest, ResampleStatuses) {
    const std::vector<std::uint8_t> pixels(4 * 4 * 4, 0x80);
    EXPECT_EQ(backend.Resample(pixels.data(), 4, 4, 0, 2), nullptr);
    EXPECT_EQ(backend.Status(), RealImagingBackend::kStatusBadArgument);
    EXPECT_EQ(backend.Resample(pixels.data(), 4, 4, 1 << 16, 1 << 16), nullptr);
    EXPECT_EQ(backend.Status(), RealImagingBackend::kStatusTooLarge);
    EXPECT_FALSE(backend.StatusReason().empty());
    BlockHandle half = backend.Resample(pixels.data(), 4, 4, 2, 2);
    ASSERT_NE(half, nullptr);
    EXPECT_EQ(half->Size(), 16u);
    EXPECT_EQ(backend.Status(), 0);
    EXPECT_EQ(backend.StatusReason(), "");
}

// Through the wrapper, as the document uses it: every format by extension.
TEST_F(BackendTest, WrapperLoadsEveryFormat) {
    const fixtures::RasterPicture raster = fixtures::MakeTestPicture(5, 3);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        int format;
    };
    const Case cases[] = {
        {"a.BMP", fixtures::MakeBmp(raster), ImageFormat::kBmp},
        {"a.pcx", fixtures::MakePcx(raster), ImageFormat::kPcx},
        {"a.tif", fixtures::MakeTiff(raster), ImageFormat::kTiff},
        {"a.jpeg", fixtures::MakeJpeg(5, 3, {"tSNabc", "plain"}), ImageFormat::kJpeg},
        {"a.png", fixtures::MakePng(5, 3, {{fixtures::PngTextKind::kIText, "Comment", "tSNx"}}),
         ImageFormat::kPng},
    };
    for (const Case& c : cases) {
        ImageFile image(backend);
        ASSERT_EQ(image.Load(Write(c.name, c.bytes)), 0) << c.name << backend.StatusReason();
        EXPECT_EQ(image.m_format, c.format) << c.name;
        EXPECT_EQ(image.m_width, 5) << c.name;
        EXPECT_EQ(image.m_height, 3) << c.name;
        EXPECT_EQ(image.Resize(3, 2), 0) << c.name;
        EXPECT_EQ(image.m_width, 3) << c.name;
    }
    ImageFile image(backend);
    ASSERT_EQ(image.Load((dir / "a.jpeg").string()), 0);
    ASSERT_EQ(image.GetCommentCount(), 2);
    EXPECT_EQ(image.GetComment(0), "tSNabc");
    ASSERT_EQ(image.Load((dir / "a.png").string()), 0);
    ASSERT_EQ(image.GetCommentCount(), 1);
    EXPECT_EQ(image.GetComment(0), "tSNx");
}

TEST_F(BackendTest, WrapperFailsCleanlyOnMissingFile) {
    ImageFile image(backend);
    EXPECT_EQ(image.Load((dir / "gone.png").string()), ImageFile::kNotLoaded);
    EXPECT_FALSE(image.HasImage());
    EXPECT_EQ(image.m_format, ImageFormat::kNone);
}

}  // namespace
