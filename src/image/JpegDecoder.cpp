// JPEG through libjpeg: pixels straight into the picture block as B, G, R, 0xFF, and
// every COM segment kept in file order. All libjpeg failures stop at the error trap and
// come out as DecodeResult::error.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "image/Decoders.h"
#include "image/JpegErrorTrap.h"

namespace {

// A hostile progressive file can hold thousands of tiny scans, each one costing a
// pass over the whole coefficient buffer.
constexpr int kMaxScans = 500;
constexpr const char* kTooManyScans = "the JPEG has more than 500 scans";
constexpr const char* kNoPicture = "the JPEG file holds no picture";
constexpr const char* kEndsEarly =
    "the JPEG file ends early; the missing part of the picture is filled in";

// Output scaling (libjpeg's DCT scaling); 1/1 decodes at full size.
struct JpegScale {
    unsigned num = 1;
    unsigned denom = 1;
};

// Where libjpeg reads from: the whole file in memory, or the open file itself.
struct JpegSource {
    ByteSpan bytes;
    std::FILE* file = nullptr;
};

// Everything libjpeg touches, in one plain object the trapped steps work on.
struct JpegSession {
    jpeg_decompress_struct info{};
    JpegErrorTrap trap;
    jpeg_progress_mgr progress{};
};

void WatchScanCount(j_common_ptr common) {
    if (!common->is_decompressor)
        return;
    const auto* info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number <= kMaxScans)
        return;
    reinterpret_cast<JpegErrorTrap*>(common->err)->ownMessage = kTooManyScans;
    (*common->err->error_exit)(common);
}

// Trapped: creates the decompressor and reads up to the first scan.
void ReadHeader(JpegSession& s, const JpegSource& source, int& headerStatus) {
    jpeg_create_decompress(&s.info);
    s.progress.progress_monitor = WatchScanCount;
    s.info.progress = &s.progress;
    jpeg_save_markers(&s.info, JPEG_COM, 0xFFFF);
    if (source.file)
        jpeg_stdio_src(&s.info, source.file);
    else
        jpeg_mem_src(&s.info, source.bytes.data, static_cast<unsigned long>(source.bytes.size));
    headerStatus = jpeg_read_header(&s.info, TRUE);
}

bool IsFourComponent(const jpeg_decompress_struct& info) {
    return info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
}

// Trapped: picks the output colour space and scale, and works out the output size.
void ChooseOutput(JpegSession& s, JpegScale scale) {
    // libjpeg cannot turn CMYK into RGB itself; those rows go through ConvertCmykRow.
    s.info.out_color_space = IsFourComponent(s.info) ? JCS_CMYK : JCS_EXT_BGRA;
    s.info.scale_num = scale.num;
    s.info.scale_denom = scale.denom;
    jpeg_calc_output_dimensions(&s.info);
}

std::uint8_t Times255(int a, int b) {
    return static_cast<std::uint8_t>((a * b + 127) / 255);
}

// Adobe writers store CMYK inverted (255 means no ink); everyone else stores ink amounts.
void ConvertCmykRow(const JSAMPLE* cmyk, std::uint8_t* bgrx, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgrx += 4) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        bgrx[0] = Times255(y, k);
        bgrx[1] = Times255(m, k);
        bgrx[2] = Times255(c, k);
        bgrx[3] = 0xFF;
    }
}

// Trapped: decodes every row into `pixels`; `cmykRow` holds one CMYK row when needed.
void ReadRows(JpegSession& s, std::uint8_t* pixels, JSAMPLE* cmykRow) {
    jpeg_start_decompress(&s.info);
    const std::size_t stride = std::size_t{s.info.output_width} * kPictureBytesPerPixel;
    while (s.info.output_scanline < s.info.output_height) {
        std::uint8_t* row = pixels + stride * s.info.output_scanline;
        JSAMPROW target = cmykRow ? cmykRow : row;
        if (jpeg_read_scanlines(&s.info, &target, 1) != 1)
            break;
        if (cmykRow)
            ConvertCmykRow(cmykRow, row, s.info.output_width, s.info.saw_Adobe_marker);
    }
}

// Trapped: reads on to the end of the file for the segments after the last scan.
// (jpeg_finish_decompress would do the same but then free the saved comments.)
void ReadToEnd(JpegSession& s) {
    int status = JPEG_SUSPENDED;
    do {
        status = jpeg_consume_input(&s.info);
    } while (status != JPEG_REACHED_EOI && status != JPEG_SUSPENDED);
}

void CollectComments(const jpeg_decompress_struct& info, std::vector<std::string>* comments) {
    if (!comments)
        return;
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next)
        if (m->marker == JPEG_COM)
            comments->emplace_back(reinterpret_cast<const char*>(m->data), m->data_length);
}

std::string SizeReason(JDIMENSION width, JDIMENSION height) {
    return "the JPEG picture size " + std::to_string(width) + " x " + std::to_string(height) +
           " is not supported";
}

bool IsSizeAllowed(JDIMENSION width, JDIMENSION height) {
    return width >= 1 && height >= 1 && std::uint64_t{width} * height <= kMaxPicturePixels;
}

JDIMENSION ScaledSide(JDIMENSION side, unsigned num) {
    return static_cast<JDIMENSION>((std::uint64_t{side} * num + 7) / 8);
}

// The smallest DCT scale whose picture still covers `cover`; full size when none below
// it does. Only scales at which both sides come out whole count: libjpeg rounds a
// partial last pixel up, and resampling from such a picture would shift the preview
// against the area average of the full picture.
JpegScale ScaleCovering(JDIMENSION width, JDIMENSION height, std::optional<Size> cover) {
    if (!cover)
        return {};
    for (unsigned num = 1; num < 8; ++num) {
        const bool whole =
            std::uint64_t{width} * num % 8 == 0 && std::uint64_t{height} * num % 8 == 0;
        if (whole && ScaledSide(width, num) >= static_cast<JDIMENSION>(cover->cx) &&
            ScaledSide(height, num) >= static_cast<JDIMENSION>(cover->cy))
            return {num, 8};
    }
    return {};
}

// Decodes the picture of a session whose header has been read, at the smallest scale
// that covers the size the hint names (full size without one). The whole of the data is decoded at
// any scale, so a damaged file fails or shows its damage as at full size.
DecodeResult DecodePixels(JpegSession& s, const LoadHint& hint) {
    DecodeResult result;
    const JDIMENSION fullWidth = s.info.image_width;
    const JDIMENSION fullHeight = s.info.image_height;
    if (!IsSizeAllowed(fullWidth, fullHeight)) {
        result.error = SizeReason(fullWidth, fullHeight);
        return result;
    }
    const JpegScale scale =
        ScaleCovering(fullWidth, fullHeight,
                      HintedSize(hint, static_cast<int>(fullWidth), static_cast<int>(fullHeight)));
    if (!RunJpegStep(s.trap, [&] { ChooseOutput(s, scale); })) {
        result.error = JpegTrapMessage(s.trap);
        return result;
    }
    const JDIMENSION width = s.info.output_width;
    const JDIMENSION height = s.info.output_height;
    if (!IsSizeAllowed(width, height)) {
        result.error = SizeReason(width, height);
        return result;
    }
    const std::size_t stride = std::size_t{width} * kPictureBytesPerPixel;
    BlockHandle block = MemoryBlock::Allocate(stride * height);
    BlockHandle cmykRow = IsFourComponent(s.info) ? MemoryBlock::Allocate(stride) : nullptr;
    if (!block || (IsFourComponent(s.info) && !cmykRow)) {
        result.error = "not enough memory for the JPEG picture";
        return result;
    }
    std::uint8_t* pixels = block->Data();
    JSAMPLE* cmyk = cmykRow ? cmykRow->Data() : nullptr;
    const bool allRows =
        RunJpegStep(s.trap, [&] { ReadRows(s, pixels, cmyk); }) && s.info.output_scanline == height;
    const JDIMENSION rowsDone = std::min(s.info.output_scanline, height);
    if (!allRows) {
        if (rowsDone == 0) {
            result.error = JpegTrapMessage(s.trap);
            return result;
        }
        // Rows libjpeg never reached show as the mid grey of missing JPEG data.
        std::fill(pixels + stride * rowsDone, pixels + stride * height, std::uint8_t{0x80});
        for (std::size_t i = stride * rowsDone + 3; i < stride * height; i += 4)
            pixels[i] = 0xFF;
        result.error = std::string("the JPEG picture is incomplete: ") + JpegTrapMessage(s.trap);
    } else if (!RunJpegStep(s.trap, [&] { ReadToEnd(s); })) {
        result.error = std::string("after the JPEG picture: ") + JpegTrapMessage(s.trap);
    }
    if (result.error.empty() && s.trap.ranOutOfData)
        result.error = kEndsEarly;
    if (width != fullWidth || height != fullHeight)
        block->SetPictureSize(static_cast<int>(width), static_cast<int>(height));
    result.pixels = std::move(block);
    result.width = static_cast<int>(fullWidth);
    result.height = static_cast<int>(fullHeight);
    return result;
}

// One pass over the file; `ranOutOfData` tells whether it stopped at the end of the data.
DecodeResult DecodeOnce(const JpegSource& source, const LoadHint& hint,
                        std::vector<std::string>* comments, bool& ranOutOfData) {
    if (comments)
        comments->clear();
    JpegSession s;
    s.info.err = ArmJpegErrorTrap(s.trap);
    int headerStatus = JPEG_SUSPENDED;
    DecodeResult result;
    if (!RunJpegStep(s.trap, [&] { ReadHeader(s, source, headerStatus); }))
        result.error = JpegTrapMessage(s.trap);
    else if (headerStatus != JPEG_HEADER_OK)
        result.error = kNoPicture;
    else
        result = DecodePixels(s, hint);
    CollectComments(s.info, comments);
    ranOutOfData = s.trap.ranOutOfData;
    jpeg_destroy_decompress(&s.info);
    return result;
}

// Where the last marker segment of the file starts (0 if none after the header): a file
// cut inside a segment between two scans keeps the scans before it.
std::size_t LastSegmentStart(ByteSpan file) {
    for (std::size_t i = file.size; i-- > 2;) {
        if (file.data[i - 1] != 0xFF)
            continue;
        const std::uint8_t code = file.data[i];
        const bool restart = code >= 0xD0 && code <= 0xD7;
        if (code != 0x00 && code != 0xFF && !restart)
            return i - 1;
    }
    return 0;
}

// After the header of the first scan: walks the entropy-coded data from marker to
// marker up to EOI, keeping the COM segments, as decoding the scans would meet them.
void CollectLaterComments(ByteSpan file, std::size_t pos, std::vector<std::string>* comments) {
    const std::uint8_t* data = file.data;
    const std::size_t size = file.size;
    while (pos < size) {
        const auto* mark =
            static_cast<const std::uint8_t*>(std::memchr(data + pos, 0xFF, size - pos));
        if (!mark)
            return;
        std::size_t code = static_cast<std::size_t>(mark - data) + 1;
        while (code < size && data[code] == 0xFF)  // fill bytes
            ++code;
        if (code >= size)
            return;
        const std::uint8_t marker = data[code];
        pos = code + 1;
        const bool standalone = marker == 0x00 || marker == 0x01 || marker == 0xD8 ||
                                (marker >= 0xD0 && marker <= 0xD7);
        if (standalone)
            continue;
        if (marker == 0xD9 || size - pos < 2)
            return;
        const std::size_t length = std::size_t{data[pos]} << 8 | data[pos + 1];
        if (length < 2)
            continue;
        if (marker == JPEG_COM && comments) {
            const std::size_t body = std::min(length - 2, size - pos - 2);
            comments->emplace_back(reinterpret_cast<const char*>(data + pos + 2), body);
        }
        pos += std::min(length, size - pos);
    }
}

// A decode of the bytes in memory, with the retry for a file cut between two scans.
DecodeResult DecodeBytes(ByteSpan file, const LoadHint& hint, std::vector<std::string>* comments) {
    bool ranOutOfData = false;
    DecodeResult result = DecodeOnce(JpegSource{file}, hint, comments, ranOutOfData);
    if (result.pixels || !ranOutOfData)
        return result;
    // A progressive file cut inside the tables between two scans fails as a whole;
    // without its last, incomplete segment it still shows what the earlier scans hold.
    const std::size_t cut = LastSegmentStart(file);
    if (cut == 0)
        return result;
    std::vector<std::uint8_t> shortened(file.data, file.data + cut);
    shortened.push_back(0xFF);
    shortened.push_back(0xD9);
    std::vector<std::string> shortenedComments;
    DecodeResult retry = DecodeOnce(JpegSource{ByteSpan{shortened.data(), shortened.size()}}, hint,
                                    comments ? &shortenedComments : nullptr, ranOutOfData);
    if (!retry.pixels)
        return result;
    if (comments)
        *comments = std::move(shortenedComments);
    retry.error = kEndsEarly;
    return retry;
}

}  // namespace

DecodeResult DecodeJpeg(ByteSpan file, std::vector<std::string>* comments) {
    return DecodeBytes(file, LoadHint{}, comments);
}

DecodeResult DecodeJpegFile(std::FILE* file, const LoadHint& hint,
                            std::vector<std::string>* comments) {
    bool ranOutOfData = false;
    DecodeResult result = DecodeOnce(JpegSource{{}, file}, hint, comments, ranOutOfData);
    if (result.pixels || !ranOutOfData)
        return result;
    // The retry for a cut file needs the whole of it; that is small next to the picture.
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    std::rewind(file);
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    return DecodeBytes(ByteSpan{bytes.data(), bytes.size()}, hint, comments);
}

DecodeResult ReadJpegHeader(ByteSpan file, std::vector<std::string>* comments) {
    if (comments)
        comments->clear();
    JpegSession s;
    s.info.err = ArmJpegErrorTrap(s.trap);
    int headerStatus = JPEG_SUSPENDED;
    DecodeResult result;
    if (!RunJpegStep(s.trap, [&] { ReadHeader(s, JpegSource{file}, headerStatus); })) {
        result.error = JpegTrapMessage(s.trap);
    } else if (headerStatus != JPEG_HEADER_OK) {
        result.error = kNoPicture;
    } else if (!IsSizeAllowed(s.info.image_width, s.info.image_height)) {
        result.error = SizeReason(s.info.image_width, s.info.image_height);
    } else if (BlockHandle empty = MemoryBlock::Allocate(0)) {
        empty->SetPictureSize(0, 0);
        result.pixels = std::move(empty);
        result.width = static_cast<int>(s.info.image_width);
        result.height = static_cast<int>(s.info.image_height);
    }
    CollectComments(s.info, comments);
    if (result.pixels)
        CollectLaterComments(file, file.size - s.info.src->bytes_in_buffer, comments);
    jpeg_destroy_decompress(&s.info);
    return result;
}
