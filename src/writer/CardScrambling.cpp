#include "writer/CardScrambling.h"

#include "card/Scrambler.h"

std::optional<std::string> ScrambleCardComment(std::string_view plain, std::size_t maxBytes) {
    std::string text(plain);
    while (text.size() <= maxBytes) {
        if (std::optional<std::string> scrambled = ScrambleComment(text))
            return scrambled;
        // A space right after the mark: skipped by the parser, and every byte after it
        // draws its shift from a generator seeded anew.
        text.insert(kCommentMarkLength, 1, ' ');
    }
    return std::nullopt;
}

CardComments CardCommentsOf(const CardInfo& card, const ColDefList& defs) {
    PlainCardComments plain = SerializeCard(card, defs);
    CardComments result;
    result.refusals = std::move(plain.refusals);
    for (const std::string& comment : plain.comments) {
        std::optional<std::string> scrambled = ScrambleCardComment(comment);
        if (!scrambled) {
            result.refusals.push_back({"record", "no scrambled form fits in one comment"});
            break;
        }
        result.comments.push_back(std::move(*scrambled));
    }
    if (!result.ok())
        result.comments.clear();
    return result;
}
