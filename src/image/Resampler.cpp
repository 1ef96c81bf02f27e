#include "image/Resampler.h"

#include <cstddef>
#include <new>
#include <vector>

#include "image/Decoders.h"

namespace {

// Weights are fixed point with kWeightBits fraction bits and sum to exactly kOne
// for every output pixel, so a flat area stays flat at any size.
constexpr int kWeightBits = 14;
constexpr std::int32_t kOne = 1 << kWeightBits;
// The vertical pass keeps kCarryBits fraction bits per channel between the passes.
constexpr int kCarryBits = 7;
constexpr int kFinalShift = kWeightBits + kCarryBits;

// The source pixels and weights that make up each output pixel along one axis.
struct AxisFilter {
    struct Span {
        int first = 0;           // first source index
        int count = 0;           // number of source pixels
        std::size_t offset = 0;  // where its weights start in `weights`
    };
    std::vector<Span> spans;
    std::vector<std::int16_t> weights;
};

// Shrinking: each output pixel averages the source interval it covers, each
// source pixel weighted by its overlap. Positions are counted in units of
// 1/dst source pixels so that the boundaries are exact; the weights come from
// rounding the running total, so they always sum to kOne.
void BuildAreaFilter(int src, int dst, AxisFilter& filter) {
    const std::int64_t s = src;
    const std::int64_t d = dst;
    filter.spans.resize(static_cast<std::size_t>(dst));
    filter.weights.reserve(static_cast<std::size_t>(src) + 2 * static_cast<std::size_t>(dst));
    for (std::int64_t i = 0; i < d; ++i) {
        const std::int64_t lo = i * s;
        const std::int64_t hi = lo + s;
        AxisFilter::Span& span = filter.spans[static_cast<std::size_t>(i)];
        span.first = static_cast<int>(lo / d);
        span.offset = filter.weights.size();
        std::int64_t previous = 0;
        for (std::int64_t j = lo / d; j * d < hi; ++j) {
            const std::int64_t end = (j + 1) * d < hi ? (j + 1) * d : hi;
            const std::int64_t total = ((end - lo) * kOne * 2 + s) / (2 * s);
            filter.weights.push_back(static_cast<std::int16_t>(total - previous));
            previous = total;
            ++span.count;
        }
    }
}

// Growing (or keeping) the size: bilinear between the two nearest source pixels,
// pixel centres aligned, clamped at the edges.
void BuildBilinearFilter(int src, int dst, AxisFilter& filter) {
    const std::int64_t s = src;
    const std::int64_t d = dst;
    filter.spans.resize(static_cast<std::size_t>(dst));
    filter.weights.reserve(2 * static_cast<std::size_t>(dst));
    for (std::int64_t i = 0; i < d; ++i) {
        // Source centre = ((2i + 1) * s - d) / (2d).
        const std::int64_t num = (2 * i + 1) * s - d;
        std::int64_t first = 0;
        std::int64_t fraction = 0;  // weight of the second pixel
        if (num > 0) {
            first = num / (2 * d);
            fraction = ((num % (2 * d)) * kOne * 2 + 2 * d) / (4 * d);
        }
        if (first >= s - 1) {
            first = s - 1;
            fraction = 0;
        }
        AxisFilter::Span& span = filter.spans[static_cast<std::size_t>(i)];
        span.first = static_cast<int>(first);
        span.offset = filter.weights.size();
        filter.weights.push_back(static_cast<std::int16_t>(kOne - fraction));
        span.count = 1;
        if (fraction > 0) {
            filter.weights.push_back(static_cast<std::int16_t>(fraction));
            span.count = 2;
        }
    }
}

void BuildFilter(int src, int dst, AxisFilter& filter) {
    if (dst < src)
        BuildAreaFilter(src, dst, filter);
    else
        BuildBilinearFilter(src, dst, filter);
}

// One output row of the vertical pass: the weighted sum of the span's source
// rows, every byte kept with kCarryBits fraction bits.
void BlendRows(const std::uint8_t* const* rows, const std::int16_t* weights, int count,
               std::size_t length, std::uint16_t* out) {
    constexpr std::int32_t kRound = 1 << (kWeightBits - kCarryBits - 1);
    constexpr int kShift = kWeightBits - kCarryBits;
    if (count == 1) {
        for (std::size_t k = 0; k < length; ++k)
            out[k] = static_cast<std::uint16_t>(rows[0][k] << kCarryBits);
        return;
    }
    if (count == 2) {
        const std::int32_t w0 = weights[0];
        const std::int32_t w1 = weights[1];
        const std::uint8_t* r0 = rows[0];
        const std::uint8_t* r1 = rows[1];
        for (std::size_t k = 0; k < length; ++k)
            out[k] = static_cast<std::uint16_t>((r0[k] * w0 + r1[k] * w1 + kRound) >> kShift);
        return;
    }
    if (count == 3) {
        const std::int32_t w0 = weights[0];
        const std::int32_t w1 = weights[1];
        const std::int32_t w2 = weights[2];
        const std::uint8_t* r0 = rows[0];
        const std::uint8_t* r1 = rows[1];
        const std::uint8_t* r2 = rows[2];
        for (std::size_t k = 0; k < length; ++k)
            out[k] = static_cast<std::uint16_t>((r0[k] * w0 + r1[k] * w1 + r2[k] * w2 + kRound) >>
                                                kShift);
        return;
    }
    for (std::size_t k = 0; k < length; ++k) {
        std::int32_t sum = kRound;
        for (int t = 0; t < count; ++t)
            sum += rows[t][k] * static_cast<std::int32_t>(weights[t]);
        out[k] = static_cast<std::uint16_t>(sum >> kShift);
    }
}

// The horizontal pass over one blended row, writing finished B,G,R,X pixels.
void ResampleRow(const std::uint16_t* in, const AxisFilter& filter, std::uint8_t* out) {
    constexpr std::int32_t kRound = 1 << (kFinalShift - 1);
    for (const AxisFilter::Span& span : filter.spans) {
        const std::uint16_t* p = in + static_cast<std::size_t>(span.first) * 4;
        const std::int16_t* w = filter.weights.data() + span.offset;
        std::int32_t b = kRound;
        std::int32_t g = kRound;
        std::int32_t r = kRound;
        for (int t = 0; t < span.count; ++t, p += 4) {
            const std::int32_t weight = w[t];
            b += p[0] * weight;
            g += p[1] * weight;
            r += p[2] * weight;
        }
        out[0] = static_cast<std::uint8_t>(b >> kFinalShift);
        out[1] = static_cast<std::uint8_t>(g >> kFinalShift);
        out[2] = static_cast<std::uint8_t>(r >> kFinalShift);
        out[3] = 0xFF;
        out += 4;
    }
}

}  // namespace

bool IsPictureSizeAllowed(int width, int height) {
    if (width < 1 || height < 1)
        return false;
    return static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <=
           kMaxPicturePixels;
}

BlockHandle ResamplePicture(const std::uint8_t* pixels, int width, int height, int newWidth,
                            int newHeight) {
    if (pixels == nullptr || !IsPictureSizeAllowed(width, height) ||
        !IsPictureSizeAllowed(newWidth, newHeight))
        return nullptr;
    const std::size_t srcStride = static_cast<std::size_t>(width) * kPictureBytesPerPixel;
    const std::size_t dstStride = static_cast<std::size_t>(newWidth) * kPictureBytesPerPixel;
    BlockHandle result = MemoryBlock::Allocate(dstStride * static_cast<std::size_t>(newHeight));
    if (!result)
        return nullptr;
    try {
        AxisFilter horizontal;
        AxisFilter vertical;
        BuildFilter(width, newWidth, horizontal);
        BuildFilter(height, newHeight, vertical);
        std::vector<std::uint16_t> blended(srcStride);
        std::vector<const std::uint8_t*> rows;
        std::uint8_t* out = result->Data();
        for (const AxisFilter::Span& span : vertical.spans) {
            rows.clear();
            for (int t = 0; t < span.count; ++t)
                rows.push_back(pixels + static_cast<std::size_t>(span.first + t) * srcStride);
            BlendRows(rows.data(), vertical.weights.data() + span.offset, span.count, srcStride,
                      blended.data());
            ResampleRow(blended.data(), horizontal, out);
            out += dstStride;
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return result;
}
