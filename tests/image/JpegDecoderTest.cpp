#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "support/CodecCalls.h"
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

// ---- damaged files: as much as the data holds, and a note saying what is missing ----

// Offsets of every marker `code` in the file, in order.
std::vector<std::size_t> FindMarkers(const std::vector<std::uint8_t>& file, std::uint8_t code) {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == code)
            found.push_back(i);
    return found;
}

// Where the entropy-coded data of the scan whose header starts at `sos` begins and ends.
std::pair<std::size_t, std::size_t> ScanData(const std::vector<std::uint8_t>& file,
                                             std::size_t sos) {
    const std::size_t begin = sos + 2 + (file[sos + 2] << 8 | file[sos + 3]);
    std::size_t end = begin;
    while (end + 1 < file.size() &&
           !(file[end] == 0xFF && file[end + 1] != 0 && (file[end + 1] & 0xF8) != 0xD0))
        ++end;
    return {begin, end};
}

std::vector<std::uint8_t> Cut(const std::vector<std::uint8_t>& file, std::size_t size) {
    return std::vector<std::uint8_t>(file.begin(), file.begin() + size);
}

// The same decode through the streamed entry point, from a temporary file.
DecodeResult DecodeFromFile(const std::vector<std::uint8_t>& bytes,
                            std::vector<std::string>* comments) {
    std::FILE* file = std::tmpfile();
    if (!file)
        return {};
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    DecodeResult result = DecodeJpegFile(file, LoadHint{}, comments);
    std::fclose(file);
    return result;
}

// The first row (from the top) whose bytes are all zero, or the height.
int FirstZeroRow(const DecodeResult& result) {
    const std::size_t stride = std::size_t(result.width) * 4;
    for (int y = 0; y < result.height; ++y) {
        const std::uint8_t* row = result.pixels->Data() + stride * y;
        if (std::all_of(row, row + stride, [](std::uint8_t b) { return b == 0; }))
            return y;
    }
    return result.height;
}

// Rows [0, top) opaque, rows [top, height) all zero: the data's rows and nothing made up.
void ExpectRowsUpTo(const DecodeResult& result, int top) {
    const std::size_t stride = std::size_t(result.width) * 4;
    const std::uint8_t* p = result.pixels->Data();
    for (std::size_t i = 3; i < stride * top; i += 4)
        ASSERT_EQ(p[i], 0xFF) << "row " << i / stride;
    for (std::size_t i = stride * top; i < stride * result.height; ++i)
        ASSERT_EQ(p[i], 0) << "row " << i / stride;
}

// "truncated after row R of H" ending the note: R, or -1 when the note does not say that.
int TruncatedRow(const std::string& note, int height) {
    const std::string prefix = "truncated after row ";
    const std::string suffix = " of " + std::to_string(height);
    const std::size_t at = note.find(prefix);
    if (at == std::string::npos || note.size() <= at + prefix.size() + suffix.size() ||
        note.compare(note.size() - suffix.size(), suffix.size(), suffix) != 0)
        return -1;
    return std::stoi(note.substr(at + prefix.size()));
}

// A baseline or first progressive scan cut in its data shows the rows it holds, with
// every row below left zero, and says where it ends, from memory as from a file.
TEST(JpegDamage, CutInTheFirstScanShowsItsRowsAndSaysWhere) {
    constexpr int kWidth = 64, kHeight = 256;
    for (const bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        JpegOptions options;
        options.progressive = progressive;
        const std::vector<std::uint8_t> file = MakeJpeg(kWidth, kHeight, {"kept"}, options);
        const auto [begin, end] = ScanData(file, FindMarker(file, 0xDA));
        const std::vector<std::uint8_t> cut = Cut(file, (begin + end) / 2);
        for (const bool streamed : {false, true}) {
            SCOPED_TRACE(streamed ? "streamed" : "in memory");
            std::vector<std::string> comments;
            const DecodeResult result =
                streamed ? DecodeFromFile(cut, &comments) : DecodeJpeg(Span(cut), &comments);

            ASSERT_TRUE(result.pixels) << result.error;
            const int row = TruncatedRow(result.error, kHeight);
            ASSERT_GT(row, 0) << result.error;
            ASSERT_LT(row, kHeight);
            const int shown = FirstZeroRow(result);
            EXPECT_LE(shown, row);
            // Upsampling holds back a row of MCUs, and the one the data ended in is partial.
            EXPECT_GE(shown, row - 32);
            ExpectRowsUpTo(result, shown);
            if (!progressive) {
                EXPECT_LE(
                    MaxDifference(result, fixtures::Gradient(kWidth, kHeight), false, 0, shown), 8);
            }
            EXPECT_EQ(comments, std::vector<std::string>{"kept"});
        }
    }
}

// A progressive file cut after some of its scans shows every row, as far as they go.
TEST(JpegDamage, ProgressiveCutAfterAScanSaysWhichScan) {
    JpegOptions options;
    options.progressive = true;
    const std::vector<std::uint8_t> file = MakeJpeg(64, 48, {}, options);
    const std::vector<std::size_t> scans = FindMarkers(file, 0xDA);
    ASSERT_GE(scans.size(), 4u);
    for (std::size_t k = 1; k < 4; ++k) {
        SCOPED_TRACE(k);
        const std::size_t endOfScan = ScanData(file, scans[k - 1]).second;
        const auto [nextBegin, nextEnd] = ScanData(file, scans[k]);
        struct Case {
            std::size_t size;
            std::string note;
        };
        const std::string whole = "truncated after scan " + std::to_string(k);
        for (const Case& c :
             {Case{endOfScan, whole}, Case{endOfScan + 3, whole}, Case{scans[k] + 5, whole},
              Case{(nextBegin + nextEnd) / 2, "truncated in scan " + std::to_string(k + 1)}}) {
            SCOPED_TRACE(c.size);
            const std::vector<std::uint8_t> cut = Cut(file, c.size);
            const DecodeResult result = DecodeJpeg(Span(cut), nullptr);

            ASSERT_TRUE(result.pixels) << result.error;
            EXPECT_EQ(result.error, c.note);
            EXPECT_TRUE(EveryFourthByteOpaque(result));
            EXPECT_EQ(FirstZeroRow(result), result.height);
        }
    }
}

// Wherever a file is cut after its first scan has begun, it either fails with a reason
// or shows a picture with a note; and once a cut shows a picture, every longer one does.
// Arithmetic-coded scans, which libjpeg cannot suspend, included.
TEST(JpegDamage, EveryCutFailsOrSaysWhatIsMissing) {
    for (const int variant : {0, 1, 2, 3}) {
        const bool progressive = variant & 1;
        SCOPED_TRACE(std::string(progressive ? "progressive" : "baseline") +
                     (variant & 2 ? " arithmetic" : ""));
        JpegOptions options;
        options.progressive = progressive;
        options.arithmetic = variant & 2;
        const std::vector<std::uint8_t> file = MakeJpeg(48, 32, {}, options);
        const std::size_t firstData = ScanData(file, FindMarker(file, 0xDA)).first;
        const std::size_t eoi = file.size() - 2;
        bool shown = false;
        for (std::size_t cut = firstData; cut < file.size(); ++cut) {
            SCOPED_TRACE(cut);
            const std::vector<std::uint8_t> part = Cut(file, cut);
            const DecodeResult result = DecodeJpeg(Span(part), nullptr);
            ASSERT_TRUE(result.pixels || !shown) << result.error;
            shown = result.pixels != nullptr;
            if (cut < eoi) {
                ASSERT_FALSE(result.error.empty());
            }
            ASSERT_EQ(result.error.find('\n'), std::string::npos);
        }
        EXPECT_TRUE(shown);
    }
}

// Data that ends before its first row decodes fails; data that ends early at a marker
// stops there rather than making up the rows it claims. (A few hundred bytes claiming a
// huge picture must cost only what they hold.)
TEST(JpegDamage, HugeClaimOverLittleDataStopsWhereTheDataDoes) {
    for (const int variant : {0, 1, 2, 3}) {
        const bool progressive = variant & 1;
        SCOPED_TRACE(std::string(progressive ? "progressive" : "baseline") +
                     (variant & 2 ? " arithmetic" : ""));
        JpegOptions options;
        options.progressive = progressive;
        options.arithmetic = variant & 2;
        std::vector<std::uint8_t> file = MakeJpeg(16, 16, {}, options);
        const std::uint8_t frames[] = {0xC0, 0xC2, 0xC9, 0xCA};  // start-of-frame markers
        const std::size_t sof = FindMarker(file, frames[variant]);
        ASSERT_NE(sof, std::string::npos);
        for (const std::size_t at : {sof + 5, sof + 7}) {  // height, width
            file[at] = 4096 >> 8;
            file[at + 1] = 0;
        }

        const DecodeResult whole = DecodeJpeg(Span(file), nullptr);
        ASSERT_TRUE(whole.pixels) << whole.error;
        EXPECT_EQ(whole.height, 4096);
        const int row = TruncatedRow(whole.error, 4096);
        EXPECT_GE(row, 16) << whole.error;
        EXPECT_LE(row, 32) << whole.error;
        EXPECT_LE(FirstZeroRow(whole), row);
        ExpectRowsUpTo(whole, FirstZeroRow(whole));

        const std::size_t sos = FindMarker(file, 0xDA);
        const std::vector<std::uint8_t> headersOnly = Cut(file, ScanData(file, sos).first);
        const DecodeResult none = DecodeJpeg(Span(headersOnly), nullptr);
        EXPECT_FALSE(none.pixels);
        EXPECT_FALSE(none.error.empty());
    }
}

// Damaged entropy-coded data gives libjpeg warnings, which must not stop the decode;
// the note names the scan.
TEST(JpegDamage, CorruptScanDataIsNotedWithItsScan) {
    struct Case {
        bool progressive;
        std::size_t scan;  // from 1
    };
    for (const Case c : {Case{false, 1}, Case{true, 1}, Case{true, 3}}) {
        SCOPED_TRACE(std::to_string(c.progressive) + " scan " + std::to_string(c.scan));
        JpegOptions options;
        options.progressive = c.progressive;
        std::vector<std::uint8_t> file = MakeJpeg(64, 64, {}, options);
        const std::vector<std::size_t> scans = FindMarkers(file, 0xDA);
        ASSERT_GE(scans.size(), c.scan);
        const auto [begin, end] = ScanData(file, scans[c.scan - 1]);
        ASSERT_GT(end, begin + 4);
        const std::size_t middle = (begin + end) / 2;
        file[middle] = 0xFF;  // a restart marker where there is none
        file[middle + 1] = 0xD0;

        const DecodeResult result = DecodeJpeg(Span(file), nullptr);

        ASSERT_TRUE(result.pixels) << result.error;
        EXPECT_EQ(result.error, "corrupt data in scan " + std::to_string(c.scan));
        EXPECT_TRUE(EveryFourthByteOpaque(result));
    }
}

// The streamed decoder reads through its own buffer, suspending and refilling; it must
// give exactly what a decode from memory gives, whole or cut, with long comments
// crossing the buffer's edges.
TEST(JpegDamage, StreamedFromAFileAsFromMemory) {
    JpegOptions options;
    options.pixel = [](int x, int y) {
        const unsigned h = (unsigned(x) * 2654435761u) ^ (unsigned(y) * 2246822519u);
        return Rgba{std::uint8_t(h >> 24), std::uint8_t(h >> 16), std::uint8_t(h >> 8)};
    };
    const std::vector<std::string> written(12, std::string(65533, 'c'));
    for (const bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        options.progressive = progressive;
        const std::vector<std::uint8_t> file = MakeJpeg(800, 600, written, options);
        ASSERT_GT(file.size(), std::size_t{1} << 20);  // several buffers' worth
        const std::size_t sos = FindMarker(file, 0xDA);
        const std::size_t data = file.size() - sos;
        for (const std::size_t size : {file.size(), sos + data * 3 / 4, sos + data / 4}) {
            SCOPED_TRACE(size);
            const std::vector<std::uint8_t> part = Cut(file, size);
            std::vector<std::string> fromMemory, fromFile;
            const DecodeResult memory = DecodeJpeg(Span(part), &fromMemory);
            const DecodeResult streamed = DecodeFromFile(part, &fromFile);

            ASSERT_TRUE(memory.pixels) << memory.error;
            ASSERT_TRUE(streamed.pixels) << streamed.error;
            EXPECT_EQ(streamed.error, memory.error);
            EXPECT_EQ(fromFile.size(), fromMemory.size());
            EXPECT_TRUE(fromFile == fromMemory);
            ASSERT_EQ(streamed.pixels->Size(), memory.pixels->Size());
            EXPECT_TRUE(std::equal(memory.pixels->Data(),
                                   memory.pixels->Data() + memory.pixels->Size(),
                                   streamed.pixels->Data()));
        }
    }
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
