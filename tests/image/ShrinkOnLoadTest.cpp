// Loads that know what comes next: a JPEG decoded at a reduced scale for the preview
// must look like a full decode followed by area averaging, report the file's full
// size, and fail exactly where a full decode fails.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "image/ImageFile.h"
#include "image/RealImagingBackend.h"
#include "image/Resampler.h"
#include "support/CodecCalls.h"
#include "support/ImageFixtures.h"
#include "support/RasterFixtures.h"

namespace {

namespace fs = std::filesystem;

// Smooth shading, sharp edges and fine noise: what a photograph puts in front of a
// scaled IDCT.
fixtures::PixelFunction PhotoLike(int width, int height) {
    return [=](int x, int y) {
        const double u = double(x) / width, v = double(y) / height;
        const unsigned noise = (unsigned(x) * 2654435761u ^ unsigned(y) * 40503u) >> 27;
        const bool disc = (u - 0.6) * (u - 0.6) + (v - 0.4) * (v - 0.4) < 0.05;
        const bool stripe = (x / 7) % 5 == 0 && v > 0.7;
        std::uint8_t r = std::uint8_t(40 + 150 * u + noise);
        std::uint8_t g = std::uint8_t(60 + 120 * v + noise);
        std::uint8_t b = std::uint8_t(disc ? 220 : 90 + 60 * std::sin(9 * u));
        if (stripe)
            r = g = b = 250;
        return fixtures::Rgba{r, g, b, 255};
    };
}

double Psnr(PictureView a, PictureView b) {
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    if (a.width != b.width || a.height != b.height)
        return 0;
    double sum = 0;
    const std::size_t bytes = std::size_t(a.width) * a.height * 4;
    for (std::size_t i = 0; i < bytes; ++i) {
        if (i % 4 == 3)
            continue;
        const double d = double(a.pixels[i]) - double(b.pixels[i]);
        sum += d * d;
    }
    const double mse = sum / (double(bytes) * 3 / 4);
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

class ShrinkOnLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tsn-shrink-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = (m_dir / name).string();
        EXPECT_TRUE(fixtures::WriteBytesFile(path, bytes));
        return path;
    }

    fs::path m_dir;
    RealImagingBackend m_backend;
};

struct QualityCase {
    const char* name;
    int width, height;
    LoadHint hint;
    fixtures::JpegOptions options;
    bool reduced = true;  // decoded below full size
};

fixtures::JpegOptions With(int lumaH, int lumaV, bool progressive = false,
                           fixtures::JpegColour colour = fixtures::JpegColour::kRgb) {
    fixtures::JpegOptions options;
    options.quality = 90;
    options.lumaH = lumaH;
    options.lumaV = lumaV;
    options.progressive = progressive;
    options.colour = colour;
    return options;
}

// The preview from a reduced decode against a full decode resampled to the same size
// (for an exact half that is the plain 2 x 2 average).
TEST_F(ShrinkOnLoadTest, ReducedDecodeKeepsTheQualityOfAFullDecodeAndAveraging) {
    const LoadHint half{LoadHint::kHalfSize};
    const LoadHint box{LoadHint::kFitInBox, 300, 300};
    const std::vector<QualityCase> cases = {
        {"half 4:2:0", 640, 480, half, With(2, 2)},
        {"half 4:4:4", 640, 480, half, With(1, 1)},
        {"half 4:2:2", 642, 478, half, With(2, 1)},
        // A scale with a partial last pixel would shift the preview: decoded in full,
        // and shrunk as the rows come.
        {"half odd sides", 641, 479, half, With(2, 2)},
        {"half progressive", 512, 384, half, With(2, 2, true)},
        {"half grey", 400, 300, half, With(1, 1, false, fixtures::JpegColour::kGrey)},
        {"half CMYK", 320, 240, half, With(1, 1, false, fixtures::JpegColour::kCmyk)},
        {"box at one eighth", 2400, 1600, box, With(2, 2)},
        {"box between scales", 1000, 700, box, With(2, 2)},
    };
    for (const QualityCase& c : cases) {
        SCOPED_TRACE(c.name);
        fixtures::JpegOptions options = c.options;
        options.pixel = PhotoLike(c.width, c.height);
        const std::string path = Write("q.jpg", fixtures::MakeJpeg(c.width, c.height, {}, options));

        ImageFile full(m_backend);
        ASSERT_EQ(full.Load(path), ImageFile::kSuccess);
        const std::optional<Size> target = HintedSize(c.hint, c.width, c.height);
        ASSERT_TRUE(target);
        BlockHandle expected =
            ResamplePicture(full.Picture().pixels, c.width, c.height, target->cx, target->cy);
        ASSERT_TRUE(expected);

        ImageFile hinted(m_backend);
        hinted.m_loadHint = c.hint;
        ASSERT_EQ(hinted.Load(path), ImageFile::kSuccess);
        EXPECT_EQ((Size{hinted.m_width, hinted.m_height}), (Size{c.width, c.height}));
        const Size held = hinted.HeldSize();
        EXPECT_EQ(held.cx < c.width, c.reduced);
        EXPECT_GE(held.cx, target->cx);
        EXPECT_GE(held.cy, target->cy);
        ASSERT_EQ(hinted.Resize(target->cx, target->cy), ImageFile::kSuccess);
        EXPECT_EQ(hinted.HeldSize(), *target);
        const double psnr =
            Psnr(hinted.Picture(), PictureView{expected->Data(), target->cx, target->cy});
        EXPECT_GE(psnr, 38.0);
        RecordProperty(c.name, std::to_string(psnr));
    }
}

// Hints that name no reduction leave the picture whole.
TEST_F(ShrinkOnLoadTest, HintsWithoutAReductionDecodeInFull) {
    const std::string path = Write("w.jpg", fixtures::MakeJpeg(200, 100));
    const std::vector<LoadHint> hints = {
        {LoadHint::kFullPicture},
        {LoadHint::kFitInBox, 300, 300},  // fits already
        {LoadHint::kFitInBox, 0, 0},      // no box
    };
    for (const LoadHint& hint : hints) {
        ImageFile image(m_backend);
        image.m_loadHint = hint;
        ASSERT_EQ(image.Load(path), ImageFile::kSuccess);
        EXPECT_EQ(image.HeldSize(), (Size{200, 100}));
    }
    ImageFile sliver(m_backend);
    sliver.m_loadHint = {LoadHint::kHalfSize};
    ASSERT_EQ(sliver.Load(Write("s.jpg", fixtures::MakeJpeg(1, 40))), ImageFile::kSuccess);
    EXPECT_EQ(sliver.HeldSize(), (Size{1, 40}));  // half of it is nothing: kept whole
}

// Broken files fail (or show their damage) under a hint exactly as without one.
TEST_F(ShrinkOnLoadTest, DamagedFilesFailAsAFullDecodeDoes) {
    const std::vector<std::uint8_t> good = fixtures::MakeJpeg(320, 240, {"kept"}, With(2, 2));
    std::vector<std::uint8_t> cutInScan(good.begin(), good.begin() + good.size() / 2);
    std::vector<std::uint8_t> cutInHeader(good.begin(), good.begin() + 40);
    std::vector<std::uint8_t> noScan(good.begin(), good.begin() + 2);
    std::vector<std::uint8_t> badSof = good;
    for (std::size_t i = 2; i + 9 < badSof.size(); ++i)
        if (badSof[i] == 0xFF && badSof[i + 1] == 0xC0) {
            badSof[i + 5] = badSof[i + 6] = 0;  // height 0
            break;
        }
    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> files = {
        {"cut in the scan", cutInScan},
        {"cut in the header", cutInHeader},
        {"no scan", noScan},
        {"zero height", badSof},
        {"empty", {}},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const std::string path = Write("d.jpg", bytes);
        ImageFile full(m_backend);
        const int fullResult = full.Load(path);
        const std::string fullReason = m_backend.StatusReason();
        ImageFile hinted(m_backend);
        hinted.m_loadHint = {LoadHint::kHalfSize};
        EXPECT_EQ(hinted.Load(path), fullResult);
        EXPECT_EQ(m_backend.StatusReason(), fullReason);
        EXPECT_EQ(hinted.m_width, full.m_width);
        EXPECT_EQ(hinted.m_comments, full.m_comments);
    }
}

// ---- shrinking as the rows come ----

std::vector<std::uint8_t> NoisyPicture(int width, int height) {
    std::vector<std::uint8_t> pixels(std::size_t(width) * height * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = i % 4 == 3 ? 0xFF : std::uint8_t(i * 2654435761u >> 13);
    return pixels;
}

TEST(RowShrinkerTest, GivesExactlyWhatResamplingTheWholePictureGives) {
    const std::vector<std::pair<Size, Size>> sizes = {
        {{64, 48}, {32, 24}},                          // exact half
        {{65, 47}, {32, 23}},                          // half of odd sides
        {{300, 200}, {97, 13}}, {{50, 40}, {50, 17}},  // one axis kept
        {{40, 50}, {7, 50}},    {{9, 9}, {1, 1}},
    };
    for (const auto& [from, to] : sizes) {
        SCOPED_TRACE(std::to_string(from.cx) + "x" + std::to_string(from.cy) + " to " +
                     std::to_string(to.cx) + "x" + std::to_string(to.cy));
        const std::vector<std::uint8_t> picture = NoisyPicture(from.cx, from.cy);
        BlockHandle expected = ResamplePicture(picture.data(), from.cx, from.cy, to.cx, to.cy);
        ASSERT_TRUE(expected);
        RowShrinker shrinker(from.cx, from.cy, to.cx, to.cy);
        ASSERT_TRUE(shrinker.Ready());
        const std::size_t stride = std::size_t(from.cx) * 4;
        for (int y = 0; y < from.cy; ++y) {
            EXPECT_FALSE(shrinker.Finish());
            std::copy_n(picture.data() + stride * y, stride, shrinker.NextRow());
            shrinker.PushRow();
        }
        EXPECT_EQ(shrinker.NextRow(), nullptr);
        BlockHandle actual = shrinker.Finish();
        ASSERT_TRUE(actual);
        ASSERT_EQ(actual->Size(), expected->Size());
        EXPECT_TRUE(std::equal(actual->Data(), actual->Data() + actual->Size(), expected->Data()));
    }
    EXPECT_FALSE(RowShrinker(10, 10, 11, 5).Ready());  // growing is not its job
}

// A PNG preview made as the rows come is the full decode resampled, also when the
// file ends early (the missing rows are the background) or is interlaced.
TEST_F(ShrinkOnLoadTest, PngPreviewEqualsTheResampledFullDecode) {
    fixtures::PngOptions interlaced;
    interlaced.interlaced = true;
    const std::vector<std::uint8_t> plain = fixtures::MakePng(301, 157);
    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> files = {
        {"plain", plain},
        {"cut", std::vector<std::uint8_t>(plain.begin(), plain.begin() + plain.size() * 2 / 3)},
        {"interlaced", fixtures::MakePng(120, 90, {}, {}, interlaced)},
    };
    const Rgb background{10, 200, 30};
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const DecodeResult full =
            DecodePng(ByteSpan{bytes.data(), bytes.size()}, background, 2.2, nullptr);
        ASSERT_TRUE(full.pixels) << full.error;
        for (const LoadHint& hint :
             {LoadHint{LoadHint::kHalfSize}, LoadHint{LoadHint::kFitInBox, 100, 100}}) {
            const Size target = *HintedSize(hint, full.width, full.height);
            BlockHandle expected =
                ResamplePicture(full.pixels->Data(), full.width, full.height, target.cx, target.cy);
            const DecodeResult shrunk =
                DecodePng(ByteSpan{bytes.data(), bytes.size()}, background, 2.2, nullptr, hint);
            ASSERT_TRUE(shrunk.pixels) << shrunk.error;
            EXPECT_EQ(shrunk.error, full.error);
            EXPECT_EQ(shrunk.width, full.width);
            const bool reduced = shrunk.pixels->HasPictureSize();
            const Size held =
                reduced ? Size{shrunk.pixels->PictureWidth(), shrunk.pixels->PictureHeight()}
                        : Size{full.width, full.height};
            if (std::string(name) == "interlaced") {
                EXPECT_FALSE(reduced);
                continue;
            }
            ASSERT_EQ(held, target);
            EXPECT_TRUE(std::equal(shrunk.pixels->Data(),
                                   shrunk.pixels->Data() + shrunk.pixels->Size(),
                                   expected->Data()));
        }
    }
}

// ---- header only ----

TEST_F(ShrinkOnLoadTest, JpegHeaderGivesTheSizeAndEveryCommentOfADecode) {
    fixtures::JpegOptions progressive = With(2, 2, true);
    std::vector<std::uint8_t> file = fixtures::MakeJpeg(96, 64, {"first", "tSN card"}, progressive);
    // Comments between the scans and after the last one, with a stuffed 0xFF in one.
    auto com = [](const std::string& text) {
        std::vector<std::uint8_t> segment = {0xFF, 0xFE, 0, std::uint8_t(text.size() + 2)};
        segment.insert(segment.end(), text.begin(), text.end());
        return segment;
    };
    std::size_t secondScan = 0;
    for (std::size_t i = 2, scans = 0; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xDA && ++scans == 2) {
            secondScan = i;
            break;
        }
    ASSERT_NE(secondScan, 0u);
    const std::vector<std::uint8_t> between = com("between \xFF scans");
    file.insert(file.begin() + std::ptrdiff_t(secondScan), between.begin(), between.end());
    const std::vector<std::uint8_t> last = com("after the picture");
    file.insert(file.end() - 2, last.begin(), last.end());

    std::vector<std::string> decoded, header;
    const DecodeResult full = DecodeJpeg(ByteSpan{file.data(), file.size()}, &decoded);
    ASSERT_TRUE(full.pixels) << full.error;
    const DecodeResult read = ReadJpegHeader(ByteSpan{file.data(), file.size()}, &header);
    ASSERT_TRUE(read.pixels) << read.error;
    EXPECT_EQ(header, decoded);
    EXPECT_EQ(header.size(), 4u);
    EXPECT_EQ(read.width, 96);
    EXPECT_EQ(read.height, 64);
    EXPECT_EQ(read.pixels->Size(), 0u);
    EXPECT_EQ(read.pixels->PictureWidth(), 0);

    const std::vector<std::uint8_t> cut(file.begin(), file.begin() + 30);
    EXPECT_FALSE(ReadJpegHeader(ByteSpan{cut.data(), cut.size()}, &header).pixels);
    EXPECT_FALSE(DecodeJpeg(ByteSpan{cut.data(), cut.size()}, &decoded).pixels);
}

TEST_F(ShrinkOnLoadTest, PngHeaderFindsTextsOnBothSidesOfTheImageData) {
    using fixtures::PngText;
    using fixtures::PngTextKind;
    const std::vector<PngText> before = {{PngTextKind::kText, "Comment", "tSN before"},
                                         {PngTextKind::kZText, "Packed", "zipped text"}};
    const std::vector<PngText> after = {{PngTextKind::kITextCompressed, "Late", "after data"}};
    fixtures::PngOptions palette;
    palette.colour = fixtures::PngColour::kPalette;
    palette.pixel = [](int x, int y) {
        return fixtures::Rgba{std::uint8_t(x % 4 * 60), std::uint8_t(y % 3 * 80), 100, 255};
    };
    for (const fixtures::PngOptions& options : {fixtures::PngOptions{}, palette}) {
        const std::vector<std::uint8_t> file = fixtures::MakePng(70, 30, before, after, options);
        std::vector<PngTextEntry> decoded, header;
        ASSERT_TRUE(DecodePng(ByteSpan{file.data(), file.size()}, Rgb{}, 2.2, &decoded).pixels);
        const DecodeResult read = ReadPngHeader(ByteSpan{file.data(), file.size()}, &header);
        ASSERT_TRUE(read.pixels) << read.error;
        EXPECT_EQ(read.width, 70);
        EXPECT_EQ(read.height, 30);
        ASSERT_EQ(header.size(), decoded.size());
        ASSERT_EQ(header.size(), 3u);
        for (std::size_t i = 0; i < header.size(); ++i) {
            EXPECT_EQ(header[i].keyword, decoded[i].keyword);
            EXPECT_EQ(header[i].text, decoded[i].text);
        }
    }
}

TEST_F(ShrinkOnLoadTest, PngHeaderFailsWhereADecodeFailsOnTheHeader) {
    const std::vector<std::uint8_t> good = fixtures::MakePng(20, 10);
    auto corrupt = [&](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> bytes = good;
        bytes[at] = value;
        return bytes;
    };
    std::vector<std::uint8_t> noData(good.begin(), good.begin() + 33);
    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> files = {
        {"signature", corrupt(1, 'X')},
        {"IHDR CRC", corrupt(29, good[29] ^ 1)},
        {"short", std::vector<std::uint8_t>(good.begin(), good.begin() + 20)},
        {"no image data", noData},
        {"empty", {}},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        std::vector<PngTextEntry> texts;
        EXPECT_FALSE(DecodePng(ByteSpan{bytes.data(), bytes.size()}, Rgb{}, 2.2, &texts).pixels);
        EXPECT_FALSE(ReadPngHeader(ByteSpan{bytes.data(), bytes.size()}, &texts).pixels);
    }
}

// The wrapper after a header-only load: the file's size, the comments, nothing to draw.
TEST_F(ShrinkOnLoadTest, HeaderOnlyLoadHoldsNoPixels) {
    const std::string path = Write("h.jpg", fixtures::MakeJpeg(50, 40, {"tSN x"}));
    ImageFile image(m_backend);
    image.m_loadHint = {LoadHint::kHeaderOnly};
    ASSERT_EQ(image.Load(path), ImageFile::kSuccess);
    EXPECT_EQ((Size{image.m_width, image.m_height}), (Size{50, 40}));
    EXPECT_EQ(image.m_comments, std::vector<std::string>{"tSN x"});
    EXPECT_EQ(image.HeldSize(), (Size{0, 0}));
    EXPECT_NE(image.Resize(25, 20), ImageFile::kSuccess);
    EXPECT_EQ(image.Picture().width, 0);
}

}  // namespace
