#include "support/ImageFixtures.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <tuple>

#include "image/JpegErrorTrap.h"

namespace fixtures {

PixelFunction Gradient(int width, int height) {
    return [width, height](int x, int y) {
        const int spanX = std::max(width - 1, 1);
        const int spanY = std::max(height - 1, 1);
        return Rgba{static_cast<std::uint8_t>(x * 255 / spanX),
                    static_cast<std::uint8_t>(y * 255 / spanY), 128, 255};
    };
}

PixelFunction Solid(Rgba colour) {
    return [colour](int, int) { return colour; };
}

// ---- JPEG ----

namespace {

int ComponentsOf(JpegColour colour) {
    switch (colour) {
        case JpegColour::kGrey:
            return 1;
        case JpegColour::kCmyk:
        case JpegColour::kYcck:
            return 4;
        case JpegColour::kRgb:
            break;
    }
    return 3;
}

// Inverted CMYK that a reader turns back into the colour with R = C * K / 255.
void ToInvertedCmyk(Rgba colour, JSAMPLE* out) {
    const int k = std::max({colour.r, colour.g, colour.b});
    const auto scaled = [k](int v) { return static_cast<JSAMPLE>(k ? (v * 255 + k / 2) / k : 0); };
    out[0] = scaled(colour.r);
    out[1] = scaled(colour.g);
    out[2] = scaled(colour.b);
    out[3] = static_cast<JSAMPLE>(k);
}

void FillJpegRow(const PixelFunction& pixel, JpegColour colour, int y, int width, JSAMPLE* row) {
    for (int x = 0; x < width; ++x) {
        const Rgba c = pixel(x, y);
        switch (colour) {
            case JpegColour::kGrey:
                row[x] = c.r;
                break;
            case JpegColour::kCmyk:
            case JpegColour::kYcck:
                ToInvertedCmyk(c, row + 4 * x);
                break;
            case JpegColour::kRgb:
                row[3 * x] = c.r;
                row[3 * x + 1] = c.g;
                row[3 * x + 2] = c.b;
                break;
        }
    }
}

// DC first, then for every component and coefficient a first scan of its high bits
// followed by one refinement scan for each lower bit.
std::vector<jpeg_scan_info> ManyScanScript(int components, int count) {
    std::vector<jpeg_scan_info> script(1);
    script[0].comps_in_scan = components;
    for (int c = 0; c < components; ++c)
        script[0].component_index[c] = c;
    for (int c = 0; c < components; ++c) {
        for (int k = 1; k < 64; ++k) {
            for (int low = 10; low >= 0; --low) {
                jpeg_scan_info scan{};
                scan.comps_in_scan = 1;
                scan.component_index[0] = c;
                scan.Ss = scan.Se = k;
                scan.Ah = low == 10 ? 0 : low + 1;
                scan.Al = low;
                script.push_back(scan);
            }
        }
    }
    script.resize(std::min<std::size_t>(script.size(), static_cast<std::size_t>(count)));
    return script;
}

void SetUpCompressor(jpeg_compress_struct& info, int width, int height, const JpegOptions& options,
                     const std::vector<jpeg_scan_info>& script) {
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = ComponentsOf(options.colour);
    info.in_color_space = options.colour == JpegColour::kGrey ? JCS_GRAYSCALE
                          : info.input_components == 4        ? JCS_CMYK
                                                              : JCS_RGB;
    jpeg_set_defaults(&info);
    if (options.colour == JpegColour::kYcck)
        jpeg_set_colorspace(&info, JCS_YCCK);
    jpeg_set_quality(&info, options.quality, TRUE);
    if (options.colour == JpegColour::kRgb) {
        info.comp_info[0].h_samp_factor = options.lumaH;
        info.comp_info[0].v_samp_factor = options.lumaV;
    }
    if (options.progressive)
        jpeg_simple_progression(&info);
    if (!script.empty()) {
        info.scan_info = script.data();
        info.num_scans = static_cast<int>(script.size());
    }
    info.arith_code = options.arithmetic ? TRUE : FALSE;
    info.restart_interval = static_cast<unsigned>(options.restartInterval);
}

}  // namespace

std::vector<std::uint8_t> MakeJpeg(int width, int height, const std::vector<std::string>& comments,
                                   const JpegOptions& options) {
    const PixelFunction pixel = options.pixel ? options.pixel : Gradient(width, height);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(std::max(width, 1)) *
                             ComponentsOf(options.colour));
    const std::vector<jpeg_scan_info> script =
        options.progressiveScans > 0
            ? ManyScanScript(ComponentsOf(options.colour), options.progressiveScans)
            : std::vector<jpeg_scan_info>{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_compress_struct info{};
    JpegErrorTrap trap;
    info.err = ArmJpegErrorTrap(trap);
    const bool written = RunJpegStep(trap, [&] {
        jpeg_create_compress(&info);
        jpeg_mem_dest(&info, &buffer, &size);
        SetUpCompressor(info, width, height, options, script);
        jpeg_start_compress(&info, TRUE);
        for (const std::string& comment : comments)
            jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>(comment.data()),
                              static_cast<unsigned>(comment.size()));
        while (info.next_scanline < info.image_height) {
            FillJpegRow(pixel, options.colour, static_cast<int>(info.next_scanline), width,
                        row.data());
            JSAMPROW rows[1] = {row.data()};
            jpeg_write_scanlines(&info, rows, 1);
        }
        jpeg_finish_compress(&info);
    });
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> file;
    if (written && buffer)
        file.assign(buffer, buffer + size);
    std::free(buffer);
    return file;
}

bool WriteJpegFile(const std::string& path, int width, int height,
                   const std::vector<std::string>& comments, const JpegOptions& options) {
    const std::vector<std::uint8_t> file = MakeJpeg(width, height, comments, options);
    return !file.empty() && WriteBytesFile(path, file);
}

// ---- PNG ----

namespace {

bool HasColour(PngColour colour) {
    return colour == PngColour::kRgb || colour == PngColour::kRgbAlpha;
}
bool HasAlpha(PngColour colour) {
    return colour == PngColour::kGreyAlpha || colour == PngColour::kRgbAlpha;
}

int PngColourType(PngColour colour) {
    switch (colour) {
        case PngColour::kGrey:
            return PNG_COLOR_TYPE_GRAY;
        case PngColour::kGreyAlpha:
            return PNG_COLOR_TYPE_GRAY_ALPHA;
        case PngColour::kRgbAlpha:
            return PNG_COLOR_TYPE_RGB_ALPHA;
        case PngColour::kPalette:
            return PNG_COLOR_TYPE_PALETTE;
        case PngColour::kRgb:
            break;
    }
    return PNG_COLOR_TYPE_RGB;
}

using ColourKey = std::tuple<int, int, int, int>;
ColourKey KeyOf(Rgba c) {
    return {c.r, c.g, c.b, c.a};
}

// Everything libpng is handed, prepared before the writing starts.
struct PngPlan {
    std::vector<std::vector<png_byte>> rows;
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;
    png_color_16 transparent{};
    bool hasTransparent = false;
};

// Packs `samples` (each already scaled to bitDepth) into a row of that bit depth.
void PackSamples(const std::vector<int>& samples, int bitDepth, std::vector<png_byte>& row) {
    row.clear();
    if (bitDepth == 16) {
        for (int s : samples) {
            row.push_back(static_cast<png_byte>(s >> 8));
            row.push_back(static_cast<png_byte>(s & 0xFF));
        }
        return;
    }
    const int perByte = 8 / bitDepth;
    row.assign((samples.size() + perByte - 1) / perByte, 0);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const int shift = 8 - bitDepth * static_cast<int>(i % perByte + 1);
        row[i / perByte] |= static_cast<png_byte>(samples[i] << shift);
    }
}

int ScaleSample(int value8, int bitDepth) {
    return bitDepth == 16 ? value8 * 257 : value8 >> (8 - bitDepth);
}

bool PlanPng(int width, int height, const PngOptions& options, PngPlan& plan) {
    const PixelFunction pixel = options.pixel ? options.pixel : Gradient(width, height);
    std::map<ColourKey, int> paletteIndex;
    std::vector<int> samples;
    for (int y = 0; y < height; ++y) {
        samples.clear();
        for (int x = 0; x < width; ++x) {
            const Rgba c = pixel(x, y);
            if (options.colour == PngColour::kPalette) {
                auto [it, added] =
                    paletteIndex.emplace(KeyOf(c), static_cast<int>(paletteIndex.size()));
                if (added) {
                    plan.palette.push_back(png_color{c.r, c.g, c.b});
                    plan.paletteAlpha.push_back(c.a);
                }
                samples.push_back(it->second);
                continue;
            }
            samples.push_back(ScaleSample(c.r, options.bitDepth));
            if (HasColour(options.colour)) {
                samples.push_back(ScaleSample(c.g, options.bitDepth));
                samples.push_back(ScaleSample(c.b, options.bitDepth));
            }
            if (HasAlpha(options.colour))
                samples.push_back(ScaleSample(c.a, options.bitDepth));
        }
        plan.rows.emplace_back();
        PackSamples(samples, options.bitDepth, plan.rows.back());
    }
    if (options.colour == PngColour::kPalette &&
        plan.palette.size() > (std::size_t{1} << std::min(options.bitDepth, 8)))
        return false;
    if (options.transparentColour) {
        const Rgba t = *options.transparentColour;
        plan.transparent.gray = static_cast<png_uint_16>(ScaleSample(t.r, options.bitDepth));
        plan.transparent.red = static_cast<png_uint_16>(ScaleSample(t.r, options.bitDepth));
        plan.transparent.green = static_cast<png_uint_16>(ScaleSample(t.g, options.bitDepth));
        plan.transparent.blue = static_cast<png_uint_16>(ScaleSample(t.b, options.bitDepth));
        plan.hasTransparent = true;
    }
    return true;
}

std::vector<png_text> ToPngTexts(const std::vector<PngText>& texts) {
    std::vector<png_text> out;
    for (const PngText& t : texts) {
        png_text entry{};
        switch (t.kind) {
            case PngTextKind::kText:
                entry.compression = PNG_TEXT_COMPRESSION_NONE;
                break;
            case PngTextKind::kZText:
                entry.compression = PNG_TEXT_COMPRESSION_zTXt;
                break;
            case PngTextKind::kIText:
                entry.compression = PNG_ITXT_COMPRESSION_NONE;
                break;
            case PngTextKind::kITextCompressed:
                entry.compression = PNG_ITXT_COMPRESSION_zTXt;
                break;
        }
        entry.key = const_cast<char*>(t.keyword.c_str());
        entry.text = const_cast<char*>(t.text.c_str());
        entry.text_length = t.text.size();
        out.push_back(entry);
    }
    return out;
}

void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void NoFlush(png_structp) {}
void IgnoreWarning(png_structp, png_const_charp) {}

template <typename Step>
bool RunPngStep(png_structp png, Step&& step) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    step();
    return true;
}

void WriteHeader(png_structp png, png_infop info, int width, int height, const PngOptions& options,
                 PngPlan& plan) {
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                 options.bitDepth, PngColourType(options.colour),
                 options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (options.srgb)
        png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    if (options.fileGamma)
        png_set_gAMA(png, info, *options.fileGamma);
    if (options.colour == PngColour::kPalette) {
        png_set_PLTE(png, info, plan.palette.data(), static_cast<int>(plan.palette.size()));
        if (std::any_of(plan.paletteAlpha.begin(), plan.paletteAlpha.end(),
                        [](png_byte a) { return a != 255; }))
            png_set_tRNS(png, info, plan.paletteAlpha.data(),
                         static_cast<int>(plan.paletteAlpha.size()), nullptr);
    } else if (plan.hasTransparent) {
        png_set_tRNS(png, info, nullptr, 0, &plan.transparent);
    }
}

}  // namespace

std::vector<std::uint8_t> MakePng(int width, int height, const std::vector<PngText>& beforeImage,
                                  const std::vector<PngText>& afterImage,
                                  const PngOptions& options) {
    PngPlan plan;
    if (!PlanPng(width, height, options, plan))
        return {};
    std::vector<png_bytep> rowPointers;
    for (auto& row : plan.rows)
        rowPointers.push_back(row.data());
    std::vector<png_text> before = ToPngTexts(beforeImage);
    std::vector<png_text> after = ToPngTexts(afterImage);
    std::vector<std::uint8_t> file;

    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, IgnoreWarning);
    if (!png)
        return {};
    png_infop info = png_create_info_struct(png);
    const bool written =
        info && RunPngStep(png, [&] {
            png_set_write_fn(png, &file, AppendToVector, NoFlush);
            WriteHeader(png, info, width, height, options, plan);
            if (!before.empty())
                png_set_text(png, info, before.data(), static_cast<int>(before.size()));
            png_write_info(png, info);
            png_write_image(png, rowPointers.data());
            if (!after.empty())
                png_set_text(png, info, after.data(), static_cast<int>(after.size()));
            png_write_end(png, info);
        });
    png_destroy_write_struct(&png, &info);
    if (!written)
        return {};
    return file;
}

bool WritePngFile(const std::string& path, int width, int height,
                  const std::vector<PngText>& beforeImage, const std::vector<PngText>& afterImage,
                  const PngOptions& options) {
    const std::vector<std::uint8_t> file = MakePng(width, height, beforeImage, afterImage, options);
    return !file.empty() && WriteBytesFile(path, file);
}

std::vector<std::uint8_t> PngChunk(const std::string& type, const std::string& data) {
    // Sized once and filled in place: growing it byte by byte makes GCC 12 at -O3
    // see a write past the end that cannot happen.
    std::vector<std::uint8_t> chunk(4 + type.size() + data.size() + 4);
    const auto put32 = [](std::uint8_t* out, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
    };
    put32(chunk.data(), static_cast<std::uint32_t>(data.size()));
    const auto body = std::copy(type.begin(), type.end(), chunk.begin() + 4);
    std::copy(data.begin(), data.end(), body);
    const uLong crc = crc32(0, chunk.data() + 4, static_cast<uInt>(type.size() + data.size()));
    put32(chunk.data() + chunk.size() - 4, static_cast<std::uint32_t>(crc));
    return chunk;
}

void InsertBeforePngEnd(std::vector<std::uint8_t>& file, const std::vector<std::uint8_t>& chunk) {
    const std::string iend = "IEND";
    auto at = std::search(file.begin(), file.end(), iend.begin(), iend.end());
    if (at != file.end() && at - file.begin() >= 4)
        at -= 4;  // the chunk starts with its length
    else
        at = file.end();
    file.insert(at, chunk.begin(), chunk.end());
}

std::string Deflate(const std::string& bytes) {
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::string out(size, '\0');
    if (compress(reinterpret_cast<Bytef*>(out.data()), &size,
                 reinterpret_cast<const Bytef*>(bytes.data()),
                 static_cast<uLong>(bytes.size())) != Z_OK)
        return {};
    out.resize(size);
    return out;
}

// ---- files ----

bool WriteBytesFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<std::uint8_t> ReadBytesFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace fixtures
