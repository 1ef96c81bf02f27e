#pragma once
// One interface every image format's decoder implements, and the one driver that runs
// them all: the limits, the header-only read, the choice of a whole picture or one
// shrunk as its rows come, the out-of-memory catch, the damage note and the wording of
// every message live in the driver, not in the codecs.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/MemoryBlock.h"
#include "image/PictureTypes.h"

// Refused before allocating: a side below 1, or more pixels than this.
inline constexpr std::uint64_t kMaxPicturePixels = std::uint64_t{1} << 28;

// Why a picture did not load.
enum class LoadFailure {
    kNone,
    kUnsupportedType,  // no codec for the file's type
    kUnreadable,       // missing, not a regular file, or a read error
    kNotAPicture,      // not a file of the format at all
    kDamaged,          // the header is broken, or not one row of pixels could be decoded
    kUnsupportedKind,  // a kind of the format (depth, compression, ...) that is not read
    kTooLarge,         // the file or the picture beyond the limits
    kOutOfMemory,
};

// A comment or text entry; JPEG comments have no keyword.
struct CodecText {
    std::string keyword;
    std::string text;
};

struct CodecHeader {
    std::int64_t width = 0;  // of the picture as shown (rows turned where the file says)
    std::int64_t height = 0;
    // Decode writes every row exactly once, top to bottom, each through Row(y) then
    // Done(y): such rows can go into a shrinker as they come. Otherwise Decode writes
    // anywhere in a whole picture (RowSink::Pixels).
    bool rowsInOrder = true;
};

// Where Decode writes: rows of 32-bit pixels stored B, G, R, X. A row the codec never
// writes reads black; the fourth byte is not read by anything that shows pixels.
class RowSink {
public:
    virtual ~RowSink() = default;
    // Row y of the picture being decoded.
    virtual std::uint32_t* Row(std::size_t y) = 0;
    // Row y is complete.
    virtual void Done(std::size_t y) = 0;
    // For rows in order: the next `count` rows are not in the data and stay black.
    virtual void Skip(std::size_t count) = 0;
    // The whole picture, rows top-down without padding, for a codec whose rows do not
    // come in order; nullptr for a sink that takes rows in order only.
    virtual std::uint32_t* Pixels() { return nullptr; }
};

// How a decode ended.
struct DecodeReport {
    enum End {
        kComplete,
        kTruncated,  // the data ended early
        kCorrupt,    // the data could not be decoded further, or is wrong after the picture
        kAsTold,     // the codec's detail is the whole note (empty: none)
    };
    End end = kComplete;
    std::size_t rows = 0;  // complete rows decoded, counted in the file's order
    bool partRow = false;  // and some pixels of the row after them
    std::string detail;    // what the codec knows about the fault, one line
};

class Codec {
public:
    virtual ~Codec() = default;
    // The format's name in messages: "BMP", "JPEG", ...
    virtual const char* Name() const = 0;
    // Reads the header; false with the failure and a one-line detail when the file
    // cannot be decoded. Texts found on the way go to Texts().
    virtual bool ReadHeader(CodecHeader& header, LoadFailure& failure, std::string& detail) = 0;
    // For a read of the header only: the texts a decode would meet after the header.
    virtual void ReadRemainingTexts() {}
    // The smallest size, covering `target` along both axes, that Decode can produce
    // directly; the full size when it cannot reduce.
    virtual Size DecodeSize(Size full, Size /*target*/) { return full; }
    // Decodes the picture at `size` (the full size or one DecodeSize gave) into `sink`.
    virtual void Decode(Size size, RowSink& sink, DecodeReport& report) = 0;
    // What rows the data never reached show, as a 0x00RRGGBB colour.
    virtual std::uint32_t MissingColour() const { return 0; }
    // Comments or text entries, in file order: those of the header, and after Decode
    // those met while decoding.
    std::vector<CodecText>& Texts() { return m_texts; }

protected:
    std::vector<CodecText> m_texts;
};

struct DecodeResult {
    BlockHandle pixels;  // nullptr on failure
    int width = 0;       // the file's picture size; the block may carry a smaller one
    int height = 0;
    LoadFailure failure = LoadFailure::kNone;
    std::string error;   // one line, when pixels is nullptr
    std::string damage;  // one line, when a picture came out but not whole
};

// Runs a codec: header, limits, a picture as `hint` asks (whole, decoded small, shrunk
// as its rows come, or no pixels for kHeaderOnly: an empty block with picture size
// 0 x 0). Never throws.
DecodeResult RunCodec(Codec& codec, const LoadHint& hint,
                      std::uint64_t maxPixels = kMaxPicturePixels);
