// The JPEG and PNG card comment rewriters on any bytes: no crash, no overread, and
// whatever they produce walks again as its format, holds exactly the comments put in,
// and equals the input outside the card comments.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "writer/JpegCommentRewriter.h"
#include "writer/PngTextRewriter.h"

namespace {

template <typename Rewrite, typename Walk>
void Check(std::span<const std::uint8_t> input, Rewrite rewrite, Walk walk) {
    const std::vector<std::string> comments = {"tSN|one", std::string("tSN\0two", 7)};
    const RewrittenFile output = rewrite(input, comments);
    if (!output.ok())
        return;
    const CardCommentLayout before = walk(input);
    const CardCommentLayout after = walk(output.bytes);
    if (!before.ok() || !after.ok() || after.cards.size() != comments.size() ||
        !SameBytesOutsideCards(input, before, output.bytes, after))
        __builtin_trap();
    if (rewrite(output.bytes, {}).bytes != rewrite(input, {}).bytes)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    Check(input, RewriteJpegCardComments, WalkJpegCardComments);
    Check(input, RewritePngCardTexts, WalkPngCardTexts);
    return 0;
}
