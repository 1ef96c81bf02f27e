// Placeholders while the writer is built: every operation refuses.
#include "writer/CardFileWriter.h"
#include "writer/CardRecord.h"
#include "writer/CardScrambling.h"
#include "writer/CardSerializer.h"
#include "writer/JpegCommentRewriter.h"
#include "writer/PngTextRewriter.h"

namespace {
const char* kNotYet = "not built yet";
}

std::vector<CardRefusal> CheckCardRecord(const CardInfo&, const ColDefList&) {
    return {{"record", kNotYet}};
}
PlainCardComments SerializeCard(const CardInfo&, const ColDefList&, std::size_t) {
    return {{}, {{"record", kNotYet}}};
}
const ColDef* DefinedCollectionOf(const CardInfo&, const ColDefList&) {
    return nullptr;
}
std::optional<std::string> ScrambleCardComment(std::string_view, std::size_t) {
    return std::nullopt;
}
CardComments CardCommentsOf(const CardInfo&, const ColDefList&) {
    return {{}, {{"record", kNotYet}}};
}
void CopyCardRecord(const CardInfo&, CardInfo&) {}
std::optional<std::string> CardRecordDifference(const CardInfo&, const CardInfo&) {
    return kNotYet;
}
void ParseCardComments(const ColDefList&, const std::vector<std::string>&, CardInfo& card) {
    card.Reset();
}
std::vector<std::uint8_t> ApplyCardLayout(std::span<const std::uint8_t>, const CardCommentLayout&,
                                          const std::vector<std::vector<std::uint8_t>>&) {
    return {};
}
bool SameBytesOutsideCards(std::span<const std::uint8_t>, const CardCommentLayout&,
                           std::span<const std::uint8_t>, const CardCommentLayout&) {
    return false;
}
CardCommentLayout WalkJpegCardComments(std::span<const std::uint8_t>) {
    return {{}, 0, kNotYet};
}
std::vector<std::uint8_t> JpegCommentSegment(const std::string&) {
    return {};
}
RewrittenFile RewriteJpegCardComments(std::span<const std::uint8_t>,
                                      const std::vector<std::string>&) {
    return {{}, kNotYet};
}
CardCommentLayout WalkPngCardTexts(std::span<const std::uint8_t>) {
    return {{}, 0, kNotYet};
}
std::vector<std::uint8_t> PngCommentChunk(const std::string&) {
    return {};
}
RewrittenFile RewritePngCardTexts(std::span<const std::uint8_t>, const std::vector<std::string>&) {
    return {{}, kNotYet};
}
FileSnapshot SnapshotOf(const struct stat&) {
    return {};
}
bool SameFileState(const FileSnapshot&, const FileSnapshot&) {
    return false;
}
LoadedFile LoadFile(const std::string& path) {
    return {path, {}, {}, kNotYet};
}
ReplaceResult ReplaceFileSafely(const ReplaceRequest&, const ReplaceSeams&) {
    return {ReplaceResult::kFailed, kNotYet};
}
std::string TemporaryPrefixFor(const std::string& target) {
    return target;
}
int RemoveStaleTemporaries(const std::string&) {
    return 0;
}
CardFileKind CardFileKindOf(const std::string&) {
    return CardFileKind::kUnsupported;
}
CardWriteResult EditCardsInFile(const std::string&, const ColDefList&, const CardWriteOptions&,
                                const CardRecordEdit&, const ReplaceSeams&) {
    return {CardWriteResult::kFailed, kNotYet, {}};
}
CardWriteResult WriteCardsIntoFile(const std::string&, const CardInfo&, const ColDefList&,
                                   const CardWriteOptions&, const ReplaceSeams&) {
    return {CardWriteResult::kFailed, kNotYet, {}};
}
CardWriteResult ClearCardsInFile(const std::string&, const CardWriteOptions&, const ReplaceSeams&) {
    return {CardWriteResult::kFailed, kNotYet, {}};
}
std::vector<std::string> ReadCardComments(CardFileKind, std::span<const std::uint8_t>) {
    return {};
}
