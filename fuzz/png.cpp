// The PNG codec through the driver (see CodecFuzz.h), compositing onto a colour that
// is not black, so that rows the data never reaches are filled.
#include "CodecFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return FuzzCodec(data, size, ImageFormat::kPng, CodecSettings{Rgb{12, 34, 56}, 2.2});
}
