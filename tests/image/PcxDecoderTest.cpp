#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>

#include "support/CodecCalls.h"
#include "support/RasterFixtures.h"

using namespace fixtures;

namespace {

DecodeResult Decode(const std::vector<std::uint8_t>& file) {
    return DecodePcx(ByteSpan{file.data(), file.size()});
}

IndexedPicture GreyRamp(IndexedPicture picture) {
    picture.palette.clear();
    for (std::uint32_t i = 0; i < 256; ++i)
        picture.palette.push_back(i << 16 | i << 8 | i);
    return picture;
}

// ---- round trips of every kind ----

constexpr int kRunsOfEveryLength = -1;

struct RoundTrip {
    const char* name;
    PcxOptions options;
    int colours;  // 0: a 24-bit picture; kRunsOfEveryLength
    int width = 13;
    int height = 7;
};

void PrintTo(const RoundTrip& value, std::ostream* os) {
    *os << value.name;
}

// Stretches of 1 to 70 equal pixels, values above and below the run mark: wide
// lines, so the decoder's block-wise path sees every kind of token.
IndexedPicture RunsOfEveryLength(int width, int height) {
    IndexedPicture picture = MakeIndexedPicture(width, height, 256);
    int length = 1, left = 1, value = 0;
    for (std::uint8_t& index : picture.indices) {
        index = std::uint8_t(value);
        if (--left == 0) {
            length = length % 70 + 1;
            left = length;
            value = (value + 77) % 256;
        }
    }
    return picture;
}

class PcxRoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(PcxRoundTrip, DecodesEveryPixel) {
    const RoundTrip& c = GetParam();
    RasterPicture expected;
    std::vector<std::uint8_t> file;
    if (c.colours == 0) {
        expected = MakeTestPicture(c.width, c.height);
        file = MakePcx(expected, c.options);
    } else {
        IndexedPicture picture = c.colours == kRunsOfEveryLength
                                     ? RunsOfEveryLength(c.width, c.height)
                                     : MakeIndexedPicture(c.width, c.height, c.colours);
        file = MakePcx(picture, c.options);
        if (c.options.kind == PcxKind::kGrey8)
            picture = GreyRamp(picture);
        if (c.options.kind == PcxKind::kMono && !c.options.headerPalette)
            picture.palette = {0x000000, 0xFFFFFF};
        expected = picture.Expand();
    }
    const DecodeResult result = Decode(file);
    ASSERT_TRUE(result.pixels) << result.error;
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(DescribeDifference(FromDecoded(result), expected), "");
}

PcxOptions Kind(PcxKind kind, int padding = 0, bool acrossLines = false) {
    PcxOptions options;
    options.kind = kind;
    options.paddingBytes = padding;
    options.runsAcrossLines = acrossLines;
    return options;
}

PcxOptions MonoWithoutPalette() {
    PcxOptions options = Kind(PcxKind::kMono);
    options.headerPalette = false;
    return options;
}

PcxOptions Uncompressed() {
    PcxOptions options = Kind(PcxKind::kRgb24);
    options.rle = false;
    return options;
}

PcxOptions OffsetWindow() {
    PcxOptions options = Kind(PcxKind::kIndexed8);
    options.xmin = 100;
    options.ymin = 7;
    return options;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PcxRoundTrip,
    testing::Values(
        RoundTrip{"MonoHeaderPalette", Kind(PcxKind::kMono), 2},
        RoundTrip{"MonoBlackAndWhite", MonoWithoutPalette(), 2},
        RoundTrip{"TwoPlanes", Kind(PcxKind::kPlanes2), 4},
        RoundTrip{"FourPlanes", Kind(PcxKind::kPlanes4), 16},
        RoundTrip{"TwoBitPacked", Kind(PcxKind::kPacked2), 4},
        RoundTrip{"Indexed8EndPalette", Kind(PcxKind::kIndexed8), 256},
        RoundTrip{"Grey8WithoutPalette", Kind(PcxKind::kGrey8), 256},
        RoundTrip{"Rgb24", Kind(PcxKind::kRgb24), 0},
        RoundTrip{"Rgb24PaddedLines", Kind(PcxKind::kRgb24, 6), 0},
        RoundTrip{"Indexed8PaddedLines", Kind(PcxKind::kIndexed8, 2), 256},
        RoundTrip{"FourPlanesPaddedLines", Kind(PcxKind::kPlanes4, 4), 16},
        RoundTrip{"WindowNotAtOrigin", OffsetWindow(), 256},
        // One colour, even width: every run runs on into the next line.
        RoundTrip{"Indexed8RunsCrossLines", Kind(PcxKind::kIndexed8, 0, true), 1, 14, 9},
        RoundTrip{"Rgb24RunsCrossPlanes", Kind(PcxKind::kRgb24, 0, true), 0, 14, 9},
        RoundTrip{"WideRgb24", Kind(PcxKind::kRgb24, 2), 0, 301, 5},
        RoundTrip{"WideRunsOfEveryLength", Kind(PcxKind::kIndexed8), kRunsOfEveryLength, 1200, 6},
        RoundTrip{"WideRunsAcrossLines", Kind(PcxKind::kIndexed8, 0, true), kRunsOfEveryLength, 400,
                  12},
        RoundTrip{"WideUncompressed", Uncompressed(), 0, 301, 5}),
    [](const testing::TestParamInfo<RoundTrip>& info) { return std::string(info.param.name); });

// ---- hand-made and broken files ----

// A 128-byte header for an 8-bit, one-plane picture, then `data`.
std::vector<std::uint8_t> Header8(int width, int height, int bytesPerLine,
                                  const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> file(128 + data.size(), 0);
    std::copy(data.begin(), data.end(), file.begin() + 128);
    file[0] = 10;
    file[1] = 5;
    file[2] = 1;
    file[3] = 8;
    file[8] = std::uint8_t(width - 1);
    file[9] = std::uint8_t((width - 1) >> 8);
    file[10] = std::uint8_t(height - 1);
    file[11] = std::uint8_t((height - 1) >> 8);
    file[65] = 1;
    file[66] = std::uint8_t(bytesPerLine);
    return file;
}

TEST(PcxDecoder, RunPastTheEndOfThePictureIsClipped) {
    // 63 bytes of grey 5 for a picture of 8; then bytes that must be ignored.
    const DecodeResult result = Decode(Header8(4, 2, 4, {0xFF, 5, 0xFF, 9, 0xFF, 9}));
    ASSERT_TRUE(result.pixels) << result.error;
    EXPECT_EQ(result.error, "");
    for (std::uint32_t pixel : FromDecoded(result).pixels)
        EXPECT_EQ(pixel, 0x050505u);
}

TEST(PcxDecoder, LiteralBytesAndRunsMixAcrossLineEnds) {
    // Line 1 ends in the middle of a run of three 7s.
    const DecodeResult result = Decode(Header8(3, 2, 4, {1, 2, 3, 0xC3, 7, 0xC2, 8, 0xC1, 0xC9}));
    ASSERT_TRUE(result.pixels) << result.error;
    EXPECT_EQ(
        FromDecoded(result).pixels,
        (std::vector<std::uint32_t>{0x010101, 0x020202, 0x030303, 0x070707, 0x070707, 0x080808}));
}

TEST(PcxDecoder, TruncatedFileShowsTheRowsItHolds) {
    const RasterPicture picture = MakeTestPicture(10, 10);
    std::vector<std::uint8_t> file = MakePcx(picture, PcxOptions{});
    file.resize(128 + (file.size() - 128) / 2);
    const DecodeResult result = Decode(file);
    ASSERT_TRUE(result.pixels) << result.error;
    EXPECT_NE(result.damage.find("truncated after row"), std::string::npos) << result.damage;
    const RasterPicture p = FromDecoded(result);
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(p.At(x, 0), picture.At(x, 0));
        EXPECT_EQ(p.At(x, 9), 0x000000u);
    }
}

TEST(PcxDecoder, TruncatedEightBitLineKeepsItsFirstPixels) {
    const DecodeResult result = Decode(Header8(6, 2, 6, {1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_TRUE(result.pixels) << result.error;
    EXPECT_EQ(result.damage, "truncated after row 1 of 2");
    const RasterPicture p = FromDecoded(result);
    EXPECT_EQ(p.At(5, 0), 0x060606u);
    EXPECT_EQ(p.At(1, 1), 0x080808u);
    EXPECT_EQ(p.At(2, 1), 0x000000u);
}

struct Broken {
    const char* name;
    std::size_t at;  // byte to overwrite; SIZE_MAX: cut the file to `value` bytes
    std::uint8_t value;
};

void PrintTo(const Broken& value, std::ostream* os) {
    *os << value.name;
}

class PcxRefused : public testing::TestWithParam<Broken> {};

TEST_P(PcxRefused, FailsWithAReasonAndNoPicture) {
    std::vector<std::uint8_t> file = MakePcx(MakeTestPicture(4, 4), PcxOptions{});
    const Broken& c = GetParam();
    if (c.at == SIZE_MAX)
        file.resize(c.value);
    else
        file[c.at] = c.value;
    const DecodeResult result = Decode(file);
    EXPECT_FALSE(result.pixels);
    EXPECT_NE(result.error, "");
}

INSTANTIATE_TEST_SUITE_P(
    Headers, PcxRefused,
    testing::Values(Broken{"BadManufacturer", 0, 11}, Broken{"UnknownEncoding", 2, 2},
                    Broken{"ShorterThanHeader", SIZE_MAX, 127}, Broken{"EmptyFile", SIZE_MAX, 0},
                    Broken{"ThreeBitPixels", 3, 3}, Broken{"FivePlanes", 65, 5},
                    Broken{"ZeroPlanes", 65, 0}, Broken{"XmaxBeforeXmin", 4, 9},
                    Broken{"LinesShorterThanWidth", 66, 3}, Broken{"ZeroBytesPerLine", 66, 0}),
    [](const testing::TestParamInfo<Broken>& info) { return std::string(info.param.name); });

}  // namespace
