#pragma once
// A card record as the text of card comments: the exact inverse of CardInfo::Parse.
// Parsing the comments in turn into a freshly reset record gives back the record:
// its protocol fields and every field of the cards present (absent cards are not
// written, so their fields come back as the defaults).

#include <cstddef>
#include <string>
#include <vector>

#include "card/CardInfo.h"
#include "collection/ColDef.h"

// The most a card comment may hold, mark and scrambling included: one JPEG COM segment.
inline constexpr std::size_t kMaxCardCommentBytes = 65533;

// Why a record cannot be written, naming the field ("title", "layout",
// "collection field 'Colour'", ...).
struct CardRefusal {
    std::string field;
    std::string reason;
    std::string Message() const { return field + ": " + reason; }
};

struct PlainCardComments {
    std::vector<std::string> comments;  // plain text, "tSN|SPV0100|...|end"; empty when refused
    std::vector<CardRefusal> refusals;  // every value the format cannot carry
    bool ok() const { return refusals.empty(); }
};

// Every value of `card` the format cannot carry exactly: a '|' or a NUL byte anywhere,
// a backslash in a user-defined collection's label, a layout outside 1-10, a status
// outside 0-2, a collection code not in `defs` (for a collection that is not
// user-defined), a value at a field whose code cannot carry it, a value too long for
// one comment. Empty when the record can be written.
std::vector<CardRefusal> CheckCardRecord(const CardInfo& card, const ColDefList& defs);

// The plain comments of `card`: protocol fields, then the sections of the present cards
// (gen, bca, col, cpr) with all their fields, then "end". Split into several comments,
// each complete in itself, when one would exceed `maxBytes` once scrambled.
PlainCardComments SerializeCard(const CardInfo& card, const ColDefList& defs,
                                std::size_t maxBytes = kMaxCardCommentBytes);

// The definition `card`'s collection is written against, or nullptr when it is written
// as user-defined: the definition of its code whose name and labels the record holds.
const ColDef* DefinedCollectionOf(const CardInfo& card, const ColDefList& defs);
