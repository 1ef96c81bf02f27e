// The BMP codec through the driver (see CodecFuzz.h).
#include "CodecFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return FuzzCodec(data, size, ImageFormat::kBmp);
}
