#include <gtest/gtest.h>

#include <tiffio.h>
#include <ostream>

#include <cstdlib>
#include <functional>
#include <map>

#include "support/CodecCalls.h"
#include "support/ImageFixtures.h"
#include "support/RasterFixtures.h"

using namespace fixtures;

namespace {

DecodeResult Decode(const std::vector<std::uint8_t>& file) {
    return DecodeTiff(ByteSpan{file.data(), file.size()});
}

std::uint32_t Rgb(unsigned r, unsigned g, unsigned b) {
    return r << 16 | g << 8 | b;
}
unsigned R(std::uint32_t rgb) {
    return (rgb >> 16) & 0xFF;
}
unsigned G(std::uint32_t rgb) {
    return (rgb >> 8) & 0xFF;
}
unsigned B(std::uint32_t rgb) {
    return rgb & 0xFF;
}

// A file to write and the picture it must decode to.
struct Fixture {
    TiffOptions options;
    std::vector<std::uint16_t> samples;
    RasterPicture expected;
};

constexpr int kWidth = 37;
constexpr int kHeight = 23;

Fixture RgbFixture(std::uint16_t compression, int bits = 8) {
    Fixture f;
    f.options.width = kWidth;
    f.options.height = kHeight;
    f.options.compression = compression;
    f.options.bitsPerSample = std::uint16_t(bits);
    f.options.rowsPerStrip = 5;
    f.expected = MakeTestPicture(kWidth, kHeight);
    const unsigned scale = bits == 16 ? 257 : 1;
    for (std::uint32_t rgb : f.expected.pixels)
        for (unsigned c : {R(rgb), G(rgb), B(rgb)})
            f.samples.push_back(std::uint16_t(c * scale));
    return f;
}

Fixture Tiled(std::uint16_t compression) {
    Fixture f = RgbFixture(compression);
    f.options.rowsPerStrip = 0;
    f.options.tileWidth = 16;
    f.options.tileHeight = 16;
    return f;
}

Fixture SeparatePlanes() {
    Fixture f = RgbFixture(COMPRESSION_LZW);
    f.options.separatePlanes = true;
    return f;
}

Fixture Palette(int bits) {
    Fixture f;
    f.options.width = kWidth;
    f.options.height = kHeight;
    f.options.photometric = PHOTOMETRIC_PALETTE;
    f.options.bitsPerSample = std::uint16_t(bits);
    f.options.samplesPerPixel = 1;
    const IndexedPicture picture = MakeIndexedPicture(kWidth, kHeight, 1 << bits);
    f.expected = picture.Expand();
    f.samples.assign(picture.indices.begin(), picture.indices.end());
    std::vector<std::uint16_t> reds, greens, blues;
    for (std::uint32_t rgb : picture.palette) {
        reds.push_back(std::uint16_t(R(rgb) * 257));
        greens.push_back(std::uint16_t(G(rgb) * 257));
        blues.push_back(std::uint16_t(B(rgb) * 257));
    }
    f.options.colormap = reds;
    f.options.colormap.insert(f.options.colormap.end(), greens.begin(), greens.end());
    f.options.colormap.insert(f.options.colormap.end(), blues.begin(), blues.end());
    return f;
}

Fixture Grey(int bits) {
    Fixture f;
    f.options.width = kWidth;
    f.options.height = kHeight;
    f.options.photometric = PHOTOMETRIC_MINISBLACK;
    f.options.bitsPerSample = std::uint16_t(bits);
    f.options.samplesPerPixel = 1;
    f.options.compression = COMPRESSION_ADOBE_DEFLATE;
    f.expected = MakeTestPicture(kWidth, kHeight);
    for (std::uint32_t& rgb : f.expected.pixels) {
        const unsigned level = R(rgb);
        f.samples.push_back(std::uint16_t(bits == 16 ? level * 257 : level));
        rgb = Rgb(level, level, level);
    }
    return f;
}

// 12-bit samples, which libtiff's RGBA reader does not take, scaled to 8 bits.
Fixture Grey12() {
    Fixture f = Grey(8);
    f.options.bitsPerSample = 12;
    for (std::size_t i = 0; i < f.samples.size(); ++i) {
        const unsigned level = f.samples[i] * 16u + i % 16u;  // all twelve bits in use
        f.samples[i] = std::uint16_t(level);
        const unsigned grey = (level * 255 + 2047) / 4095;
        f.expected.pixels[i] = Rgb(grey, grey, grey);
    }
    return f;
}

Fixture MonoMinIsWhite() {
    Fixture f;
    f.options.width = kWidth;
    f.options.height = kHeight;
    f.options.photometric = PHOTOMETRIC_MINISWHITE;
    f.options.bitsPerSample = 1;
    f.options.samplesPerPixel = 1;
    f.options.compression = COMPRESSION_PACKBITS;
    f.expected = {kWidth, kHeight, {}};
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool ink = (x * 3 + y) % 5 == 0;
            f.samples.push_back(ink ? 1 : 0);
            f.expected.pixels.push_back(ink ? 0x000000 : 0xFFFFFF);
        }
    }
    return f;
}

Fixture Cmyk() {
    Fixture f;
    f.options.width = kWidth;
    f.options.height = kHeight;
    f.options.photometric = PHOTOMETRIC_SEPARATED;
    f.options.samplesPerPixel = 4;
    f.expected = MakeTestPicture(kWidth, kHeight);
    int i = 0;
    for (std::uint32_t& rgb : f.expected.pixels) {
        const unsigned k = (i++ % 3) * 100;  // none, some and most black ink
        const unsigned c = 255 - R(rgb), m = 255 - G(rgb), y = 255 - B(rgb);
        f.samples.insert(f.samples.end(),
                         {std::uint16_t(c), std::uint16_t(m), std::uint16_t(y), std::uint16_t(k)});
        rgb = Rgb((255 - k) * (255 - c) / 255, (255 - k) * (255 - m) / 255,
                  (255 - k) * (255 - y) / 255);
    }
    return f;
}

// 16-bit CMYK, which libtiff's RGBA reader does not take.
Fixture Cmyk16() {
    Fixture f = Cmyk();
    f.options.bitsPerSample = 16;
    for (std::uint16_t& sample : f.samples)
        sample = std::uint16_t(sample * 257);
    return f;
}

unsigned OverBlack(unsigned colour, unsigned alpha) {
    return (colour * alpha + 127) / 255;
}

Fixture WithAlpha(std::uint16_t extraSample, bool grey) {
    Fixture f;
    f.options.width = kWidth;
    f.options.height = kHeight;
    f.options.extraSample = extraSample;
    f.options.photometric = grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB;
    f.options.samplesPerPixel = grey ? 2 : 4;
    f.expected = MakeTestPicture(kWidth, kHeight);
    int i = 0;
    for (std::uint32_t& rgb : f.expected.pixels) {
        const unsigned alpha = (i++ * 47) % 256;
        unsigned r = R(rgb), g = grey ? r : G(rgb), b = grey ? r : B(rgb);
        if (extraSample == EXTRASAMPLE_ASSOCALPHA) {
            // Stored premultiplied: over black that is the colour as stored.
            r = std::min(r, alpha), g = std::min(g, alpha), b = std::min(b, alpha);
            rgb = Rgb(r, g, b);
        } else {
            rgb = Rgb(OverBlack(r, alpha), OverBlack(g, alpha), OverBlack(b, alpha));
        }
        if (grey)
            f.samples.insert(f.samples.end(), {std::uint16_t(r), std::uint16_t(alpha)});
        else
            f.samples.insert(f.samples.end(), {std::uint16_t(r), std::uint16_t(g), std::uint16_t(b),
                                               std::uint16_t(alpha)});
    }
    return f;
}

struct Case {
    const char* name;
    std::function<Fixture()> make;
};

void PrintTo(const Case& value, std::ostream* os) {
    *os << value.name;
}

class TiffRoundTrip : public testing::TestWithParam<Case> {};

TEST_P(TiffRoundTrip, DecodesEveryPixel) {
    const Fixture f = GetParam().make();
    const std::vector<std::uint8_t> file = MakeTiff(f.options, f.samples);
    ASSERT_FALSE(file.empty());
    const DecodeResult result = Decode(file);
    ASSERT_TRUE(result.pixels) << result.error;
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(DescribeDifference(FromDecoded(result), f.expected), "");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, TiffRoundTrip,
    testing::Values(
        Case{"RgbStrips", [] { return RgbFixture(COMPRESSION_NONE); }},
        Case{"RgbLzw", [] { return RgbFixture(COMPRESSION_LZW); }},
        Case{"RgbLzwOneStrip",
             [] {
                 Fixture f = RgbFixture(COMPRESSION_LZW);
                 f.options.rowsPerStrip = kHeight;
                 return f;
             }},
        Case{"RgbDeflate", [] { return RgbFixture(COMPRESSION_ADOBE_DEFLATE); }},
        Case{"RgbPackBits", [] { return RgbFixture(COMPRESSION_PACKBITS); }},
        Case{"Rgb16Bit", [] { return RgbFixture(COMPRESSION_NONE, 16); }},
        Case{"TiledWithPartialEdgeTiles", [] { return Tiled(COMPRESSION_NONE); }},
        Case{"TiledLzw", [] { return Tiled(COMPRESSION_LZW); }},
        Case{"SeparatePlanes", SeparatePlanes}, Case{"Palette8", [] { return Palette(8); }},
        Case{"Palette4", [] { return Palette(4); }}, Case{"Grey8", [] { return Grey(8); }},
        Case{"Grey16", [] { return Grey(16); }}, Case{"MonoMinIsWhite", MonoMinIsWhite},
        Case{"Cmyk", Cmyk}, Case{"Cmyk16Bit", Cmyk16}, Case{"Grey12Bit", Grey12},
        Case{"RgbaUnassociatedOverBlack", [] { return WithAlpha(EXTRASAMPLE_UNASSALPHA, false); }},
        Case{"RgbaAssociatedOverBlack", [] { return WithAlpha(EXTRASAMPLE_ASSOCALPHA, false); }},
        Case{"GreyAlphaUnassociatedOverBlack",
             [] { return WithAlpha(EXTRASAMPLE_UNASSALPHA, true); }}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(TiffDecoder, JpegCompressedYCbCrComesOutAsRgb) {
    // Smooth colours, so the lossy round trip stays close.
    TiffOptions options;
    options.width = 48;
    options.height = 32;
    options.photometric = PHOTOMETRIC_YCBCR;
    options.compression = COMPRESSION_JPEG;
    options.rowsPerStrip = 16;
    std::vector<std::uint16_t> samples;
    RasterPicture expected{48, 32, {}};
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 48; ++x) {
            const unsigned r = 40 + 4 * x, g = 200 - 5 * y, b = 100 + x + y;
            samples.insert(samples.end(), {std::uint16_t(r), std::uint16_t(g), std::uint16_t(b)});
            expected.pixels.push_back(Rgb(r, g, b));
        }
    }
    const DecodeResult result = Decode(MakeTiff(options, samples));
    ASSERT_TRUE(result.pixels) << result.error;
    const RasterPicture p = FromDecoded(result);
    ASSERT_EQ(p.width, 48);
    ASSERT_EQ(p.height, 32);
    int far = 0;
    for (std::size_t i = 0; i < p.pixels.size(); ++i) {
        const std::uint32_t a = p.pixels[i], e = expected.pixels[i];
        for (int shift : {0, 8, 16})
            far += std::abs(int((a >> shift) & 0xFF) - int((e >> shift) & 0xFF)) > 12;
    }
    EXPECT_EQ(far, 0);
}

// ---- orientation ----

// Stored 3 x 2:  a b c
//                d e f
const std::map<char, std::uint32_t> kLetters = {{'a', 0x110000}, {'b', 0x220000}, {'c', 0x330000},
                                                {'d', 0x000044}, {'e', 0x000055}, {'f', 0x000066}};

struct Turn {
    std::uint16_t orientation;
    int width;
    const char* rows;  // the picture as shown, rows top-down
};

void PrintTo(const Turn& value, std::ostream* os) {
    *os << "orientation " << value.orientation;
}

class TiffOrientation : public testing::TestWithParam<Turn> {};

TEST_P(TiffOrientation, ShowsThePictureUpright) {
    const Turn& turn = GetParam();
    RasterPicture expected{turn.width, 6 / turn.width, {}};
    for (const char* p = turn.rows; *p; ++p)
        expected.pixels.push_back(kLetters.at(*p));
    for (int bits : {8, 16}) {  // read row by row, and through RGBA bands
        SCOPED_TRACE(bits);
        TiffOptions options;
        options.width = 3;
        options.height = 2;
        options.orientation = turn.orientation;
        options.bitsPerSample = std::uint16_t(bits);
        std::vector<std::uint16_t> samples;
        for (char letter : std::string("abcdef")) {
            const std::uint32_t rgb = kLetters.at(letter);
            for (unsigned c : {R(rgb), G(rgb), B(rgb)})
                samples.push_back(std::uint16_t(bits == 16 ? c * 257 : c));
        }
        const DecodeResult result = Decode(MakeTiff(options, samples));
        ASSERT_TRUE(result.pixels) << result.error;
        EXPECT_EQ(DescribeDifference(FromDecoded(result), expected), "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Turns, TiffOrientation,
    testing::Values(Turn{ORIENTATION_TOPLEFT, 3, "abcdef"}, Turn{ORIENTATION_TOPRIGHT, 3, "cbafed"},
                    Turn{ORIENTATION_BOTRIGHT, 3, "fedcba"}, Turn{ORIENTATION_BOTLEFT, 3, "defabc"},
                    Turn{ORIENTATION_LEFTTOP, 2, "adbecf"}, Turn{ORIENTATION_RIGHTTOP, 2, "daebfc"},
                    Turn{ORIENTATION_RIGHTBOT, 2, "fcebda"},
                    Turn{ORIENTATION_LEFTBOT, 2, "cfbead"}),
    [](const testing::TestParamInfo<Turn>& info) {
        return "Orientation" + std::to_string(info.param.orientation);
    });

TEST(TiffDecoder, BottomUpPictureLargerThanOneBandKeepsRowOrder) {
    // More than one band of rows is fetched; each must land in its own place.
    const int width = 4100, height = 2100;
    TiffOptions options;
    options.width = width;
    options.height = height;
    options.photometric = PHOTOMETRIC_MINISBLACK;
    options.samplesPerPixel = 1;
    options.bitsPerSample = 16;  // read through libtiff's RGBA bands
    options.rowsPerStrip = 7;
    options.orientation = ORIENTATION_BOTLEFT;
    std::vector<std::uint16_t> samples(std::size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            samples[std::size_t(y) * width + x] = std::uint16_t(((x + 3 * y) & 0xFF) * 257);
    const DecodeResult result = Decode(MakeTiff(options, samples));
    ASSERT_TRUE(result.pixels) << result.error;
    const RasterPicture p = FromDecoded(result);
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
        const unsigned level = (3 * (height - 1 - y)) & 0xFF;  // stored bottom row first
        for (int x = 0; x < width; x += 97)
            wrong += p.At(x, y) != Rgb((level + x) & 0xFF, (level + x) & 0xFF, (level + x) & 0xFF);
    }
    EXPECT_EQ(wrong, 0);
}

// ---- hand-made and broken files ----

// An uncompressed grey TIFF with its directory before the pixel data, so that
// cutting the file loses pixels only. Row y is grey 100 + y.
std::vector<std::uint8_t> DirectoryFirstTiff(std::uint32_t width, std::uint32_t height,
                                             std::uint32_t rowsPerStrip, int bits = 8) {
    const std::uint32_t bytes = std::uint32_t(bits) / 8;
    const std::uint32_t strips = (height + rowsPerStrip - 1) / rowsPerStrip;
    const std::uint32_t entries = 9;
    const std::uint32_t offsetsAt = 8 + 2 + entries * 12 + 4;
    const std::uint32_t countsAt = offsetsAt + 4 * strips;
    const std::uint32_t dataAt = countsAt + 4 * strips;
    std::vector<std::uint8_t> file;
    auto put16 = [&](unsigned v) {
        file.push_back(std::uint8_t(v));
        file.push_back(std::uint8_t(v >> 8));
    };
    auto put32 = [&](std::uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    auto entry = [&](unsigned tag, unsigned type, std::uint32_t count, std::uint32_t value) {
        put16(tag);
        put16(type);
        put32(count);
        put32(value);
    };
    for (std::uint8_t byte : {'I', 'I', '*', '\0'})
        file.push_back(byte);
    put32(8);
    put16(entries);
    entry(TIFFTAG_IMAGEWIDTH, TIFF_LONG, 1, width);
    entry(TIFFTAG_IMAGELENGTH, TIFF_LONG, 1, height);
    entry(TIFFTAG_BITSPERSAMPLE, TIFF_SHORT, 1, std::uint32_t(bits));
    entry(TIFFTAG_COMPRESSION, TIFF_SHORT, 1, COMPRESSION_NONE);
    entry(TIFFTAG_PHOTOMETRIC, TIFF_SHORT, 1, PHOTOMETRIC_MINISBLACK);
    entry(TIFFTAG_STRIPOFFSETS, TIFF_LONG, strips, strips == 1 ? dataAt : offsetsAt);
    entry(TIFFTAG_SAMPLESPERPIXEL, TIFF_SHORT, 1, 1);
    entry(TIFFTAG_ROWSPERSTRIP, TIFF_LONG, 1, rowsPerStrip);
    entry(TIFFTAG_STRIPBYTECOUNTS, TIFF_LONG, strips,
          strips == 1 ? width * height * bytes : countsAt);
    put32(0);
    for (std::uint32_t s = 0; s < strips && strips > 1; ++s)
        put32(dataAt + s * rowsPerStrip * width * bytes);
    for (std::uint32_t s = 0; s < strips && strips > 1; ++s)
        put32(std::min(rowsPerStrip, height - s * rowsPerStrip) * width * bytes);
    for (std::uint32_t y = 0; y < height && std::uint64_t(width) * height < 1000000; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            if (bits == 16)
                put16((100 + y) * 257);
            else
                file.push_back(std::uint8_t(100 + y));
        }
    }
    return file;
}

TEST(TiffDecoder, DirectoryFirstFileDecodes) {
    const DecodeResult result = Decode(DirectoryFirstTiff(5, 4, 1));
    ASSERT_TRUE(result.pixels) << result.error;
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(FromDecoded(result).At(4, 3), Rgb(103, 103, 103));
}

TEST(TiffDecoder, TruncatedFileShowsTheStripsItHolds) {
    for (int bits : {8, 16}) {  // read row by row, and through RGBA bands
        SCOPED_TRACE(bits);
        std::vector<std::uint8_t> file = DirectoryFirstTiff(5, 6, 1, bits);
        file.resize(file.size() - std::size_t(bits / 8) * 5 * 3 - 2);  // three rows and a bit
        const DecodeResult result = Decode(file);
        ASSERT_TRUE(result.pixels) << result.error;
        EXPECT_NE(result.damage.find("after row 2 of 6"), std::string::npos) << result.damage;
        const RasterPicture p = FromDecoded(result);
        EXPECT_EQ(p.At(0, 0), Rgb(100, 100, 100));
        EXPECT_EQ(p.At(4, 1), Rgb(101, 101, 101));
        EXPECT_EQ(p.At(0, 4), 0x000000u);
        EXPECT_EQ(p.At(4, 5), 0x000000u);
    }
}

TEST(TiffDecoder, BrokenFilesFailWithAReason) {
    std::vector<std::uint8_t> zeroWidth = DirectoryFirstTiff(5, 4, 4);
    zeroWidth[8 + 2 + 8] = 0;  // image width value
    std::vector<std::uint8_t> badMagic = DirectoryFirstTiff(5, 4, 4);
    badMagic[2] = 43;
    std::vector<std::uint8_t> cutDirectory = DirectoryFirstTiff(5, 4, 4);
    cutDirectory.resize(40);
    TiffOptions threeBit;
    threeBit.width = 2;
    threeBit.height = 2;
    threeBit.bitsPerSample = 3;
    const std::vector<std::uint8_t> unsupported =
        MakeTiff(threeBit, std::vector<std::uint16_t>(12));
    std::vector<std::uint8_t> empty;
    const std::vector<const std::vector<std::uint8_t>*> files = {
        &zeroWidth, &badMagic, &cutDirectory, &unsupported, &empty};
    for (const std::vector<std::uint8_t>* file : files) {
        const DecodeResult result = Decode(*file);
        EXPECT_FALSE(result.pixels);
        EXPECT_NE(result.error, "");
        EXPECT_EQ(result.error.find('\n'), std::string::npos);
    }
}

// ---- public files, against libtiff's own reading ----

std::vector<std::uint8_t> PublicFile(const char* name) {
    return ReadBytesFile(std::string(TSN_SOURCE_DIR) + "/tests/image/files/" + name);
}

std::uint32_t Le(const std::vector<std::uint8_t>& file, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | file[at + std::size_t(i)];
    return value;
}

// A little-endian file without `tag` in its first directory: the entries after it and
// the next directory's offset move up, the count drops by one.
std::vector<std::uint8_t> WithoutTag(std::vector<std::uint8_t> file, std::uint16_t tag) {
    const std::size_t directory = Le(file, 4, 4);
    const std::uint32_t count = Le(file, directory, 2);
    const std::size_t end = directory + 2 + 12 * count + 4;
    for (std::size_t entry = directory + 2; entry < end - 4; entry += 12) {
        if (Le(file, entry, 2) != tag)
            continue;
        std::copy(file.begin() + std::ptrdiff_t(entry + 12), file.begin() + std::ptrdiff_t(end),
                  file.begin() + std::ptrdiff_t(entry));
        file[directory] = std::uint8_t(count - 1);
        file[directory + 1] = std::uint8_t((count - 1) >> 8);
        break;
    }
    return file;
}

// Rows whose pixels differ from the reference by more than `tolerance` levels.
struct RowDifference {
    int rows = 0;
    int first = -1;
    int largest = 0;  // levels, over every pixel
};

RowDifference CompareRows(const RasterPicture& actual, const RasterPicture& expected,
                          int tolerance) {
    RowDifference d;
    for (int y = 0; y < expected.height; ++y) {
        int largest = 0;
        for (int x = 0; x < expected.width; ++x)
            for (int shift : {0, 8, 16})
                largest = std::max(largest, std::abs(int((actual.At(x, y) >> shift) & 0xFF) -
                                                     int((expected.At(x, y) >> shift) & 0xFF)));
        d.largest = std::max(d.largest, largest);
        if (largest > tolerance && d.rows++ == 0)
            d.first = y;
    }
    return d;
}

TEST(TiffDecoder, OldStyleJpegInOneTallStripMatchesLibtiffOnEveryRow) {
    // One strip of 870 rows, taller than a band: libtiff's old-style JPEG decoder gives
    // wrong rows when a strip is read in parts.
    const std::vector<std::uint8_t> original = PublicFile("ojpeg-strips.tif");
    ASSERT_FALSE(original.empty());
    const std::vector<std::uint8_t> withoutSamples = WithoutTag(original, TIFFTAG_SAMPLESPERPIXEL);
    ASSERT_LT(withoutSamples[8], original[8]);
    for (const std::vector<std::uint8_t>* file : {&original, &withoutSamples}) {
        SCOPED_TRACE(file == &original ? "as published" : "without SamplesPerPixel");
        const RasterPicture reference = ReadTiffThroughLibtiff(*file);
        ASSERT_EQ(reference.width, 4160);
        ASSERT_EQ(reference.height, 870);
        const DecodeResult result = Decode(*file);
        ASSERT_TRUE(result.pixels) << result.error;
        EXPECT_EQ(result.damage, "");
        const RasterPicture decoded = FromDecoded(result);
        ASSERT_EQ(decoded.width, reference.width);
        ASSERT_EQ(decoded.height, reference.height);
        const RowDifference d = CompareRows(decoded, reference, 2);
        EXPECT_EQ(d.rows, 0) << "from row " << d.first << ", up to " << d.largest << " levels";
    }
}

}  // namespace
