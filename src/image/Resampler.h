#pragma once
// Resampling of pictures held as 4-byte B,G,R,X pixels (see kPictureBytesPerPixel):
// area averaging along an axis that shrinks, bilinear along one that grows.
// The result's fourth byte is always 0xFF.

#include <cstdint>
#include <memory>

#include "image/MemoryBlock.h"

// True when width x height is a picture size the imaging code accepts: both sides
// at least 1 and no more than kMaxPicturePixels pixels.
bool IsPictureSizeAllowed(int width, int height);

// A new newWidth x newHeight picture, or nullptr when either size is not allowed,
// pixels is null, or the memory is not there. The source is left alone.
BlockHandle ResamplePicture(const std::uint8_t* pixels, int width, int height, int newWidth,
                            int newHeight);

// Shrinks a picture that arrives one row at a time, top to bottom, holding only the
// few source rows an output row needs, so that a decoder never holds the whole
// picture. The result is ResamplePicture's on the whole picture, byte for byte.
class RowShrinker {
public:
    // Not Ready() when a size is not allowed, the new size is larger along an axis,
    // or the memory is not there.
    RowShrinker(int width, int height, int newWidth, int newHeight);
    ~RowShrinker();
    RowShrinker(const RowShrinker&) = delete;
    RowShrinker& operator=(const RowShrinker&) = delete;

    bool Ready() const { return m_state != nullptr; }
    // Where the next source row is written: width * kPictureBytesPerPixel bytes.
    std::uint8_t* NextRow();
    // Takes the row written at NextRow(); every output row it completes is made.
    void PushRow();
    // The next `count` source rows are black. Output rows made of such rows only are
    // left as the new block's zero bytes (black, with a fourth byte of 0 instead of
    // 0xFF), so that a picture with rows missing costs no more than the rows it has.
    void SkipRows(std::size_t count);
    int RowsLeft() const;
    // The new picture once every source row is pushed, else nullptr.
    BlockHandle Finish();

private:
    struct State;
    std::unique_ptr<State> m_state;
};
