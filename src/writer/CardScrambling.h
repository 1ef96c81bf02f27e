#pragma once
// Plain card comments to the scrambled form images carry, and back exactly.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "card/CardInfo.h"
#include "collection/ColDef.h"
#include "writer/CardSerializer.h"

// Scrambles a plain comment ("tSN|..."). When some byte has no scrambled form under the
// shift its position draws, spaces go between the mark and the first '|' (the parser
// skips them): the length, and so every shift, changes, and the scrambling is tried
// again. Nothing when no form within `maxBytes` was found.
std::optional<std::string> ScrambleCardComment(std::string_view plain,
                                               std::size_t maxBytes = kMaxCardCommentBytes);

struct CardComments {
    std::vector<std::string> comments;  // scrambled, ready for the file
    std::vector<CardRefusal> refusals;
    bool ok() const { return refusals.empty(); }
};

// SerializeCard, then every comment scrambled.
CardComments CardCommentsOf(const CardInfo& card, const ColDefList& defs);
