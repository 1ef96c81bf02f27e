#include "writer/CardFileWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <new>
#include <utility>

#include "card/CardComment.h"
#include "image/ByteSource.h"
#include "image/Codec.h"
#include "image/Codecs.h"
#include "image/ImageFormats.h"
#include "image/ImagingBackend.h"
#include "writer/CardRecord.h"
#include "writer/CardScrambling.h"
#include "writer/JpegCommentRewriter.h"
#include "writer/PngTextRewriter.h"

namespace {

CardCommentLayout WalkCardComments(CardFileKind kind, std::span<const std::uint8_t> bytes) {
    return kind == CardFileKind::kJpeg ? WalkJpegCardComments(bytes) : WalkPngCardTexts(bytes);
}

std::string Joined(const std::vector<CardRefusal>& refusals) {
    std::string text;
    for (const CardRefusal& refusal : refusals)
        text += (text.empty() ? "" : "; ") + refusal.Message();
    return text;
}

// Where -o OUT really is: symbolic links followed, also when OUT does not exist yet.
std::optional<std::string> ResolvedOutput(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr)
        return std::string(resolved);
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (::realpath(dir.c_str(), resolved) == nullptr)
        return std::nullopt;
    return std::string(resolved) + "/" + path.substr(slash == std::string::npos ? 0 : slash + 1);
}

// The new record of a file whose bytes are `old`: a message naming the field when it
// cannot be built, else empty.
using NewRecord = std::function<std::string(std::span<const std::uint8_t> old, CardInfo& record)>;

class CardFileJob {
public:
    CardFileJob(const std::string& path, const ColDefList& defs, const CardWriteOptions& options,
                const ReplaceSeams& seams)
        : m_path(path), m_defs(defs), m_options(options), m_seams(seams) {}

    // `newRecord` null: every card comment removed. `read`: the file as the caller has
    // read it; else it is read here.
    CardWriteResult Run(const NewRecord* newRecord, LoadedFile* read = nullptr) {
        try {
            return Write(newRecord, read);
        } catch (const std::bad_alloc&) {
            return Failed("not enough memory to rewrite it");
        }
    }

private:
    CardWriteResult Write(const NewRecord* newRecord, LoadedFile* read) {
        m_kind = CardFileKindOf(m_path);
        if (m_kind == CardFileKind::kNoComments)
            return Failed("BMP, TIFF and PCX files hold no cards the viewer reads");
        if (m_kind == CardFileKind::kUnsupported)
            return Failed("not a JPEG or PNG file (by its name)");
        if (m_options.outputPath && CardFileKindOf(*m_options.outputPath) != m_kind)
            return Failed("the output's name does not name the same format");
        m_file = read ? std::move(*read) : LoadFile(m_path);
        if (!m_file.ok())
            return Failed("cannot be read: " + m_file.error);
        std::vector<std::string> comments;
        if (newRecord != nullptr) {
            if (std::string wrong = (*newRecord)(m_file.bytes, m_record); !wrong.empty())
                return {CardWriteResult::kRefused, wrong, {}};
            CardComments written = CardCommentsOf(m_record, m_defs);
            if (!written.ok())
                return {CardWriteResult::kRefused, Joined(written.refusals), {}};
            comments = std::move(written.comments);
        }
        m_withCards = newRecord != nullptr;
        m_layout = WalkCardComments(m_kind, m_file.bytes);
        if (!m_layout.ok())
            return Failed("cannot be rewritten: " + m_layout.error);
        std::vector<std::vector<std::uint8_t>> segments;
        for (const std::string& comment : comments)
            segments.push_back(m_kind == CardFileKind::kJpeg ? JpegCommentSegment(comment)
                                                             : PngCommentChunk(comment));
        if (m_options.dryRun) {
            if (std::string wrong = Verify(ApplyCardLayout(m_file.bytes, m_layout, segments));
                !wrong.empty())
                return Failed("the new file would not be right: " + wrong);
            return {CardWriteResult::kWritten, {}, m_file.path};
        }
        return Replace(CardLayoutPieces(m_file.bytes, m_layout, segments));
    }

    CardWriteResult Failed(const std::string& why) const {
        return {CardWriteResult::kFailed, why, {}};
    }

    // Why `fresh` is not the old file with the intended cards; empty when it is. The old
    // bytes are read from the old file again once they have been let go.
    std::string Verify(std::span<const std::uint8_t> fresh) const {
        const CardCommentLayout newLayout = WalkCardComments(m_kind, fresh);
        if (!newLayout.ok())
            return newLayout.error;
        SpanSource freshSource(fresh.data(), fresh.size());
        std::unique_ptr<ByteSource> old = OldBytes();
        if (!old)
            return "it changed while it was being worked on";
        if (!SameBytesOutsideCards(*old, m_layout, freshSource, newLayout))
            return "bytes outside the card comments differ";
        const std::vector<std::string> comments = ReadCardComments(m_kind, fresh);
        if (!m_withCards)
            return comments.empty() ? std::string() : "card comments remain";
        CardInfo back;
        ParseCardComments(m_defs, comments, back);
        if (const std::optional<std::string> field = CardRecordDifference(m_record, back))
            return "the cards read back differ in the " + *field;
        return {};
    }

    std::unique_ptr<ByteSource> OldBytes() const {
        if (!m_oldReleased)
            return std::make_unique<SpanSource>(m_file.bytes.data(), m_file.bytes.size());
        const int fd = ::open(m_file.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat info {};
        if (fd >= 0 && ::fstat(fd, &info) == 0 && SameFileState(m_file.snapshot, SnapshotOf(info)))
            return std::make_unique<FileSource>(fd, std::uint64_t(info.st_size));
        if (fd >= 0)
            ::close(fd);
        return nullptr;
    }

    CardWriteResult Replace(std::vector<std::span<const std::uint8_t>> pieces) {
        ReplaceRequest request;
        request.target = m_file.path;
        request.replaced = m_file.snapshot;
        if (m_options.outputPath) {
            const std::optional<std::string> output = ResolvedOutput(*m_options.outputPath);
            if (!output)
                return Failed("the output's directory cannot be found");
            if (*output != m_file.path) {
                request.target = *output;
                request.source.emplace(m_file.path, m_file.snapshot);
                struct stat info {};
                request.replaced.reset();
                if (::stat(output->c_str(), &info) == 0)
                    request.replaced = SnapshotOf(info);
                request.newFileMode = m_file.snapshot.mode & 0777;
            }
        }
        request.flushDirectory = m_options.flushDirectory;
        if (m_options.keepTime)
            request.keepTimesOf = m_file.snapshot;
        request.pieces = std::move(pieces);
        // Written: only the new file is held from here on, read back into the old one's
        // memory.
        request.written = [this] {
            m_oldReleased = true;
            return std::exchange(m_file.bytes, {});
        };
        request.check = [this](std::span<const std::uint8_t> back) { return Verify(back); };
        const ReplaceResult result = ReplaceFileSafely(request, m_seams);
        switch (result.outcome) {
            case ReplaceResult::kReplaced:
                return {CardWriteResult::kWritten, result.error, request.target};
            case ReplaceResult::kChanged:
                return {CardWriteResult::kChanged, result.error, {}};
            default:
                return Failed(result.error);
        }
    }

    const std::string& m_path;
    const ColDefList& m_defs;
    const CardWriteOptions& m_options;
    const ReplaceSeams& m_seams;
    CardFileKind m_kind = CardFileKind::kUnsupported;
    LoadedFile m_file;
    CardCommentLayout m_layout;  // of the old file
    bool m_oldReleased = false;
    CardInfo m_record;
    bool m_withCards = false;
};

NewRecord GivenRecord(const CardInfo& card) {
    return [&card](std::span<const std::uint8_t>, CardInfo& record) {
        CopyCardRecord(card, record);
        return std::string();
    };
}

}  // namespace

CardFileKind CardFileKindOf(const std::string& path) {
    const ImageFormat* format = FormatOfPath(path);
    if (format == nullptr)
        return CardFileKind::kUnsupported;
    if (format->number == ImageFormat::kJpeg)
        return CardFileKind::kJpeg;
    if (format->number == ImageFormat::kPng)
        return CardFileKind::kPng;
    return CardFileKind::kNoComments;
}

RewrittenFile RewriteCardComments(CardFileKind kind, std::span<const std::uint8_t> bytes,
                                  const std::vector<std::string>& comments) {
    if (kind == CardFileKind::kJpeg)
        return RewriteJpegCardComments(bytes, comments);
    if (kind == CardFileKind::kPng)
        return RewritePngCardTexts(bytes, comments);
    return {{}, "not a JPEG or PNG file"};
}

std::vector<std::string> ReadCardComments(CardFileKind kind, std::span<const std::uint8_t> bytes) {
    SpanSource source(bytes.data(), bytes.size());
    const CodecSettings settings;
    std::unique_ptr<Codec> codec;
    if (kind == CardFileKind::kJpeg)
        codec = MakeJpegCodec(source, settings);
    else if (kind == CardFileKind::kPng)
        codec = MakePngCodec(source, settings);
    else
        return {};
    LoadHint hint;
    hint.kind = LoadHint::kHeaderOnly;
    const DecodeResult result = RunCodec(*codec, hint);
    // As the viewer keeps them: JPEG comments also from a file that failed, PNG texts
    // only from one that loaded; each up to its first NUL.
    std::vector<std::string> comments;
    if (kind == CardFileKind::kPng && !result.pixels)
        return comments;
    for (const CodecText& text : codec->Texts()) {
        std::string comment = text.text.substr(0, text.text.find('\0'));
        if (IsCardComment(comment))
            comments.push_back(std::move(comment));
    }
    return comments;
}

CardWriteResult EditCardsInFile(const std::string& path, const ColDefList& defs,
                                const CardWriteOptions& options, const CardRecordEdit& edit,
                                const ReplaceSeams& seams) {
    const CardFileKind kind = CardFileKindOf(path);
    const NewRecord edited = [&](std::span<const std::uint8_t> old, CardInfo& record) {
        ParseCardComments(defs, ReadCardComments(kind, old), record);
        return edit(record);
    };
    return CardFileJob(path, defs, options, seams).Run(&edited);
}

CardWriteResult WriteCardsIntoFile(const std::string& path, const CardInfo& card,
                                   const ColDefList& defs, const CardWriteOptions& options,
                                   const ReplaceSeams& seams) {
    const NewRecord given = GivenRecord(card);
    return CardFileJob(path, defs, options, seams).Run(&given);
}

CardWriteResult WriteCardsIntoFile(const std::string& path, LoadedFile read, const CardInfo& card,
                                   const ColDefList& defs, const CardWriteOptions& options,
                                   const ReplaceSeams& seams) {
    const NewRecord given = GivenRecord(card);
    return CardFileJob(path, defs, options, seams).Run(&given, &read);
}

CardWriteResult ClearCardsInFile(const std::string& path, const CardWriteOptions& options,
                                 const ReplaceSeams& seams) {
    static const ColDefList kNoDefinitions;
    return CardFileJob(path, kNoDefinitions, options, seams).Run(nullptr);
}
