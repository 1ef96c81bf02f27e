#include "image/JpegSource.h"

#include "image/ByteSource.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <jerror.h>

namespace {

// After a suspension libjpeg reads the unit it was in again from its start: one MCU, or
// one whole marker segment (at most 64 KiB). The buffer holds that and more.
constexpr std::size_t kBufferSize = std::size_t{256} << 10;
const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

JpegSource& SourceOf(j_decompress_ptr info) {
    return *reinterpret_cast<JpegSource*>(info->src);
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

// Moves the `keep` unread bytes to the start of the buffer and reads more after them.
bool Refill(JpegSource& source, std::size_t keep) {
    if (!source.input || source.madeUpEnd || keep >= source.capacity)
        return false;
    source.bufferOffset = JpegSourcePosition(source) + source.toSkip;
    source.toSkip = 0;  // only ever with nothing kept
    std::memmove(source.buffer, source.manager.next_input_byte, keep);
    source.manager.next_input_byte = source.buffer;
    source.manager.bytes_in_buffer = keep;
    const std::uint64_t from = source.bufferOffset + keep, size = source.input->Size();
    const std::size_t count = static_cast<std::size_t>(
        std::min<std::uint64_t>(source.capacity - keep, from < size ? size - from : 0));
    if (count == 0 || !source.input->ReadAt(from, count, source.buffer + keep))
        return false;
    source.manager.bytes_in_buffer = keep + count;
    return true;
}

void MarkEnded(JpegSource& source) {
    if (source.ended)
        return;
    source.ended = true;
    source.endedAt = JpegSourcePosition(source);
}

boolean FillInput(j_decompress_ptr info) {
    JpegSource& source = SourceOf(info);
    // A marker segment cut short: stay suspended, libjpeg goes back to its start.
    if (info->unread_marker != 0)
        return FALSE;
    if (!source.ended) {
        // Suspend, except in an arithmetic-coded scan, whose decoder reads the source
        // directly (so all that was in the buffer is used up) and cannot suspend.
        if (!info->arith_code)
            return FALSE;
        if (Refill(source, 0))
            return TRUE;
        MarkEnded(source);
    }
    WARNMS(info, JWRN_JPEG_EOF);
    source.madeUpEnd = true;
    source.manager.next_input_byte = kEndOfImage;
    source.manager.bytes_in_buffer = sizeof kEndOfImage;
    return TRUE;
}

void SkipInput(j_decompress_ptr info, long count) {
    if (count <= 0)
        return;
    jpeg_source_mgr& manager = SourceOf(info).manager;
    const auto wanted = static_cast<std::size_t>(count);
    const std::size_t here = std::min(wanted, manager.bytes_in_buffer);
    manager.next_input_byte += here;
    manager.bytes_in_buffer -= here;
    SourceOf(info).toSkip += wanted - here;
}

}  // namespace

bool AttachJpegSource(j_decompress_ptr info, JpegSource& source, const std::uint8_t* bytes,
                      std::size_t size, ByteSource* input) {
    jpeg_source_mgr& manager = source.manager;
    manager.init_source = InitSource;
    manager.fill_input_buffer = FillInput;
    manager.skip_input_data = SkipInput;
    manager.resync_to_restart = jpeg_resync_to_restart;
    manager.term_source = TermSource;
    info->src = &manager;
    if (!input) {
        source.begin = bytes;
        manager.next_input_byte = bytes;
        manager.bytes_in_buffer = size;
        return true;
    }
    // A small file is read whole in one go: no buffer larger than it.
    const std::size_t capacity =
        static_cast<std::size_t>(std::clamp<std::uint64_t>(input->Size(), 1, kBufferSize));
    source.buffer = new (std::nothrow) std::uint8_t[capacity];
    if (!source.buffer)
        return false;
    source.input = input;
    source.capacity = capacity;
    manager.next_input_byte = source.buffer;
    manager.bytes_in_buffer = 0;
    Refill(source, 0);
    return true;
}

bool FeedJpegSource(JpegSource& source) {
    if (Refill(source, source.manager.bytes_in_buffer))
        return true;
    MarkEnded(source);
    return false;
}

std::uint64_t JpegSourcePosition(const JpegSource& source) {
    if (source.madeUpEnd)
        return source.endedAt;
    const std::uint8_t* start = source.input ? source.buffer : source.begin;
    return source.bufferOffset + static_cast<std::uint64_t>(source.manager.next_input_byte - start);
}
