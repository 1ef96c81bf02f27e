#pragma once
// Every image format the programs read, in one table: the name tsn-dump prints, the
// extensions that select it, the number ImageFile::m_format holds after loading it,
// the imaging backend's loader for it and how to make its codec.

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "image/ImagingBackend.h"

class ByteSource;
class Codec;
struct CodecSettings;

struct ImageFormat {
    // The wrapper's format numbers (ImageFile::m_format), the imaging library's own.
    enum Number {
        kNone = 0,  // nothing loaded, or the last load failed
        kJpeg = 1,
        kPng = 3,
        kBmp = 6,
        kPcx = 9,
        kTiff = 12,
    };
    using Loader = BlockHandle (ImagingBackend::*)(const std::string& path, int& width,
                                                   int& height);
    using MakeCodec = std::unique_ptr<Codec> (*)(ByteSource& source, const CodecSettings& settings);

    const char* name;  // as tsn-dump prints it: "jpeg"
    // In lower case, dot included; the first is the usual one.
    std::span<const char* const> extensions;
    Number number;  // ImageFile::m_format after a load of it
    Loader load;    // the imaging backend's loader
    MakeCodec makeCodec;
};

// The formats in the order their extensions are listed (.bmp .jpg .jpeg .tif .tiff .pcx
// .png); the load fuzz target's seeds pick a format by its place here.
std::span<const ImageFormat> ImageFormats();

// The format with that number; nullptr for kNone or a number of no format.
const ImageFormat* FormatNumbered(int number);

// The format `extension` (from a name's last dot on, dot included) selects, in any
// letter case; nullptr when it selects none.
const ImageFormat* FormatOfExtension(std::string_view extension);

// The format a file's name selects: its extension from the last '.' on, with trailing
// blanks dropped, as the wrapper picks a loader.
const ImageFormat* FormatOfPath(std::string_view path);
