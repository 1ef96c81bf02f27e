// Feeds arbitrary bytes to the BMP decoder: it must never crash, hang, leak or read
// out of bounds; a picture it returns must be whole and opaque, a failure must say why.
#include <cstddef>
#include <cstdint>

#include "RasterFuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return CheckRasterDecode(DecodeBmpWithin(ByteSpan{data, size}, kMaxFuzzPixels));
}
