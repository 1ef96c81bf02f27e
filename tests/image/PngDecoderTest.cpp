#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "support/CodecCalls.h"
#include "support/ImageFixtures.h"

using fixtures::MakePng;
using fixtures::PngColour;
using fixtures::PngOptions;
using fixtures::PngText;
using fixtures::PngTextKind;
using fixtures::Rgba;

namespace {

constexpr Rgb kBackground{10, 200, 30};

ByteSpan Span(const std::vector<std::uint8_t>& bytes) {
    return ByteSpan{bytes.data(), bytes.size()};
}

DecodeResult Decode(const std::vector<std::uint8_t>& file, double gamma = 2.2,
                    std::vector<PngTextEntry>* texts = nullptr) {
    return DecodePng(Span(file), kBackground, gamma, texts);
}

Rgba PixelAt(const DecodeResult& result, int x, int y) {
    const std::uint8_t* p = result.pixels->Data() + (std::size_t(y) * result.width + x) * 4;
    return Rgba{p[2], p[1], p[0], p[3]};
}

// Largest channel difference from `expected` over the whole picture; alpha must be 0xFF.
int MaxDifference(const DecodeResult& result, const fixtures::PixelFunction& expected) {
    int worst = 0;
    for (int y = 0; y < result.height; ++y) {
        for (int x = 0; x < result.width; ++x) {
            const Rgba want = expected(x, y);
            const Rgba got = PixelAt(result, x, y);
            if (got.a != 0xFF)
                return 999;
            worst = std::max({worst, std::abs(got.r - want.r), std::abs(got.g - want.g),
                              std::abs(got.b - want.b)});
        }
    }
    return worst;
}

// A few colours, so that even a 1-bit palette can hold the picture.
fixtures::PixelFunction Checker(int colours) {
    static const Rgba kColours[] = {{0, 0, 0},      {255, 255, 255}, {200, 30, 60},   {20, 90, 250},
                                    {250, 250, 10}, {1, 128, 64},    {128, 128, 128}, {77, 3, 199}};
    return [colours](int x, int y) { return kColours[(x + 2 * y) % colours]; };
}

// Grey samples of `bits` bits as libpng widens them to 8.
fixtures::PixelFunction GreyWidened(int bits) {
    return [bits](int x, int y) {
        const int value = fixtures::Gradient(17, 9)(x, y).r;
        const int max = (1 << bits) - 1;
        const auto grey = static_cast<std::uint8_t>((value >> (8 - bits)) * 255 / max);
        return Rgba{grey, grey, grey};
    };
}

fixtures::PixelFunction GreyOf(fixtures::PixelFunction pixel) {
    return [pixel](int x, int y) {
        const std::uint8_t r = pixel(x, y).r;
        return Rgba{r, r, r};
    };
}

struct FormatCase {
    const char* name;
    PngColour colour;
    int bitDepth;
    bool interlaced;
    fixtures::PixelFunction written;
    fixtures::PixelFunction expected;
};

void PrintTo(const FormatCase& c, std::ostream* out) {
    *out << c.name;
}

class PngFormats : public testing::TestWithParam<FormatCase> {};

// 17 x 9 so that rows end mid-byte at low bit depths and Adam7 passes are uneven.
TEST_P(PngFormats, DecodesEveryColourTypeAndDepthExactly) {
    const FormatCase& c = GetParam();
    PngOptions options;
    options.colour = c.colour;
    options.bitDepth = c.bitDepth;
    options.interlaced = c.interlaced;
    options.pixel = c.written;
    const std::vector<std::uint8_t> file = MakePng(17, 9, {}, {}, options);
    ASSERT_FALSE(file.empty());

    const DecodeResult result = Decode(file);

    ASSERT_TRUE(result.pixels) << result.error;
    EXPECT_TRUE(result.error.empty()) << result.error;
    ASSERT_EQ(result.width, 17);
    ASSERT_EQ(result.height, 9);
    ASSERT_EQ(result.pixels->Size(), std::size_t{17} * 9 * 4);
    EXPECT_EQ(MaxDifference(result, c.expected), 0);
}

const auto kGradient = fixtures::Gradient(17, 9);

INSTANTIATE_TEST_SUITE_P(
    Variants, PngFormats,
    testing::Values(FormatCase{"Rgb8", PngColour::kRgb, 8, false, kGradient, kGradient},
                    FormatCase{"Rgb16", PngColour::kRgb, 16, false, kGradient, kGradient},
                    FormatCase{"OpaqueRgba8", PngColour::kRgbAlpha, 8, false, kGradient, kGradient},
                    FormatCase{"Grey8", PngColour::kGrey, 8, false, kGradient, GreyOf(kGradient)},
                    FormatCase{"Grey16", PngColour::kGrey, 16, false, kGradient, GreyOf(kGradient)},
                    FormatCase{"Grey1", PngColour::kGrey, 1, false, kGradient, GreyWidened(1)},
                    FormatCase{"Grey2", PngColour::kGrey, 2, false, kGradient, GreyWidened(2)},
                    FormatCase{"Grey4", PngColour::kGrey, 4, false, kGradient, GreyWidened(4)},
                    FormatCase{"Palette1", PngColour::kPalette, 1, false, Checker(2), Checker(2)},
                    FormatCase{"Palette2", PngColour::kPalette, 2, false, Checker(4), Checker(4)},
                    FormatCase{"Palette4", PngColour::kPalette, 4, false, Checker(8), Checker(8)},
                    FormatCase{"Palette8", PngColour::kPalette, 8, false, Checker(8), Checker(8)},
                    FormatCase{"Adam7Rgb8", PngColour::kRgb, 8, true, kGradient, kGradient},
                    FormatCase{"Adam7Grey2", PngColour::kGrey, 2, true, kGradient, GreyWidened(2)},
                    FormatCase{"Adam7Palette4", PngColour::kPalette, 4, true, Checker(8),
                               Checker(8)}),
    [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

// Opaque, fully transparent and half transparent pixels side by side.
Rgba ThreeAlphas(int x, int) {
    static const Rgba kPixels[] = {{250, 100, 0, 255}, {250, 100, 0, 0}, {250, 100, 0, 128}};
    return kPixels[x % 3];
}

Rgba ComposedThreeAlphas(int x, int) {
    const auto mix = [](int fg, int bg) {
        return static_cast<std::uint8_t>((fg * 128 + bg * 127 + 127) / 255);
    };
    switch (x % 3) {
        case 0:
            return Rgba{250, 100, 0};
        case 1:
            return Rgba{kBackground.red, kBackground.green, kBackground.blue};
        default:
            return Rgba{mix(250, kBackground.red), mix(100, kBackground.green),
                        mix(0, kBackground.blue)};
    }
}

TEST(PngTransparency, AlphaIsCompositedOntoTheGivenBackground) {
    struct Case {
        const char* name;
        PngColour colour;
        int bitDepth;
    };
    for (const Case c :
         {Case{"rgba8", PngColour::kRgbAlpha, 8}, Case{"rgba16", PngColour::kRgbAlpha, 16},
          Case{"palette+tRNS", PngColour::kPalette, 8},
          Case{"adam7 palette+tRNS", PngColour::kPalette, 2}}) {
        SCOPED_TRACE(c.name);
        PngOptions options;
        options.colour = c.colour;
        options.bitDepth = c.bitDepth;
        options.interlaced = c.bitDepth == 2;
        options.pixel = ThreeAlphas;
        const DecodeResult result = Decode(MakePng(9, 4, {}, {}, options));
        ASSERT_TRUE(result.pixels) << result.error;
        EXPECT_LE(MaxDifference(result, ComposedThreeAlphas), 1);
    }
}

// Transparency by alpha or by a tRNS colour; a grey picture must not lose the
// background's colour.
TEST(PngTransparency, GreyAndRgbKeepTheColouredBackground) {
    const Rgba opaque{60, 60, 60}, keyed{5, 5, 5};
    for (const PngColour colour : {PngColour::kGreyAlpha, PngColour::kGrey, PngColour::kRgb}) {
        PngOptions options;
        options.colour = colour;
        const bool byAlpha = colour == PngColour::kGreyAlpha;
        options.pixel = [&](int x, int) {
            return x % 2 ? opaque : byAlpha ? Rgba{90, 90, 90, 0} : keyed;
        };
        if (!byAlpha)
            options.transparentColour = keyed;

        const DecodeResult result = Decode(MakePng(4, 2, {}, {}, options));

        ASSERT_TRUE(result.pixels) << result.error;
        EXPECT_EQ(PixelAt(result, 0, 0),
                  (Rgba{kBackground.red, kBackground.green, kBackground.blue}));
        EXPECT_EQ(PixelAt(result, 1, 1), opaque);
    }
}

TEST(PngGamma, CorrectedOnlyWhenTheFileStatesAGamma) {
    struct Case {
        const char* name;
        std::optional<double> fileGamma;
        bool srgb;
        double display;
        int expectedMid;  // what 128 becomes
    };
    const int linearToDisplay = static_cast<int>(std::lround(255 * std::pow(128 / 255.0, 1 / 2.2)));
    for (const Case c : {Case{"no gAMA, display 1.0", std::nullopt, false, 1.0, 128},
                         Case{"no gAMA, display 2.2", std::nullopt, false, 2.2, 128},
                         Case{"gAMA 1/2.2, display 2.2", 1 / 2.2, false, 2.2, 128},
                         Case{"sRGB, display 2.2", std::nullopt, true, 2.2, 128},
                         Case{"gAMA 1.0, display 2.2", 1.0, false, 2.2, linearToDisplay}}) {
        SCOPED_TRACE(c.name);
        PngOptions options;
        options.fileGamma = c.fileGamma;
        options.srgb = c.srgb;
        options.pixel = fixtures::Solid(Rgba{128, 0, 255});

        const DecodeResult result = Decode(MakePng(3, 3, {}, {}, options), c.display);

        ASSERT_TRUE(result.pixels) << result.error;
        EXPECT_NEAR(PixelAt(result, 1, 1).r, c.expectedMid, 1);
        EXPECT_EQ(PixelAt(result, 1, 1).g, 0);
        EXPECT_EQ(PixelAt(result, 1, 1).b, 255);
    }
}

// The background is a display colour: gamma correction must not shift it.
TEST(PngGamma, BackgroundStaysExactUnderGammaCorrection) {
    PngOptions options;
    options.colour = PngColour::kRgbAlpha;
    options.fileGamma = 1.0;
    options.pixel = fixtures::Solid(Rgba{128, 128, 128, 0});

    const DecodeResult result = Decode(MakePng(2, 2, {}, {}, options), 2.2);

    ASSERT_TRUE(result.pixels) << result.error;
    EXPECT_EQ(PixelAt(result, 1, 1), (Rgba{kBackground.red, kBackground.green, kBackground.blue}));
}

std::vector<std::pair<std::string, std::string>> Pairs(const std::vector<PngTextEntry>& texts) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const PngTextEntry& t : texts)
        out.emplace_back(t.keyword, t.text);
    return out;
}

using Pair = std::pair<std::string, std::string>;

TEST(PngTexts, EveryKindBeforeAndAfterTheImageInFileOrder) {
    const std::vector<PngText> before = {{PngTextKind::kText, "Comment", "tSN\x01\xFE"},
                                         {PngTextKind::kZText, "Zipped", "squeezed text"}};
    const std::vector<PngText> after = {{PngTextKind::kIText, "Intl", "after \xC3\xA9"},
                                        {PngTextKind::kITextCompressed, "IntlZ", "packed"},
                                        {PngTextKind::kText, "Last", ""}};
    PngOptions options;
    options.interlaced = true;
    std::vector<PngTextEntry> texts = {{"stale", "entry"}};

    const DecodeResult result = Decode(MakePng(5, 5, before, after, options), 2.2, &texts);

    ASSERT_TRUE(result.pixels) << result.error;
    EXPECT_EQ(Pairs(texts), (std::vector<Pair>{{"Comment", "tSN\x01\xFE"},
                                               {"Zipped", "squeezed text"},
                                               {"Intl", "after \xC3\xA9"},
                                               {"IntlZ", "packed"},
                                               {"Last", ""}}));
}

std::vector<std::uint8_t> WithChunks(const std::vector<std::vector<std::uint8_t>>& chunks) {
    std::vector<std::uint8_t> file = MakePng(4, 4, {{PngTextKind::kText, "First", "kept"}});
    for (const auto& chunk : chunks)
        fixtures::InsertBeforePngEnd(file, chunk);
    return file;
}

std::vector<std::uint8_t> ZText(const std::string& keyword, const std::string& text) {
    return fixtures::PngChunk(
        "zTXt", keyword + std::string(1, '\0') + std::string(1, '\0') + fixtures::Deflate(text));
}

TEST(PngTexts, BadEntriesLeftOutWhileThePictureAndOtherTextsStay) {
    std::vector<std::uint8_t> badCrc = fixtures::PngChunk("tEXt", std::string("Bad\0crc", 7));
    badCrc.back() ^= 0xFF;
    const std::string oneMiB(std::size_t{1} << 20, 'a');
    const std::vector<std::uint8_t> file = WithChunks({
        badCrc,
        ZText("Exactly1MiB", oneMiB),
        ZText("Bomb", oneMiB + "a"),
        fixtures::PngChunk("zTXt", std::string("Method\0\x01", 8) + fixtures::Deflate("x")),
        fixtures::PngChunk("zTXt", std::string("Broken\0\0", 8) + "not zlib at all"),
        fixtures::PngChunk("iTXt", std::string("NoFields\0\0\0", 11)),
        fixtures::PngChunk("tEXt",
                           std::string(std::size_t{9} << 20, 'b')),  // past libpng's chunk limit
        fixtures::PngChunk("tEXt", std::string("After\0all", 9)),
    });
    std::vector<PngTextEntry> texts;

    const DecodeResult result = Decode(file, 2.2, &texts);

    ASSERT_TRUE(result.pixels) << result.error;
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].text, "kept");
    EXPECT_EQ(texts[1].keyword, "Exactly1MiB");
    EXPECT_EQ(texts[1].text.size(), oneMiB.size());
    EXPECT_EQ(Pairs(texts)[2], (Pair{"After", "all"}));
}

TEST(PngTexts, AllTextTogetherStopsAt64MiB) {
    const std::string oneMiB(std::size_t{1} << 20, 'c');
    std::vector<std::vector<std::uint8_t>> chunks;
    for (int i = 0; i < 66; ++i)
        chunks.push_back(ZText("Part" + std::to_string(i), oneMiB));
    std::vector<PngTextEntry> texts;

    const DecodeResult result = Decode(WithChunks(chunks), 2.2, &texts);

    ASSERT_TRUE(result.pixels) << result.error;
    ASSERT_EQ(texts.size(), 64u);  // "First" plus 63 parts fill the 64 MiB
    EXPECT_EQ(texts.back().keyword, "Part62");
}

// Noise compresses badly, so the image data spans several IDAT chunks.
std::vector<std::uint8_t> NoisyPng(bool interlaced) {
    PngOptions options;
    options.interlaced = interlaced;
    options.pixel = [](int x, int y) {
        const unsigned h = (x * 2654435761u) ^ (y * 40503u);
        return Rgba{std::uint8_t(h >> 8), std::uint8_t(h >> 16), std::uint8_t(h >> 24)};
    };
    return MakePng(64, 64, {{PngTextKind::kText, "Kept", "before"}}, {}, options);
}

TEST(PngDecoder, TruncatedFileShowsTheDecodedPartWithANote) {
    for (const bool interlaced : {false, true}) {
        SCOPED_TRACE(interlaced ? "adam7" : "plain");
        std::vector<std::uint8_t> file = NoisyPng(interlaced);
        const DecodeResult whole = Decode(file);
        ASSERT_TRUE(whole.pixels);
        file.resize(file.size() / 2);
        std::vector<PngTextEntry> texts;

        const DecodeResult part = Decode(file, 2.2, &texts);

        ASSERT_TRUE(part.pixels) << part.error;
        EXPECT_NE(part.damage.find("truncated after row"), std::string::npos) << part.damage;
        EXPECT_EQ(part.width, 64);
        ASSERT_EQ(texts.size(), 1u);
        if (!interlaced) {
            EXPECT_EQ(PixelAt(part, 5, 2), PixelAt(whole, 5, 2));
            EXPECT_EQ(PixelAt(part, 5, 63),
                      (Rgba{kBackground.red, kBackground.green, kBackground.blue}));
        }
    }
}

void SetHeaderSize(std::vector<std::uint8_t>& file, std::uint32_t width, std::uint32_t height) {
    for (int i = 0; i < 4; ++i) {
        file[16 + i] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
        file[20 + i] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
    }
    const uLong crc = crc32(0, file.data() + 12, 17);
    for (int i = 0; i < 4; ++i)
        file[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
}

TEST(PngDecoder, OversizeOrEmptyHeaderRefused) {
    struct Case {
        std::uint32_t width, height;
    };
    for (const Case c : {Case{60000, 60000}, Case{16385, 16384}, Case{0, 5}, Case{5, 0}}) {
        std::vector<std::uint8_t> file = MakePng(4, 4);
        SetHeaderSize(file, c.width, c.height);

        const DecodeResult result = Decode(file);

        EXPECT_FALSE(result.pixels) << c.width << " x " << c.height;
        EXPECT_FALSE(result.error.empty());
    }
}

TEST(PngDecoder, BrokenStructureFails) {
    const std::vector<std::uint8_t> good = MakePng(4, 4);
    const std::vector<std::vector<std::uint8_t>> inputs = {
        {},
        std::vector<std::uint8_t>(good.begin(), good.begin() + 8),
        std::vector<std::uint8_t>(good.begin(), good.begin() + 33),  // header only
        {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F'},
    };
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        SCOPED_TRACE(i);
        const DecodeResult result = Decode(inputs[i]);
        EXPECT_FALSE(result.pixels);
        EXPECT_FALSE(result.error.empty());
        EXPECT_EQ(result.error.find('\n'), std::string::npos);
    }
}

}  // namespace
