#include "image/Resampler.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <functional>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "image/Codec.h"

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
        int first = 0;               // first source index
        int count = 0;               // number of source pixels
        std::size_t offset = 0;      // where its weights start in `weights`
        std::size_t pairOffset = 0;  // where its weights start in `pairs`
    };
    std::vector<Span> spans;
    std::vector<std::int16_t> weights;
    // The weights again, two to a 32-bit lane (an odd last one with 0), as the
    // horizontal pass multiplies them.
    std::vector<std::int32_t> pairs;
    int widest = 0;  // the largest count of a span
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

// A pair of 16-bit weights as one 32-bit lane for _mm_madd_epi16.
inline std::int32_t WeightPair(std::int16_t first, std::int16_t second) {
    return static_cast<std::int32_t>(
        static_cast<std::uint16_t>(first) |
        (static_cast<std::uint32_t>(static_cast<std::uint16_t>(second)) << 16));
}

void BuildFilter(int src, int dst, AxisFilter& filter) {
    if (dst < src)
        BuildAreaFilter(src, dst, filter);
    else
        BuildBilinearFilter(src, dst, filter);
    filter.pairs.reserve(filter.weights.size() / 2 + filter.spans.size());
    for (AxisFilter::Span& span : filter.spans) {
        filter.widest = std::max(filter.widest, span.count);
        span.pairOffset = filter.pairs.size();
        const std::int16_t* w = filter.weights.data() + span.offset;
        for (int t = 0; t < span.count; t += 2)
            filter.pairs.push_back(WeightPair(w[t], t + 1 < span.count ? w[t + 1] : 0));
    }
}

// One output row of the vertical pass: the weighted sum of the span's source
// rows, every byte kept with kCarryBits fraction bits.
void BlendRows(const std::uint8_t* const* rows, const std::int16_t* weights, int count,
               std::size_t length, std::uint16_t* out) {
    constexpr std::int32_t kRound = 1 << (kWeightBits - kCarryBits - 1);
    constexpr int kShift = kWeightBits - kCarryBits;
    std::size_t k = 0;
#ifdef __SSE2__
    // Sixteen bytes at a time, rows taken in pairs; an odd last row pairs with
    // itself at weight zero.
    const __m128i zero = _mm_setzero_si128();
    const __m128i round = _mm_set1_epi32(kRound);
    for (; k + 16 <= length; k += 16) {
        __m128i acc0 = round, acc1 = round, acc2 = round, acc3 = round;
        for (int t = 0; t < count; t += 2) {
            const bool single = t + 1 == count;
            const __m128i w = _mm_set1_epi32(WeightPair(weights[t], single ? 0 : weights[t + 1]));
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[t] + k));
            const __m128i b =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[single ? t : t + 1] + k));
            const __m128i aLo = _mm_unpacklo_epi8(a, zero);
            const __m128i aHi = _mm_unpackhi_epi8(a, zero);
            const __m128i bLo = _mm_unpacklo_epi8(b, zero);
            const __m128i bHi = _mm_unpackhi_epi8(b, zero);
            acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi16(aLo, bLo), w));
            acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi16(aLo, bLo), w));
            acc2 = _mm_add_epi32(acc2, _mm_madd_epi16(_mm_unpacklo_epi16(aHi, bHi), w));
            acc3 = _mm_add_epi32(acc3, _mm_madd_epi16(_mm_unpackhi_epi16(aHi, bHi), w));
        }
        const __m128i lo =
            _mm_packs_epi32(_mm_srai_epi32(acc0, kShift), _mm_srai_epi32(acc1, kShift));
        const __m128i hi =
            _mm_packs_epi32(_mm_srai_epi32(acc2, kShift), _mm_srai_epi32(acc3, kShift));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k + 8), hi);
    }
#endif
    for (; k < length; ++k) {
        std::int32_t sum = kRound;
        for (int t = 0; t < count; ++t)
            sum += rows[t][k] * static_cast<std::int32_t>(weights[t]);
        out[k] = static_cast<std::uint16_t>(sum >> kShift);
    }
}

// The horizontal pass over one blended row, writing finished B,G,R,X pixels.
void ResampleRow(const std::uint16_t* in, const AxisFilter& filter, std::uint8_t* out) {
    constexpr std::int32_t kRound = 1 << (kFinalShift - 1);
#ifdef __SSE2__
    // All four channels of a pixel in one register, source pixels taken in pairs
    // (the row carries a zero pixel past its end for an odd last one), two output
    // pixels stored at a time.
    const __m128i round = _mm_set1_epi32(kRound);
    const __m128i opaque = _mm_set1_epi32(static_cast<std::int32_t>(0xFF000000u));
    const std::int32_t* pairs = filter.pairs.data();
    auto sum = [&](const AxisFilter::Span& span) {
        const std::uint16_t* p = in + static_cast<std::size_t>(span.first) * 4;
        const std::int32_t* w = pairs + span.pairOffset;
        __m128i acc = round;
        for (int t = 0; t < span.count; t += 2, p += 8, ++w) {
            const __m128i two = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i mixed = _mm_unpacklo_epi16(two, _mm_srli_si128(two, 8));
            acc = _mm_add_epi32(acc, _mm_madd_epi16(mixed, _mm_set1_epi32(*w)));
        }
        return _mm_srai_epi32(acc, kFinalShift);
    };
    const std::size_t count = filter.spans.size();
    std::size_t i = 0;
    for (; i + 2 <= count; i += 2, out += 8) {
        const __m128i v = _mm_packs_epi32(sum(filter.spans[i]), sum(filter.spans[i + 1]));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out),
                         _mm_or_si128(_mm_packus_epi16(v, v), opaque));
    }
    if (i < count) {
        const __m128i v = _mm_packs_epi32(sum(filter.spans[i]), sum(filter.spans[i]));
        const std::uint32_t pixel = static_cast<std::uint32_t>(
            _mm_cvtsi128_si32(_mm_or_si128(_mm_packus_epi16(v, v), opaque)));
        std::memcpy(out, &pixel, 4);
    }
#else
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
#endif
}

// The common half size: each output pixel is the rounded average of a 2 x 2
// block, the same result as the general path gives, without the weights.
void HalveRow(const std::uint8_t* top, const std::uint8_t* bottom, std::size_t outWidth,
              std::uint8_t* out) {
    std::size_t x = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    const __m128i two = _mm_set1_epi16(2);
    const __m128i opaque = _mm_set1_epi32(static_cast<std::int32_t>(0xFF000000u));
    for (; x + 2 <= outWidth; x += 2, top += 16, bottom += 16, out += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom));
        const __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
        const __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
        const __m128i sums = _mm_unpacklo_epi64(_mm_add_epi16(lo, _mm_srli_si128(lo, 8)),
                                                _mm_add_epi16(hi, _mm_srli_si128(hi, 8)));
        const __m128i average = _mm_srli_epi16(_mm_add_epi16(sums, two), 2);
        const __m128i packed = _mm_or_si128(_mm_packus_epi16(average, average), opaque);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
    }
#endif
    for (; x < outWidth; ++x, top += 8, bottom += 8, out += 4) {
        for (int c = 0; c < 3; ++c)
            out[c] = static_cast<std::uint8_t>(
                (top[c] + top[c + 4] + bottom[c] + bottom[c + 4] + 2) >> 2);
        out[3] = 0xFF;
    }
}

// Growing rows: the horizontal pass on one source row, kept with kCarryBits
// fraction bits, so that the output rows sharing a source row reuse it.
void WidenRow(const std::uint8_t* in, const AxisFilter& filter, std::uint16_t* out) {
    constexpr std::int32_t kRound = 1 << (kWeightBits - kCarryBits - 1);
    constexpr int kShift = kWeightBits - kCarryBits;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    const __m128i round = _mm_set1_epi32(kRound);
    const std::int32_t* pairs = filter.pairs.data();
    auto sum = [&](const AxisFilter::Span& span) {
        const std::uint8_t* p = in + static_cast<std::size_t>(span.first) * 4;
        const std::int32_t* w = pairs + span.pairOffset;
        __m128i acc = round;
        int t = 0;
        for (; t + 2 <= span.count; t += 2, p += 8, ++w) {
            const __m128i two =
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
            const __m128i mixed = _mm_unpacklo_epi16(two, _mm_srli_si128(two, 8));
            acc = _mm_add_epi32(acc, _mm_madd_epi16(mixed, _mm_set1_epi32(*w)));
        }
        if (t < span.count) {  // the last pixel alone: never read past the row
            std::int32_t pixel;
            std::memcpy(&pixel, p, 4);
            const __m128i one = _mm_unpacklo_epi8(_mm_cvtsi32_si128(pixel), zero);
            acc = _mm_add_epi32(acc,
                                _mm_madd_epi16(_mm_unpacklo_epi16(one, zero), _mm_set1_epi32(*w)));
        }
        return _mm_srai_epi32(acc, kShift);
    };
    const std::size_t count = filter.spans.size();
    std::size_t i = 0;
    for (; i + 2 <= count; i += 2, out += 8)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                         _mm_packs_epi32(sum(filter.spans[i]), sum(filter.spans[i + 1])));
    if (i < count) {
        const __m128i v = sum(filter.spans[i]);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packs_epi32(v, v));
    }
#else
    for (const AxisFilter::Span& span : filter.spans) {
        const std::uint8_t* p = in + static_cast<std::size_t>(span.first) * 4;
        const std::int16_t* w = filter.weights.data() + span.offset;
        for (int c = 0; c < 4; ++c) {
            std::int32_t sum = kRound;
            for (int t = 0; t < span.count; ++t)
                sum += p[4 * t + c] * static_cast<std::int32_t>(w[t]);
            out[c] = static_cast<std::uint16_t>(sum >> kShift);
        }
        out += 4;
    }
#endif
}

// The vertical pass over two widened rows, writing finished B,G,R,X pixels.
void BlendWideRows(const std::uint16_t* a, const std::uint16_t* b, std::int16_t weightA,
                   std::int16_t weightB, std::size_t length, std::uint8_t* out) {
    constexpr std::int32_t kRound = 1 << (kFinalShift - 1);
    std::size_t k = 0;
#ifdef __SSE2__
    const __m128i round = _mm_set1_epi32(kRound);
    const __m128i opaque = _mm_set1_epi32(static_cast<std::int32_t>(0xFF000000u));
    const __m128i w = _mm_set1_epi32(WeightPair(weightA, weightB));
    for (; k + 8 <= length; k += 8) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + k));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + k));
        const __m128i lo = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(va, vb), w), round);
        const __m128i hi = _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(va, vb), w), round);
        const __m128i v =
            _mm_packs_epi32(_mm_srai_epi32(lo, kFinalShift), _mm_srai_epi32(hi, kFinalShift));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + k),
                         _mm_or_si128(_mm_packus_epi16(v, v), opaque));
    }
#endif
    for (; k < length; ++k)
        out[k] = k % 4 == 3 ? 0xFF
                            : static_cast<std::uint8_t>(
                                  (a[k] * weightA + b[k] * weightB + kRound) >> kFinalShift);
}

struct Job {
    const std::uint8_t* pixels;
    std::size_t srcStride;
    const AxisFilter& horizontal;
    const AxisFilter& vertical;
    std::uint8_t* out;
    std::size_t dstStride;
    bool halving;              // exactly half the size along both axes
    bool growing;              // more rows than the source: horizontal pass first
    std::size_t rows = 0;      // output rows in all
    std::size_t bandRows = 1;  // output rows a band
    std::atomic<std::size_t> nextBand{0};
    std::atomic<bool> failed{false};
};

// Output rows [firstRow, endRow) when the rows grow: two widened source rows are
// kept, each made once for all the output rows between them.
void ResampleGrowingRows(Job& job, std::size_t firstRow, std::size_t endRow) {
    const std::size_t length = job.dstStride;
    std::vector<std::uint16_t> wide[2];
    try {
        wide[0].resize(length);
        wide[1].resize(length);
    } catch (const std::bad_alloc&) {
        job.failed = true;
        return;
    }
    long long held[2] = {-1, -1};  // the source row each buffer holds
    auto widened = [&](long long row, long long keep) -> const std::uint16_t* {
        for (int slot = 0; slot < 2; ++slot)
            if (held[slot] == row)
                return wide[slot].data();
        const int slot = held[0] == keep ? 1 : 0;
        WidenRow(job.pixels + static_cast<std::size_t>(row) * job.srcStride, job.horizontal,
                 wide[slot].data());
        held[slot] = row;
        return wide[slot].data();
    };
    std::uint8_t* out = job.out + firstRow * job.dstStride;
    for (std::size_t y = firstRow; y < endRow; ++y, out += job.dstStride) {
        const AxisFilter::Span& span = job.vertical.spans[y];
        const std::int16_t* w = job.vertical.weights.data() + span.offset;
        const long long first = span.first;
        if (span.count == 1) {
            const std::uint16_t* a = widened(first, -1);
            BlendWideRows(a, a, w[0], 0, length, out);
        } else {
            const std::uint16_t* a = widened(first, first + 1);
            const std::uint16_t* b = widened(first + 1, first);
            BlendWideRows(a, b, w[0], w[1], length, out);
        }
    }
}

// Output rows [firstRow, endRow) of the picture; a shortage of memory is noted
// in the job, never thrown (this runs on worker threads).
void ResampleRows(Job& job, std::size_t firstRow, std::size_t endRow) {
    if (job.growing) {
        ResampleGrowingRows(job, firstRow, endRow);
        return;
    }
    if (job.halving) {
        const std::size_t outWidth = job.dstStride / kPictureBytesPerPixel;
        std::uint8_t* out = job.out + firstRow * job.dstStride;
        for (std::size_t y = firstRow; y < endRow; ++y, out += job.dstStride) {
            const std::uint8_t* top = job.pixels + 2 * y * job.srcStride;
            HalveRow(top, top + job.srcStride, outWidth, out);
        }
        return;
    }
    std::vector<std::uint16_t> blended;
    std::vector<const std::uint8_t*> rows;
    try {
        blended.resize(job.srcStride + kPictureBytesPerPixel, 0);
        rows.reserve(static_cast<std::size_t>(job.vertical.widest));
    } catch (const std::bad_alloc&) {
        job.failed = true;
        return;
    }
    const std::uint8_t* pixels = job.pixels;
    const std::size_t srcStride = job.srcStride;
    const std::size_t dstStride = job.dstStride;
    const AxisFilter& vertical = job.vertical;
    const AxisFilter& horizontal = job.horizontal;
    std::uint8_t* out = job.out + firstRow * dstStride;
    for (std::size_t y = firstRow; y < endRow; ++y, out += dstStride) {
        const AxisFilter::Span& span = vertical.spans[y];
        rows.clear();
        for (int t = 0; t < span.count; ++t)
            rows.push_back(pixels + static_cast<std::size_t>(span.first + t) * srcStride);
        BlendRows(rows.data(), vertical.weights.data() + span.offset, span.count, srcStride,
                  blended.data());
        ResampleRow(blended.data(), horizontal, out);
    }
}

// Takes bands of rows until none is left. Bands are several times more than
// the threads, so that a thread held up by a busy machine delays little.
void Work(Job& job) {
    const std::size_t bands = (job.rows + job.bandRows - 1) / job.bandRows;
    for (std::size_t band = job.nextBand++; band < bands && !job.failed; band = job.nextBand++)
        ResampleRows(job, band * job.bandRows, std::min(job.rows, (band + 1) * job.bandRows));
}

// Threads for a picture of this many bytes: one a core, none extra for a small
// picture that is not worth it.
unsigned ThreadCount(std::size_t sourceBytes, std::size_t rows) {
    constexpr std::size_t kBytesPerThread = std::size_t{4} << 20;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t bySize = sourceBytes / kBytesPerThread + 1;
    return static_cast<unsigned>(std::min({std::size_t{cores}, std::size_t{8}, bySize, rows}));
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
        const bool halving = width == 2 * newWidth && height == 2 * newHeight;
        const bool growing = !halving && newHeight > height;
        Job job{pixels,         srcStride, horizontal, vertical,
                result->Data(), dstStride, halving,    growing};
        job.rows = static_cast<std::size_t>(newHeight);
        const unsigned threadCount =
            ThreadCount(srcStride * static_cast<std::size_t>(height), job.rows);
        job.bandRows = std::max<std::size_t>(16, job.rows / (4 * threadCount));
        std::vector<std::thread> threads;
        for (unsigned i = 1; i < threadCount; ++i) {
            try {
                threads.emplace_back(Work, std::ref(job));
            } catch (const std::exception&) {
                break;  // fewer threads: the bands get done all the same
            }
        }
        Work(job);
        for (std::thread& thread : threads)
            thread.join();
        if (job.failed)
            return nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return result;
}

struct RowShrinker::State {
    int width = 0;
    int height = 0;
    int newHeight = 0;
    std::size_t srcStride = 0;
    std::size_t dstStride = 0;
    bool halving = false;
    AxisFilter horizontal;
    AxisFilter vertical;
    BlockHandle result;
    // The latest source rows, row r in slot r % slots; fresh pages, so that rows of a
    // wide picture cost only as they are written.
    BlockHandle ring;
    std::size_t slots = 0;
    std::vector<std::uint16_t> blended;
    std::vector<const std::uint8_t*> rows;
    int pushed = 0;
    int made = 0;  // output rows done

    const std::uint8_t* Row(int r) const {
        return ring->Data() + static_cast<std::size_t>(r) % slots * srcStride;
    }
    void Make(int y) {
        std::uint8_t* out = result->Data() + static_cast<std::size_t>(y) * dstStride;
        if (halving) {
            HalveRow(Row(2 * y), Row(2 * y + 1), dstStride / kPictureBytesPerPixel, out);
            return;
        }
        const AxisFilter::Span& span = vertical.spans[static_cast<std::size_t>(y)];
        rows.clear();
        for (int t = 0; t < span.count; ++t)
            rows.push_back(Row(span.first + t));
        BlendRows(rows.data(), vertical.weights.data() + span.offset, span.count, srcStride,
                  blended.data());
        ResampleRow(blended.data(), horizontal, out);
    }
};

RowShrinker::RowShrinker(int width, int height, int newWidth, int newHeight) {
    if (!IsPictureSizeAllowed(width, height) || !IsPictureSizeAllowed(newWidth, newHeight) ||
        newWidth > width || newHeight > height)
        return;
    try {
        auto state = std::make_unique<State>();
        state->width = width;
        state->height = height;
        state->newHeight = newHeight;
        state->srcStride = static_cast<std::size_t>(width) * kPictureBytesPerPixel;
        state->dstStride = static_cast<std::size_t>(newWidth) * kPictureBytesPerPixel;
        state->halving = width == 2 * newWidth && height == 2 * newHeight;
        BuildFilter(width, newWidth, state->horizontal);
        BuildFilter(height, newHeight, state->vertical);
        state->slots = static_cast<std::size_t>(std::max(state->vertical.widest, 2));
        state->ring = MemoryBlock::Allocate(state->slots * state->srcStride);
        if (!state->ring)
            return;
        state->blended.resize(state->srcStride + kPictureBytesPerPixel, 0);
        state->rows.reserve(state->slots);
        state->result =
            MemoryBlock::Allocate(state->dstStride * static_cast<std::size_t>(newHeight));
        if (state->result)
            m_state = std::move(state);
    } catch (const std::bad_alloc&) {
    }
}

RowShrinker::~RowShrinker() = default;

std::uint8_t* RowShrinker::NextRow() {
    if (!m_state || m_state->pushed >= m_state->height)
        return nullptr;
    return m_state->ring->Data() +
           static_cast<std::size_t>(m_state->pushed) % m_state->slots * m_state->srcStride;
}

void RowShrinker::PushRow() {
    State* s = m_state.get();
    if (!s || s->pushed >= s->height)
        return;
    ++s->pushed;
    while (s->made < s->newHeight) {
        const int last = s->halving
                             ? 2 * s->made + 1
                             : s->vertical.spans[static_cast<std::size_t>(s->made)].first +
                                   s->vertical.spans[static_cast<std::size_t>(s->made)].count - 1;
        if (last >= s->pushed)
            break;
        s->Make(s->made++);
    }
}

void RowShrinker::SkipRows(std::size_t count) {
    State* s = m_state.get();
    if (!s)
        return;
    const int end = static_cast<int>(std::min<std::size_t>(
                        count, static_cast<std::size_t>(s->height - s->pushed))) +
                    s->pushed;
    auto span = [s](int y) {
        if (s->halving)
            return std::pair<int, int>(2 * y, 2 * y + 1);
        const AxisFilter::Span& v = s->vertical.spans[static_cast<std::size_t>(y)];
        return std::pair<int, int>(v.first, v.first + v.count - 1);
    };
    while (s->pushed < end) {
        // Output rows whose every source row is skipped stay zero.
        while (s->made < s->newHeight && span(s->made).first >= s->pushed &&
               span(s->made).second < end)
            ++s->made;
        if (s->made >= s->newHeight) {
            s->pushed = end;
            break;
        }
        // Rows before the next output row's first are needed by none.
        s->pushed = std::max(s->pushed, std::min(span(s->made).first, end));
        if (s->pushed < end) {
            std::fill_n(NextRow(), s->srcStride, std::uint8_t{0});
            PushRow();
        }
    }
}

int RowShrinker::RowsLeft() const {
    return m_state ? m_state->height - m_state->pushed : 0;
}

BlockHandle RowShrinker::Finish() {
    if (!m_state || m_state->made < m_state->newHeight)
        return nullptr;
    return std::move(m_state->result);
}
