#pragma once
// Card comments in a JPEG file, found by walking its markers and segments without
// decoding: the segments before the first scan, then the entropy-coded data from marker
// to marker up to EOI, as the viewer gathers comments. A card comment is a COM segment
// whose text, up to its first NUL, starts with the mark.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "writer/CardCommentLayout.h"

// The card COM segments and the insertion point: the first card comment, else the
// first start-of-frame marker. An error for anything that is not a whole JPEG
// structure (no SOI, a segment cut short or of a bad length, bytes between segments,
// no SOF before the first scan, no scan).
CardCommentLayout WalkJpegCardComments(std::span<const std::uint8_t> file);

// One COM segment holding `comment` (at most 65,533 bytes).
std::vector<std::uint8_t> JpegCommentSegment(const std::string& comment);

// The file with its card comments replaced by `comments`, one COM segment each (none:
// the card comments removed).
RewrittenFile RewriteJpegCardComments(std::span<const std::uint8_t> file,
                                      const std::vector<std::string>& comments);
