// Out of memory inside a decoder is a failure with its message, not a crash. Run with
// the allocator returning null above a few MiB (see tests/CMakeLists.txt): the
// libraries' own buffers then fail as they would on a machine without the memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/RealImagingBackend.h"
#include "support/CodecCalls.h"
#include "support/ImageFixtures.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::size_t FindMarker(const Bytes& file, std::uint8_t marker) {
    for (std::size_t i = 2; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == marker)
            return i;
    return file.size();
}

void PutBe16(Bytes& file, std::size_t at, std::uint32_t value) {
    file[at] = std::uint8_t(value >> 8);
    file[at + 1] = std::uint8_t(value);
}

// From memory through the driver, and from a file through the backend (JPEG streams a
// file through libjpeg's own reads).
void ExpectOutOfMemory(ImageFormat::Number format, const Bytes& file, const std::string& name) {
    const DecodeResult result = DecodeWith(format, ByteSpan{file.data(), file.size()});
    EXPECT_FALSE(result.pixels);
    EXPECT_EQ(result.failure, LoadFailure::kOutOfMemory) << result.error;
    EXPECT_EQ(result.error, "not enough memory for the " + name + " picture");

    const std::string path = testing::TempDir() + "out-of-memory." + name;
    ASSERT_TRUE(fixtures::WriteBytesFile(path, file));
    RealImagingBackend backend;
    int width = 0, height = 0;
    const BlockHandle pixels = (backend.*FormatNumbered(format)->load)(path, width, height);
    std::remove(path.c_str());
    EXPECT_FALSE(pixels);
    EXPECT_EQ(backend.Status(), RealImagingBackend::kStatusOutOfMemory);
    EXPECT_EQ(backend.StatusReason(), result.error);
}

class OutOfMemory : public testing::Test {
protected:
    void SetUp() override {
        void* big = std::malloc(std::size_t{64} << 20);
        std::free(big);
        if (big)
            GTEST_FAIL() << "run with ASAN_OPTIONS=allocator_may_return_null=1:"
                            "max_allocation_size_mb=16 (ctest does)";
    }
};

// A progressive JPEG keeps every coefficient of the picture; claiming 16384 x 16384,
// those arrays are far above what the allocator gives.
TEST_F(OutOfMemory, ProgressiveJpegCoefficientsFailAsOutOfMemory) {
    fixtures::JpegOptions options;
    options.progressive = true;
    Bytes file = fixtures::MakeJpeg(16, 16, {}, options);
    const std::size_t sof = FindMarker(file, 0xC2);
    ASSERT_LT(sof, file.size());
    PutBe16(file, sof + 5, 16384);  // height
    PutBe16(file, sof + 7, 16384);  // width
    ExpectOutOfMemory(ImageFormat::kJpeg, file, "JPEG");
}

// libpng's row buffers for a picture 2^24 pixels wide.
TEST_F(OutOfMemory, WidePngRowBuffersFailAsOutOfMemory) {
    Bytes file = fixtures::MakePng(16, 1);
    std::string ihdr(file.begin() + 16, file.begin() + 29);
    ihdr[0] = 1;  // width 2^24
    ihdr[1] = ihdr[2] = ihdr[3] = 0;
    const Bytes chunk = fixtures::PngChunk("IHDR", ihdr);
    std::copy(chunk.begin(), chunk.end(), file.begin() + 8);
    ExpectOutOfMemory(ImageFormat::kPng, file, "PNG");
}

// The picture's own block: pages from the kernel, which refuses a mapping larger than
// the address space (the allocator's limit does not reach it).
TEST_F(OutOfMemory, PictureBlockBeyondTheAddressSpaceFailsAsOutOfMemory) {
    Bytes file(54 + 3, 0x40);
    const std::uint32_t fields[][2] = {{10, 54},       {14, 40},           {18, 1u << 23},
                                       {22, 1u << 23}, {26, 1 | 24 << 16}, {30, 0}};
    file[0] = 'B';
    file[1] = 'M';
    for (const auto& [at, value] : fields)
        for (int i = 0; i < 4; ++i)
            file[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
    const DecodeResult result = DecodeWith(ImageFormat::kBmp, ByteSpan{file.data(), file.size()},
                                           {}, std::uint64_t{1} << 46);
    EXPECT_FALSE(result.pixels);
    EXPECT_EQ(result.failure, LoadFailure::kOutOfMemory) << result.error;
    EXPECT_EQ(result.error, "not enough memory for the BMP picture");
}

}  // namespace
