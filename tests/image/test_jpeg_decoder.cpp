#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "image/Decoders.h"
#include "support/ImageFixtures.h"

using fixtures::JpegColour;
using fixtures::JpegOptions;
using fixtures::MakeJpeg;
using fixtures::Rgba;

namespace {

ByteSpan Span(const std::vector<std::uint8_t>& bytes) {
    return ByteSpan{bytes.data(), bytes.size()};
}

Rgba PixelAt(const DecodeResult& result, int x, int y) {
    const std::uint8_t* p = result.pixels->Data() + (std::size_t(y) * result.width + x) * 4;
    return Rgba{p[2], p[1], p[0], p[3]};
}

// Largest channel difference from the pattern over rows [firstRow, lastRow).
int MaxDifference(const DecodeResult& result, const fixtures::PixelFunction& pattern, bool grey,
                  int firstRow, int lastRow) {
    int worst = 0;
    for (int y = firstRow; y < lastRow; ++y) {
        for (int x = 0; x < result.width; ++x) {
            Rgba want = pattern(x, y);
            if (grey)
                want.g = want.b = want.r;
            const Rgba got = PixelAt(result, x, y);
            worst = std::max({worst, std::abs(got.r - want.r), std::abs(got.g - want.g),
                              std::abs(got.b - want.b)});
        }
    }
    return worst;
}

bool EveryFourthByteOpaque(const DecodeResult& result) {
    const std::uint8_t* p = result.pixels->Data();
    for (std::size_t i = 3; i < result.pixels->Size(); i += 4)
        if (p[i] != 0xFF)
            return false;
    return true;
}

// Offset of the first marker `code` (0xFF code) in the file, or npos.
std::size_t FindMarker(const std::vector<std::uint8_t>& file, std::uint8_t code) {
    for (std::size_t i = 0; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == code)
            return i;
    return std::string::npos;
}

void SetFrameSize(std::vector<std::uint8_t>& file, unsigned width, unsigned height) {
    const std::size_t sof = FindMarker(file, 0xC0);
    ASSERT_NE(sof, std::string::npos);
    file[sof + 5] = static_cast<std::uint8_t>(height >> 8);
    file[sof + 6] = static_cast<std::uint8_t>(height);
    file[sof + 7] = static_cast<std::uint8_t>(width >> 8);
    file[sof + 8] = static_cast<std::uint8_t>(width);
}

struct PixelCase {
    const char* name;
    JpegOptions options;
    int tolerance;
};

JpegOptions With(void (*change)(JpegOptions&)) {
    JpegOptions options;
    change(options);
    return options;
}

void PrintTo(const PixelCase& c, std::ostream* out) {
    *out << c.name;
}

class JpegPixels : public testing::TestWithParam<PixelCase> {};

// Odd sizes so that partial MCUs at the right and bottom edges are exercised.
TEST_P(JpegPixels, DecodesThePatternAsBgrxWithinJpegTolerance) {
    constexpr int kWidth = 37, kHeight = 21;
    const PixelCase& c = GetParam();
    const std::vector<std::uint8_t> file = MakeJpeg(kWidth, kHeight, {}, c.options);
    ASSERT_FALSE(file.empty());

    const DecodeResult result = DecodeJpeg(Span(file), nullptr);

    ASSERT_TRUE(result.pixels) << result.error;
    EXPECT_TRUE(result.error.empty()) << result.error;
    ASSERT_EQ(result.width, kWidth);
    ASSERT_EQ(result.height, kHeight);
    ASSERT_EQ(result.pixels->Size(), std::size_t{kWidth} * kHeight * 4);
    EXPECT_TRUE(EveryFourthByteOpaque(result));
    const bool grey = c.options.colour == JpegColour::kGrey;
    EXPECT_LE(MaxDifference(result, fixtures::Gradient(kWidth, kHeight), grey, 0, kHeight),
              c.tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, JpegPixels,
    testing::Values(
        PixelCase{"Baseline420", JpegOptions{}, 8},
        PixelCase{"Subsampling422", With([](JpegOptions& o) { o.lumaV = 1; }), 8},
        PixelCase{"Subsampling444", With([](JpegOptions& o) { o.lumaH = o.lumaV = 1; }), 6},
        PixelCase{"Subsampling440", With([](JpegOptions& o) { o.lumaH = 1; }), 8},
        PixelCase{"Subsampling411", With([](JpegOptions& o) { o.lumaH = 4, o.lumaV = 1; }), 12},
        PixelCase{"Progressive", With([](JpegOptions& o) { o.progressive = true; }), 8},
        PixelCase{"Arithmetic", With([](JpegOptions& o) { o.arithmetic = true; }), 8},
        PixelCase{"ArithmeticProgressive",
                  With([](JpegOptions& o) { o.arithmetic = o.progressive = true; }), 8},
        PixelCase{"RestartMarkers", With([](JpegOptions& o) { o.restartInterval = 1; }), 8},
        PixelCase{"Greyscale", With([](JpegOptions& o) { o.colour = JpegColour::kGrey; }), 4},
        PixelCase{"AdobeCmyk", With([](JpegOptions& o) { o.colour = JpegColour::kCmyk; }), 10},
        PixelCase{"AdobeYcck", With([](JpegOptions& o) { o.colour = JpegColour::kYcck; }), 10}),
    [](const testing::TestParamInfo<PixelCase>& info) { return std::string(info.param.name); });

// Segments in the header and after the last scan, for a single-scan and a progressive file.
TEST(JpegComments, EverySegmentKeptRawAndInFileOrder) {
    const std::string longest(65533, 'x');  // a segment's whole capacity
    const std::vector<std::string> written = {"tSNfirst", std::string("nul\0inside", 10), "",
                                              longest, "\xE9t\xE9"};
    for (const bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        JpegOptions options;
        options.progressive = progressive;
        std::vector<std::uint8_t> file = MakeJpeg(8, 8, written, options);
        const std::vector<std::uint8_t> trailing = {0xFF, 0xFE, 0, 6, 't', 'a', 'i', 'l'};
        file.insert(file.end() - 2, trailing.begin(), trailing.end());  // before EOI
        std::vector<std::string> comments = {"left over from an earlier file"};

        const DecodeResult result = DecodeJpeg(Span(file), &comments);

        ASSERT_TRUE(result.pixels) << result.error;
        EXPECT_TRUE(result.error.empty()) << result.error;
        std::vector<std::string> expected = written;
        expected.push_back("tail");
        ASSERT_EQ(comments.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_TRUE(comments[i] == expected[i]) << "comment " << i;
    }
}

TEST(JpegComments, KeptWhenThePixelsFail) {
    std::vector<std::uint8_t> file = MakeJpeg(8, 8, {"one", "two"});
    const std::size_t sof = FindMarker(file, 0xC0);
    ASSERT_NE(sof, std::string::npos);
    file[sof + 4] = 7;  // sample precision libjpeg cannot decode
    std::vector<std::string> comments;

    const DecodeResult result = DecodeJpeg(Span(file), &comments);

    EXPECT_FALSE(result.pixels);
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(comments, (std::vector<std::string>{"one", "two"}));
}

// A good file cut in the middle of its scan data still shows its top part; libjpeg
// fills in the rest.
TEST(JpegDecoder, TruncatedFileShowsTheDecodedPartWithANote) {
    for (const bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        constexpr int kSide = 64;
        JpegOptions options;
        options.progressive = progressive;
        std::vector<std::uint8_t> file = MakeJpeg(kSide, kSide, {"kept"}, options);
        const std::size_t sos = FindMarker(file, 0xDA);
        ASSERT_NE(sos, std::string::npos);
        file.resize(sos + (file.size() - sos) / 2);
        std::vector<std::string> comments;

        const DecodeResult result = DecodeJpeg(Span(file), &comments);

        ASSERT_TRUE(result.pixels) << result.error;
        EXPECT_FALSE(result.error.empty());
        EXPECT_EQ(result.width, kSide);
        EXPECT_EQ(result.height, kSide);
        EXPECT_TRUE(EveryFourthByteOpaque(result));
        EXPECT_EQ(comments, std::vector<std::string>{"kept"});
        if (!progressive) {
            EXPECT_LE(MaxDifference(result, fixtures::Gradient(kSide, kSide), false, 0, 8), 8);
        }
    }
}

// Wherever a file is cut after its first scan has begun, including inside the tables
// between two progressive scans, the picture still comes out.
TEST(JpegDecoder, EveryCutAfterTheFirstScanStillGivesAPicture) {
    for (const bool progressive : {false, true}) {
        JpegOptions options;
        options.progressive = progressive;
        const std::vector<std::uint8_t> file = MakeJpeg(48, 32, {}, options);
        const std::size_t sos = FindMarker(file, 0xDA);
        ASSERT_NE(sos, std::string::npos);
        const std::size_t firstData = sos + 2 + (file[sos + 2] << 8 | file[sos + 3]);
        int failures = 0;
        for (std::size_t cut = firstData; cut < file.size(); ++cut) {
            const std::vector<std::uint8_t> part(file.begin(), file.begin() + cut);
            const DecodeResult result = DecodeJpeg(Span(part), nullptr);
            if (!result.pixels || result.error.empty())
                ++failures;
        }
        EXPECT_EQ(failures, 0) << (progressive ? "progressive" : "baseline");
    }
}

// Damaged entropy-coded data gives libjpeg warnings, which must not stop the decode.
TEST(JpegDecoder, CorruptScanDataStillGivesAPicture) {
    std::vector<std::uint8_t> file = MakeJpeg(64, 64);
    const std::size_t sos = FindMarker(file, 0xDA);
    ASSERT_NE(sos, std::string::npos);
    for (std::size_t i = sos + 40; i < sos + 60 && i + 2 < file.size(); ++i)
        file[i] = 0x00;

    const DecodeResult result = DecodeJpeg(Span(file), nullptr);

    ASSERT_TRUE(result.pixels) << result.error;
    EXPECT_EQ(result.width, 64);
}

TEST(JpegDecoder, OversizePictureRefusedBeforeAllocating) {
    struct Case {
        unsigned width, height;
    };
    for (const Case c : {Case{60000, 60000}, Case{16385, 16384}}) {
        std::vector<std::uint8_t> file = MakeJpeg(8, 8, {"still read"});
        SetFrameSize(file, c.width, c.height);
        std::vector<std::string> comments;

        const DecodeResult result = DecodeJpeg(Span(file), &comments);

        EXPECT_FALSE(result.pixels);
        EXPECT_NE(result.error.find(std::to_string(c.width)), std::string::npos) << result.error;
        EXPECT_EQ(comments, std::vector<std::string>{"still read"});
    }
}

TEST(JpegDecoder, BrokenStructureFails) {
    const std::vector<std::uint8_t> good = MakeJpeg(8, 8);
    const std::size_t sof = FindMarker(good, 0xC0);
    // Start of image, the quantisation tables, end of image: tables only, no frame.
    std::vector<std::uint8_t> tablesOnly(good.begin(), good.begin() + sof);
    tablesOnly.push_back(0xFF);
    tablesOnly.push_back(0xD9);
    const std::vector<std::vector<std::uint8_t>> inputs = {
        {},
        {0xFF, 0xD8},
        {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A},
        std::vector<std::uint8_t>(good.begin(), good.begin() + sof),
        tablesOnly,
    };
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        SCOPED_TRACE(i);
        const DecodeResult result = DecodeJpeg(Span(inputs[i]), nullptr);
        EXPECT_FALSE(result.pixels);
        EXPECT_FALSE(result.error.empty());
        EXPECT_EQ(result.error.find('\n'), std::string::npos);
    }
}

TEST(JpegDecoder, ScanCountLimitedTo500) {
    JpegOptions options;
    options.colour = JpegColour::kGrey;
    for (const int scans : {500, 501}) {
        SCOPED_TRACE(scans);
        options.progressiveScans = scans;
        const std::vector<std::uint8_t> file = MakeJpeg(16, 16, {}, options);
        ASSERT_FALSE(file.empty());

        const DecodeResult result = DecodeJpeg(Span(file), nullptr);

        EXPECT_EQ(result.pixels != nullptr, scans <= 500) << result.error;
    }
}

}  // namespace
