// Every codec through the driver, one case at a time: what garbage, a cut file and a
// file claiming far more than it holds give, that a header-only read agrees with a
// decode, and that a preview shrunk as the rows come is the full decode resampled.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "image/ImageFile.h"
#include "image/Resampler.h"
#include "support/CodecCalls.h"
#include "support/ImageFixtures.h"
#include "support/RasterFixtures.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutLe16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}
void PutLe32(Bytes& b, std::size_t at, std::uint32_t v) {
    PutLe16(b, at, v & 0xFFFF);
    PutLe16(b, at + 2, v >> 16);
}

// The byte of sample i of row y in the data of the claiming files below.
std::uint8_t Sample(std::size_t y, std::size_t i) {
    return std::uint8_t(1 + (y * 7 + i * 3) % 250);
}

// ---- files that claim width x height and hold `rows` rows of data ----

// Top-down 24-bit BMP.
Bytes ClaimingBmp(int width, int height, int rows) {
    Bytes file(54, 0);
    file[0] = 'B';
    file[1] = 'M';
    PutLe32(file, 10, 54);
    PutLe32(file, 14, 40);
    PutLe32(file, 18, std::uint32_t(width));
    PutLe32(file, 22, std::uint32_t(-height));
    PutLe16(file, 26, 1);
    PutLe16(file, 28, 24);
    const std::size_t rowBytes = (std::size_t(width) * 3 + 3) / 4 * 4;
    for (int y = 0; y < rows; ++y)
        for (std::size_t i = 0; i < rowBytes; ++i)
            file.push_back(Sample(std::size_t(y), i));
    return file;
}

// Uncompressed 8-bit PCX in three planes.
Bytes ClaimingPcx(int width, int height, int rows) {
    Bytes file(128, 0);
    file[0] = 10;
    file[1] = 5;
    file[2] = 0;
    file[3] = 8;
    PutLe16(file, 8, std::uint32_t(width - 1));
    PutLe16(file, 10, std::uint32_t(height - 1));
    file[65] = 3;
    PutLe16(file, 66, std::uint32_t(width));
    for (int y = 0; y < rows; ++y)
        for (std::size_t i = 0; i < std::size_t(width) * 3; ++i)
            file.push_back(Sample(std::size_t(y), i));
    return file;
}

// 8-bit grey TIFF, uncompressed, a strip a row, the directory first.
Bytes ClaimingTiff(int width, int height, int rows) {
    const std::uint32_t strips = std::uint32_t(height);
    const std::uint16_t tags[][2] = {{256, 4}, {257, 4}, {258, 3}, {259, 3},
                                     {262, 3}, {273, 4}, {278, 4}, {279, 4}};
    const std::size_t count = std::size(tags);
    const std::size_t offsetsAt = 8 + 2 + 12 * count + 4;
    const std::size_t countsAt = offsetsAt + 4 * strips;
    const std::size_t dataAt = countsAt + 4 * strips;
    const std::uint32_t values[] = {
        std::uint32_t(width),   std::uint32_t(height), 8, 1, 1, std::uint32_t(offsetsAt), 1,
        std::uint32_t(countsAt)};
    Bytes file(dataAt, 0);
    file[0] = file[1] = 'I';
    file[2] = 42;
    PutLe32(file, 4, 8);
    PutLe16(file, 8, std::uint32_t(count));
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 10 + 12 * i;
        PutLe16(file, at, tags[i][0]);
        PutLe16(file, at + 2, tags[i][1]);
        PutLe32(file, at + 4, tags[i][0] == 273 || tags[i][0] == 279 ? strips : 1);
        PutLe32(file, at + 8, values[i]);
    }
    for (std::uint32_t s = 0; s < strips; ++s) {
        PutLe32(file, offsetsAt + 4 * s, std::uint32_t(dataAt + std::size_t(s) * width));
        PutLe32(file, countsAt + 4 * s, std::uint32_t(width));
    }
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width; ++x)
            file.push_back(Sample(std::size_t(y), std::size_t(x)));
    return file;
}

// 8-bit grey PNG whose image data ends after `rows` rows.
Bytes ClaimingPng(int width, int height, int rows) {
    std::string ihdr(13, '\0');
    for (int i = 0; i < 4; ++i) {
        ihdr[std::size_t(i)] = char(std::uint32_t(width) >> (24 - 8 * i));
        ihdr[std::size_t(4 + i)] = char(std::uint32_t(height) >> (24 - 8 * i));
    }
    ihdr[8] = 8;
    std::string raw;
    for (int y = 0; y < rows; ++y) {
        raw += '\0';
        for (int x = 0; x < width; ++x)
            raw += char(Sample(std::size_t(y), std::size_t(x)));
    }
    Bytes file = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    for (const Bytes& chunk :
         {fixtures::PngChunk("IHDR", ihdr), fixtures::PngChunk("IDAT", fixtures::Deflate(raw)),
          fixtures::PngChunk("IEND", "")})
        file.insert(file.end(), chunk.begin(), chunk.end());
    return file;
}

std::size_t FindJpegMarker(const Bytes& file, std::uint8_t marker) {
    for (std::size_t i = 2; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == marker)
            return i;
    return file.size();
}

// Baseline grey JPEG (rows come in blocks of 8) whose data ends without EOI after the
// block holding row `rows`, or right after the scan header for none.
Bytes ClaimingJpeg(int width, int height, int rows) {
    fixtures::JpegOptions options;
    options.colour = fixtures::JpegColour::kGrey;
    options.pixel = [](int x, int y) {
        const std::uint8_t v = std::uint8_t(64 + Sample(std::size_t(y), std::size_t(x)) / 2);
        return fixtures::Rgba{v, v, v};
    };
    Bytes file = fixtures::MakeJpeg(width, std::max(rows, 1), {}, options);
    const std::size_t sof = FindJpegMarker(file, 0xC0);
    file[sof + 5] = std::uint8_t(height >> 8);
    file[sof + 6] = std::uint8_t(height);
    if (rows == 0) {
        const std::size_t sos = FindJpegMarker(file, 0xDA);
        file.resize(sos + 2 + (std::size_t{file[sos + 2]} << 8 | file[sos + 3]));
    } else {
        file.resize(file.size() - 2);  // EOI
    }
    return file;
}

struct CodecCase {
    ImageFormat::Number format;
    std::vector<Bytes> (*goodFiles)();  // of an 83 x 61 picture
    Bytes (*claiming)(int width, int height, int rows);
    int rowStep = 1;  // the rows decoded come in blocks of this many

    // The rows a decode of the first `rows` rows of data reaches.
    int RowsReached(int rows) const { return (rows + rowStep - 1) / rowStep * rowStep; }
};

void PrintTo(const CodecCase& c, std::ostream* os) {
    *os << FormatNumbered(c.format)->name;
}

const fixtures::RasterPicture& Picture() {
    static const fixtures::RasterPicture picture = fixtures::MakeTestPicture(83, 61);
    return picture;
}

std::vector<Bytes> BmpFiles() {
    fixtures::BmpOptions topDown;
    topDown.topDown = true;
    return {fixtures::MakeBmp(Picture()), fixtures::MakeBmp(Picture(), topDown)};
}
std::vector<Bytes> PcxFiles() {
    return {fixtures::MakePcx(Picture())};
}
Bytes ClaimingTiff(int width, int height, int rows);

// Directory first (libtiff writes it last, so a cut file loses it).
std::vector<Bytes> TiffFiles() {
    return {ClaimingTiff(83, 61, 61), fixtures::MakeTiff(Picture()),
            fixtures::MakeTiff(Picture(), 5)};
}
std::vector<Bytes> PngFiles() {
    return {fixtures::MakePng(83, 61)};
}
// 4:4:4 (rows in blocks of 8) of the noisy picture: its data, not its tables, is
// most of the file, so that half the file reaches below the first block row. No DCT
// scale gives 83 x 61 whole sides, so its previews too are shrunk as the rows come
// (those decoded at a DCT scale are compared by PSNR in test_shrink_on_load).
std::vector<Bytes> JpegFiles() {
    fixtures::JpegOptions options;
    options.lumaH = options.lumaV = 1;
    options.pixel = [](int x, int y) {
        const std::uint32_t rgb = Picture().At(x, y);
        return fixtures::Rgba{std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb)};
    };
    return {fixtures::MakeJpeg(83, 61, {}, options)};
}

class CodecTest : public testing::TestWithParam<CodecCase> {
protected:
    DecodeResult Decode(const Bytes& file, const LoadHint& hint = {}) {
        return DecodeWith(GetParam().format, ByteSpan{file.data(), file.size()}, hint);
    }
};

bool IsOneLine(const std::string& text) {
    return !text.empty() && text.find('\n') == std::string::npos;
}

TEST_P(CodecTest, GarbageIsNotAPicture) {
    const DecodeResult result = Decode(Bytes(64, 0x5A));
    EXPECT_FALSE(result.pixels);
    EXPECT_EQ(result.failure, LoadFailure::kNotAPicture) << result.error;
    EXPECT_TRUE(IsOneLine(result.error)) << result.error;
    EXPECT_EQ(Decode(Bytes{}).failure, LoadFailure::kNotAPicture);
}

// Half a file shows the rows it holds as the whole file does, says where it ends,
// and leaves the rest black.
TEST_P(CodecTest, CutInHalfShowsWhatItHoldsAndSaysSo) {
    {
        const Bytes whole = GetParam().goodFiles().front();
        const DecodeResult full = Decode(whole);
        ASSERT_TRUE(full.pixels) << full.error;
        EXPECT_EQ(full.damage, "");
        const Bytes half(whole.begin(), whole.begin() + std::ptrdiff_t(whole.size() / 2));
        const DecodeResult cut = Decode(half);
        ASSERT_TRUE(cut.pixels) << cut.error;
        EXPECT_TRUE(IsOneLine(cut.damage));
        EXPECT_NE(cut.damage.find(" of 61"), std::string::npos) << cut.damage;
        const fixtures::RasterPicture a = fixtures::FromDecoded(full);
        const fixtures::RasterPicture b = fixtures::FromDecoded(cut);
        // The end the file keeps (the bottom of a bottom-up file) as in the whole
        // picture, the other end black.
        auto black = [&](int y) {
            for (int x = 0; x < 83; ++x)
                if (b.At(x, y) != 0)
                    return false;
            return true;
        };
        const int kept = black(60) ? 0 : 60;
        EXPECT_TRUE(black(60 - kept));
        for (int x = 0; x < 83; ++x)
            EXPECT_EQ(b.At(x, kept), a.At(x, kept));
    }
}

// A few rows of data claiming 8192 x 8192: the rows there are decoded, the damage is
// told, and the rows never decoded are never written (so they cost no memory).
TEST_P(CodecTest, HostileSizeCostsOnlyWhatTheDataHolds) {
    const Bytes file = GetParam().claiming(8192, 8192, 3);
    for (const LoadHint& hint : {LoadHint{}, LoadHint{LoadHint::kHalfSize}}) {
        const DecodeResult result = Decode(file, hint);
        ASSERT_TRUE(result.pixels) << result.error;
        EXPECT_EQ(result.width, 8192);
        EXPECT_NE(result.damage.find("after row " + std::to_string(GetParam().RowsReached(3)) +
                                     " of 8192"),
                  std::string::npos)
            << result.damage;
        const std::uint8_t* bytes = result.pixels->Data();
        const std::size_t size = result.pixels->Size();
        const std::size_t stride = size / (hint.kind == LoadHint::kHalfSize ? 4096 : 8192);
        EXPECT_NE(bytes[1], 0) << "the first pixel is decoded";
        EXPECT_EQ(bytes[3], 0xFF);
        for (std::size_t i = size - stride; i < size; ++i)
            ASSERT_EQ(bytes[i], 0) << "the last row was written";
    }
    // Nothing of the picture at all: damaged.
    const DecodeResult none = Decode(GetParam().claiming(8192, 8192, 0));
    EXPECT_FALSE(none.pixels);
    EXPECT_EQ(none.failure, LoadFailure::kDamaged) << none.error;
    // Beyond the pixel limit: refused before decoding.
    const DecodeResult huge = Decode(GetParam().claiming(32768, 8193, 1));
    EXPECT_FALSE(huge.pixels);
    EXPECT_EQ(huge.failure, LoadFailure::kTooLarge) << huge.error;
    EXPECT_NE(huge.error.find("32768 x 8193"), std::string::npos) << huge.error;
}

// A header-only read gives the size a decode gives, and fails where the header fails.
TEST_P(CodecTest, HeaderAgreesWithDecode) {
    const Bytes good = GetParam().goodFiles().front();
    for (const std::size_t keep :
         {good.size(), good.size() - 20, std::size_t{20}, std::size_t{0}}) {
        SCOPED_TRACE(std::to_string(keep) + " bytes");
        const Bytes bytes(good.begin(), good.begin() + std::ptrdiff_t(keep));
        const DecodeResult decoded = Decode(bytes);
        const DecodeResult header = Decode(bytes, LoadHint{LoadHint::kHeaderOnly});
        if (!decoded.pixels) {
            // A header that reads fails the decode only for want of pixel data.
            if (header.pixels)
                EXPECT_EQ(decoded.failure, LoadFailure::kDamaged) << decoded.error;
            else
                EXPECT_EQ(header.error, decoded.error);
            continue;
        }
        ASSERT_TRUE(header.pixels) << header.error;
        EXPECT_EQ(header.width, decoded.width);
        EXPECT_EQ(header.height, decoded.height);
        EXPECT_EQ(header.pixels->Size(), 0u);
        EXPECT_EQ(header.pixels->PictureWidth(), 0);
    }
}

// A preview made as the rows come is the full decode resampled, whole or cut.
TEST_P(CodecTest, ShrunkIsTheResampledFullDecode) {
    for (const Bytes& whole : GetParam().goodFiles()) {
        for (const std::size_t keep : {whole.size(), whole.size() / 3}) {
            const Bytes file(whole.begin(), whole.begin() + std::ptrdiff_t(keep));
            const DecodeResult full = Decode(file);
            if (!full.pixels) {  // cut before the first row: fails alike
                EXPECT_EQ(Decode(file, LoadHint{LoadHint::kHalfSize}).error, full.error);
                continue;
            }
            for (const LoadHint& hint :
                 {LoadHint{LoadHint::kHalfSize}, LoadHint{LoadHint::kFitInBox, 30, 30}}) {
                const Size target = *HintedSize(hint, full.width, full.height);
                const BlockHandle expected = ResamplePicture(full.pixels->Data(), full.width,
                                                             full.height, target.cx, target.cy);
                const DecodeResult shrunk = Decode(file, hint);
                ASSERT_TRUE(shrunk.pixels) << shrunk.error;
                EXPECT_EQ(shrunk.damage, full.damage);
                EXPECT_EQ(shrunk.width, full.width);
                ASSERT_EQ(shrunk.pixels->PictureWidth(), target.cx);
                ASSERT_EQ(shrunk.pixels->PictureHeight(), target.cy);
                ASSERT_EQ(shrunk.pixels->Size(), expected->Size());
                EXPECT_EQ(fixtures::ShownDifference(shrunk.pixels->Data(), expected->Data(),
                                                    expected->Size()),
                          "");
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Codecs, CodecTest,
                         testing::Values(CodecCase{ImageFormat::kBmp, BmpFiles, ClaimingBmp},
                                         CodecCase{ImageFormat::kPcx, PcxFiles, ClaimingPcx},
                                         CodecCase{ImageFormat::kTiff, TiffFiles, ClaimingTiff},
                                         CodecCase{ImageFormat::kPng, PngFiles, ClaimingPng},
                                         CodecCase{ImageFormat::kJpeg, JpegFiles, ClaimingJpeg, 8}),
                         [](const testing::TestParamInfo<CodecCase>& info) {
                             return std::string(FormatNumbered(info.param.format)->name);
                         });

}  // namespace
