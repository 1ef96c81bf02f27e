#include "image/ImageFile.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace {

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
    if (image.m_format == ImageFormat::kJpeg)
        return &image.m_comments;
    if (image.m_format == ImageFormat::kPng)
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
    Free();
    m_failure.clear();
    m_damage.clear();
    m_format = ImageFormat::kNone;  // until a picture comes
    const ImageFormat* format = FormatOfPath(path);
    if (!format) {
        m_failure = "unsupported file type";
        return kNotLoaded;
    }
    int width = 0;
    int height = 0;
    m_backend.SetLoadBytes(m_bytes);
    BlockHandle picture = LoadPicture(*format, path, width, height);
    m_backend.SetLoadBytes(nullptr);  // lent for this load only
    const int status = m_backend.Status();
    if (!picture)
        return LoadFailed(status);
    m_hImage = std::move(picture);
    m_format = format->number;
    m_width = width;
    m_height = height;
    m_path = path;
    m_damage = m_backend.StatusReason();
    return status;
}

BlockHandle ImageFile::LoadPicture(const ImageFormat& format, const std::string& path, int& width,
                                   int& height) {
    m_backend.SetLoadHint(m_loadHint);
    switch (format.number) {
        case ImageFormat::kJpeg:
            return LoadJpeg(path, width, height);
        case ImageFormat::kPng:
            return LoadPng(path, width, height);
        default:
            return (m_backend.*format.load)(path, width, height);
    }
}

BlockHandle ImageFile::LoadJpeg(const std::string& path, int& width, int& height) {
    m_backend.ResetJpegOptions();
    m_backend.KeepJpegComments();
    m_comments.clear();
    BlockHandle picture = m_backend.LoadJpeg(path, width, height);
    // Comments are gathered even when the pixels failed.
    const unsigned count = m_backend.JpegCommentCount();
    for (unsigned i = 0; i < count; ++i) {
        BlockHandle block = m_backend.JpegComment(i);
        if (const std::uint8_t* text = LockBlock(block)) {
            m_comments.push_back(TextOf(text, block->Size()));
            block->Unlock();
        }
    }
    return picture;
}

BlockHandle ImageFile::LoadPng(const std::string& path, int& width, int& height) {
    m_backend.SetPngBackground(m_background.red, m_background.green, m_background.blue);
    m_backend.SetPngGamma(m_gamma);
    BlockHandle picture = m_backend.LoadPng(path, width, height);
    m_pngTexts.clear();
    if (!picture)
        return picture;
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
    return picture;
}

// No picture: the backend's reason, or its status when it gave none.
int ImageFile::LoadFailed(int status) {
    m_failure = m_backend.StatusReason();
    if (m_failure.empty())
        m_failure = "cannot be loaded (status " + std::to_string(status) + ")";
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
