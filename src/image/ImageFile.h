#pragma once
// A loaded picture with its size and text comments, read through the imaging
// backend by the file's extension. The document owns one; the view draws it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/ByteSource.h"
#include "image/ImageFormats.h"
#include "image/ImagingBackend.h"
#include "image/MemoryBlock.h"
#include "image/PictureTypes.h"
#include "platform/DeviceContext.h"

class ImageFile {
public:
    // Result codes of Load, Draw and Resize; any other value is the backend's status.
    enum Result {
        kSuccess = 0,     // loaded, drawn or resampled
        kLockFailed = 1,  // the picture memory could not be locked
        kNotLoaded = 2,   // empty path, unsupported extension, or no picture from the loader
        kNoPicture = 5,   // nothing held (or no device context to draw on)
    };

    explicit ImageFile(ImagingBackend& backend);
    ~ImageFile();
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    int Load(const std::string& path);
    void Free();
    bool HasImage() const { return m_hImage != nullptr; }
    std::uint8_t* Lock();
    void UnlockAll();
    int GetCommentCount() const;
    std::string GetComment(int index) const;
    int Draw(DeviceContext* dc, int x, int y, int extentX, int extentY, int flags);
    int Resize(int newWidth, int newHeight);

    // The pixels as held, for a reader that only looks (tsn-dump --ppm, the Qt view).
    PictureView Picture() const;
    // The size of the pixels held: after a hinted load it may be below m_width x
    // m_height, and it is 0 x 0 after a header-only load.
    Size HeldSize() const;

    std::string m_path;
    int m_format = ImageFormat::kNone;  // an ImageFormat::Number
    int m_width = 0;
    int m_height = 0;
    BlockHandle m_hImage;
    std::vector<std::string> m_comments;
    std::vector<std::string> m_pngTexts;
    Rgb m_background;
    double m_gamma = 2.2;
    // Passed to the backend before every load: what the caller will ask for next.
    LoadHint m_loadHint;
    // Passed to the backend before every load: the file's bytes, when the caller has
    // read them already, for the load to read instead of the file (nullptr: it reads
    // the file).
    ByteSource* m_bytes = nullptr;
    // Device pixels per logical pixel of the screen that shows the picture. Resize
    // holds the new size times this (DeviceSize), and Draw still draws it into
    // m_width x m_height logical units; 1 everywhere but on a high-density screen.
    double m_devicePixelRatio = 1.0;
    // After a load that gave no picture: why (the backend's reason, or that the type is
    // not supported). After one that gave a picture not whole: what was wrong with it.
    // Empty otherwise.
    std::string m_failure;
    std::string m_damage;

private:
    // The format's loader, with the calls the backend expects around it.
    BlockHandle LoadPicture(const ImageFormat& format, const std::string& path, int& width,
                            int& height);
    BlockHandle LoadJpeg(const std::string& path, int& width, int& height);
    BlockHandle LoadPng(const std::string& path, int& width, int& height);
    int LoadFailed(int status);

    ImagingBackend& m_backend;
};

// The size at which a width x height picture is shown fitted into maxWidth x maxHeight.
// A limit below 1 is no limit on that side.
Size FitToBox(int width, int height, int maxWidth, int maxHeight);

// The pixels held for a picture shown at `logical` size on a screen with `ratio`
// device pixels per logical one: logical times ratio, but along each axis never
// more than the larger of the logical size and `limit` (the picture it is made from).
Size DeviceSize(Size logical, double ratio, Size limit);

// The size the hint says a width x height picture is resampled to, when that is a
// real reduction (at least 1 x 1 and below the full size along some axis); nullopt
// when the picture is wanted whole.
std::optional<Size> HintedSize(const LoadHint& hint, int width, int height);
