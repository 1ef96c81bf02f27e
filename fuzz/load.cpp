// A whole image file through the wrapper as the document opens it: the first
// byte picks the extension, the rest is the file. Load, read every comment,
// draw, resample to half size and grow again.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "image/ImageFile.h"
#include "image/ImageFormats.h"
#include "image/RealImagingBackend.h"
#include "platform/RecordingDC.h"

namespace {

constexpr long long kMaxResampledPixels = 1LL << 22;
constexpr long long kMaxGrownPixels = 1LL << 16;

// The usual extension of the format the first byte picks.
const char* ExtensionPicked(std::uint8_t byte) {
    const std::span<const ImageFormat> formats = ImageFormats();
    return formats[byte % formats.size()].extensions[0];
}

std::string TempPath(const char* extension) {
    return "/tmp/fuzz_load_" + std::to_string(getpid()) + extension;
}

bool WriteWhole(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::string path = TempPath(ExtensionPicked(data[0]));
    if (!WriteWhole(path, data + 1, size - 1))
        return 0;

    RealImagingBackend backend;
    ImageFile image(backend);
    if (image.Load(path) == 0 || image.HasImage()) {
        for (int i = 0; i < image.GetCommentCount(); ++i)
            image.GetComment(i);
        RecordingDC dc;
        image.Draw(&dc, 10, 10, 1200, 1200, 0);
        // A few bytes may claim a picture of hundreds of megabytes; resampling that
        // is slow, not wrong, and the tests cover the resampler's sizes.
        if (static_cast<long long>(image.m_width) * image.m_height <= kMaxResampledPixels) {
            const int width = image.m_width / 2 > 0 ? image.m_width / 2 : 1;
            const int height = image.m_height / 2 > 0 ? image.m_height / 2 : 1;
            image.Resize(width, height);
        }
        // And a small one grown again, by a ratio the input picks.
        if (static_cast<long long>(image.m_width) * image.m_height <= kMaxGrownPixels) {
            const int extra = data[size - 1] & 7;
            image.Resize(image.m_width + image.m_width / 2 + extra, image.m_height * 2 + extra);
        }
    }
    std::remove(path.c_str());
    return 0;
}
