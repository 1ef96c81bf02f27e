// TIFF reading through libtiff over the bytes in memory: the first directory, in
// whatever form libtiff's RGBA interface reads, fetched in bands of rows so no
// second full-size buffer is held, and turned to the file's orientation here.

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "image/Decoders.h"
#include "image/RasterDecoders.h"
#include "image/RasterOutput.h"

namespace {

// Rows are fetched in bands of about this many bytes of RGBA.
constexpr std::size_t kBandBytes = std::size_t{32} << 20;
// libtiff refuses any single allocation above this (hostile strip sizes).
constexpr tmsize_t kMaxLibraryAllocation = tmsize_t{512} << 20;

struct MemorySource {
    ByteSpan bytes;
    std::uint64_t position = 0;
};

tmsize_t SourceRead(thandle_t handle, void* buffer, tmsize_t size) {
    auto* source = static_cast<MemorySource*>(handle);
    if (size <= 0 || source->position >= source->bytes.size)
        return 0;
    const std::uint64_t count =
        std::min<std::uint64_t>(std::uint64_t(size), source->bytes.size - source->position);
    std::memcpy(buffer, source->bytes.data + source->position, count);
    source->position += count;
    return tmsize_t(count);
}

tmsize_t SourceWrite(thandle_t, void*, tmsize_t) {
    return -1;
}

toff_t SourceSeek(thandle_t handle, toff_t offset, int whence) {
    auto* source = static_cast<MemorySource*>(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = source->position;
    else if (whence == SEEK_END)
        base = source->bytes.size;
    if (offset > UINT64_MAX - base)
        return toff_t(-1);
    source->position = base + offset;
    return source->position;
}

int SourceClose(thandle_t) {
    return 0;
}
toff_t SourceSize(thandle_t handle) {
    return static_cast<MemorySource*>(handle)->bytes.size;
}

// The bytes are already in memory: hand them to libtiff as its mapped file.
int SourceMap(thandle_t handle, void** base, toff_t* size) {
    auto* source = static_cast<MemorySource*>(handle);
    *base = const_cast<std::uint8_t*>(source->bytes.data);
    *size = source->bytes.size;
    return 1;
}
void SourceUnmap(thandle_t, void*, toff_t) {}

// libtiff's messages for one file: the first error is kept as the reason.
struct Messages {
    std::string firstError;
};

int OnError(TIFF*, void* userData, const char* module, const char* format, va_list args) {
    auto* messages = static_cast<Messages*>(userData);
    if (messages->firstError.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        messages->firstError = text;
        if (messages->firstError.empty() && module)
            messages->firstError = module;
        std::replace(messages->firstError.begin(), messages->firstError.end(), '\n', ' ');
    }
    return 1;  // handled: nothing goes to stderr
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

// Messages libtiff raises before a file handle exists go to the process-wide
// handlers; silence those once.
void SilenceGlobalHandlers() {
    static const bool silenced = [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
        return true;
    }();
    (void)silenced;
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

struct OptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

// Where one stored row lands in the picture: its first pixel and the step between
// neighbouring pixels, for each of the eight orientations.
struct RowPlacement {
    std::uint32_t* first;
    std::ptrdiff_t step;
};

// Unknown orientations read as top-left.
int KnownOrientation(int orientation) {
    return orientation >= 1 && orientation <= 8 ? orientation : ORIENTATION_TOPLEFT;
}

// Left-top to left-bottom store columns as rows: the picture is turned.
bool IsTransposed(int orientation) {
    return KnownOrientation(orientation) >= ORIENTATION_LEFTTOP;
}

class Orienter {
public:
    Orienter(int orientation, std::size_t width, std::size_t height, PictureRows& picture)
        : m_orientation(KnownOrientation(orientation)),
          m_width(std::ptrdiff_t(width)),
          m_height(std::ptrdiff_t(height)),
          m_picture(picture) {}

    RowPlacement Place(std::ptrdiff_t row) const {
        const std::ptrdiff_t stride = std::ptrdiff_t(m_picture.width);
        const std::ptrdiff_t w = m_width, h = m_height;
        std::uint32_t* base = m_picture.pixels;
        switch (m_orientation) {
            case ORIENTATION_TOPRIGHT:
                return {base + row * stride + w - 1, -1};
            case ORIENTATION_BOTRIGHT:
                return {base + (h - 1 - row) * stride + w - 1, -1};
            case ORIENTATION_BOTLEFT:
                return {base + (h - 1 - row) * stride, 1};
            case ORIENTATION_LEFTTOP:
                return {base + row, stride};
            case ORIENTATION_RIGHTTOP:
                return {base + h - 1 - row, stride};
            case ORIENTATION_RIGHTBOT:
                return {base + (w - 1) * stride + h - 1 - row, -stride};
            case ORIENTATION_LEFTBOT:
                return {base + (w - 1) * stride + row, -stride};
            default:
                return {base + row * stride, 1};
        }
    }

    // The whole picture starts black: nothing to do after a row or at the end.
    void Done(std::ptrdiff_t) const {}
    void Finish() const {}

private:
    int m_orientation;
    std::ptrdiff_t m_width;
    std::ptrdiff_t m_height;
    PictureRows& m_picture;
};

// Stored rows of a top-left picture straight into a shrinker; rows never reached
// are black, as in a whole picture.
class ShrinkPlacer {
public:
    ShrinkPlacer(const ShrinkingRows& rows, std::size_t width) : m_rows(rows), m_width(width) {}

    RowPlacement Place(std::ptrdiff_t row) const { return {m_rows.Row(std::size_t(row)), 1}; }
    void Done(std::ptrdiff_t row) const { m_rows.Done(std::size_t(row)); }
    void Finish() const {
        while (std::uint8_t* row = m_rows.shrinker.NextRow()) {
            FillBlack(reinterpret_cast<std::uint32_t*>(row), m_width);
            m_rows.shrinker.PushRow();
        }
    }

private:
    const ShrinkingRows& m_rows;
    std::size_t m_width;
};

// Writes one stored row's pixels, pixel(x) each, where the orientation puts them.
template <typename Pixel>
void PlaceRow(RowPlacement place, std::size_t width, Pixel pixel) {
    std::uint32_t* dst = place.first;
    if (place.step == 1) {
        for (std::size_t x = 0; x < width; ++x)
            dst[x] = pixel(x);
        return;
    }
    for (std::size_t x = 0; x < width; ++x, dst += place.step)
        *dst = pixel(x);
}

// libtiff packs R, G, B, A into the low to high bytes. It premultiplies
// unassociated alpha for colour pictures but not for grey ones; either way the
// colour over black is the premultiplied value.
void PlaceRgbaRow(const std::uint32_t* abgr, std::size_t width, RowPlacement place,
                  bool premultiply) {
    if (!premultiply) {
        PlaceRow(place, width, [abgr](std::size_t x) {
            const std::uint32_t v = abgr[x];
            return PackPixel(TIFFGetR(v), TIFFGetG(v), TIFFGetB(v));
        });
        return;
    }
    PlaceRow(place, width, [abgr](std::size_t x) {
        const std::uint32_t v = abgr[x], alpha = TIFFGetA(v);
        return PackPixel((TIFFGetR(v) * alpha + 127) / 255, (TIFFGetG(v) * alpha + 127) / 255,
                         (TIFFGetB(v) * alpha + 127) / 255);
    });
}

// Plain 8-bit RGB or grey in strips is read row by row: each strip is decoded
// once, in order, however tall it is, and no RGBA pass is needed.
bool ReadsByScanline(TIFF* tiff, const TIFFRGBAImage& image) {
    std::uint16_t planar = PLANARCONFIG_CONTIG, compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    const bool rgb = image.photometric == PHOTOMETRIC_RGB && image.samplesperpixel == 3;
    const bool grey = image.photometric == PHOTOMETRIC_MINISBLACK && image.samplesperpixel == 1;
    return !TIFFIsTiled(tiff) && planar == PLANARCONFIG_CONTIG && image.bitspersample == 8 &&
           (rgb || grey) && compression != COMPRESSION_JPEG && compression != COMPRESSION_OJPEG;
}

// False when a row could not be read; it and the rows after it stay black.
template <typename Placer>
bool ReadScanlines(TIFF* tiff, bool grey, const Placer& orienter, std::size_t width,
                   std::size_t height) {
    const tmsize_t lineSize = TIFFScanlineSize(tiff);
    if (lineSize <= 0 || std::uint64_t(lineSize) < width * (grey ? 1 : 3))
        return false;
    std::unique_ptr<std::uint8_t[]> line(new (std::nothrow) std::uint8_t[std::size_t(lineSize)]);
    if (!line)
        return false;
    const std::uint8_t* bytes = line.get();
    for (std::size_t row = 0; row < height; ++row) {
        if (TIFFReadScanline(tiff, line.get(), std::uint32_t(row), 0) < 0)
            return false;
        const RowPlacement place = orienter.Place(std::ptrdiff_t(row));
        if (grey)
            PlaceRow(place, width,
                     [bytes](std::size_t x) { return PackPixel(bytes[x], bytes[x], bytes[x]); });
        else
            PlaceRow(place, width, [bytes](std::size_t x) {
                const std::uint8_t* p = bytes + 3 * x;
                return PackPixel(p[0], p[1], p[2]);
            });
        orienter.Done(std::ptrdiff_t(row));
    }
    return true;
}

std::size_t BandRows(TIFF* tiff, std::size_t width, std::size_t height) {
    std::uint32_t unit = 0;
    if (TIFFIsTiled(tiff))
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &unit);
    else
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &unit);
    const std::size_t fitting = std::max<std::size_t>(1, kBandBytes / (width * 4));
    std::size_t band = fitting;
    // Whole strips or tiles per band, so none is decoded twice.
    if (unit > 0 && unit <= fitting)
        band = fitting / unit * unit;
    return std::min(band, height);
}

// Any other kind goes through libtiff's RGBA reader, in bands of whole strips or
// tiles. False when some band could not be read completely.
template <typename Placer>
bool ReadRgbaBands(TIFF* tiff, TIFFRGBAImage& image, const Placer& orienter, bool premultiply,
                   std::size_t width, std::size_t height) {
    const std::size_t band = BandRows(tiff, width, height);
    std::unique_ptr<std::uint32_t[]> buffer(new (std::nothrow) std::uint32_t[band * width]);
    if (!buffer)
        return false;
    std::uint32_t* raster = buffer.get();
    bool complete = true;
    for (std::size_t top = 0; top < height; top += band) {
        const std::size_t rows = std::min(band, height - top);
        std::memset(raster, 0, rows * width * sizeof(std::uint32_t));
        image.row_offset = int(top);
        image.col_offset = 0;
        if (!TIFFRGBAImageGet(&image, raster, std::uint32_t(width), std::uint32_t(rows)))
            complete = false;  // what was read stays; the rest of the band is black
        for (std::size_t r = 0; r < rows; ++r) {
            PlaceRgbaRow(raster + r * width, width, orienter.Place(std::ptrdiff_t(top + r)),
                         premultiply);
            orienter.Done(std::ptrdiff_t(top + r));
        }
    }
    return complete;
}

// `hint` (may be null) names a preview size for a top-left picture to be shrunk into.
DecodeResult Decode(ByteSpan file, std::uint64_t maxPixels, bool headerOnly, const LoadHint* hint) {
    DecodeResult result;
    SilenceGlobalHandlers();
    Messages messages;
    std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) {
        result.error = "TIFF reader could not start";
        return result;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, &messages);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), kMaxLibraryAllocation);
    MemorySource source{file, 0};
    std::unique_ptr<TIFF, TiffCloser> tiff(
        TIFFClientOpenExt("memory", "r", &source, SourceRead, SourceWrite, SourceSeek, SourceClose,
                          SourceSize, SourceMap, SourceUnmap, options.get()));
    if (!tiff) {
        result.error = "not a readable TIFF file";
        if (!messages.firstError.empty())
            result.error += ": " + messages.firstError;
        return result;
    }
    char reason[1024] = "";
    TIFFRGBAImage image;
    if (!TIFFRGBAImageOK(tiff.get(), reason) ||
        !TIFFRGBAImageBegin(&image, tiff.get(), 1, reason)) {
        result.error = std::string("unsupported TIFF: ") + reason;
        return result;
    }
    const std::size_t width = image.width, height = image.height;
    const bool transposed = IsTransposed(image.orientation);
    if (headerOnly) {
        AcceptHeaderOnly(std::int64_t(transposed ? height : width),
                         std::int64_t(transposed ? width : height), maxPixels, "TIFF", result);
        TIFFRGBAImageEnd(&image);
        return result;
    }
    // Read in stored order; the placement does the turning.
    image.req_orientation = image.orientation;
    const bool premultiply =
        image.alpha == EXTRASAMPLE_UNASSALPHA && (image.photometric == PHOTOMETRIC_MINISBLACK ||
                                                  image.photometric == PHOTOMETRIC_MINISWHITE);
    const bool byScanline = ReadsByScanline(tiff.get(), image);
    const bool grey = image.photometric == PHOTOMETRIC_MINISBLACK;
    bool complete = true;
    auto shrink = [&](const ShrinkingRows& rows) {
        const ShrinkPlacer placer(rows, width);
        complete = byScanline
                       ? ReadScanlines(tiff.get(), grey, placer, width, height)
                       : ReadRgbaBands(tiff.get(), image, placer, premultiply, width, height);
        placer.Finish();
    };
    if (hint && KnownOrientation(image.orientation) == ORIENTATION_TOPLEFT &&
        DecodeShrunk(std::int64_t(width), std::int64_t(height), *hint, "TIFF", result, shrink)) {
        if (result.pixels && !complete) {
            result.error = "TIFF pixels partly unreadable, shown black";
            if (!messages.firstError.empty())
                result.error += ": " + messages.firstError;
        }
        TIFFRGBAImageEnd(&image);
        return result;
    }
    PictureRows picture;
    if (!AllocatePicture(std::int64_t(transposed ? height : width),
                         std::int64_t(transposed ? width : height), maxPixels, "TIFF", result,
                         picture)) {
        TIFFRGBAImageEnd(&image);
        return result;
    }
    const Orienter orienter(image.orientation, width, height, picture);
    FillBlack(picture.pixels, picture.width * picture.height);
    complete = byScanline ? ReadScanlines(tiff.get(), grey, orienter, width, height)
                          : ReadRgbaBands(tiff.get(), image, orienter, premultiply, width, height);
    if (!complete) {
        result.error = "TIFF pixels partly unreadable, shown black";
        if (!messages.firstError.empty())
            result.error += ": " + messages.firstError;
    }
    TIFFRGBAImageEnd(&image);
    return result;
}

DecodeResult DecodeOrReadHeader(ByteSpan file, std::uint64_t maxPixels, bool headerOnly,
                                const LoadHint* hint = nullptr) {
    if (!file.data || file.size < 8)
        return DecodeResult{nullptr, 0, 0, "not a readable TIFF file"};
    try {
        return Decode(file, maxPixels, headerOnly, hint);
    } catch (const std::bad_alloc&) {
        return DecodeResult{nullptr, 0, 0, "TIFF picture needs more memory than is available"};
    }
}

}  // namespace

DecodeResult DecodeTiffWithin(ByteSpan file, std::uint64_t maxPixels) {
    return DecodeOrReadHeader(file, maxPixels, false);
}

DecodeResult DecodeTiff(ByteSpan file) {
    return DecodeTiffWithin(file, kMaxPicturePixels);
}

DecodeResult DecodeTiffForHint(ByteSpan file, const LoadHint& hint) {
    return DecodeOrReadHeader(file, kMaxPicturePixels, false, &hint);
}

DecodeResult ReadTiffHeader(ByteSpan file) {
    return DecodeOrReadHeader(file, kMaxPicturePixels, true);
}
