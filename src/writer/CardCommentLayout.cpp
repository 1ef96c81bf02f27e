#include "writer/CardCommentLayout.h"

#include <algorithm>
#include <cstring>

namespace {

// Compared a piece at a time: a file on disk is read through its source's window.
constexpr std::size_t kCompareChunkBytes = std::size_t{64} << 10;

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

std::vector<std::span<const std::uint8_t>> CardLayoutPieces(
    std::span<const std::uint8_t> file, const CardCommentLayout& layout,
    const std::vector<std::vector<std::uint8_t>>& segments) {
    std::vector<std::span<const std::uint8_t>> pieces;
    bool inserted = false;
    const auto insert = [&] {
        for (const auto& segment : segments)
            pieces.emplace_back(segment);
        inserted = true;
    };
    for (const ByteRange& kept : KeptRanges(file.size(), layout)) {
        if (!inserted && layout.insertAt <= kept.end) {
            const std::size_t at = std::max(layout.insertAt, kept.begin);
            pieces.push_back(file.subspan(kept.begin, at - kept.begin));
            insert();
            pieces.push_back(file.subspan(at, kept.end - at));
        } else {
            pieces.push_back(file.subspan(kept.begin, kept.end - kept.begin));
        }
    }
    if (!inserted)
        insert();
    return pieces;
}

std::vector<std::uint8_t> ApplyCardLayout(std::span<const std::uint8_t> file,
                                          const CardCommentLayout& layout,
                                          const std::vector<std::vector<std::uint8_t>>& segments) {
    std::vector<std::uint8_t> out;
    for (std::span<const std::uint8_t> piece : CardLayoutPieces(file, layout, segments))
        out.insert(out.end(), piece.begin(), piece.end());
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

bool SameBytesOutsideCards(ByteSource& a, const CardCommentLayout& layoutA, ByteSource& b,
                           const CardCommentLayout& layoutB) {
    const std::vector<ByteRange> keptA = KeptRanges(std::size_t(a.Size()), layoutA);
    const std::vector<ByteRange> keptB = KeptRanges(std::size_t(b.Size()), layoutB);
    std::size_t i = 0, j = 0;
    std::size_t atA = keptA.empty() ? 0 : keptA[0].begin;
    std::size_t atB = keptB.empty() ? 0 : keptB[0].begin;
    while (i < keptA.size() && j < keptB.size()) {
        const std::size_t n =
            std::min({keptA[i].end - atA, keptB[j].end - atB, kCompareChunkBytes});
        const std::uint8_t* bytesA = a.View(atA, n);
        const std::uint8_t* bytesB = b.View(atB, n);
        if (bytesA == nullptr || bytesB == nullptr || std::memcmp(bytesA, bytesB, n) != 0)
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

bool SameBytesOutsideCards(std::span<const std::uint8_t> a, const CardCommentLayout& layoutA,
                           std::span<const std::uint8_t> b, const CardCommentLayout& layoutB) {
    SpanSource sourceA(a.data(), a.size());
    SpanSource sourceB(b.data(), b.size());
    return SameBytesOutsideCards(sourceA, layoutA, sourceB, layoutB);
}
