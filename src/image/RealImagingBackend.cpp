#include "image/RealImagingBackend.h"

#include <new>

#include "image/Resampler.h"

int RealImagingBackend::StatusOf(LoadFailure failure) {
    switch (failure) {
        case LoadFailure::kNone:
            return kStatusOk;
        case LoadFailure::kUnreadable:
        case LoadFailure::kUnsupportedType:
            return kStatusUnreadable;
        case LoadFailure::kNotAPicture:
            return kStatusNotAPicture;
        case LoadFailure::kDamaged:
            return kStatusDamaged;
        case LoadFailure::kUnsupportedKind:
            return kStatusUnsupportedKind;
        case LoadFailure::kTooLarge:
            return kStatusTooLarge;
        case LoadFailure::kOutOfMemory:
            return kStatusOutOfMemory;
    }
    return kStatusDamaged;
}

void RealImagingBackend::SetStatus(int status, std::string reason) {
    m_status = status;
    m_reason = std::move(reason);
}

BlockHandle RealImagingBackend::Finish(DecodeResult result, int& width, int& height) {
    if (!result.pixels) {
        SetStatus(StatusOf(result.failure), std::move(result.error));
        return nullptr;
    }
    width = result.width;
    height = result.height;
    // A picture that was partly decoded is a success that still says what was missing.
    SetStatus(kStatusOk, std::move(result.damage));
    return std::move(result.pixels);
}

BlockHandle RealImagingBackend::Load(const std::string& path, ImageFormat::Number number,
                                     int& width, int& height) {
    if (number == ImageFormat::kPng)
        m_pngTexts.clear();
    if (number == ImageFormat::kJpeg)
        m_jpegComments.clear();
    OpenedSource opened;
    ByteSource* source = SourceFor(path, opened);
    if (!source) {
        SetStatus(StatusOf(opened.failure), std::move(opened.error));
        return nullptr;
    }
    DecodeResult result;
    try {
        std::unique_ptr<Codec> codec = FormatNumbered(number)->makeCodec(*source, m_codecSettings);
        result = RunCodec(*codec, m_hint);
        if (number == ImageFormat::kPng)
            m_pngTexts = std::move(codec->Texts());
        // Comments are kept also when the pixels fail, and only when asked for.
        if (number == ImageFormat::kJpeg && m_keepJpegComments)
            for (CodecText& text : codec->Texts())
                m_jpegComments.push_back(std::move(text.text));
    } catch (const std::bad_alloc&) {
        result = DecodeResult{};
        result.failure = LoadFailure::kOutOfMemory;
        result.error = "not enough memory to load the picture";
    }
    return Finish(std::move(result), width, height);
}

// The bytes handed over, else the file opened; nullptr, with the failure in `opened`,
// when there are none to read. Bytes handed over are held to the limits of a file.
ByteSource* RealImagingBackend::SourceFor(const std::string& path, OpenedSource& opened) {
    if (m_bytes == nullptr) {
        opened = OpenImageSource(path);
        return opened.source.get();
    }
    if (m_bytes->Size() <= kMaxFileBytes)
        return m_bytes;
    opened.failure = LoadFailure::kTooLarge;
    opened.error = kFileTooLarge;
    return nullptr;
}

BlockHandle RealImagingBackend::LoadBmp(const std::string& path, int& width, int& height) {
    return Load(path, ImageFormat::kBmp, width, height);
}

BlockHandle RealImagingBackend::LoadTiff(const std::string& path, int& width, int& height) {
    return Load(path, ImageFormat::kTiff, width, height);
}

BlockHandle RealImagingBackend::LoadPcx(const std::string& path, int& width, int& height) {
    return Load(path, ImageFormat::kPcx, width, height);
}

BlockHandle RealImagingBackend::LoadPng(const std::string& path, int& width, int& height) {
    return Load(path, ImageFormat::kPng, width, height);
}

BlockHandle RealImagingBackend::LoadJpeg(const std::string& path, int& width, int& height) {
    return Load(path, ImageFormat::kJpeg, width, height);
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
    m_codecSettings.background = Rgb{red, green, blue};
}

double RealImagingBackend::SetPngGamma(double gamma) {
    const double previous = m_codecSettings.displayGamma;
    m_codecSettings.displayGamma = gamma;
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
