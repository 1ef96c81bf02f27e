// Files that change while they are read: another program truncates or rewrites the
// file between the header read and the decode. Every read must end as a failure or a
// damage note, never as a fault.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/Codecs.h"
#include "image/FileBytes.h"
#include "image/ImageFormats.h"
#include "support/ImageFixtures.h"
#include "support/RasterFixtures.h"

namespace fs = std::filesystem;

namespace {

// Larger than any read a source makes ahead, so that the decode reads the file again
// after the header.
constexpr int kWidth = 480;
constexpr int kHeight = 360;

fixtures::Rgba Noise(int x, int y) {
    std::uint32_t h = std::uint32_t(x) * 2654435761u ^ std::uint32_t(y) * 40503u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return {std::uint8_t(h), std::uint8_t(h >> 8), std::uint8_t(h >> 16)};
}

fixtures::RasterPicture NoisePicture() {
    fixtures::RasterPicture picture{kWidth, kHeight, {}};
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const fixtures::Rgba c = Noise(x, y);
            picture.pixels.push_back(std::uint32_t{c.r} << 16 | std::uint32_t{c.g} << 8 | c.b);
        }
    return picture;
}

std::vector<std::uint8_t> TiledTiff() {
    const fixtures::RasterPicture picture = NoisePicture();
    fixtures::TiffOptions options;
    options.width = kWidth;
    options.height = kHeight;
    options.tileWidth = 48;
    options.tileHeight = 48;
    std::vector<std::uint16_t> samples;
    for (std::uint32_t pixel : picture.pixels)
        samples.insert(samples.end(),
                       {std::uint16_t(pixel >> 16 & 0xFF), std::uint16_t(pixel >> 8 & 0xFF),
                        std::uint16_t(pixel & 0xFF)});
    return fixtures::MakeTiff(options, samples);
}

std::vector<std::uint8_t> NoiseJpeg(bool progressive) {
    fixtures::JpegOptions options;
    options.quality = 100;
    options.progressive = progressive;
    options.pixel = Noise;
    // A comment after the picture's data, so that a header-only read walks all of it.
    std::vector<std::uint8_t> jpeg = fixtures::MakeJpeg(kWidth * 2, kHeight * 2, {"a"}, options);
    const std::vector<std::uint8_t> comment = {0xFF, 0xFE, 0x00, 0x05, 'l', 'a', 't'};
    jpeg.insert(jpeg.end() - 2, comment.begin(), comment.end());
    return jpeg;
}

struct Case {
    const char* name;
    std::function<std::vector<std::uint8_t>()> make;
    ImageFormat::MakeCodec codec;
};

// A codec whose file is changed by `change` right after its header is read.
class ChangedAfterHeader : public Codec {
public:
    ChangedAfterHeader(std::unique_ptr<Codec> inner, std::function<void()> change)
        : m_inner(std::move(inner)), m_change(std::move(change)) {}
    const char* Name() const override { return m_inner->Name(); }
    bool ReadHeader(CodecHeader& header, LoadFailure& failure, std::string& detail) override {
        const bool read = m_inner->ReadHeader(header, failure, detail);
        m_change();
        return read;
    }
    void ReadRemainingTexts() override { m_inner->ReadRemainingTexts(); }
    Size DecodeSize(Size full, Size target) override { return m_inner->DecodeSize(full, target); }
    void Decode(Size size, RowSink& sink, DecodeReport& report) override {
        m_inner->Decode(size, sink, report);
    }
    std::uint32_t MissingColour() const override { return m_inner->MissingColour(); }

private:
    std::unique_ptr<Codec> m_inner;
    std::function<void()> m_change;
};

enum class Change {
    kShrunk,  // cut to a third
    kRegrown  // cut to a third, then grown past its old size with other bytes
};

void ChangeFile(const std::string& path, std::uint64_t size, Change change) {
    ASSERT_EQ(::truncate(path.c_str(), off_t(size / 3)), 0);
    if (change == Change::kShrunk)
        return;
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    const std::vector<std::uint8_t> other(size, 0x5A);
    EXPECT_EQ(::write(fd, other.data(), other.size()), ssize_t(other.size()));
    ::close(fd);
}

void PrintTo(const Case& format, std::ostream* out) {
    *out << format.name;
}

struct Read {
    Change change;
    LoadHint::Kind hint;
};

class FileChangedWhileRead : public ::testing::TestWithParam<std::tuple<Case, Read>> {
protected:
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) /
              ("tsn-changed-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir.parent_path());
        fs::create_directory(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_P(FileChangedWhileRead, EndsAsFailureOrDamage) {
    const auto& [format, read] = GetParam();
    const std::vector<std::uint8_t> bytes = format.make();
    ASSERT_FALSE(bytes.empty());
    const std::string path = (dir / "picture").string();
    ASSERT_TRUE(fixtures::WriteFile(path, bytes));
    OpenedSource opened = OpenImageSource(path);
    ASSERT_TRUE(opened.source) << opened.error;
    ChangedAfterHeader codec(format.codec(*opened.source, CodecSettings{}),
                             [&] { ChangeFile(path, bytes.size(), read.change); });
    LoadHint hint;
    hint.kind = read.hint;
    const DecodeResult result = RunCodec(codec, hint);

    if (read.hint == LoadHint::kHeaderOnly) {
        EXPECT_EQ(result.failure, LoadFailure::kNone) << "the header was read before the change";
        return;
    }
    if (!result.pixels) {
        EXPECT_NE(result.failure, LoadFailure::kNone);
        EXPECT_FALSE(result.error.empty());
    } else if (read.change == Change::kShrunk) {
        EXPECT_FALSE(result.damage.empty()) << "two thirds of the file are gone";
    }
}

// Every way of reading a file gives its bytes, wherever the reads fall against the
// source's read-ahead.
TEST(FileSource, EveryReadGivesTheFileBytes) {
    const fs::path path =
        fs::path(::testing::TempDir()) / ("tsn-bytes-" + std::to_string(::getpid()) + ".bin");
    std::vector<std::uint8_t> bytes(700'001);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t(i * 7 + i / 251);
    ASSERT_TRUE(fixtures::WriteFile(path.string(), bytes));
    OpenedSource opened = OpenImageSource(path.string());
    ASSERT_TRUE(opened.source) << opened.error;
    ByteSource& source = *opened.source;
    EXPECT_EQ(source.Whole(), nullptr) << "a large file is read in pieces";

    std::vector<std::uint8_t> read(bytes.size());
    for (std::size_t at = 0; at < bytes.size(); at += 1000)  // small reads in order
        ASSERT_TRUE(source.ReadAt(at, std::min<std::size_t>(1000, bytes.size() - at), &read[at]));
    EXPECT_EQ(read, bytes);

    std::vector<std::uint8_t> walked;
    for (std::uint64_t at = 0;;) {
        std::size_t count = 100'000;
        const std::uint8_t* run = source.ViewSome(at, count);
        if (!run)
            break;
        walked.insert(walked.end(), run, run + count);
        at += count;
    }
    EXPECT_EQ(walked, bytes);

    for (std::uint64_t at : {std::uint64_t{0}, std::uint64_t{262'140}, std::uint64_t{699'990}}) {
        const std::uint8_t* view = source.View(at, 11);
        ASSERT_NE(view, nullptr);
        EXPECT_TRUE(std::equal(view, view + 11, bytes.begin() + std::ptrdiff_t(at))) << at;
    }
    EXPECT_FALSE(source.ReadAt(699'995, 7, read.data())) << "past the end";
    EXPECT_EQ(source.View(699'995, 7), nullptr);
    fs::remove(path);
}

// A small file is read whole, once: it stays readable after it is truncated.
TEST(FileSource, SmallFileIsHeldWhole) {
    const fs::path path =
        fs::path(::testing::TempDir()) / ("tsn-small-" + std::to_string(::getpid()) + ".bin");
    const std::vector<std::uint8_t> bytes(5000, 0x42);
    ASSERT_TRUE(fixtures::WriteFile(path.string(), bytes));
    OpenedSource opened = OpenImageSource(path.string());
    ASSERT_TRUE(opened.source) << opened.error;
    const std::uint8_t* whole = opened.source->Whole();
    ASSERT_NE(whole, nullptr);
    ASSERT_EQ(::truncate(path.c_str(), 0), 0);
    std::uint8_t last = 0;
    EXPECT_TRUE(opened.source->ReadAt(4999, 1, &last));
    EXPECT_EQ(last, 0x42);
    EXPECT_EQ(opened.source->Whole(), whole);
    fs::remove(path);
}

// The walk over a large file's data, run by run, finds the comment after the picture.
TEST(FileSource, HeaderOnlyReadFindsTheCommentsAfterTheData) {
    const fs::path path = fs::path(::testing::TempDir()) /
                          ("tsn-late-comment-" + std::to_string(::getpid()) + ".jpg");
    const std::vector<std::uint8_t> bytes = NoiseJpeg(false);
    ASSERT_GT(bytes.size(), std::size_t{1} << 20);
    ASSERT_TRUE(fixtures::WriteFile(path.string(), bytes));
    OpenedSource opened = OpenImageSource(path.string());
    ASSERT_TRUE(opened.source) << opened.error;
    std::unique_ptr<Codec> codec = MakeJpegCodec(*opened.source, CodecSettings{});
    LoadHint hint;
    hint.kind = LoadHint::kHeaderOnly;
    EXPECT_EQ(RunCodec(*codec, hint).failure, LoadFailure::kNone);
    ASSERT_EQ(codec->Texts().size(), 2u);
    EXPECT_EQ(codec->Texts()[1].text, "lat");
    fs::remove(path);
}

const Case kFormats[] = {
    {"JpegBaseline", [] { return NoiseJpeg(false); }, MakeJpegCodec},
    {"JpegProgressive", [] { return NoiseJpeg(true); }, MakeJpegCodec},
    {"Png",
     [] {
         fixtures::PngOptions options;
         options.pixel = Noise;
         return fixtures::MakePng(kWidth, kHeight, {}, {{fixtures::PngTextKind::kText, "k", "t"}},
                                  options);
     },
     MakePngCodec},
    {"TiffStrips", [] { return fixtures::MakeTiff(NoisePicture()); }, MakeTiffCodec},
    {"TiffTiledUncompressed", TiledTiff, MakeTiffCodec},
    {"Bmp", [] { return fixtures::MakeBmp(NoisePicture()); }, MakeBmpCodec},
    {"Pcx", [] { return fixtures::MakePcx(NoisePicture()); }, MakePcxCodec},
};

const Read kReads[] = {
    {Change::kShrunk, LoadHint::kFullPicture}, {Change::kRegrown, LoadHint::kFullPicture},
    {Change::kShrunk, LoadHint::kHalfSize},    {Change::kShrunk, LoadHint::kHeaderOnly},
    {Change::kRegrown, LoadHint::kHeaderOnly},
};

std::string CaseName(const ::testing::TestParamInfo<std::tuple<Case, Read>>& info) {
    const Read& read = std::get<1>(info.param);
    static const char* const kHints[] = {"Full", "Half", "Fit", "HeaderOnly"};
    return std::string(std::get<0>(info.param).name) +
           (read.change == Change::kShrunk ? "Shrunk" : "Regrown") + kHints[read.hint];
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, FileChangedWhileRead,
                         ::testing::Combine(::testing::ValuesIn(kFormats),
                                            ::testing::ValuesIn(kReads)),
                         CaseName);

}  // namespace
