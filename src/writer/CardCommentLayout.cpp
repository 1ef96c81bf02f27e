#include "writer/CardCommentLayout.h"

#include <algorithm>

namespace {

// The ranges of `size` bytes outside the card ranges, in order.
std::vector<ByteRange> KeptRanges(std::size_t size, const CardCommentLayout& layout) {
    std::vector<ByteRange> kept;
    std::size_t cursor = 0;
    for (const ByteRange& card : layout.cards) {
        if (card.begin > cursor)
            kept.push_back({cursor, card.begin});
        cursor = card.end;
    }
    if (size > cursor)
        kept.push_back({cursor, size});
    return kept;
}

}  // namespace

std::vector<std::uint8_t> ApplyCardLayout(std::span<const std::uint8_t> file,
                                          const CardCommentLayout& layout,
                                          const std::vector<std::vector<std::uint8_t>>& segments) {
    std::vector<std::uint8_t> out;
    std::size_t added = 0;
    for (const auto& segment : segments)
        added += segment.size();
    out.reserve(file.size() + added);
    bool inserted = false;
    const auto copy = [&](std::size_t from, std::size_t to) {
        out.insert(out.end(), file.begin() + std::ptrdiff_t(from),
                   file.begin() + std::ptrdiff_t(to));
    };
    for (const ByteRange& kept : KeptRanges(file.size(), layout)) {
        if (!inserted && layout.insertAt <= kept.end) {
            const std::size_t at = std::max(layout.insertAt, kept.begin);
            copy(kept.begin, at);
            for (const auto& segment : segments)
                out.insert(out.end(), segment.begin(), segment.end());
            inserted = true;
            copy(at, kept.end);
        } else {
            copy(kept.begin, kept.end);
        }
    }
    if (!inserted) {
        for (const auto& segment : segments)
            out.insert(out.end(), segment.begin(), segment.end());
    }
    return out;
}

RewrittenFile RewriteCardRanges(std::span<const std::uint8_t> file,
                                const std::vector<std::string>& comments,
                                std::size_t maxCommentBytes, const char* tooLong,
                                CardCommentLayout (*walk)(std::span<const std::uint8_t>),
                                std::vector<std::uint8_t> (*encode)(const std::string&)) {
    std::vector<std::vector<std::uint8_t>> segments;
    for (const std::string& comment : comments) {
        if (comment.size() > maxCommentBytes)
            return {{}, tooLong};
        segments.push_back(encode(comment));
    }
    const CardCommentLayout layout = walk(file);
    if (!layout.ok())
        return {{}, layout.error};
    return {ApplyCardLayout(file, layout, segments), {}};
}

bool SameBytesOutsideCards(std::span<const std::uint8_t> a, const CardCommentLayout& layoutA,
                           std::span<const std::uint8_t> b, const CardCommentLayout& layoutB) {
    const std::vector<ByteRange> keptA = KeptRanges(a.size(), layoutA);
    const std::vector<ByteRange> keptB = KeptRanges(b.size(), layoutB);
    std::size_t i = 0, j = 0;
    std::size_t atA = keptA.empty() ? 0 : keptA[0].begin;
    std::size_t atB = keptB.empty() ? 0 : keptB[0].begin;
    while (i < keptA.size() && j < keptB.size()) {
        const std::size_t n = std::min(keptA[i].end - atA, keptB[j].end - atB);
        if (!std::equal(a.begin() + std::ptrdiff_t(atA), a.begin() + std::ptrdiff_t(atA + n),
                        b.begin() + std::ptrdiff_t(atB)))
            return false;
        atA += n;
        atB += n;
        if (atA == keptA[i].end && ++i < keptA.size())
            atA = keptA[i].begin;
        if (atB == keptB[j].end && ++j < keptB.size())
            atB = keptB[j].begin;
    }
    return i == keptA.size() && j == keptB.size();
}
