// Every allocation a load makes, failed in turn: each such load ends as out of memory
// (or, where a library can do without the block, as the same picture), holds no
// block afterwards, and the next load gives the whole picture again.
#include <gtest/gtest.h>

#include <tiffio.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "FailingAllocator.h"
#include "image/RealImagingBackend.h"
#include "support/ImageFixtures.h"
#include "support/RasterFixtures.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Loader = BlockHandle (RealImagingBackend::*)(const std::string&, int&, int&);

struct Case {
    const char* name;
    Loader load;
    std::function<Bytes()> make;
};

void PrintTo(const Case& value, std::ostream* os) {
    *os << value.name;
}

fixtures::RasterPicture Picture() {
    return fixtures::MakeTestPicture(40, 24);
}

// The picture through libtiff's RGBA reader rather than row by row.
Bytes JpegTiff() {
    fixtures::TiffOptions options;
    options.width = 48;
    options.height = 32;
    options.photometric = PHOTOMETRIC_YCBCR;
    options.compression = COMPRESSION_JPEG;
    options.rowsPerStrip = 16;
    return fixtures::MakeTiff(options, std::vector<std::uint16_t>(48 * 32 * 3, 90));
}

// How one load ended.
struct Outcome {
    bool reachedFailure = false;  // the chosen allocation was made (and failed)
    int status = -1;
    std::vector<std::uint8_t> pixels;  // empty when none came out
};

class EveryAllocationFailed : public testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        m_path = testing::TempDir() + "failing-allocator-" + GetParam().name;
        ASSERT_TRUE(fixtures::WriteBytesFile(m_path, GetParam().make()));
    }
    void TearDown() override { std::remove(m_path.c_str()); }

    // Loads the file with the nth allocation failing (0: none); `held` is how many more
    // blocks are held after the load and all it made are gone.
    Outcome Load(std::uint64_t nth, std::int64_t& held) {
        Outcome outcome;
        outcome.pixels.reserve(std::size_t{64} << 10);  // held before and after alike
        const std::int64_t before = failing_allocator::BlocksHeld();
        {
            auto backend = std::make_unique<RealImagingBackend>();
            int width = 0, height = 0;
            failing_allocator::FailAllocation(nth);
            BlockHandle pixels = ((*backend).*GetParam().load)(m_path, width, height);
            outcome.reachedFailure = failing_allocator::Failed();
            m_allocations = failing_allocator::Allocations();
            failing_allocator::FailAllocation(0);
            outcome.status = backend->Status();
            if (pixels) {
                const std::uint8_t* bytes = pixels->Lock();
                outcome.pixels.assign(bytes, bytes + pixels->Size());
                pixels->Unlock();
            }
        }
        held = failing_allocator::BlocksHeld() - before;
        return outcome;
    }

    std::string m_path;
    std::uint64_t m_allocations = 0;
};

TEST_P(EveryAllocationFailed, EndsAsOutOfMemoryHoldsNothingAndTheNextLoadIsWhole) {
    std::int64_t held = 0;
    Load(0, held);  // libraries set up once
    const Outcome whole = Load(0, held);
    ASSERT_EQ(whole.status, RealImagingBackend::kStatusOk);
    ASSERT_FALSE(whole.pixels.empty());
    const std::uint64_t allocations = m_allocations;
    ASSERT_GT(allocations, 0u);
    int outOfMemory = 0;
    for (std::uint64_t nth = 1; nth <= allocations; ++nth) {
        SCOPED_TRACE("allocation " + std::to_string(nth) + " of " + std::to_string(allocations));
        const Outcome failed = Load(nth, held);
        ASSERT_TRUE(failed.reachedFailure);
        EXPECT_EQ(held, 0) << "blocks left held";
        if (failed.status == RealImagingBackend::kStatusOutOfMemory) {
            EXPECT_TRUE(failed.pixels.empty());
            ++outOfMemory;
        } else {
            EXPECT_EQ(failed.status, RealImagingBackend::kStatusOk);
            EXPECT_TRUE(failed.pixels == whole.pixels) << "a picture other than the whole one";
        }
        const Outcome next = Load(0, held);
        EXPECT_EQ(next.status, RealImagingBackend::kStatusOk);
        EXPECT_TRUE(next.pixels == whole.pixels);
    }
    EXPECT_GT(outOfMemory, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, EveryAllocationFailed,
    testing::Values(
        Case{"bmp", &RealImagingBackend::LoadBmp, [] { return fixtures::MakeBmp(Picture()); }},
        Case{"pcx", &RealImagingBackend::LoadPcx, [] { return fixtures::MakePcx(Picture()); }},
        Case{"tiff_lzw", &RealImagingBackend::LoadTiff,
             [] { return fixtures::MakeTiff(Picture(), COMPRESSION_LZW); }},
        Case{"tiff_jpeg", &RealImagingBackend::LoadTiff, JpegTiff},
        Case{"png", &RealImagingBackend::LoadPng, [] { return fixtures::MakePng(40, 24); }},
        Case{"jpeg", &RealImagingBackend::LoadJpeg, [] { return fixtures::MakeJpeg(40, 24); }}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
