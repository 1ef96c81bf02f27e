#include "cli/PpmWriter.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "image/MemoryBlock.h"

std::string EncodePpm(const PictureView& picture) {
    std::string out =
        "P6\n" + std::to_string(picture.width) + " " + std::to_string(picture.height) + "\n255\n";
    const std::size_t pixels =
        static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
    const std::size_t header = out.size();
    out.resize(header + pixels * 3);
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint8_t* bgrx = picture.pixels + i * kPictureBytesPerPixel;
        char* rgb = out.data() + header + i * 3;
        rgb[0] = static_cast<char>(bgrx[2]);
        rgb[1] = static_cast<char>(bgrx[1]);
        rgb[2] = static_cast<char>(bgrx[0]);
    }
    return out;
}

bool WritePpmFile(const std::string& path, const PictureView& picture, std::string& reason) {
    if (!picture.pixels || picture.width < 1 || picture.height < 1) {
        reason = "no picture to write";
        return false;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) {
        const std::string bytes = EncodePpm(picture);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.close();
    }
    if (!file) {
        reason = std::string("cannot write: ") + std::strerror(errno);
        return false;
    }
    return true;
}
