// JPEG through libjpeg: pixels straight into the row sink as B, G, R, 0xFF, and every
// COM segment kept in file order. All libjpeg failures stop at the error trap and come
// out as the codec's failure; a picture that loaded but not whole gets a note saying
// what was wrong.
//
// A file costs what its data holds, not what its header claims: the source suspends at
// the real end of the data, scans of several passes are read in libjpeg's buffered-image
// mode so that it is known how far the data went, and only the rows the data reached
// are decoded. Rows it never reached stay zero (black) and are never touched, so a huge
// picture claimed by a few bytes costs only its address space.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "image/Codecs.h"
#include "image/JpegErrorTrap.h"
#include "image/JpegSource.h"

namespace {

// A hostile progressive file can hold thousands of tiny scans, each one costing a
// pass over the whole coefficient buffer.
constexpr int kMaxScans = 500;
constexpr const char* kTooManyScans = "the JPEG has more than 500 scans";
constexpr const char* kNoPicture = "the JPEG file holds no picture";
constexpr const char* kHeaderCut = "the JPEG file ends before its picture starts";
constexpr const char* kNoRows = "the JPEG data ends before the first row of the picture";
constexpr const char* kOutOfMemory = "not enough memory for the JPEG picture";

// Output scaling (libjpeg's DCT scaling); 1/1 decodes at full size.
struct JpegScale {
    unsigned num = 1;
    unsigned denom = 1;
};

// The file: its bytes in memory, or read from the file as libjpeg goes.
struct JpegInput {
    const std::uint8_t* bytes = nullptr;
    std::size_t size = 0;
    ByteSource* file = nullptr;
};

// Everything libjpeg touches, in one object the trapped steps work on; the decompressor
// is destroyed with it, whichever way the decode ends.
struct JpegSession {
    JpegSession() { info.err = ArmJpegErrorTrap(trap); }
    JpegSession(const JpegSession&) = delete;
    JpegSession& operator=(const JpegSession&) = delete;
    ~JpegSession() { jpeg_destroy_decompress(&info); }

    jpeg_decompress_struct info{};
    JpegErrorTrap trap;
    JpegSource source;
    std::uint64_t firstScanData = 0;  // where the data of the first scan starts
};

// Trapped: a libjpeg call repeated while it suspends and the file has more to give,
// and once more after the end of the data, to read what is left of the unit it was in.
template <typename Call>
int WithInput(JpegSession& s, Call call) {
    for (;;) {
        const int status = call();
        if (status != JPEG_SUSPENDED || s.source.ended)
            return status;
        FeedJpegSource(s.source);
    }
}

// Creates the decompressor and reads up to the first scan; the reason when that fails.
std::string OpenSession(JpegSession& s, const JpegInput& input) {
    if (!RunJpegStep(s.trap, [&] {
            jpeg_create_decompress(&s.info);
            jpeg_save_markers(&s.info, JPEG_COM, 0xFFFF);
        }))
        return JpegTrapMessage(s.trap);
    if (!AttachJpegSource(&s.info, s.source, input.bytes, input.size, input.file))
        return kOutOfMemory;
    int status = JPEG_SUSPENDED;
    if (!RunJpegStep(s.trap, [&] {
            status = WithInput(s, [&] { return jpeg_read_header(&s.info, TRUE); });
        }))
        return JpegTrapMessage(s.trap);
    if (status == JPEG_SUSPENDED)
        return kHeaderCut;
    if (status != JPEG_HEADER_OK)
        return kNoPicture;
    s.firstScanData = JpegSourcePosition(s.source);
    return {};
}

// The last failed step ran out of memory in libjpeg's allocator.
bool RanOutOfMemory(const JpegSession& s) {
    return !s.trap.ownMessage && s.trap.manager.msg_code == JERR_OUT_OF_MEMORY;
}

bool IsFourComponent(const jpeg_decompress_struct& info) {
    return info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
}

// Trapped: picks the output colour space, scale and mode, and works out the output size.
void ChooseOutput(JpegSession& s, JpegScale scale) {
    // libjpeg cannot turn CMYK into RGB itself; those rows go through ConvertCmykRow.
    s.info.out_color_space = IsFourComponent(s.info) ? JCS_CMYK : JCS_EXT_BGRA;
    s.info.scale_num = scale.num;
    s.info.scale_denom = scale.denom;
    // A file of several scans is read whole before its rows come out; in buffered-image
    // mode the reading is ours, so it stops where the data does.
    s.info.buffered_image = jpeg_has_multiple_scans(&s.info);
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

// The data of the scan being read ended at a marker other than a restart marker before
// its last row of MCUs: the rest of the scan would be made-up zeros. (libjpeg warns of
// that for Huffman-coded scans only; an arithmetic-coded one just sets the marker.)
bool ScanEndedEarly(const JpegSession& s) {
    const int marker = s.info.unread_marker;
    const bool restart = marker >= JPEG_RST0 && marker <= JPEG_RST0 + 7;
    return s.trap.scanCut ||
           (marker != 0 && !restart && s.info.input_iMCU_row + 1 < s.info.total_iMCU_rows);
}

// Trapped: decodes rows into the sink up to `limit`, or as far as the data goes. With
// `stopAtCut`, also stops where the data of the scan ended early and the rest would be
// made-up zeros.
void ReadRows(JpegSession& s, RowSink& sink, JSAMPLE* cmykRow, JDIMENSION limit, bool stopAtCut) {
    while (s.info.output_scanline < limit) {
        const JDIMENSION y = s.info.output_scanline;
        auto* row = reinterpret_cast<std::uint8_t*>(sink.Row(y));
        JSAMPROW target = cmykRow ? cmykRow : row;
        if (jpeg_read_scanlines(&s.info, &target, 1) != 1) {
            if (s.source.ended)
                return;
            FeedJpegSource(s.source);
            continue;
        }
        if (cmykRow)
            ConvertCmykRow(cmykRow, row, s.info.output_width, s.info.saw_Adobe_marker);
        sink.Done(y);
        if (stopAtCut && (ScanEndedEarly(s) || s.source.madeUpEnd))
            return;
    }
}

// Trapped: a file of one scan, decoded row by row as it is read.
void ReadSingleScan(JpegSession& s, RowSink& sink, JSAMPLE* cmykRow) {
    jpeg_start_decompress(&s.info);
    ReadRows(s, sink, cmykRow, s.info.output_height, true);
}

// Trapped: reads the scans of a file of several into libjpeg's coefficient buffer, up to
// the end of the picture or of its data; `status` is the last one jpeg_consume_input gave.
// A first scan that ends early stops the reading there: nothing below it can decode.
void ReadScans(JpegSession& s, int& status) {
    jpeg_start_decompress(&s.info);  // in buffered-image mode, only the set-up
    do {
        status = WithInput(s, [&] { return jpeg_consume_input(&s.info); });
        if (s.info.input_scan_number > kMaxScans) {
            s.trap.ownMessage = kTooManyScans;
            (*s.info.err->error_exit)(reinterpret_cast<j_common_ptr>(&s.info));
        }
        if (status == JPEG_SUSPENDED || s.source.madeUpEnd ||
            (ScanEndedEarly(s) && s.info.input_scan_number == 1))
            return;
    } while (status != JPEG_REACHED_EOI);
}

// Trapped: one output pass over what ReadScans gathered, as from scan `scan`.
void ReadFinalPass(JpegSession& s, int scan, bool smoothing, RowSink& sink, JSAMPLE* cmykRow,
                   JDIMENSION limit) {
    s.info.do_block_smoothing = smoothing ? TRUE : FALSE;
    jpeg_start_output(&s.info, scan);
    ReadRows(s, sink, cmykRow, limit, false);
}

// Trapped: reads on to the end of the file for the segments after the last scan.
// (jpeg_finish_decompress would do the same but then free the saved comments.)
void ReadToEnd(JpegSession& s) {
    int status = JPEG_SUSPENDED;
    do {
        status = WithInput(s, [&] { return jpeg_consume_input(&s.info); });
    } while (status != JPEG_REACHED_EOI && status != JPEG_SUSPENDED);
}

void CollectComments(const jpeg_decompress_struct& info, std::vector<CodecText>& comments) {
    comments.clear();
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next)
        if (m->marker == JPEG_COM)
            comments.push_back(
                {{}, std::string(reinterpret_cast<const char*>(m->data), m->data_length)});
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

// How far the rows of a decode got, for the note on a picture that is not whole.
struct RowsRead {
    bool ok = true;              // no libjpeg error on the way
    JDIMENSION rows = 0;         // output rows written, from the top
    bool trailingError = false;  // an error after the last row, reading what follows it
    // Files of several scans: the data ended before the picture did, in or right after
    // `lastScan` (`lastScanWhole`).
    bool dataEnded = false;
    int lastScan = 0;
    bool lastScanWhole = false;
};

RowsRead DecodeSingleScan(JpegSession& s, RowSink& sink, JSAMPLE* cmykRow) {
    RowsRead read;
    read.ok = RunJpegStep(s.trap, [&] { ReadSingleScan(s, sink, cmykRow); });
    read.rows = std::min(s.info.output_scanline, s.info.output_height);
    if (read.ok && read.rows == s.info.output_height)
        read.trailingError = !RunJpegStep(s.trap, [&] { ReadToEnd(s); });
    return read;
}

RowsRead DecodeScans(JpegSession& s, RowSink& sink, JSAMPLE* cmykRow) {
    RowsRead read;
    int status = JPEG_SUSPENDED;
    read.ok = RunJpegStep(s.trap, [&] { ReadScans(s, status); });
    if (!read.ok)
        return read;
    read.lastScan = s.info.input_scan_number;
    read.lastScanWhole = s.info.input_iMCU_row >= s.info.total_iMCU_rows;
    read.dataEnded = status != JPEG_REACHED_EOI || s.source.madeUpEnd;
    // Output as of a scan that libjpeg has all of, so that it never waits for input that
    // will not come: the one before the last when there is one, which still shows
    // whatever of the last was read.
    int scan = read.lastScan;
    bool smoothing = true;
    JDIMENSION limit = s.info.output_height;
    if (status != JPEG_REACHED_EOI) {
        if (scan > 1) {
            --scan;
        } else {
            // Only the first scan, perhaps not all of it: block smoothing would wait for
            // rows below; and only the rows it reached are decoded.
            smoothing = false;
            const JDIMENSION rowsPerIMCURow =
                static_cast<JDIMENSION>(s.info.max_v_samp_factor * s.info.min_DCT_scaled_size);
            if (!read.lastScanWhole)
                limit = std::min(limit, s.info.input_iMCU_row * rowsPerIMCURow);
        }
    }
    if (limit > 0)
        read.ok =
            RunJpegStep(s.trap, [&] { ReadFinalPass(s, scan, smoothing, sink, cmykRow, limit); });
    read.rows = std::min(s.info.output_scanline, s.info.output_height);
    return read;
}

// One line on what was wrong with a picture that still came out, or nothing.
std::string DamageNote(const JpegSession& s, const RowsRead& read, JDIMENSION fullHeight) {
    const JDIMENSION height = s.info.output_height;
    std::string cut;
    if (read.rows < height) {
        // Where the data ends in the picture, whatever the scale: the rows of the iMCU
        // rows read (the output holds back the last one or two for upsampling).
        const std::uint64_t iMCURowHeight = std::uint64_t{DCTSIZE} * s.info.max_v_samp_factor;
        const std::uint64_t row =
            std::min<std::uint64_t>(s.info.input_iMCU_row * iMCURowHeight, fullHeight);
        cut = (read.ok ? "truncated after row " : "unreadable after row ") + std::to_string(row) +
              " of " + std::to_string(fullHeight);
        if (!read.ok)
            cut += std::string(" (") + JpegTrapMessage(s.trap) + ")";
    } else if (read.trailingError) {
        cut = std::string("corrupt data after the picture (") + JpegTrapMessage(s.trap) + ")";
    } else if (read.dataEnded) {
        cut = (read.lastScanWhole ? "truncated after scan " : "truncated in scan ") +
              std::to_string(read.lastScan);
    }
    if (s.trap.corruptScan == 0)
        return cut;
    const std::string corrupt = "corrupt data in scan " + std::to_string(s.trap.corruptScan);
    return cut.empty() ? corrupt : corrupt + "; " + cut;
}

// A source read front to back, a byte or a run of bytes at a time.
class ByteWalk {
public:
    explicit ByteWalk(ByteSource& source) : m_source(source) {}
    // The byte at `pos`, or -1 where the source has none.
    int At(std::uint64_t pos) {
        const std::uint8_t* byte = m_source.View(pos, 1);
        return byte ? *byte : -1;
    }
    // Where the next 0xFF byte from `pos` on is; Size() when there is none.
    std::uint64_t NextMarkByte(std::uint64_t pos) {
        for (;;) {
            std::size_t count = kRun;
            const std::uint8_t* run = m_source.ViewSome(pos, count);
            if (!run)
                return Size();
            if (const void* mark = std::memchr(run, 0xFF, count))
                return pos + static_cast<std::size_t>(static_cast<const std::uint8_t*>(mark) - run);
            pos += count;
        }
    }
    std::uint64_t Size() const { return m_source.Size(); }

private:
    static constexpr std::size_t kRun = std::size_t{1} << 20;
    ByteSource& m_source;
};

// After the header of the first scan: walks the entropy-coded data from marker to
// marker up to EOI, keeping the COM segments, as decoding the scans would meet them.
// The data is read once, in runs, and nothing after EOI is read.
void CollectLaterComments(ByteSource& source, std::uint64_t pos, std::vector<CodecText>& comments) {
    ByteWalk walk(source);
    const std::uint64_t size = walk.Size();
    while (pos < size) {
        std::uint64_t code = walk.NextMarkByte(pos) + 1;
        while (walk.At(code) == 0xFF)  // fill bytes
            ++code;
        const int marker = walk.At(code);
        if (marker < 0)
            return;
        pos = code + 1;
        const bool standalone = marker == 0x00 || marker == 0x01 || marker == 0xD8 ||
                                (marker >= 0xD0 && marker <= 0xD7);
        if (standalone)
            continue;
        const int high = walk.At(pos), low = walk.At(pos + 1);
        if (marker == 0xD9 || high < 0 || low < 0)
            return;
        const std::uint64_t length = std::uint64_t(high) << 8 | std::uint64_t(low);
        if (length < 2)
            continue;
        if (marker == JPEG_COM) {
            std::string body(static_cast<std::size_t>(std::min(length - 2, size - pos - 2)), '\0');
            if (!source.ReadAt(pos + 2, body.size(), reinterpret_cast<std::uint8_t*>(body.data())))
                return;
            comments.push_back({{}, std::move(body)});
        }
        pos += std::min(length, size - pos);
    }
}

class JpegCodec : public Codec {
public:
    explicit JpegCodec(ByteSource& source) : m_source(source) {}
    const char* Name() const override { return "JPEG"; }

    bool ReadHeader(CodecHeader& header, LoadFailure& failure, std::string& detail) override {
        const std::uint8_t* start = m_source.View(0, 2);
        failure = start && start[0] == 0xFF && start[1] == 0xD8 ? LoadFailure::kDamaged
                                                                : LoadFailure::kNotAPicture;
        // Bytes the source holds in memory are decoded in place; others stream through a
        // buffer of the session's own.
        JpegInput input;
        if ((input.bytes = m_source.Whole()))
            input.size = std::size_t(m_source.Size());
        else
            input.file = &m_source;
        detail = OpenSession(m_session, input);
        CollectComments(m_session.info, m_texts);
        if (!detail.empty()) {
            if (detail == kOutOfMemory || RanOutOfMemory(m_session))
                throw std::bad_alloc();
            return false;
        }
        header.width = m_session.info.image_width;
        header.height = m_session.info.image_height;
        return true;
    }

    // The comments a decode would meet after the first scan, without decoding.
    void ReadRemainingTexts() override {
        CollectLaterComments(m_source, m_session.firstScanData, m_texts);
    }

    // The smallest DCT scale whose picture covers the target.
    Size DecodeSize(Size full, Size target) override {
        m_scale = ScaleCovering(JDIMENSION(full.cx), JDIMENSION(full.cy), target);
        return {int(ScaledSide(JDIMENSION(full.cx), m_scale.num * 8 / m_scale.denom)),
                int(ScaledSide(JDIMENSION(full.cy), m_scale.num * 8 / m_scale.denom))};
    }

    void Decode(Size size, RowSink& sink, DecodeReport& report) override {
        JpegSession& s = m_session;
        const JDIMENSION fullWidth = s.info.image_width;
        const JDIMENSION fullHeight = s.info.image_height;
        const bool reduced = size != Size{int(fullWidth), int(fullHeight)};
        const JpegScale scale = reduced ? m_scale : JpegScale{};
        report.end = DecodeReport::kAsTold;
        if (!RunJpegStep(s.trap, [&] { ChooseOutput(s, scale); })) {
            if (RanOutOfMemory(s))
                throw std::bad_alloc();
            report.detail = JpegTrapMessage(s.trap);
            return;
        }
        const JDIMENSION height = s.info.output_height;
        std::vector<JSAMPLE> cmykRow;
        if (IsFourComponent(s.info))
            cmykRow.resize(std::size_t{s.info.output_width} * 4);
        JSAMPLE* cmyk = cmykRow.empty() ? nullptr : cmykRow.data();
        const RowsRead read =
            s.info.buffered_image ? DecodeScans(s, sink, cmyk) : DecodeSingleScan(s, sink, cmyk);
        if (!read.ok && RanOutOfMemory(s))
            throw std::bad_alloc();  // not damage: the driver says so
        CollectComments(s.info, m_texts);
        // The data ended before the first MCU of the first scan: nothing of it decodes.
        const bool nothing =
            s.source.ended && s.source.endedAt <= s.firstScanData && s.info.input_scan_number <= 1;
        if (read.rows == 0 || nothing) {
            report.detail = read.ok ? kNoRows : JpegTrapMessage(s.trap);
            return;
        }
        report.rows = read.rows;
        sink.Skip(height - read.rows);
        report.detail = DamageNote(s, read, fullHeight);
        if (report.detail.empty())
            report.end = DecodeReport::kComplete;
    }

private:
    ByteSource& m_source;
    JpegSession m_session;  // destroyed before the file it reads
    JpegScale m_scale;
};

}  // namespace

std::unique_ptr<Codec> MakeJpegCodec(ByteSource& source, const CodecSettings&) {
    return std::make_unique<JpegCodec>(source);
}
