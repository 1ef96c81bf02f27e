#pragma once
// Card texts in a PNG file, found by walking its chunks: a card text is a tEXt, zTXt or
// iTXt chunk the viewer reads (sound CRC and fields, text within its size limit) whose
// text, up to its first NUL, starts with the mark.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "writer/CardCommentLayout.h"

// The card text chunks and the insertion point: the first card text, else the first
// IDAT. An error for anything that is not a whole PNG structure (no signature, IHDR
// not first, a chunk cut short, no IDAT, no IEND).
CardCommentLayout WalkPngCardTexts(std::span<const std::uint8_t> file);

// One tEXt chunk, keyword "Comment", holding `comment`, its CRC computed.
std::vector<std::uint8_t> PngCommentChunk(const std::string& comment);

// The file with its card texts replaced by `comments`, one tEXt chunk each (none: the
// card texts removed).
RewrittenFile RewritePngCardTexts(std::span<const std::uint8_t> file,
                                  const std::vector<std::string>& comments);
