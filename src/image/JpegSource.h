#pragma once
// Where libjpeg reads a file from: bytes in memory, or a byte source read through a
// buffer of its own (no larger than the file). Where the buffer runs out the source
// suspends, and the decode loop feeds it (FeedJpegSource) and repeats the libjpeg call
// that returned JPEG_SUSPENDED. Only at the real end of the data does the source make up an
// end-of-image marker, as libjpeg's own sources do, and then only inside a scan's data
// (a marker segment cut short stays suspended rather than being read as garbage), so
// the caller can see that and stop reading: libjpeg would otherwise decode made-up
// zeros through every row left, so that a huge picture claimed by a few bytes would
// cost the time and memory of the whole picture.
// Arithmetic-coded scans cannot suspend in libjpeg: there the source reads on itself.

#include <cstddef>
#include <cstdint>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

class ByteSource;

struct JpegSource {
    JpegSource() = default;
    JpegSource(const JpegSource&) = delete;
    JpegSource& operator=(const JpegSource&) = delete;
    ~JpegSource() { delete[] buffer; }

    jpeg_source_mgr manager{};       // first member: libjpeg hands back a pointer to it
    ByteSource* input = nullptr;     // nullptr: all the data is in memory already
    std::uint8_t* buffer = nullptr;  // owned; for the input only
    std::size_t capacity = 0;
    const std::uint8_t* begin = nullptr;  // where the data in memory starts
    std::uint64_t bufferOffset = 0;       // where in the file the buffer starts
    std::size_t toSkip = 0;               // bytes libjpeg skipped past the end of the buffer
    bool ended = false;                   // there is no more data
    std::uint64_t endedAt = 0;            // where libjpeg had got to then
    bool madeUpEnd = false;               // an end marker was made up after that
};

// Reads from `bytes` (held by the caller until the session ends), or from `input` when
// `bytes` is null. False when there is no memory for the buffer.
bool AttachJpegSource(j_decompress_ptr info, JpegSource& source, const std::uint8_t* bytes,
                      std::size_t size, ByteSource* input);
// After a suspension: keeps what libjpeg has not read yet and adds more of the file.
// False at the end of the data, which it marks as `ended`.
bool FeedJpegSource(JpegSource& source);
// Where in the file libjpeg has got to.
std::uint64_t JpegSourcePosition(const JpegSource& source);
