#include "image/RealImagingBackend.h"

#include "image/FileBytes.h"

#include <cstdio>
#include "image/Resampler.h"

namespace {

int StatusOfRead(FileBytes::Status status) {
    switch (status) {
        case FileBytes::kRead:
            return RealImagingBackend::kStatusOk;
        case FileBytes::kTooLarge:
            return RealImagingBackend::kStatusTooLarge;
        case FileBytes::kOutOfMemory:
            return RealImagingBackend::kStatusOutOfMemory;
        case FileBytes::kUnreadable:
            break;
    }
    return RealImagingBackend::kStatusUnreadable;
}

}  // namespace

void RealImagingBackend::SetStatus(int status, std::string reason) {
    m_status = status;
    m_reason = std::move(reason);
}

template <typename Decode>
BlockHandle RealImagingBackend::Load(const std::string& path, int& width, int& height,
                                     Decode decode) {
    FileBytes file = ReadFileBytes(path);
    if (file.status != FileBytes::kRead) {
        SetStatus(StatusOfRead(file.status), std::move(file.error));
        return nullptr;
    }
    return Finish(decode(ByteSpan{file.bytes.data(), file.bytes.size()}), width, height);
}

// For a decoder that reads the file as it goes rather than holding all of it.
template <typename Decode>
BlockHandle RealImagingBackend::LoadStreamed(const std::string& path, int& width, int& height,
                                             Decode decode) {
    OpenedFile opened = OpenImageFile(path);
    if (opened.status != FileBytes::kRead) {
        SetStatus(StatusOfRead(opened.status), std::move(opened.error));
        return nullptr;
    }
    std::setvbuf(opened.file.get(), nullptr, _IOFBF, std::size_t{1} << 16);
    return Finish(decode(opened), width, height);
}

BlockHandle RealImagingBackend::Finish(DecodeResult result, int& width, int& height) {
    if (!result.pixels) {
        SetStatus(kStatusBadData,
                  result.error.empty() ? "cannot decode the picture" : result.error);
        return nullptr;
    }
    width = result.width;
    height = result.height;
    // A picture that was partly decoded is a success that still says what was missing.
    SetStatus(kStatusOk, std::move(result.error));
    return std::move(result.pixels);
}

BlockHandle RealImagingBackend::LoadBmp(const std::string& path, int& width, int& height) {
    const bool headerOnly = m_hint.kind == LoadHint::kHeaderOnly;
    return Load(path, width, height, [&](ByteSpan bytes) {
        return headerOnly ? ReadBmpHeader(bytes) : DecodeBmpForHint(bytes, m_hint);
    });
}

BlockHandle RealImagingBackend::LoadTiff(const std::string& path, int& width, int& height) {
    const bool headerOnly = m_hint.kind == LoadHint::kHeaderOnly;
    return Load(path, width, height, [&](ByteSpan bytes) {
        return headerOnly ? ReadTiffHeader(bytes) : DecodeTiffForHint(bytes, m_hint);
    });
}

BlockHandle RealImagingBackend::LoadPcx(const std::string& path, int& width, int& height) {
    const bool headerOnly = m_hint.kind == LoadHint::kHeaderOnly;
    return Load(path, width, height, [&](ByteSpan bytes) {
        return headerOnly ? ReadPcxHeader(bytes) : DecodePcxForHint(bytes, m_hint);
    });
}

BlockHandle RealImagingBackend::LoadJpeg(const std::string& path, int& width, int& height) {
    m_jpegComments.clear();
    std::vector<std::string> comments;
    BlockHandle picture;
    if (m_hint.kind == LoadHint::kHeaderOnly) {
        picture = Load(path, width, height,
                       [&](ByteSpan bytes) { return ReadJpegHeader(bytes, &comments); });
    } else {
        // Streamed: the compressed file is not held next to the picture.
        picture = LoadStreamed(path, width, height, [&](OpenedFile& file) {
            return DecodeJpegFile(file.file.get(), m_hint, &comments);
        });
    }
    if (m_keepJpegComments)
        m_jpegComments = std::move(comments);
    return picture;
}

BlockHandle RealImagingBackend::LoadPng(const std::string& path, int& width, int& height) {
    m_pngTexts.clear();
    if (m_hint.kind == LoadHint::kHeaderOnly) {
        return LoadStreamed(path, width, height, [&](OpenedFile& file) {
            FileReader reader(file);
            return ReadPngHeader(reader, &m_pngTexts);
        });
    }
    // Streamed: the compressed file is not held next to the picture.
    return LoadStreamed(path, width, height, [&](OpenedFile& file) {
        FileReader reader(file);
        return DecodePng(reader, m_pngBackground, m_pngGamma, &m_pngTexts, m_hint);
    });
}

void RealImagingBackend::ResetJpegOptions() {
    m_keepJpegComments = false;
    m_jpegComments.clear();
}

void RealImagingBackend::KeepJpegComments() {
    m_keepJpegComments = true;
}

unsigned RealImagingBackend::JpegCommentCount() {
    return static_cast<unsigned>(m_jpegComments.size());
}

BlockHandle RealImagingBackend::JpegComment(unsigned index) {
    if (index >= m_jpegComments.size())
        return nullptr;
    return MemoryBlock::FromText(m_jpegComments[index]);
}

void RealImagingBackend::SetPngBackground(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    m_pngBackground = Rgb{red, green, blue};
}

double RealImagingBackend::SetPngGamma(double gamma) {
    const double previous = m_pngGamma;
    m_pngGamma = gamma;
    return previous;
}

unsigned RealImagingBackend::PngTextCount() {
    return static_cast<unsigned>(m_pngTexts.size());
}

BlockHandle RealImagingBackend::PngTextKeyword(unsigned index) {
    if (index >= m_pngTexts.size())
        return nullptr;
    return MemoryBlock::FromText(m_pngTexts[index].keyword);
}

BlockHandle RealImagingBackend::PngText(unsigned index) {
    if (index >= m_pngTexts.size())
        return nullptr;
    return MemoryBlock::FromText(m_pngTexts[index].text);
}

void RealImagingBackend::Draw(DeviceContext* dc, const PictureView& picture, int x, int y,
                              int width, int height, int, int, int) {
    if (dc == nullptr || picture.pixels == nullptr) {
        SetStatus(kStatusBadArgument, dc ? "no picture to draw" : "no device context");
        return;
    }
    dc->DrawPicture(picture, x, y, width, height);
    SetStatus(kStatusOk, {});
}

BlockHandle RealImagingBackend::Resample(const std::uint8_t* pixels, int width, int height,
                                         int newWidth, int newHeight) {
    if (pixels == nullptr || !IsPictureSizeAllowed(width, height)) {
        SetStatus(kStatusBadArgument, "no picture to resample");
        return nullptr;
    }
    if (newWidth < 1 || newHeight < 1) {
        SetStatus(kStatusBadArgument, "new size below 1 pixel");
        return nullptr;
    }
    if (!IsPictureSizeAllowed(newWidth, newHeight)) {
        SetStatus(kStatusTooLarge, "new size too large");
        return nullptr;
    }
    BlockHandle result = ResamplePicture(pixels, width, height, newWidth, newHeight);
    if (!result) {
        SetStatus(kStatusOutOfMemory, "out of memory resampling the picture");
        return nullptr;
    }
    SetStatus(kStatusOk, {});
    return result;
}
