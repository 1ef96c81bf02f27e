#pragma once
// Where an image file's card comments are and where new ones go, as its format's
// walker found them; and the rewrite that follows from it. Offsets are into the file's
// bytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/ByteSource.h"

struct ByteRange {
    std::size_t begin = 0;
    std::size_t end = 0;  // one past the last byte
};

struct CardCommentLayout {
    std::vector<ByteRange> cards;  // every card comment segment or chunk, in file order
    std::size_t insertAt = 0;      // where new card comments go
    std::string error;             // why the file cannot be walked; empty when it can
    bool ok() const { return error.empty(); }
};

struct RewrittenFile {
    std::vector<std::uint8_t> bytes;
    std::string error;  // empty when `bytes` holds the new file
    bool ok() const { return error.empty(); }
};

// The new file as pieces of `file` and of `segments` (whole encoded segments or
// chunks): the card ranges of `layout` dropped, the segments at its insertion point,
// every other byte in order.
std::vector<std::span<const std::uint8_t>> CardLayoutPieces(
    std::span<const std::uint8_t> file, const CardCommentLayout& layout,
    const std::vector<std::vector<std::uint8_t>>& segments);

// Those pieces in one piece.
std::vector<std::uint8_t> ApplyCardLayout(std::span<const std::uint8_t> file,
                                          const CardCommentLayout& layout,
                                          const std::vector<std::vector<std::uint8_t>>& segments);

// `file` walked by `walk`, its card comments replaced by `encode` of each of
// `comments`; `tooLong` when a comment exceeds `maxCommentBytes`.
RewrittenFile RewriteCardRanges(std::span<const std::uint8_t> file,
                                const std::vector<std::string>& comments,
                                std::size_t maxCommentBytes, const char* tooLong,
                                CardCommentLayout (*walk)(std::span<const std::uint8_t>),
                                std::vector<std::uint8_t> (*encode)(const std::string&));

// Whether the two files hold the same bytes once their card ranges are dropped. Read a
// little at a time, so that either may be a file on disk.
bool SameBytesOutsideCards(ByteSource& a, const CardCommentLayout& layoutA, ByteSource& b,
                           const CardCommentLayout& layoutB);
bool SameBytesOutsideCards(std::span<const std::uint8_t> a, const CardCommentLayout& layoutA,
                           std::span<const std::uint8_t> b, const CardCommentLayout& layoutB);
