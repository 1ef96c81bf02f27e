#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "image/Resampler.h"
#include "support/CodecCalls.h"

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bytes;

    const std::uint8_t* At(int x, int y) const {
        return bytes.data() + (static_cast<std::size_t>(y) * width + x) * 4;
    }
};

Picture Noise(int width, int height, unsigned seed) {
    Picture p{width, height,
              std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4)};
    std::mt19937 random(seed);
    for (std::size_t i = 0; i < p.bytes.size(); ++i)
        p.bytes[i] = (i % 4 == 3) ? 0 : static_cast<std::uint8_t>(random() & 0xFF);
    return p;
}

Picture Flat(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    Picture p{width, height, {}};
    for (int i = 0; i < width * height; ++i)
        p.bytes.insert(p.bytes.end(), {b, g, r, 0xFF});
    return p;
}

Picture Resample(const Picture& source, int newWidth, int newHeight) {
    BlockHandle block =
        ResamplePicture(source.bytes.data(), source.width, source.height, newWidth, newHeight);
    if (!block)
        return {};
    EXPECT_EQ(block->Size(), static_cast<std::size_t>(newWidth) * newHeight * 4);
    return Picture{newWidth, newHeight,
                   std::vector<std::uint8_t>(block->Data(), block->Data() + block->Size())};
}

// Reference in double precision: along each axis the share of source pixel j in
// output pixel i (area overlap when shrinking, bilinear when growing).
std::vector<std::vector<double>> AxisWeights(int src, int dst) {
    std::vector<std::vector<double>> weights(dst, std::vector<double>(src, 0.0));
    for (int i = 0; i < dst; ++i) {
        if (dst < src) {
            const double lo = static_cast<double>(i) * src / dst;
            const double hi = static_cast<double>(i + 1) * src / dst;
            for (int j = 0; j < src; ++j) {
                const double overlap = std::min<double>(hi, j + 1) - std::max<double>(lo, j);
                if (overlap > 0)
                    weights[i][j] = overlap / (hi - lo);
            }
        } else {
            const double centre = std::clamp((i + 0.5) * src / dst - 0.5, 0.0, src - 1.0);
            const int j = static_cast<int>(centre);
            const double f = centre - j;
            weights[i][j] += 1 - f;
            if (f > 0)
                weights[i][j + 1] += f;
        }
    }
    return weights;
}

Picture Reference(const Picture& s, int newWidth, int newHeight) {
    const auto wx = AxisWeights(s.width, newWidth);
    const auto wy = AxisWeights(s.height, newHeight);
    Picture out{newWidth, newHeight, {}};
    for (int y = 0; y < newHeight; ++y)
        for (int x = 0; x < newWidth; ++x) {
            double sum[3] = {0, 0, 0};
            for (int sy = 0; sy < s.height; ++sy)
                for (int sx = 0; sx < s.width; ++sx) {
                    const double w = wy[y][sy] * wx[x][sx];
                    for (int c = 0; c < 3; ++c)
                        sum[c] += w * s.At(sx, sy)[c];
                }
            for (int c = 0; c < 3; ++c)
                out.bytes.push_back(static_cast<std::uint8_t>(std::lround(sum[c])));
            out.bytes.push_back(0xFF);
        }
    return out;
}

// Halving along one or both axes is an exact average of the pixels covered,
// rounded half up; the large case runs in several bands.
TEST(Resampler, HalvingIsExactRoundedAverage) {
    // width, height, and the factor along each axis (1: that axis keeps its size)
    const int cases[][4] = {
        {10, 6, 2, 2}, {10, 6, 2, 1}, {10, 6, 1, 2}, {2, 2, 2, 2}, {1600, 1400, 2, 2}};
    for (const auto& c : cases) {
        const int width = c[0];
        const int height = c[1];
        const int fx = c[2];
        const int fy = c[3];
        const Picture source = Noise(width, height, 1);
        const Picture out = Resample(source, width / fx, height / fy);
        ASSERT_EQ(out.bytes.size(), static_cast<std::size_t>(width / fx) * (height / fy) * 4);
        const int n = fx * fy;
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x) {
                for (int ch = 0; ch < 3; ++ch) {
                    int sum = 0;
                    for (int dy = 0; dy < fy; ++dy)
                        for (int dx = 0; dx < fx; ++dx)
                            sum += source.At(fx * x + dx, fy * y + dy)[ch];
                    ASSERT_EQ(out.At(x, y)[ch], (sum + n / 2) / n)
                        << width << "x" << height << " at " << x << "," << y << " channel " << ch;
                }
                ASSERT_EQ(out.At(x, y)[3], 0xFF);
            }
    }
}

TEST(Resampler, FlatPictureStaysFlatAtAnySize) {
    const Picture source = Flat(7, 5, 12, 200, 255);
    const int sizes[][2] = {{1, 1}, {3, 2}, {7, 5}, {13, 11}, {100, 3}, {2, 40}, {6, 4}, {8, 4}};
    for (const auto& size : sizes) {
        const Picture out = Resample(source, size[0], size[1]);
        ASSERT_FALSE(out.bytes.empty());
        for (std::size_t i = 0; i < out.bytes.size(); i += 4) {
            ASSERT_EQ(out.bytes[i], 12) << size[0] << "x" << size[1];
            ASSERT_EQ(out.bytes[i + 1], 200) << size[0] << "x" << size[1];
            ASSERT_EQ(out.bytes[i + 2], 255) << size[0] << "x" << size[1];
        }
    }
}

TEST(Resampler, SinglePixelSourceFillsAnySize) {
    const Picture source = Flat(1, 1, 1, 2, 3);
    const Picture out = Resample(source, 9, 4);
    EXPECT_EQ(out.bytes, Flat(9, 4, 1, 2, 3).bytes);
}

TEST(Resampler, EnlargingKeepsCornerPixels) {
    const Picture source = Noise(5, 3, 2);
    const Picture out = Resample(source, 10, 6);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(out.At(0, 0)[c], source.At(0, 0)[c]);
        EXPECT_EQ(out.At(9, 0)[c], source.At(4, 0)[c]);
        EXPECT_EQ(out.At(0, 5)[c], source.At(0, 2)[c]);
        EXPECT_EQ(out.At(9, 5)[c], source.At(4, 2)[c]);
    }
}

TEST(Resampler, SameSizeIsACopy) {
    Picture source = Noise(6, 5, 3);
    for (std::size_t i = 3; i < source.bytes.size(); i += 4)
        source.bytes[i] = 0xFF;
    EXPECT_EQ(Resample(source, 6, 5).bytes, source.bytes);
}

// Odd ratios, and one axis shrinking while the other grows, against the
// double-precision reference: off by at most one step of rounding.
TEST(Resampler, MatchesReferenceOnOddSizes) {
    const int cases[][4] = {{7, 5, 3, 2}, {5, 7, 2, 9},  {9, 4, 13, 3},
                            {3, 9, 8, 4}, {11, 1, 4, 3}, {1, 13, 3, 5}};
    for (const auto& c : cases) {
        const Picture source = Noise(c[0], c[1], static_cast<unsigned>(c[0] * 31 + c[2]));
        const Picture out = Resample(source, c[2], c[3]);
        const Picture expected = Reference(source, c[2], c[3]);
        ASSERT_EQ(out.bytes.size(), expected.bytes.size());
        for (std::size_t i = 0; i < out.bytes.size(); ++i)
            ASSERT_LE(std::abs(out.bytes[i] - expected.bytes[i]), 1)
                << c[0] << "x" << c[1] << " -> " << c[2] << "x" << c[3] << " byte " << i;
    }
}

TEST(Resampler, HugeShrinkAveragesEverything) {
    // 4096 pixels into one: every source pixel must count, not just a few.
    Picture source = Flat(4096, 1, 0, 0, 0);
    for (int x = 0; x < 4096; x += 2)
        source.bytes[static_cast<std::size_t>(x) * 4] = 200;
    const Picture out = Resample(source, 1, 1);
    ASSERT_FALSE(out.bytes.empty());
    EXPECT_NEAR(out.bytes[0], 100, 1);
}

TEST(Resampler, RefusesBadSizes) {
    const Picture source = Flat(4, 4, 1, 1, 1);
    const std::uint8_t* p = source.bytes.data();
    EXPECT_EQ(ResamplePicture(p, 4, 4, 0, 4), nullptr);
    EXPECT_EQ(ResamplePicture(p, 4, 4, 4, -1), nullptr);
    EXPECT_EQ(ResamplePicture(p, 4, 4, 1 << 15, 1 << 14), nullptr);  // 2^29 pixels
    EXPECT_EQ(ResamplePicture(nullptr, 4, 4, 2, 2), nullptr);
    EXPECT_EQ(ResamplePicture(p, 0, 4, 2, 2), nullptr);
    EXPECT_TRUE(IsPictureSizeAllowed(1 << 14, 1 << 14));
    EXPECT_FALSE(IsPictureSizeAllowed((1 << 14) + 1, 1 << 14));
}

}  // namespace
