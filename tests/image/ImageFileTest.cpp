#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "image/ImageFile.h"
#include "platform/RecordingDC.h"

namespace {

// A backend that records every call and answers from a script.
class FakeBackend : public ImagingBackend {
public:
    struct PngEntry {
        std::optional<std::string> keyword;  // nullopt: no block
        std::optional<std::string> text;
    };

    // What the next loader returns: a picture of this size, or none.
    std::optional<Size> picture = Size{4, 3};
    bool lockablePicture = true;
    int status = 0;
    std::vector<std::optional<std::string>> jpegComments;  // nullopt: no block
    std::vector<PngEntry> pngEntries;
    bool resampleRefused = false;
    int resampleStatus = 0;
    // The size on the next picture block when the loader decodes it smaller.
    std::optional<Size> reducedPicture;
    std::optional<LoadHint> hint;  // the last one set

    std::vector<std::string> calls;

    void Startup() override { calls.push_back("Startup"); }
    void SetLoadHint(const LoadHint& h) override { hint = h; }
    BlockHandle LoadBmp(const std::string& path, int& w, int& h) override {
        return Loader("LoadBmp " + path, w, h);
    }
    BlockHandle LoadJpeg(const std::string& path, int& w, int& h) override {
        return Loader("LoadJpeg " + path, w, h);
    }
    BlockHandle LoadTiff(const std::string& path, int& w, int& h) override {
        return Loader("LoadTiff " + path, w, h);
    }
    BlockHandle LoadPcx(const std::string& path, int& w, int& h) override {
        return Loader("LoadPcx " + path, w, h);
    }
    BlockHandle LoadPng(const std::string& path, int& w, int& h) override {
        return Loader("LoadPng " + path, w, h);
    }
    void ResetJpegOptions() override { calls.push_back("ResetJpegOptions"); }
    void KeepJpegComments() override { calls.push_back("KeepJpegComments"); }
    unsigned JpegCommentCount() override {
        calls.push_back("JpegCommentCount");
        return static_cast<unsigned>(jpegComments.size());
    }
    BlockHandle JpegComment(unsigned index) override {
        calls.push_back("JpegComment " + std::to_string(index));
        return Block(jpegComments.at(index));
    }
    void SetPngBackground(std::uint8_t r, std::uint8_t g, std::uint8_t b) override {
        calls.push_back("SetPngBackground " + std::to_string(r) + " " + std::to_string(g) + " " +
                        std::to_string(b));
    }
    double SetPngGamma(double gamma) override {
        calls.push_back("SetPngGamma " + std::to_string(gamma));
        return 1.0;
    }
    unsigned PngTextCount() override {
        calls.push_back("PngTextCount");
        return static_cast<unsigned>(pngEntries.size());
    }
    BlockHandle PngTextKeyword(unsigned index) override {
        calls.push_back("PngTextKeyword " + std::to_string(index));
        return Block(pngEntries.at(index).keyword);
    }
    BlockHandle PngText(unsigned index) override {
        calls.push_back("PngText " + std::to_string(index));
        return Block(pngEntries.at(index).text);
    }
    void Draw(DeviceContext* dc, const PictureView& picture, int x, int y, int width, int height,
              int extentX, int extentY, int flags) override {
        calls.push_back("Draw " + std::to_string(picture.width) + "x" +
                        std::to_string(picture.height) + " " + std::to_string(x) + " " +
                        std::to_string(y) + " " + std::to_string(extentX) + " " +
                        std::to_string(extentY) + " " + std::to_string(flags));
        if (Size{width, height} != Size{picture.width, picture.height})
            calls.back() += " as " + std::to_string(width) + "x" + std::to_string(height);
        dc->DrawPicture(picture, x, y, width, height);
    }
    BlockHandle Resample(const std::uint8_t*, int width, int height, int newWidth,
                         int newHeight) override {
        calls.push_back("Resample " + std::to_string(width) + "x" + std::to_string(height) +
                        " -> " + std::to_string(newWidth) + "x" + std::to_string(newHeight));
        status = resampleStatus;
        if (resampleRefused)
            return nullptr;
        return MemoryBlock::Allocate(static_cast<std::size_t>(newWidth) * newHeight * 4);
    }
    int Status() override { return status; }
    std::string StatusReason() override { return {}; }

    bool Called(const std::string& prefix) const {
        for (const std::string& call : calls)
            if (call.rfind(prefix, 0) == 0)
                return true;
        return false;
    }

private:
    BlockHandle Loader(const std::string& call, int& w, int& h) {
        calls.push_back(call);
        if (!picture)
            return nullptr;
        w = picture->cx;
        h = picture->cy;
        // An empty block is one that cannot be locked.
        const Size held = reducedPicture.value_or(*picture);
        BlockHandle block = MemoryBlock::Allocate(
            lockablePicture ? static_cast<std::size_t>(held.cx) * held.cy * 4 : 0);
        if (reducedPicture)
            block->SetPictureSize(held.cx, held.cy);
        return block;
    }
    static BlockHandle Block(const std::optional<std::string>& text) {
        return text ? MemoryBlock::FromText(*text) : nullptr;
    }
};

class ImageFileTest : public ::testing::Test {
protected:
    FakeBackend backend;
    ImageFile image{backend};
};

struct ExtensionCase {
    const char* path;
    const char* loader;  // nullptr: no load call at all
    int format;
};

class ExtensionTest : public ImageFileTest, public ::testing::WithParamInterface<ExtensionCase> {};

TEST_P(ExtensionTest, PicksLoaderByExtension) {
    const ExtensionCase& c = GetParam();
    const int result = image.Load(c.path);
    if (c.loader == nullptr) {
        EXPECT_EQ(result, ImageFile::kNotLoaded);
        EXPECT_FALSE(backend.Called("Load"));
        EXPECT_FALSE(image.HasImage());
    } else {
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(backend.Called(std::string(c.loader) + " " + c.path)) << c.path;
        EXPECT_EQ(image.m_path, c.path);
    }
    EXPECT_EQ(image.m_format, c.format);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ExtensionTest,
    ::testing::Values(ExtensionCase{"a.bmp", "LoadBmp", ImageFormat::kBmp},
                      ExtensionCase{"a.jpg", "LoadJpeg", ImageFormat::kJpeg},
                      ExtensionCase{"a.JPEG", "LoadJpeg", ImageFormat::kJpeg},
                      ExtensionCase{"a.TiF", "LoadTiff", ImageFormat::kTiff},
                      ExtensionCase{"a.tiff", "LoadTiff", ImageFormat::kTiff},
                      ExtensionCase{"a.PCX", "LoadPcx", ImageFormat::kPcx},
                      ExtensionCase{"a.png  \t", "LoadPng", ImageFormat::kPng},
                      ExtensionCase{"my.photos/a.b.jpg", "LoadJpeg", ImageFormat::kJpeg},
                      ExtensionCase{"a.gif", nullptr, 0}, ExtensionCase{"noext", nullptr, 0},
                      ExtensionCase{"dir.jpg/file", nullptr, 0},
                      ExtensionCase{"a.jpg.txt", nullptr, 0}, ExtensionCase{"a.", nullptr, 0},
                      ExtensionCase{"a. jpg", nullptr, 0}));

TEST_F(ImageFileTest, EmptyPathChangesNothing) {
    ASSERT_EQ(image.Load("first.png"), 0);
    backend.calls.clear();
    EXPECT_EQ(image.Load(""), ImageFile::kNotLoaded);
    EXPECT_TRUE(backend.calls.empty());
    EXPECT_TRUE(image.HasImage());
    EXPECT_EQ(image.m_path, "first.png");
    EXPECT_EQ(image.m_format, ImageFormat::kPng);
}

TEST_F(ImageFileTest, FailedLoadAfterGoodOneLeavesNothing) {
    backend.jpegComments = {"one", "two"};
    ASSERT_EQ(image.Load("good.jpg"), 0);
    ASSERT_EQ(image.GetCommentCount(), 2);

    backend.picture.reset();
    backend.status = 21;
    EXPECT_EQ(image.Load("bad.bmp"), ImageFile::kNotLoaded);
    EXPECT_FALSE(image.HasImage());
    EXPECT_EQ(image.m_width, 0);
    EXPECT_EQ(image.m_height, 0);
    EXPECT_EQ(image.m_format, ImageFormat::kNone);
    EXPECT_EQ(image.GetCommentCount(), 0);
    EXPECT_EQ(image.m_path, "good.jpg");
}

TEST_F(ImageFileTest, UnsupportedExtensionDropsPreviousPicture) {
    ASSERT_EQ(image.Load("good.bmp"), 0);
    EXPECT_EQ(image.Load("next.gif"), ImageFile::kNotLoaded);
    EXPECT_FALSE(image.HasImage());
    EXPECT_EQ(image.m_width, 0);
}

TEST_F(ImageFileTest, LoadReturnsBackendStatusWithPicture) {
    backend.status = 7;
    EXPECT_EQ(image.Load("odd.tif"), 7);
    EXPECT_TRUE(image.HasImage());
    EXPECT_EQ(image.m_width, 4);
    EXPECT_EQ(image.m_height, 3);
}

TEST_F(ImageFileTest, JpegCommentsSkipMissingBlocksAndStopAtNul) {
    backend.jpegComments = {std::string("first"), std::nullopt, std::string("third\0hidden", 12),
                            std::string("")};
    ASSERT_EQ(image.Load("c.jpg"), 0);
    ASSERT_EQ(image.GetCommentCount(), 3);
    EXPECT_EQ(image.GetComment(0), "first");
    EXPECT_EQ(image.GetComment(1), "third");
    EXPECT_EQ(image.GetComment(2), "");
    const std::vector<std::string> expected = {
        "ResetJpegOptions", "KeepJpegComments", "LoadJpeg c.jpg", "JpegCommentCount",
        "JpegComment 0",    "JpegComment 1",    "JpegComment 2",  "JpegComment 3"};
    EXPECT_EQ(backend.calls, expected);
}

TEST_F(ImageFileTest, JpegCommentsReadEvenWhenPixelsFail) {
    backend.picture.reset();
    backend.jpegComments = {"kept"};
    EXPECT_EQ(image.Load("broken.jpg"), ImageFile::kNotLoaded);
    EXPECT_TRUE(backend.Called("JpegComment 0"));
    EXPECT_EQ(image.m_comments, std::vector<std::string>{"kept"});
    // Not counted: no picture means format 0.
    EXPECT_EQ(image.GetCommentCount(), 0);
}

TEST_F(ImageFileTest, PngEntriesNeedKeywordAndText) {
    backend.pngEntries = {{"Title", "one"},
                          {std::nullopt, "no keyword"},
                          {"Comment", std::nullopt},
                          {"Comment", "four"}};
    ASSERT_EQ(image.Load("t.png"), 0);
    ASSERT_EQ(image.GetCommentCount(), 2);
    EXPECT_EQ(image.GetComment(0), "one");
    EXPECT_EQ(image.GetComment(1), "four");
    // The text of an entry without a keyword is never asked for.
    EXPECT_FALSE(backend.Called("PngText 1"));
}

TEST_F(ImageFileTest, PngSettingsHandedOverBeforeEachLoad) {
    image.m_background = Rgb{10, 20, 30};
    for (int round = 0; round < 2; ++round) {
        backend.calls.clear();
        ASSERT_EQ(image.Load("p.png"), 0);
        ASSERT_GE(backend.calls.size(), 3u);
        EXPECT_EQ(backend.calls[0], "SetPngBackground 10 20 30");
        EXPECT_EQ(backend.calls[1], "SetPngGamma 2.200000");
        EXPECT_EQ(backend.calls[2], "LoadPng p.png");
    }
}

TEST_F(ImageFileTest, FailedPngAsksForNoTexts) {
    backend.pngEntries = {{"Title", "old"}};
    ASSERT_EQ(image.Load("a.png"), 0);
    backend.picture.reset();
    EXPECT_EQ(image.Load("b.png"), ImageFile::kNotLoaded);
    EXPECT_TRUE(image.m_pngTexts.empty());
    EXPECT_EQ(image.m_format, ImageFormat::kNone);
}

TEST_F(ImageFileTest, CommentListFollowsFormat) {
    backend.jpegComments = {"jpeg text"};
    backend.pngEntries = {{"k", "png text"}};
    ASSERT_EQ(image.Load("a.jpg"), 0);
    ASSERT_EQ(image.Load("a.png"), 0);
    EXPECT_EQ(image.GetCommentCount(), 1);
    EXPECT_EQ(image.GetComment(0), "png text");
    ASSERT_EQ(image.Load("a.bmp"), 0);
    EXPECT_EQ(image.GetCommentCount(), 0);
    EXPECT_EQ(image.GetComment(0), "");
}

TEST_F(ImageFileTest, CommentIndexOutsideListIsEmpty) {
    backend.jpegComments = {"only"};
    ASSERT_EQ(image.Load("a.jpg"), 0);
    EXPECT_EQ(image.GetComment(1), "");
    EXPECT_EQ(image.GetComment(-1), "");
}

TEST_F(ImageFileTest, DrawPassesEverythingAndUnlocks) {
    RecordingDC dc;
    EXPECT_EQ(image.Draw(&dc, 10, 10, 1200, 1200, 0), ImageFile::kNoPicture);
    ASSERT_EQ(image.Load("a.bmp"), 0);
    EXPECT_EQ(image.Draw(nullptr, 10, 10, 1200, 1200, 0), ImageFile::kNoPicture);

    image.Lock();  // a lock left over must not survive the draw either
    backend.calls.clear();
    backend.status = 3;
    EXPECT_EQ(image.Draw(&dc, 10, 12, 1200, 1100, 0), 3);
    EXPECT_EQ(backend.calls, std::vector<std::string>{"Draw 4x3 10 12 1200 1100 0"});
    EXPECT_EQ(image.m_hImage->LockCount(), 0);
    ASSERT_EQ(dc.Calls().size(), 1u);
    EXPECT_EQ(dc.Calls()[0].c, 4);
}

TEST_F(ImageFileTest, UnlockablePictureFailsDrawAndResize) {
    backend.lockablePicture = false;
    ASSERT_EQ(image.Load("a.bmp"), 0);
    RecordingDC dc;
    EXPECT_EQ(image.Draw(&dc, 10, 10, 1200, 1200, 0), ImageFile::kLockFailed);
    EXPECT_EQ(image.Resize(2, 2), ImageFile::kLockFailed);
    EXPECT_FALSE(backend.Called("Draw"));
    EXPECT_FALSE(backend.Called("Resample"));
}

TEST_F(ImageFileTest, ResizeReplacesPicture) {
    EXPECT_EQ(image.Resize(2, 2), ImageFile::kNoPicture);
    ASSERT_EQ(image.Load("a.bmp"), 0);
    EXPECT_EQ(image.Resize(8, 6), 0);
    EXPECT_TRUE(backend.Called("Resample 4x3 -> 8x6"));
    EXPECT_EQ(image.m_width, 8);
    EXPECT_EQ(image.m_height, 6);
    EXPECT_EQ(image.m_hImage->Size(), 8u * 6 * 4);
    EXPECT_EQ(image.m_hImage->LockCount(), 0);
    const PictureView view = image.Picture();
    EXPECT_EQ(view.pixels, image.m_hImage->Data());
    EXPECT_EQ(view.width, 8);
}

TEST_F(ImageFileTest, RefusedResizeKeepsOldPicture) {
    ASSERT_EQ(image.Load("a.bmp"), 0);
    const MemoryBlock* before = image.m_hImage.get();
    backend.resampleRefused = true;
    backend.resampleStatus = 22;
    EXPECT_EQ(image.Resize(100000, 100000), 22);
    EXPECT_EQ(image.m_hImage.get(), before);
    EXPECT_EQ(image.m_width, 4);
    EXPECT_EQ(image.m_height, 3);
    EXPECT_EQ(image.m_hImage->LockCount(), 0);
}

struct FitCase {
    const char* name;
    int w, h, maxW, maxH;
    Size expected;
};

class FitToBoxTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitToBoxTest, Fits) {
    const FitCase& c = GetParam();
    EXPECT_EQ(FitToBox(c.w, c.h, c.maxW, c.maxH), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FitToBoxTest,
    ::testing::Values(FitCase{"WidthLimits", 600, 300, 300, 300, {300, 150}},
                      FitCase{"HeightLimits", 300, 600, 300, 300, {150, 300}},
                      FitCase{"NeverEnlarged", 200, 100, 300, 300, {200, 100}},
                      FitCase{"ExactFitUnchanged", 300, 300, 300, 300, {300, 300}},
                      FitCase{"TieTakesHeightBranch", 600, 600, 300, 300, {300, 300}},
                      FitCase{"OneSideOver", 301, 10, 300, 300, {300, 9}},
                      // 300/304 in single precision is just below the true ratio.
                      FitCase{"SinglePrecisionWidth", 304, 152, 300, 300, {300, 149}},
                      FitCase{"SinglePrecisionHeight", 152, 304, 300, 300, {149, 300}},
                      // A limit below 1 is no limit on that side; the other still counts.
                      FitCase{"ZeroWidthLimit", 600, 400, 0, 200, {300, 200}},
                      FitCase{"NegativeHeightLimit", 600, 400, 300, -5, {300, 200}},
                      FitCase{"NoLimitAtAll", 600, 400, 0, -2147483647 - 1, {600, 400}}),
    [](const ::testing::TestParamInfo<FitCase>& info) { return std::string(info.param.name); });

// A loader that decoded smaller than the file: the wrapper keeps the file's size,
// draws and resamples what it holds, and needs no resample to reach that size.
TEST_F(ImageFileTest, ReducedPictureIsDrawnAndResizedAtItsOwnSize) {
    backend.picture = Size{40, 30};
    backend.reducedPicture = Size{20, 15};
    image.m_loadHint = LoadHint{LoadHint::kHalfSize};
    ASSERT_EQ(image.Load("a.jpg"), ImageFile::kSuccess);
    ASSERT_TRUE(backend.hint);
    EXPECT_EQ(backend.hint->kind, LoadHint::kHalfSize);
    EXPECT_EQ((Size{image.m_width, image.m_height}), (Size{40, 30}));
    EXPECT_EQ(image.HeldSize(), (Size{20, 15}));
    EXPECT_EQ(image.Picture().width, 20);

    RecordingDC dc;
    image.Draw(&dc, 1, 2, 1200, 1200, 0);
    EXPECT_TRUE(backend.Called("Draw 20x15 "));

    EXPECT_EQ(image.Resize(20, 15), ImageFile::kSuccess);
    EXPECT_FALSE(backend.Called("Resample"));
    EXPECT_EQ((Size{image.m_width, image.m_height}), (Size{20, 15}));

    ASSERT_EQ(image.Load("b.jpg"), ImageFile::kSuccess);
    image.Resize(10, 7);
    EXPECT_TRUE(backend.Called("Resample 20x15 -> 10x7"));
    EXPECT_EQ(image.HeldSize(), (Size{10, 7}));
}

// On a screen with two device pixels per logical one the wrapper holds the preview
// at twice its size, never beyond the picture it had, and draws it into the logical
// size; the sizes it reports stay logical.
TEST_F(ImageFileTest, HighDensityScreenHoldsDevicePixelsAndDrawsLogicalSize) {
    backend.picture = Size{40, 30};
    image.m_devicePixelRatio = 2.0;
    ASSERT_EQ(image.Load("a.bmp"), ImageFile::kSuccess);
    EXPECT_EQ(image.Resize(15, 11), ImageFile::kSuccess);
    EXPECT_TRUE(backend.Called("Resample 40x30 -> 30x22"));
    EXPECT_EQ((Size{image.m_width, image.m_height}), (Size{15, 11}));
    EXPECT_EQ(image.HeldSize(), (Size{30, 22}));

    RecordingDC dc;
    image.Draw(&dc, 10, 10, 1200, 1200, 0);
    EXPECT_TRUE(backend.Called("Draw 30x22 10 10 1200 1200 0 as 15x11"));
    ASSERT_EQ(dc.Calls().size(), 1u);
    EXPECT_EQ((Size{dc.Calls()[0].c, dc.Calls()[0].d}), (Size{15, 11}));

    // A preview larger than half the picture: the full picture is all there is, and
    // it is kept as it is.
    backend.calls.clear();
    ASSERT_EQ(image.Load("b.bmp"), ImageFile::kSuccess);
    EXPECT_EQ(image.Resize(30, 22), ImageFile::kSuccess);
    EXPECT_FALSE(backend.Called("Resample"));
    EXPECT_EQ(image.HeldSize(), (Size{40, 30}));
    EXPECT_EQ((Size{image.m_width, image.m_height}), (Size{30, 22}));
}

TEST_F(ImageFileTest, ReducedLoadAtTheDeviceSizeNeedsNoResample) {
    backend.picture = Size{40, 28};
    backend.reducedPicture = Size{20, 14};
    image.m_devicePixelRatio = 2.0;
    ASSERT_EQ(image.Load("a.jpg"), ImageFile::kSuccess);
    EXPECT_EQ(image.Resize(10, 7), ImageFile::kSuccess);
    EXPECT_FALSE(backend.Called("Resample"));
    EXPECT_EQ(image.HeldSize(), (Size{20, 14}));
    EXPECT_EQ((Size{image.m_width, image.m_height}), (Size{10, 7}));
}

struct HintCase {
    const char* name;
    LoadHint hint;
    int w, h;
    std::optional<Size> expected;
};

class HintedSizeTest : public ::testing::TestWithParam<HintCase> {};

TEST_P(HintedSizeTest, CoversTheHeldPreview) {
    const HintCase& c = GetParam();
    EXPECT_EQ(HintedSize(c.hint, c.w, c.h), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Hints, HintedSizeTest,
    ::testing::Values(
        HintCase{"HalfAtOneToOne", {LoadHint::kHalfSize}, 640, 480, Size{320, 240}},
        HintCase{"HalfAtTwoIsTheWholePicture", {LoadHint::kHalfSize, 0, 0, 2.0}, 640, 480, {}},
        HintCase{"HalfAtOneAndAHalf", {LoadHint::kHalfSize, 0, 0, 1.5}, 640, 480, Size{480, 360}},
        HintCase{"BoxAtTwo", {LoadHint::kFitInBox, 300, 300, 2.0}, 1200, 600, Size{600, 300}},
        HintCase{
            "BoxWithoutWidthLimit", {LoadHint::kFitInBox, 0, 300, 1.0}, 1200, 600, Size{600, 300}},
        HintCase{"BoxWithoutAnyLimit", {LoadHint::kFitInBox, -1, 0, 1.0}, 1200, 600, {}}),
    [](const ::testing::TestParamInfo<HintCase>& info) { return std::string(info.param.name); });

}  // namespace
