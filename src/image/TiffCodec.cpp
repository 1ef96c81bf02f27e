// TIFF reading through libtiff from the file as it goes: the first directory, in
// whatever form libtiff's RGBA interface reads, fetched in bands of rows, or row by row
// for plain strips and for grey and CMYK samples of depths that interface does not
// read; turned to the file's orientation here.

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "image/Codecs.h"
#include "image/LibTiff.h"
#include "image/RasterPixels.h"

namespace {

// Rows are fetched in bands of about this many bytes of RGBA.
constexpr std::size_t kBandBytes = std::size_t{4} << 20;
// libtiff refuses any single allocation above this (hostile strip sizes).
constexpr tmsize_t kMaxLibraryAllocation = tmsize_t{512} << 20;

struct SourceCursor {
    ByteSource* source;
    std::uint64_t position = 0;
    bool outOfMemory = false;  // a read could not get its buffer
};

tmsize_t SourceRead(thandle_t handle, void* buffer, tmsize_t size) {
    auto* cursor = static_cast<SourceCursor*>(handle);
    if (size <= 0)
        return 0;
    const std::size_t count = cursor->source->Available(cursor->position, std::size_t(size));
    // No exception may cross libtiff's C frames: it would leak what libtiff holds.
    try {
        if (count == 0 ||
            !cursor->source->ReadAt(cursor->position, count, static_cast<std::uint8_t*>(buffer)))
            return 0;
    } catch (const std::bad_alloc&) {
        cursor->outOfMemory = true;
        return -1;
    }
    cursor->position += count;
    return tmsize_t(count);
}

tmsize_t SourceWrite(thandle_t, void*, tmsize_t) {
    return -1;
}

toff_t SourceSeek(thandle_t handle, toff_t offset, int whence) {
    auto* cursor = static_cast<SourceCursor*>(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = cursor->position;
    else if (whence == SEEK_END)
        base = cursor->source->Size();
    if (offset > UINT64_MAX - base)
        return toff_t(-1);
    cursor->position = base + offset;
    return cursor->position;
}

int SourceClose(thandle_t) {
    return 0;
}
toff_t SourceSize(thandle_t handle) {
    return static_cast<SourceCursor*>(handle)->source->Size();
}
// The file is read, never mapped (see ByteSource): a mapped file that shrinks while it
// is read faults instead of failing the read.
int SourceMap(thandle_t, void**, toff_t*) {
    return 0;
}
void SourceUnmap(thandle_t, void*, toff_t) {}

// libtiff's messages for one file: the first error is kept as the reason. libtiff
// words a failed allocation many ways; the allocator's ENOMEM tells it apart.
struct Messages {
    std::string firstError;
    bool outOfMemory = false;
};

int OnError(TIFF*, void* userData, const char* module, const char* format, va_list args) {
    auto* messages = static_cast<Messages*>(userData);
    if (errno == ENOMEM)
        messages->outOfMemory = true;
    errno = 0;  // the next error is judged by what fails after this one
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

// libtiff 4.5 keeps the length of JPEG tables it found no memory to copy, and would
// hand libjpeg a null pointer with it.
bool LostJpegTables(TIFF* tiff) {
    std::uint16_t compression = COMPRESSION_NONE;
    std::uint32_t count = 0;
    const void* tables = nullptr;
    return Tiff().GetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression) &&
           compression == COMPRESSION_JPEG &&
           Tiff().GetField(tiff, TIFFTAG_JPEGTABLES, &count, &tables) && count > 0 && !tables;
}

// Messages libtiff raises before a file handle exists go to the process-wide
// handlers; silence those once.
void SilenceGlobalHandlers() {
    static const bool silenced = [] {
        Tiff().SetErrorHandler(nullptr);
        Tiff().SetWarningHandler(nullptr);
        return true;
    }();
    (void)silenced;
}

struct FreeBlock {
    void operator()(void* block) const { std::free(block); }
};

struct OptionsFree {
    void operator()(TIFFOpenOptions* options) const { Tiff().OpenOptionsFree(options); }
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

// Stored rows into a whole picture, turned as the file says.
class Orienter {
public:
    Orienter(int orientation, std::size_t width, std::size_t height, RowSink& sink)
        : m_orientation(KnownOrientation(orientation)),
          m_width(std::ptrdiff_t(width)),
          m_height(std::ptrdiff_t(height)),
          m_pixels(sink.Pixels()) {}

    RowPlacement Place(std::ptrdiff_t row) const {
        const bool transposed = m_orientation >= ORIENTATION_LEFTTOP;
        const std::ptrdiff_t stride = transposed ? m_height : m_width;
        const std::ptrdiff_t w = m_width, h = m_height;
        std::uint32_t* base = m_pixels;
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

    // The whole picture starts black: nothing to do after a row or for rows missing.
    void Done(std::ptrdiff_t) const {}
    void Skip(std::size_t) const {}

private:
    int m_orientation;
    std::ptrdiff_t m_width;
    std::ptrdiff_t m_height;
    std::uint32_t* m_pixels;
};

// Stored rows of a top-left picture, in order, into any sink.
class InOrder {
public:
    explicit InOrder(RowSink& sink) : m_sink(sink) {}
    RowPlacement Place(std::ptrdiff_t row) const { return {m_sink.Row(std::size_t(row)), 1}; }
    void Done(std::ptrdiff_t row) const { m_sink.Done(std::size_t(row)); }
    void Skip(std::size_t count) const { m_sink.Skip(count); }

private:
    RowSink& m_sink;
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
    Tiff().GetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    Tiff().GetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    const bool rgb = image.photometric == PHOTOMETRIC_RGB && image.samplesperpixel == 3;
    const bool grey = image.photometric == PHOTOMETRIC_MINISBLACK && image.samplesperpixel == 1;
    return !Tiff().IsTiled(tiff) && planar == PLANARCONFIG_CONTIG && image.bitspersample == 8 &&
           (rgb || grey) && compression != COMPRESSION_JPEG && compression != COMPRESSION_OJPEG;
}

// A line buffer of libtiff's line size; false when that size is not sound.
bool LineBuffer(TIFF* tiff, std::uint64_t least, std::vector<std::uint8_t>& line) {
    const tmsize_t lineSize = Tiff().ScanlineSize(tiff);
    if (lineSize <= 0 || std::uint64_t(lineSize) < least)
        return false;
    line.resize(std::size_t(lineSize));
    return true;
}

// The rows read before the first that could not be; it and the rows after it stay black.
template <typename Placer>
std::size_t ReadScanlines(TIFF* tiff, bool grey, const Placer& orienter, std::size_t width,
                          std::size_t height) {
    std::vector<std::uint8_t> line;
    if (!LineBuffer(tiff, width * (grey ? 1 : 3), line))
        return 0;
    const std::uint8_t* bytes = line.data();
    for (std::size_t row = 0; row < height; ++row) {
        if (Tiff().ReadScanline(tiff, line.data(), std::uint32_t(row), 0) < 0)
            return row;
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
    return height;
}

// libtiff's old-style JPEG decoder takes each strip or tile as read whole: a second
// read of part of one goes on from where the first stopped, and its rows come out wrong.
bool DecodesOnlyWholeUnits(TIFF* tiff) {
    std::uint16_t compression = COMPRESSION_NONE;
    Tiff().GetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    return compression == COMPRESSION_OJPEG;
}

std::size_t BandRows(TIFF* tiff, std::size_t width, std::size_t height) {
    std::uint32_t unit = 0;
    if (Tiff().IsTiled(tiff))
        Tiff().GetField(tiff, TIFFTAG_TILELENGTH, &unit);
    else
        Tiff().GetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &unit);
    const std::size_t fitting = std::max<std::size_t>(1, kBandBytes / (width * 4));
    std::size_t band = fitting;
    // Whole strips or tiles per band, so none is decoded twice.
    if (unit > 0 && unit <= fitting)
        band = fitting / unit * unit;
    else if (unit > fitting && DecodesOnlyWholeUnits(tiff))
        band = unit;
    return std::min(band, height);
}

// Any other kind goes through libtiff's RGBA reader, in bands of whole strips or
// tiles. Returns the rows read: at a band that cannot be read completely, its rows up
// to the last that holds anything, and none after.
template <typename Placer>
std::size_t ReadRgbaBands(TIFF* tiff, TIFFRGBAImage& image, const Placer& orienter,
                          bool premultiply, std::size_t width, std::size_t height) {
    const std::size_t band = BandRows(tiff, width, height);
    // Zeroed by the system, page by page as written: a tall strip that claims more
    // than its data holds costs no more than those data.
    const std::unique_ptr<std::uint32_t, FreeBlock> buffer(
        static_cast<std::uint32_t*>(std::calloc(band * width, sizeof(std::uint32_t))));
    if (!buffer)
        throw std::bad_alloc();
    std::uint32_t* raster = buffer.get();
    for (std::size_t top = 0; top < height; top += band) {
        std::size_t rows = std::min(band, height - top);
        if (top > 0)
            std::memset(raster, 0, rows * width * sizeof(std::uint32_t));
        image.row_offset = int(top);
        image.col_offset = 0;
        const bool complete =
            Tiff().RGBAImageGet(&image, raster, std::uint32_t(width), std::uint32_t(rows)) != 0;
        if (!complete) {
            while (rows > 0 && std::all_of(raster + (rows - 1) * width, raster + rows * width,
                                           [](std::uint32_t v) { return v == 0; }))
                --rows;
        }
        for (std::size_t r = 0; r < rows; ++r) {
            PlaceRgbaRow(raster + r * width, width, orienter.Place(std::ptrdiff_t(top + r)),
                         premultiply);
            orienter.Done(std::ptrdiff_t(top + r));
        }
        if (!complete)
            return top + rows;
    }
    return height;
}

// ---- samples the RGBA interface does not read ----

// Grey of any depth up to 16 bits, and CMYK of 8 or 16 bits, in strips with the
// samples of a pixel together.
struct SampleKind {
    bool grey = false;
    bool whiteIsZero = false;
    int bits = 0;
    int samples = 0;  // per pixel, extra samples included
};

bool ReadsSamples(TIFF* tiff, SampleKind& kind) {
    std::uint16_t photometric = 0, bits = 1, samples = 1, planar = PLANARCONFIG_CONTIG;
    std::uint16_t inkSet = INKSET_CMYK;
    if (!Tiff().GetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric))
        return false;
    Tiff().GetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    Tiff().GetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    Tiff().GetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    Tiff().GetFieldDefaulted(tiff, TIFFTAG_INKSET, &inkSet);
    if (Tiff().IsTiled(tiff) || planar != PLANARCONFIG_CONTIG || bits < 1 || bits > 16)
        return false;
    kind.bits = bits;
    kind.samples = samples;
    if (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) {
        kind.grey = true;
        kind.whiteIsZero = photometric == PHOTOMETRIC_MINISWHITE;
        return samples >= 1;
    }
    return photometric == PHOTOMETRIC_SEPARATED && inkSet == INKSET_CMYK && samples >= 4 &&
           (bits == 8 || bits == 16);
}

// Sample i of a row of samples packed with the first bit highest; 16-bit samples come
// in the machine's order from libtiff.
unsigned SampleAt(const std::uint8_t* line, int bits, std::size_t i) {
    if (bits == 8)
        return line[i];
    if (bits == 16) {
        std::uint16_t value;
        std::memcpy(&value, line + 2 * i, 2);
        return value;
    }
    const std::uint64_t first = std::uint64_t(i) * unsigned(bits);
    unsigned value = 0;
    for (int b = 0; b < bits; ++b) {
        const std::uint64_t bit = first + unsigned(b);
        value = value << 1 | ((line[bit / 8] >> (7 - bit % 8)) & 1u);
    }
    return value;
}

template <typename Placer>
std::size_t ReadSamples(TIFF* tiff, const SampleKind& kind, const Placer& placer, std::size_t width,
                        std::size_t height) {
    std::vector<std::uint8_t> line;
    if (!LineBuffer(tiff, (std::uint64_t(width) * kind.samples * kind.bits + 7) / 8, line))
        return 0;
    const unsigned max = (1u << kind.bits) - 1;
    auto level = [max](unsigned v) { return (v * 255 + max / 2) / max; };
    for (std::size_t row = 0; row < height; ++row) {
        if (Tiff().ReadScanline(tiff, line.data(), std::uint32_t(row), 0) < 0)
            return row;
        const std::uint8_t* bytes = line.data();
        const std::size_t step = std::size_t(kind.samples);
        if (kind.grey) {
            PlaceRow(placer.Place(std::ptrdiff_t(row)), width, [&](std::size_t x) {
                unsigned v = level(SampleAt(bytes, kind.bits, x * step));
                if (kind.whiteIsZero)
                    v = 255 - v;
                return PackPixel(v, v, v);
            });
        } else {
            PlaceRow(placer.Place(std::ptrdiff_t(row)), width, [&](std::size_t x) {
                const unsigned k = 255 - level(SampleAt(bytes, kind.bits, x * step + 3));
                auto ink = [&](int s) {
                    return (255 - level(SampleAt(bytes, kind.bits, x * step + std::size_t(s)))) *
                           k / 255;
                };
                return PackPixel(ink(0), ink(1), ink(2));
            });
        }
        placer.Done(std::ptrdiff_t(row));
    }
    return height;
}

// ---- the codec ----

class TiffCodec : public Codec {
public:
    explicit TiffCodec(ByteSource& source) : m_cursor{&source} {}
    ~TiffCodec() override {
        if (m_imageBegun)
            Tiff().RGBAImageEnd(&m_image);
        if (m_tiff)
            Tiff().Close(m_tiff);
    }
    TiffCodec(const TiffCodec&) = delete;
    TiffCodec& operator=(const TiffCodec&) = delete;

    const char* Name() const override { return "TIFF"; }

    bool ReadHeader(CodecHeader& header, LoadFailure& failure, std::string& detail) override {
        failure = LoadFailure::kNotAPicture;
        if (m_cursor.source->Size() < 8)
            return false;
        if (!LoadLibTiff(&detail)) {
            failure = LoadFailure::kUnsupportedType;
            return false;
        }
        SilenceGlobalHandlers();
        std::unique_ptr<TIFFOpenOptions, OptionsFree> options(Tiff().OpenOptionsAlloc());
        if (!options)
            throw std::bad_alloc();
        Tiff().OpenOptionsSetErrorHandlerExtR(options.get(), OnError, &m_messages);
        Tiff().OpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, nullptr);
        Tiff().OpenOptionsSetMaxSingleMemAlloc(options.get(), kMaxLibraryAllocation);
        errno = 0;
        m_tiff = Open(options.get());
        if (m_tiff)
            UseExactTileBuffer();
        if (m_tiff && LostJpegTables(m_tiff))
            m_messages.outOfMemory = true;
        ThrowIfOutOfMemory();
        if (!m_tiff) {
            detail = m_messages.firstError;
            const std::uint8_t* magic = m_cursor.source->View(0, 4);
            const bool tiffMagic = magic && ((magic[0] == 'I' && magic[1] == 'I') ||
                                             (magic[0] == 'M' && magic[1] == 'M'));
            if (tiffMagic)
                failure = LoadFailure::kDamaged;
            return false;
        }
        std::uint32_t width = 0, height = 0;
        std::uint16_t orientation = ORIENTATION_TOPLEFT;
        Tiff().GetField(m_tiff, TIFFTAG_IMAGEWIDTH, &width);
        Tiff().GetField(m_tiff, TIFFTAG_IMAGELENGTH, &height);
        Tiff().GetFieldDefaulted(m_tiff, TIFFTAG_ORIENTATION, &orientation);
        char reason[1024] = "";
        m_imageBegun = Tiff().RGBAImageOK(m_tiff, reason) &&
                       Tiff().RGBAImageBegin(&m_image, m_tiff, 1, reason);
        ThrowIfOutOfMemory();
        if (m_imageBegun) {
            width = m_image.width;
            height = m_image.height;
            orientation = m_image.orientation;
        } else if (!ReadsSamples(m_tiff, m_samples)) {
            failure = LoadFailure::kUnsupportedKind;
            detail = reason;
            return false;
        }
        m_width = width;
        m_height = height;
        m_orientation = orientation;
        const bool transposed = IsTransposed(orientation);
        header.width = transposed ? height : width;
        header.height = transposed ? width : height;
        header.rowsInOrder = KnownOrientation(orientation) == ORIENTATION_TOPLEFT;
        return true;
    }

    void Decode(Size, RowSink& sink, DecodeReport& report) override {
        errno = 0;
        std::size_t rows = 0;
        if (KnownOrientation(m_orientation) == ORIENTATION_TOPLEFT) {
            rows = Read(InOrder(sink));
            sink.Skip(m_height - rows);
        } else {
            rows = Read(Orienter(m_orientation, m_width, m_height, sink));
        }
        report.rows = rows;
        ThrowIfOutOfMemory();  // not damage: the driver says so
        if (rows < m_height) {
            report.end = DecodeReport::kCorrupt;
            report.detail = m_messages.firstError;
        }
    }

private:
    void ThrowIfOutOfMemory() const {
        if (m_messages.outOfMemory || m_cursor.outOfMemory)
            throw std::bad_alloc();
    }

    // "m": never mapped.
    TIFF* Open(TIFFOpenOptions* options) {
        return Tiff().ClientOpenExt("file", "rm", &m_cursor, SourceRead, SourceWrite, SourceSeek,
                                    SourceClose, SourceSize, SourceMap, SourceUnmap, options);
    }

    // libtiff refuses an uncompressed tile whose bytes do not fill its read buffer
    // exactly, and rounds a buffer of its own up to whole KiB: one of ours is exact. It
    // holds one tile, never more than the file, and only what is read is touched.
    void UseExactTileBuffer() {
        std::uint16_t compression = COMPRESSION_NONE;
        if (!Tiff().IsTiled(m_tiff) ||
            !Tiff().GetFieldDefaulted(m_tiff, TIFFTAG_COMPRESSION, &compression) ||
            compression != COMPRESSION_NONE)
            return;
        const tmsize_t size = Tiff().TileSize(m_tiff);
        if (size <= 0 || std::uint64_t(size) > m_cursor.source->Size())
            return;
        m_tileBuffer.reset(new (std::nothrow) std::uint8_t[std::size_t(size)]);
        if (m_tileBuffer)
            Tiff().ReadBufferSetup(m_tiff, m_tileBuffer.get(), size);
    }

    template <typename Placer>
    std::size_t Read(const Placer& placer) {
        if (!m_imageBegun)
            return ReadSamples(m_tiff, m_samples, placer, m_width, m_height);
        // Read in stored order; the placement does the turning.
        m_image.req_orientation = m_image.orientation;
        const bool premultiply = m_image.alpha == EXTRASAMPLE_UNASSALPHA &&
                                 (m_image.photometric == PHOTOMETRIC_MINISBLACK ||
                                  m_image.photometric == PHOTOMETRIC_MINISWHITE);
        if (ReadsByScanline(m_tiff, m_image))
            return ReadScanlines(m_tiff, m_image.photometric == PHOTOMETRIC_MINISBLACK, placer,
                                 m_width, m_height);
        return ReadRgbaBands(m_tiff, m_image, placer, premultiply, m_width, m_height);
    }

    SourceCursor m_cursor;
    Messages m_messages;
    std::unique_ptr<std::uint8_t[]> m_tileBuffer;  // libtiff's read buffer, when ours
    TIFF* m_tiff = nullptr;
    TIFFRGBAImage m_image{};
    bool m_imageBegun = false;
    SampleKind m_samples;
    std::size_t m_width = 0;  // as stored
    std::size_t m_height = 0;
    int m_orientation = ORIENTATION_TOPLEFT;
};

}  // namespace

std::unique_ptr<Codec> MakeTiffCodec(ByteSource& source, const CodecSettings&) {
    return std::make_unique<TiffCodec>(source);
}
