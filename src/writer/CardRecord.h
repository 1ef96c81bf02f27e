#pragma once
// Whole-record operations the writer needs: CardInfo itself is neither copyable nor
// comparable.

#include <optional>
#include <string>
#include <vector>

#include "card/CardInfo.h"

// Makes `to` the same record as `from` (the layout rebuilt by number).
void CopyCardRecord(const CardInfo& from, CardInfo& to);

// Makes `def` the collection of `card`, as the parser does when a comment names its
// code: code, name and labels from the definition, values kept up to its field count.
void SetDefinedCollection(CardInfo& card, const ColDef& def);

// The first field in which the records differ as cards written by the writer: the
// protocol fields, the four presence flags and the fields of the cards present.
// Nothing when they agree.
std::optional<std::string> CardRecordDifference(const CardInfo& a, const CardInfo& b);

// Parses `comments` (scrambled card comments, in file order) into `card` after a Reset.
void ParseCardComments(const ColDefList& defs, const std::vector<std::string>& comments,
                       CardInfo& card);
