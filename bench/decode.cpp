// Full decode of a photo-like 3000 x 2000 picture in each format, from bytes in
// memory, and the whole load from a file through the backend.

#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "image/Codecs.h"
#include "image/ImageFormats.h"
#include "image/RealImagingBackend.h"

namespace {

constexpr int kWidth = 3000;
constexpr int kHeight = 2000;

// R, G, B rows top-down: gradients, waves and a little noise.
const std::vector<std::uint8_t>& Rgb() {
    static const std::vector<std::uint8_t> rgb = [] {
        std::vector<std::uint8_t> p;
        p.reserve(static_cast<std::size_t>(kWidth) * kHeight * 3);
        std::mt19937 random(7);
        auto put = [&](double v) {
            v += static_cast<int>(random() % 9) - 4;
            p.push_back(static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v));
        };
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const double fx = static_cast<double>(x) / kWidth;
                const double fy = static_cast<double>(y) / kHeight;
                const double wave = 40 * std::sin(fx * 23) * std::cos(fy * 17);
                put(200 - 150 * fx + wave / 2);
                put(90 + 100 * fx * fy - wave);
                put(60 + 120 * fy + wave);
            }
        return p;
    }();
    return rgb;
}

const std::uint8_t* Row(int y) {
    return Rgb().data() + static_cast<std::size_t>(y) * kWidth * 3;
}

std::vector<std::uint8_t> EncodeJpeg() {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const char comment[] = "tSN bench comment";
    jpeg_write_marker(&cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>(comment),
                      sizeof comment - 1);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(Row(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

std::vector<std::uint8_t> EncodePng() {
    std::vector<std::uint8_t> bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &bytes,
        [](png_structp p, png_bytep data, png_size_t length) {
            auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(p));
            out->insert(out->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_text text{};
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = const_cast<char*>("Comment");
    text.text = const_cast<char*>("tSN bench comment");
    png_set_text(png, info, &text, 1);
    png_write_info(png, info);
    for (int y = 0; y < kHeight; ++y)
        png_write_row(png, Row(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

std::vector<std::uint8_t> EncodeTiff() {
    const std::string path = "/tmp/bench_decode_" + std::to_string(getpid()) + ".tif";
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
    for (int y = 0; y < kHeight; ++y)
        TIFFWriteScanline(tiff, const_cast<std::uint8_t*>(Row(y)), static_cast<std::uint32_t>(y),
                          0);
    TIFFClose(tiff);
    std::vector<std::uint8_t> bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        std::uint8_t chunk[65536];
        std::size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
            bytes.insert(bytes.end(), chunk, chunk + got);
        std::fclose(file);
    }
    std::remove(path.c_str());
    return bytes;
}

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> EncodeBmp() {
    const std::uint32_t stride = (kWidth * 3 + 3) & ~3u;
    std::vector<std::uint8_t> out = {'B', 'M'};
    PutLe(out, 54 + stride * kHeight, 4);
    PutLe(out, 0, 4);
    PutLe(out, 54, 4);
    PutLe(out, 40, 4);
    PutLe(out, kWidth, 4);
    PutLe(out, kHeight, 4);
    PutLe(out, 1, 2);
    PutLe(out, 24, 2);
    for (int i = 0; i < 6; ++i)
        PutLe(out, 0, 4);
    for (int y = kHeight - 1; y >= 0; --y) {
        const std::uint8_t* row = Row(y);
        for (int x = 0; x < kWidth; ++x)
            out.insert(out.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
        out.resize(out.size() + (stride - kWidth * 3), 0);
    }
    return out;
}

std::vector<std::uint8_t> EncodePcx() {
    std::vector<std::uint8_t> out = {10, 5, 1, 8};
    PutLe(out, 0, 2);
    PutLe(out, 0, 2);
    PutLe(out, kWidth - 1, 2);
    PutLe(out, kHeight - 1, 2);
    PutLe(out, 72, 2);
    PutLe(out, 72, 2);
    out.resize(out.size() + 48 + 1, 0);
    out.push_back(3);  // planes
    PutLe(out, kWidth, 2);
    PutLe(out, 1, 2);
    out.resize(128, 0);
    for (int y = 0; y < kHeight; ++y)
        for (int plane = 0; plane < 3; ++plane) {
            const std::uint8_t* row = Row(y);
            for (int x = 0; x < kWidth;) {
                int run = 1;
                while (x + run < kWidth && run < 63 &&
                       row[3 * (x + run) + plane] == row[3 * x + plane])
                    ++run;
                const std::uint8_t value = row[3 * x + plane];
                if (run > 1 || value >= 0xC0)
                    out.push_back(static_cast<std::uint8_t>(0xC0 | run));
                out.push_back(value);
                x += run;
            }
        }
    return out;
}

void RunDecode(benchmark::State& state, const std::vector<std::uint8_t>& bytes,
               ImageFormat::Number format) {
    for (auto _ : state) {
        SpanSource source(bytes.data(), bytes.size());
        DecodeResult result = RunCodec(*FormatNumbered(format)->makeCodec(source, {}), LoadHint{});
        if (!result.pixels) {
            state.SkipWithError(result.error.c_str());
            break;
        }
        benchmark::DoNotOptimize(result.pixels.get());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
    state.counters["file_kB"] = static_cast<double>(bytes.size()) / 1000;
}

void BM_DecodeJpeg(benchmark::State& state) {
    RunDecode(state, EncodeJpeg(), ImageFormat::kJpeg);
}
void BM_DecodePng(benchmark::State& state) {
    RunDecode(state, EncodePng(), ImageFormat::kPng);
}
void BM_DecodeTiff(benchmark::State& state) {
    RunDecode(state, EncodeTiff(), ImageFormat::kTiff);
}
void BM_DecodeBmp(benchmark::State& state) {
    RunDecode(state, EncodeBmp(), ImageFormat::kBmp);
}
void BM_DecodePcx(benchmark::State& state) {
    RunDecode(state, EncodePcx(), ImageFormat::kPcx);
}
BENCHMARK(BM_DecodeJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeTiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePcx)->Unit(benchmark::kMillisecond);

// The whole backend load of a JPEG file: reading the file, decoding, comments.
void BM_BackendLoadJpegFile(benchmark::State& state) {
    const std::string path = "/tmp/bench_decode_" + std::to_string(getpid()) + ".jpg";
    const std::vector<std::uint8_t> bytes = EncodeJpeg();
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    RealImagingBackend backend;
    for (auto _ : state) {
        int width = 0;
        int height = 0;
        backend.ResetJpegOptions();
        backend.KeepJpegComments();
        BlockHandle picture = backend.LoadJpeg(path, width, height);
        if (!picture) {
            state.SkipWithError(backend.StatusReason().c_str());
            break;
        }
        benchmark::DoNotOptimize(picture.get());
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_BackendLoadJpegFile)->Unit(benchmark::kMillisecond);

}  // namespace
