#pragma once
// The imaging library behind ImageFile: one operation per service the wrapper
// calls, named by its role. RealImagingBackend decodes files; tests use fakes.
// Blocks handed out are owned by the caller.

#include <cstdint>
#include <string>

#include "image/MemoryBlock.h"
#include "image/PictureTypes.h"
#include "platform/DeviceContext.h"

class ByteSource;

class ImagingBackend {
public:
    virtual ~ImagingBackend() = default;

    // Once per run, before any other call.
    virtual void Startup() = 0;

    // Loaders: the decoded picture (see kPictureBytesPerPixel) or nullptr; on
    // success width and height hold the picture's size in pixels.
    virtual BlockHandle LoadBmp(const std::string& path, int& width, int& height) = 0;
    virtual BlockHandle LoadJpeg(const std::string& path, int& width, int& height) = 0;
    virtual BlockHandle LoadTiff(const std::string& path, int& width, int& height) = 0;
    virtual BlockHandle LoadPcx(const std::string& path, int& width, int& height) = 0;
    virtual BlockHandle LoadPng(const std::string& path, int& width, int& height) = 0;

    // Applies to the loads that follow. A loader may then hand out a smaller picture
    // that still covers the size the hint names (no smaller than it along either axis),
    // with its size on the block (MemoryBlock::SetPictureSize); without a hint, or a
    // backend that ignores it, every picture comes at full size.
    virtual void SetLoadHint(const LoadHint&) {}
    // Applies to the loads that follow: they read these bytes, the file's as the caller
    // has read them, instead of the file they name (nullptr: they read the file). A
    // backend that reads no files ignores it.
    virtual void SetLoadBytes(ByteSource*) {}

    // The two calls made before every JPEG load, in this order.
    virtual void ResetJpegOptions() = 0;
    virtual void KeepJpegComments() = 0;
    // The comment (COM) segments of the last JPEG load, in file order; each block
    // is a NUL-terminated text.
    virtual unsigned JpegCommentCount() = 0;
    virtual BlockHandle JpegComment(unsigned index) = 0;

    // Set before every PNG load: the colour transparent pixels are composited on,
    // and the display gamma (returns the gamma in force before).
    virtual void SetPngBackground(std::uint8_t red, std::uint8_t green, std::uint8_t blue) = 0;
    virtual double SetPngGamma(double gamma) = 0;
    // The text entries (tEXt, zTXt, iTXt) of the last PNG load, in file order.
    virtual unsigned PngTextCount() = 0;
    virtual BlockHandle PngTextKeyword(unsigned index) = 0;
    virtual BlockHandle PngText(unsigned index) = 0;

    // Draws the picture into the logical rectangle (x, y, width, height), which may
    // differ from the picture's own size on a high-density screen. The two extents and
    // the flag are passed through from the caller (the view gives 1200, 1200, 0).
    virtual void Draw(DeviceContext* dc, const PictureView& picture, int x, int y, int width,
                      int height, int extentX, int extentY, int flags) = 0;
    // A new picture of the new size, or nullptr; the old picture is left alone.
    virtual BlockHandle Resample(const std::uint8_t* pixels, int width, int height, int newWidth,
                                 int newHeight) = 0;

    // Status of the last operation: 0 success, else a code of the backend's own.
    virtual int Status() = 0;
    // One line telling why the last operation failed (empty after a success).
    virtual std::string StatusReason() = 0;
};
