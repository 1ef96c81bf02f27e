#include <gtest/gtest.h>

#include <ostream>

#include <climits>

#include "support/CodecCalls.h"
#include "support/ImageFixtures.h"
#include "support/RasterFixtures.h"

using namespace fixtures;

namespace {

DecodeResult Decode(const std::vector<std::uint8_t>& file) {
    return DecodeBmp(ByteSpan{file.data(), file.size()});
}

constexpr std::uint32_t kBlack = 0x000000;

void SetLe32(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        file[at + i] = std::uint8_t(value >> (8 * i));
}

// ---- round trips: every header kind, depth and compression the writers make ----

struct RoundTrip {
    const char* name;
    BmpOptions options;
    int colours;  // indexed pictures: palette size; 0 for direct colour
};

void PrintTo(const RoundTrip& value, std::ostream* os) {
    *os << value.name;
}

class BmpRoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(BmpRoundTrip, DecodesEveryPixel) {
    const RoundTrip& c = GetParam();
    // Odd sizes, so every row needs padding and sub-byte pixels end mid-byte.
    const int width = 13, height = 7;
    RasterPicture expected;
    std::vector<std::uint8_t> file;
    if (c.colours > 0) {
        const IndexedPicture picture = MakeIndexedPicture(width, height, c.colours);
        expected = picture.Expand();
        file = MakeBmp(picture, c.options);
    } else {
        const RasterPicture picture = MakeTestPicture(width, height);
        file = MakeBmp(picture, c.options);
        expected = picture;
        const BmpOptions& o = c.options;
        if (o.redMask || o.greenMask || o.blueMask)
            expected = QuantiseToMasks(picture, o.redMask, o.greenMask, o.blueMask);
        else if (o.bitsPerPixel == 16)
            expected = QuantiseToMasks(picture, 0x7C00, 0x03E0, 0x001F);
    }
    const DecodeResult result = Decode(file);
    ASSERT_TRUE(result.pixels) << result.error;
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(DescribeDifference(FromDecoded(result), expected), "");
}

BmpOptions Options(BmpHeader header, int bits, bool topDown = false, bool rle = false,
                   std::uint32_t red = 0, std::uint32_t green = 0, std::uint32_t blue = 0) {
    return BmpOptions{header, bits, topDown, rle, red, green, blue};
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BmpRoundTrip,
    testing::Values(
        RoundTrip{"Mono", Options(BmpHeader::kInfo, 1), 2},
        RoundTrip{"Nibbles", Options(BmpHeader::kInfo, 4), 16},
        RoundTrip{"Bytes", Options(BmpHeader::kInfo, 8), 256},
        RoundTrip{"ShortPaletteUsesClrUsed", Options(BmpHeader::kInfo, 8), 5},
        RoundTrip{"Default555", Options(BmpHeader::kInfo, 16), 0},
        RoundTrip{"BitFields565", Options(BmpHeader::kInfo, 16, false, false, 0xF800, 0x07E0, 0x1F),
                  0},
        RoundTrip{"BitFields16OddWidths",
                  Options(BmpHeader::kInfo, 16, false, false, 0xE000, 0x1FF8, 0x0007), 0},
        RoundTrip{"Rgb24", Options(BmpHeader::kInfo, 24), 0},
        RoundTrip{"Rgb32IgnoresAlphaByte", Options(BmpHeader::kInfo, 32), 0},
        RoundTrip{"BitFields32TenBit",
                  Options(BmpHeader::kInfo, 32, false, false, 0x3FF00000, 0x000FFC00, 0x3FF), 0},
        RoundTrip{"BitFields32Swapped",
                  Options(BmpHeader::kInfo, 32, false, false, 0xFF, 0xFF00, 0xFF0000), 0},
        RoundTrip{"TopDown24", Options(BmpHeader::kInfo, 24, true), 0},
        RoundTrip{"TopDown4", Options(BmpHeader::kInfo, 4, true), 16},
        RoundTrip{"Core1", Options(BmpHeader::kCore, 1), 2},
        RoundTrip{"Core8TriplePalette", Options(BmpHeader::kCore, 8), 200},
        RoundTrip{"Core24", Options(BmpHeader::kCore, 24), 0},
        RoundTrip{"V4Rgb24", Options(BmpHeader::kV4, 24), 0},
        RoundTrip{"V4BitFields565", Options(BmpHeader::kV4, 16, false, false, 0xF800, 0x07E0, 0x1F),
                  0},
        RoundTrip{"V5Indexed8", Options(BmpHeader::kV5, 8), 40},
        RoundTrip{"V5BitFields32",
                  Options(BmpHeader::kV5, 32, false, false, 0xFF0000, 0xFF00, 0xFF), 0},
        RoundTrip{"Rle8", Options(BmpHeader::kInfo, 8, false, true), 256},
        RoundTrip{"Rle4", Options(BmpHeader::kInfo, 4, false, true), 16},
        RoundTrip{"Rle4AlternatingRuns", Options(BmpHeader::kInfo, 4, false, true), 2}),
    [](const testing::TestParamInfo<RoundTrip>& info) { return std::string(info.param.name); });

TEST(BmpDecoder, ScalesMaskChannelsToFullRange) {
    // A 5-bit maximum must read 255, not 248; a 1-bit channel reads 0 or 255.
    RasterPicture picture{2, 1, {0xFFFFFF, 0x808080}};
    const DecodeResult full = Decode(MakeBmp(picture, Options(BmpHeader::kInfo, 16)));
    ASSERT_TRUE(full.pixels);
    EXPECT_EQ(FromDecoded(full).pixels, (std::vector<std::uint32_t>{0xFFFFFF, 0x848484}));
    const DecodeResult oneBit =
        Decode(MakeBmp(picture, Options(BmpHeader::kInfo, 16, false, false, 0x8000, 0x7FFE, 1)));
    ASSERT_TRUE(oneBit.pixels);
    EXPECT_EQ(FromDecoded(oneBit).At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(FromDecoded(oneBit).At(1, 0) >> 16, 0xFFu);
}

// ---- hand-made RLE streams ----

const std::vector<std::uint32_t> kPalette = {0x102030, 0xFF0000, 0x00FF00, 0x0000FF};

RasterPicture DecodeStream(int bits, const std::vector<std::uint8_t>& stream,
                           std::string* error = nullptr) {
    const DecodeResult result = Decode(MakeBmpWithRleStream(8, 4, bits, kPalette, stream));
    if (error)
        *error = result.pixels ? result.damage : result.error;
    return FromDecoded(result);
}

// Rows as the file counts them: row 0 is the bottom one.
std::uint32_t FileRowPixel(const RasterPicture& picture, int x, int fileRow) {
    return picture.At(x, picture.height - 1 - fileRow);
}

TEST(BmpRle, DeltaSkipsPixelsAndLeavesThemBlack) {
    std::string error = "unset";
    const RasterPicture p = DecodeStream(8, {3, 1, 0, 2, 2, 1, 2, 2, 0, 1}, &error);
    ASSERT_EQ(p.width, 8);
    EXPECT_EQ(error, "");
    EXPECT_EQ(FileRowPixel(p, 2, 0), 0xFF0000u);
    EXPECT_EQ(FileRowPixel(p, 3, 0), kBlack);
    EXPECT_EQ(FileRowPixel(p, 4, 1), kBlack);
    EXPECT_EQ(FileRowPixel(p, 5, 1), 0x00FF00u);
    EXPECT_EQ(FileRowPixel(p, 6, 1), 0x00FF00u);
    EXPECT_EQ(FileRowPixel(p, 7, 1), kBlack);
    EXPECT_EQ(FileRowPixel(p, 0, 3), kBlack);
}

TEST(BmpRle, AbsoluteRunsSkipTheirWordPadding) {
    // 3 bytes of RLE8 and 5 nibbles (3 bytes) of RLE4 are each padded to 4.
    const RasterPicture eight = DecodeStream(8, {0, 3, 1, 2, 3, 0xEE, 2, 0, 0, 1});
    const RasterPicture four = DecodeStream(4, {0, 5, 0x12, 0x31, 0x20, 0xEE, 2, 0x33, 0, 1});
    for (const RasterPicture* p : {&eight, &four}) {
        ASSERT_EQ(p->width, 8);
        EXPECT_EQ(FileRowPixel(*p, 0, 0), 0xFF0000u);
        EXPECT_EQ(FileRowPixel(*p, 1, 0), 0x00FF00u);
        EXPECT_EQ(FileRowPixel(*p, 2, 0), 0x0000FFu);
    }
    EXPECT_EQ(FileRowPixel(eight, 3, 0), 0x102030u);
    EXPECT_EQ(FileRowPixel(eight, 4, 0), 0x102030u);
    EXPECT_EQ(FileRowPixel(four, 3, 0), 0xFF0000u);
    EXPECT_EQ(FileRowPixel(four, 4, 0), 0x00FF00u);
    EXPECT_EQ(FileRowPixel(four, 5, 0), 0x0000FFu);
    EXPECT_EQ(FileRowPixel(four, 6, 0), 0x0000FFu);
}

TEST(BmpRle, Rle4RunAlternatesItsTwoNibbles) {
    const RasterPicture p = DecodeStream(4, {5, 0x12, 0, 1});
    ASSERT_EQ(p.width, 8);
    const std::uint32_t expected[] = {0xFF0000, 0x00FF00, 0xFF0000, 0x00FF00, 0xFF0000, kBlack};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(FileRowPixel(p, x, 0), expected[x]) << x;
}

TEST(BmpRle, RunPastTheRowEndIsClippedNotWrapped) {
    const RasterPicture p = DecodeStream(8, {200, 1, 0, 0, 1, 2, 0, 1});
    ASSERT_EQ(p.width, 8);
    EXPECT_EQ(FileRowPixel(p, 7, 0), 0xFF0000u);
    EXPECT_EQ(FileRowPixel(p, 0, 1), 0x00FF00u);
    EXPECT_EQ(FileRowPixel(p, 1, 1), kBlack);
}

TEST(BmpRle, AbsoluteRunPastTheRowEndIsClippedAndStreamStaysInStep) {
    const std::vector<std::uint8_t> stream = {6, 1, 0, 4, 2, 2, 2, 2, 0, 0, 1, 3, 0, 1};
    const RasterPicture p = DecodeStream(8, stream);
    ASSERT_EQ(p.width, 8);
    EXPECT_EQ(FileRowPixel(p, 7, 0), 0x00FF00u);
    EXPECT_EQ(FileRowPixel(p, 0, 1), 0x0000FFu);
}

TEST(BmpRle, IndexPastThePaletteReadsBlack) {
    const RasterPicture p = DecodeStream(8, {2, 9, 1, 255, 0, 1});
    ASSERT_EQ(p.width, 8);
    EXPECT_EQ(FileRowPixel(p, 0, 0), kBlack);
    EXPECT_EQ(FileRowPixel(p, 2, 0), kBlack);
}

TEST(BmpRle, DeltaOrLinesPastTheBottomStopQuietly) {
    std::string error = "unset";
    RasterPicture p = DecodeStream(8, {1, 1, 0, 2, 0, 200, 1, 2, 0, 1}, &error);
    ASSERT_EQ(p.width, 8);
    EXPECT_EQ(error, "");
    EXPECT_EQ(FileRowPixel(p, 0, 0), 0xFF0000u);
    p = DecodeStream(8, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 1}, &error);
    ASSERT_EQ(p.width, 8);
    EXPECT_EQ(error, "");
}

TEST(BmpRle, StreamCutShortKeepsWhatWasDrawnAndSaysSo) {
    std::string error;
    // Ends inside an absolute run, with rows still to come.
    const RasterPicture p = DecodeStream(8, {8, 1, 0, 0, 0, 6, 2, 3}, &error);
    ASSERT_EQ(p.width, 8);
    EXPECT_NE(error, "");
    EXPECT_EQ(FileRowPixel(p, 7, 0), 0xFF0000u);
    EXPECT_EQ(FileRowPixel(p, 0, 1), 0x00FF00u);
    EXPECT_EQ(FileRowPixel(p, 1, 1), 0x0000FFu);
    EXPECT_EQ(FileRowPixel(p, 2, 1), kBlack);
}

// ---- uncompressed files cut short, and broken ones ----

TEST(BmpDecoder, TruncatedFileShowsTheRowsItHolds) {
    const RasterPicture picture = MakeTestPicture(10, 10);
    std::vector<std::uint8_t> file = MakeBmp(picture);
    const std::size_t offset = 54, rowBytes = 32;
    file.resize(offset + 3 * rowBytes + 16);  // three rows and five and a third pixels
    const DecodeResult result = Decode(file);
    ASSERT_TRUE(result.pixels) << result.error;
    EXPECT_EQ(result.damage, "truncated after row 3 of 10");
    const RasterPicture p = FromDecoded(result);
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(p.At(x, 9), picture.At(x, 9));
        EXPECT_EQ(p.At(x, 7), picture.At(x, 7));
        EXPECT_EQ(p.At(x, 6), x < 5 ? picture.At(x, 6) : kBlack) << x;
        EXPECT_EQ(p.At(x, 5), kBlack);
        EXPECT_EQ(p.At(x, 0), kBlack);
    }
}

// Less than one pixel of data is no picture at all, however large the claim.
TEST(BmpDecoder, NotOneWholePixelIsDamaged) {
    std::vector<std::uint8_t> file = MakeBmp(MakeTestPicture(10, 10));
    file.resize(54 + 2);
    const DecodeResult result = Decode(file);
    EXPECT_FALSE(result.pixels);
    EXPECT_EQ(result.failure, LoadFailure::kDamaged) << result.error;
}

TEST(BmpDecoder, PaletteIndexPastThePaletteReadsBlack) {
    IndexedPicture picture = MakeIndexedPicture(9, 3, 16);
    picture.palette.resize(3);
    const DecodeResult result = Decode(MakeBmp(picture, Options(BmpHeader::kInfo, 8)));
    ASSERT_TRUE(result.pixels) << result.error;
    EXPECT_EQ(DescribeDifference(FromDecoded(result), picture.Expand()), "");
}

// The pixel offset points into the colour table the header announces, and the pixels
// fit after the whole table: the table is kept and the pixels read after it.
TEST(BmpDecoder, PixelOffsetInsideTheColourTableIsPassedOver) {
    IndexedPicture picture = MakeIndexedPicture(6, 3, 252);
    std::vector<std::uint8_t> file = MakeBmp(picture, Options(BmpHeader::kInfo, 8));
    ASSERT_EQ(file[46] | file[47] << 8, 252);  // the colours used
    file[10] = 54;
    file[11] = file[12] = file[13] = 0;
    const DecodeResult result = Decode(file);
    ASSERT_TRUE(result.pixels) << result.error;
    EXPECT_EQ(result.damage, "");
    EXPECT_EQ(DescribeDifference(FromDecoded(result), picture.Expand()), "");
}

// A pixel offset at the start of the table leaves the picture no colours at all: the
// table is kept even when the file is cut, and what the cut loses is damage.
TEST(BmpDecoder, PixelOffsetAtTheTableStartKeepsTheTableOfACutFile) {
    const IndexedPicture picture = MakeIndexedPicture(6, 4, 252);
    std::vector<std::uint8_t> file = MakeBmp(picture, Options(BmpHeader::kInfo, 8));
    SetLe32(file, 10, 54);
    file.resize(file.size() - 8 - 6);  // the top row and all but two pixels of the next
    const DecodeResult result = Decode(file);
    ASSERT_TRUE(result.pixels) << result.error;
    EXPECT_EQ(result.damage, "truncated after row 2 of 4");
    const RasterPicture p = FromDecoded(result);
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(p.At(x, 3), picture.Expand().At(x, 3));
        EXPECT_EQ(p.At(x, 1), x < 2 ? picture.Expand().At(x, 1) : kBlack) << x;
        EXPECT_EQ(p.At(x, 0), kBlack);
    }
}

// A public file (see files/README.md): its table announced, the pixel offset at the
// table's start, the last byte (padding of the top row) cut. It shows the picture
// the same file with the right offset and all its bytes shows, with the cut as damage.
TEST(BmpDecoder, PublicFileWithOffsetAtTheTableStartShowsItsPicture) {
    const std::vector<std::uint8_t> file = ReadBytesFile(
        std::string(TSN_SOURCE_DIR) + "/tests/image/files/bmp-offset-at-header-end.bmp");
    ASSERT_EQ(file.size(), 9253u);
    std::vector<std::uint8_t> repaired = file;
    SetLe32(repaired, 10, 54 + 252 * 4);
    repaired.push_back(0);
    const DecodeResult result = Decode(file);
    const DecodeResult whole = Decode(repaired);
    ASSERT_TRUE(result.pixels) << result.error;
    ASSERT_TRUE(whole.pixels) << whole.error;
    EXPECT_EQ(whole.damage, "");
    EXPECT_EQ(result.damage, "truncated after row 63 of 64");
    const RasterPicture p = FromDecoded(result);
    EXPECT_EQ(p.At(0, 0), 0xFF0000u);
    EXPECT_EQ(DescribeDifference(p, FromDecoded(whole)), "");
}

TEST(BmpDecoder, PaletteCutByThePixelOffsetReadsBlack) {
    IndexedPicture picture = MakeIndexedPicture(4, 1, 4);
    std::vector<std::uint8_t> file = MakeBmp(picture, Options(BmpHeader::kInfo, 8));
    // Claim a 256-entry palette the file does not have.
    file[46] = 0;
    file[47] = 1;
    const DecodeResult result = Decode(file);
    ASSERT_TRUE(result.pixels) << result.error;
    EXPECT_EQ(DescribeDifference(FromDecoded(result), picture.Expand()), "");
}

struct Broken {
    const char* name;
    std::size_t at;  // where a 32-bit field is overwritten; SIZE_MAX: cut the file to `value`
    std::uint32_t value;
};

void PrintTo(const Broken& value, std::ostream* os) {
    *os << value.name;
}

class BmpRefused : public testing::TestWithParam<Broken> {};

TEST_P(BmpRefused, FailsWithAReasonAndNoPicture) {
    std::vector<std::uint8_t> file = MakeBmp(MakeTestPicture(4, 4));
    const Broken& c = GetParam();
    if (c.at == SIZE_MAX)
        file.resize(c.value);
    else
        SetLe32(file, c.at, c.value);
    const DecodeResult result = Decode(file);
    EXPECT_FALSE(result.pixels);
    EXPECT_NE(result.error, "");
    EXPECT_EQ(result.error.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, BmpRefused,
    testing::Values(Broken{"BadMagic", 0, 0x12344D42 + 1}, Broken{"EmptyFile", SIZE_MAX, 0},
                    Broken{"CutInsideHeader", SIZE_MAX, 30}, Broken{"ZeroHeaderSize", 14, 0},
                    Broken{"UnknownHeaderSize", 14, 20}, Broken{"HeaderLongerThanFile", 14, 200},
                    Broken{"ZeroWidth", 18, 0}, Broken{"ZeroHeight", 22, 0},
                    Broken{"NegativeWidth", 18, 0xFFFFFFF0}, Broken{"HugeWidth", 18, 0x7FFFFFFF},
                    Broken{"MinimumHeight", 22, 0x80000000}, Broken{"JpegCompression", 30, 4},
                    Broken{"RleWith24Bits", 30, 1}, Broken{"UnknownDepth", 28, 7},
                    Broken{"PixelsPastTheEnd", 10, 5000}, Broken{"PixelsInsideHeader", 10, 20},
                    Broken{"NoPixelData", SIZE_MAX, 54}),
    [](const testing::TestParamInfo<Broken>& info) { return std::string(info.param.name); });

TEST(BmpDecoder, NullBufferIsRefused) {
    EXPECT_FALSE(DecodeBmp(ByteSpan{}).pixels);
    EXPECT_NE(DecodeBmp(ByteSpan{}).error, "");
}

}  // namespace
