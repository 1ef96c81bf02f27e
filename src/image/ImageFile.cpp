#include "image/ImageFile.h"

#include <algorithm>
#include <cmath>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Everything from the last '.' on, trailing blanks removed and in lower case;
// empty when the path has no dot.
std::string LowerExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos)
        return {};
    std::string ext = path.substr(dot);
    while (!ext.empty() && IsBlank(ext.back()))
        ext.pop_back();
    for (char& c : ext)
        c = LowerAscii(c);
    return ext;
}

// The text of a locked NUL-terminated block, up to its first NUL (or the block's
// end, should it lack one).
std::string TextOf(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t* end = std::find(data, data + size, std::uint8_t{0});
    return std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(end - data));
}

// Locks a block handed out by the backend; nullptr when there is none or it
// cannot be locked.
const std::uint8_t* LockBlock(const BlockHandle& block) {
    return block ? block->Lock() : nullptr;
}

void UnlockBlock(const BlockHandle& block) {
    if (block)
        block->Unlock();
}

// The comment list that counts for the format of the last load.
const std::vector<std::string>* CommentListOf(const ImageFile& image) {
    if (image.m_format == ImageFile::kFormatJpeg)
        return &image.m_comments;
    if (image.m_format == ImageFile::kFormatPng)
        return &image.m_pngTexts;
    return nullptr;
}

}  // namespace

ImageFile::ImageFile(ImagingBackend& backend) : m_backend(backend) {}

ImageFile::~ImageFile() {
    Free();
}

int ImageFile::Load(const std::string& path) {
    if (path.empty())
        return kNotLoaded;
    const std::string ext = LowerExtension(path);
    Free();
    m_failure.clear();
    m_damage.clear();
    m_format = kFormatNone;  // until a loader is chosen

    BlockHandle picture;
    int width = 0;
    int height = 0;
    m_backend.SetLoadHint(m_loadHint);
    if (ext == ".bmp") {
        picture = m_backend.LoadBmp(path, width, height);
        m_format = kFormatBmp;
    } else if (ext == ".jpg" || ext == ".jpeg") {
        m_backend.ResetJpegOptions();
        m_backend.KeepJpegComments();
        m_comments.clear();
        picture = m_backend.LoadJpeg(path, width, height);
        m_format = kFormatJpeg;
        // Comments are gathered even when the pixels failed.
        const unsigned count = m_backend.JpegCommentCount();
        for (unsigned i = 0; i < count; ++i) {
            BlockHandle block = m_backend.JpegComment(i);
            if (const std::uint8_t* text = LockBlock(block)) {
                m_comments.push_back(TextOf(text, block->Size()));
                block->Unlock();
            }
        }
    } else if (ext == ".tif" || ext == ".tiff") {
        picture = m_backend.LoadTiff(path, width, height);
        m_format = kFormatTiff;
    } else if (ext == ".pcx") {
        picture = m_backend.LoadPcx(path, width, height);
        m_format = kFormatPcx;
    } else if (ext == ".png") {
        m_backend.SetPngBackground(m_background.red, m_background.green, m_background.blue);
        m_backend.SetPngGamma(m_gamma);
        picture = m_backend.LoadPng(path, width, height);
        m_pngTexts.clear();
        if (picture) {
            const unsigned count = m_backend.PngTextCount();
            for (unsigned i = 0; i < count; ++i) {
                BlockHandle keyword = m_backend.PngTextKeyword(i);
                if (!LockBlock(keyword))
                    continue;
                BlockHandle text = m_backend.PngText(i);
                if (const std::uint8_t* data = LockBlock(text)) {
                    m_pngTexts.push_back(TextOf(data, text->Size()));
                    UnlockBlock(text);
                }
                UnlockBlock(keyword);
            }
        }
        m_format = kFormatPng;
    }

    if (m_format == kFormatNone) {
        m_failure = "unsupported file type";
        return kNotLoaded;
    }
    const int status = m_backend.Status();
    if (picture) {
        m_hImage = std::move(picture);
        m_width = width;
        m_height = height;
        m_path = path;
        m_damage = m_backend.StatusReason();
        return status;
    }
    m_failure = m_backend.StatusReason();
    if (m_failure.empty())
        m_failure = "cannot be loaded (status " + std::to_string(status) + ")";
    m_width = 0;
    m_height = 0;
    m_format = kFormatNone;
    return kNotLoaded;
}

void ImageFile::Free() {
    UnlockAll();
    m_hImage.reset();
    m_width = 0;
    m_height = 0;
}

std::uint8_t* ImageFile::Lock() {
    return HasImage() ? m_hImage->Lock() : nullptr;
}

void ImageFile::UnlockAll() {
    if (!m_hImage)
        return;
    while (m_hImage->Unlock()) {
    }
}

int ImageFile::GetCommentCount() const {
    const std::vector<std::string>* list = CommentListOf(*this);
    return list ? static_cast<int>(list->size()) : 0;
}

std::string ImageFile::GetComment(int index) const {
    // An index outside the list gives an empty text rather than a stray read.
    const std::vector<std::string>* list = CommentListOf(*this);
    if (!list || index < 0 || static_cast<std::size_t>(index) >= list->size())
        return {};
    return (*list)[static_cast<std::size_t>(index)];
}

int ImageFile::Draw(DeviceContext* dc, int x, int y, int extentX, int extentY, int flags) {
    if (!HasImage() || dc == nullptr)
        return kNoPicture;
    const std::uint8_t* pixels = Lock();
    if (pixels == nullptr)
        return kLockFailed;
    const Size held = HeldSize();
    // Whatever it holds, the picture covers its own size in logical units.
    m_backend.Draw(dc, PictureView{pixels, held.cx, held.cy}, x, y, m_width, m_height, extentX,
                   extentY, flags);
    UnlockAll();
    return m_backend.Status();
}

int ImageFile::Resize(int newWidth, int newHeight) {
    if (!HasImage())
        return kNoPicture;
    const Size held = HeldSize();
    const Size wanted{newWidth, newHeight};
    const Size target = DeviceSize(wanted, m_devicePixelRatio, Size{m_width, m_height});
    // Pixels already at the size asked for (the loader decoded them reduced, or the
    // screen wants more than the logical size) need no resample.
    const bool reduced = held != Size{m_width, m_height};
    if ((reduced || target != wanted) && held == target && newWidth > 0 && newHeight > 0) {
        m_hImage->SetPictureSize(held.cx, held.cy);
        m_width = newWidth;
        m_height = newHeight;
        return kSuccess;
    }
    const std::uint8_t* pixels = Lock();
    if (pixels == nullptr)
        return kLockFailed;
    BlockHandle resampled = m_backend.Resample(pixels, held.cx, held.cy, target.cx, target.cy);
    UnlockAll();
    if (resampled) {
        Free();
        m_hImage = std::move(resampled);
        m_hImage->SetPictureSize(target.cx, target.cy);
        m_width = newWidth;
        m_height = newHeight;
    }
    return m_backend.Status();
}

PictureView ImageFile::Picture() const {
    if (!HasImage())
        return {};
    const Size held = HeldSize();
    return PictureView{m_hImage->Data(), held.cx, held.cy};
}

Size ImageFile::HeldSize() const {
    if (m_hImage && m_hImage->HasPictureSize())
        return {m_hImage->PictureWidth(), m_hImage->PictureHeight()};
    return {m_width, m_height};
}

std::optional<Size> HintedSize(const LoadHint& hint, int width, int height) {
    Size size{width, height};
    if (hint.kind == LoadHint::kHalfSize)
        size = Size{width / 2, height / 2};
    else if (hint.kind == LoadHint::kFitInBox)
        size = FitToBox(width, height, hint.maxWidth, hint.maxHeight);
    if (size.cx < 1 || size.cy < 1)
        return std::nullopt;
    size = DeviceSize(size, hint.devicePixelRatio, Size{width, height});
    if (size.cx > width || size.cy > height || size == Size{width, height})
        return std::nullopt;
    return size;
}

Size DeviceSize(Size logical, double ratio, Size limit) {
    auto axis = [ratio](int length, int most) {
        if (length < 1 || !(ratio > 0))
            return length;
        const double scaled = std::round(static_cast<double>(length) * ratio);
        return static_cast<int>(std::min(scaled, static_cast<double>(std::max(length, most))));
    };
    return {axis(logical.cx, limit.cx), axis(logical.cy, limit.cy)};
}

Size FitToBox(int width, int height, int maxWidth, int maxHeight) {
    if (width < 1 || height < 1)
        return {width, height};
    // A limit below 1 leaves its side free: a ratio of at least 1 never limits.
    const float rx = maxWidth < 1 ? 1.0f : static_cast<float>(maxWidth) / static_cast<float>(width);
    const float ry =
        maxHeight < 1 ? 1.0f : static_cast<float>(maxHeight) / static_cast<float>(height);
    if (rx >= 1.0f && ry >= 1.0f)
        return {width, height};
    if (ry > rx)
        return {maxWidth, static_cast<int>(static_cast<double>(rx) * height)};
    return {static_cast<int>(static_cast<double>(ry) * width), maxHeight};
}
