#pragma once
// The imaging backend the programs use: opens a file, runs the codec of its format
// over it, keeps the comments of the last JPEG and the text entries of the last PNG,
// draws through the device context and resamples. After a load, Status tells what
// kind of failure it was, and StatusReason why; after a load that gave a picture
// not whole, StatusReason says what was wrong with it (status 0).

#include <string>
#include <vector>

#include "image/Codecs.h"
#include "image/FileBytes.h"
#include "image/ImageFormats.h"
#include "image/ImagingBackend.h"

class RealImagingBackend : public ImagingBackend {
public:
    // Status codes; 0 is success. Chosen apart from ImageFile's own results.
    enum Status {
        kStatusOk = 0,
        kStatusUnreadable = 20,       // file missing, not a regular file, or a read error
        kStatusNotAPicture = 21,      // not a picture of the format
        kStatusTooLarge = 22,         // file or requested picture size beyond the limits
        kStatusOutOfMemory = 23,      // no memory for the picture
        kStatusBadArgument = 24,      // no pixels or no device context, or a size below 1
        kStatusDamaged = 25,          // a broken header, or not one row could be decoded
        kStatusUnsupportedKind = 26,  // a kind of the format that is not read
    };
    static int StatusOf(LoadFailure failure);

    void Startup() override {}
    void SetLoadHint(const LoadHint& hint) override { m_hint = hint; }
    void SetLoadBytes(ByteSource* bytes) override { m_bytes = bytes; }

    BlockHandle LoadBmp(const std::string& path, int& width, int& height) override;
    BlockHandle LoadJpeg(const std::string& path, int& width, int& height) override;
    BlockHandle LoadTiff(const std::string& path, int& width, int& height) override;
    BlockHandle LoadPcx(const std::string& path, int& width, int& height) override;
    BlockHandle LoadPng(const std::string& path, int& width, int& height) override;

    // Comments are kept only when asked for since the last reset.
    void ResetJpegOptions() override;
    void KeepJpegComments() override;
    unsigned JpegCommentCount() override;
    BlockHandle JpegComment(unsigned index) override;

    void SetPngBackground(std::uint8_t red, std::uint8_t green, std::uint8_t blue) override;
    double SetPngGamma(double gamma) override;
    unsigned PngTextCount() override;
    BlockHandle PngTextKeyword(unsigned index) override;
    BlockHandle PngText(unsigned index) override;

    void Draw(DeviceContext* dc, const PictureView& picture, int x, int y, int width, int height,
              int extentX, int extentY, int flags) override;
    BlockHandle Resample(const std::uint8_t* pixels, int width, int height, int newWidth,
                         int newHeight) override;

    // Of the last load, draw or resample; the comment and text calls leave it alone.
    int Status() override { return m_status; }
    std::string StatusReason() override { return m_reason; }

private:
    BlockHandle Load(const std::string& path, ImageFormat::Number number, int& width, int& height);
    ByteSource* SourceFor(const std::string& path, OpenedSource& opened);
    BlockHandle Finish(DecodeResult result, int& width, int& height);
    void SetStatus(int status, std::string reason);

    LoadHint m_hint;
    ByteSource* m_bytes = nullptr;
    int m_status = kStatusOk;
    std::string m_reason;
    bool m_keepJpegComments = false;
    std::vector<std::string> m_jpegComments;
    CodecSettings m_codecSettings;
    std::vector<CodecText> m_pngTexts;
};
