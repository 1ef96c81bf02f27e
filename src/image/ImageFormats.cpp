#include "image/ImageFormats.h"

#include <algorithm>

#include "image/Codecs.h"

namespace {

constexpr const char* kBmpExtensions[] = {".bmp"};
constexpr const char* kJpegExtensions[] = {".jpg", ".jpeg"};
constexpr const char* kTiffExtensions[] = {".tif", ".tiff"};
constexpr const char* kPcxExtensions[] = {".pcx"};
constexpr const char* kPngExtensions[] = {".png"};

constexpr ImageFormat kFormats[] = {
    {"bmp", kBmpExtensions, ImageFormat::kBmp, &ImagingBackend::LoadBmp, MakeBmpCodec},
    {"jpeg", kJpegExtensions, ImageFormat::kJpeg, &ImagingBackend::LoadJpeg, MakeJpegCodec},
    {"tiff", kTiffExtensions, ImageFormat::kTiff, &ImagingBackend::LoadTiff, MakeTiffCodec},
    {"pcx", kPcxExtensions, ImageFormat::kPcx, &ImagingBackend::LoadPcx, MakePcxCodec},
    {"png", kPngExtensions, ImageFormat::kPng, &ImagingBackend::LoadPng, MakePngCodec},
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
    return std::equal(text.begin(), text.end(), lower.begin(), lower.end(),
                      [](char c, char wanted) { return LowerAscii(c) == wanted; });
}

}  // namespace

std::span<const ImageFormat> ImageFormats() {
    return kFormats;
}

const ImageFormat* FormatNumbered(int number) {
    for (const ImageFormat& format : kFormats)
        if (format.number == number)
            return &format;
    return nullptr;
}

const ImageFormat* FormatOfPath(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos)
        return nullptr;
    std::string_view extension = path.substr(dot);
    while (!extension.empty() && IsBlank(extension.back()))
        extension.remove_suffix(1);
    return FormatOfExtension(extension);
}

const ImageFormat* FormatOfExtension(std::string_view extension) {
    for (const ImageFormat& format : kFormats)
        for (const char* known : format.extensions)
            if (EqualsIgnoringCase(extension, known))
                return &format;
    return nullptr;
}
