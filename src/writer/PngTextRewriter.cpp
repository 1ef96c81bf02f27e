#include "writer/PngTextRewriter.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

#include "card/CardComment.h"

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::size_t kChunkOverhead = 12;  // length, type, CRC
constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFF;
constexpr std::string_view kCommentKeyword = "Comment";
// The viewer's limits: a text longer than this is not read, nor a chunk longer than
// what three such fields and a little more need.
constexpr std::size_t kMaxTextBytes = std::size_t{1} << 20;
constexpr std::size_t kMaxTextChunkBytes = 3 * kMaxTextBytes + 1024;
constexpr std::size_t kMaxKeywordBytes = 79;

std::uint32_t ReadBe32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

void AppendBe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(std::uint8_t(value >> shift));
}

std::string At(std::size_t offset) {
    return " at offset " + std::to_string(offset);
}

// The bytes of a chunk body read as the viewer reads text fields.
class TextFields {
public:
    explicit TextFields(std::span<const std::uint8_t> body) : m_body(body) {}

    // The NUL-terminated field at the cursor, when a NUL ends it within maxLength bytes.
    std::optional<std::string_view> Field(std::size_t maxLength) {
        const std::size_t span = std::min(Left(), maxLength + 1);
        const auto* nul = static_cast<const std::uint8_t*>(std::memchr(Here(), 0, span));
        if (nul == nullptr)
            return std::nullopt;
        const std::string_view field(reinterpret_cast<const char*>(Here()),
                                     std::size_t(nul - Here()));
        m_pos += field.size() + 1;
        return field;
    }
    bool Byte(std::uint8_t& value) {
        if (Left() == 0)
            return false;
        value = m_body[m_pos++];
        return true;
    }
    // The rest, up to its first NUL, when not longer than the viewer reads.
    std::optional<std::string> PlainText() const {
        const auto* text = reinterpret_cast<const char*>(Here());
        const std::size_t length = strnlen(text, Left());
        if (length > kMaxTextBytes)
            return std::nullopt;
        return std::string(text, length);
    }
    // The rest inflated, up to its first NUL; nothing when the stream is broken or
    // inflates past what the viewer reads.
    std::optional<std::string> CompressedText() const {
        z_stream z{};
        if (inflateInit(&z) != Z_OK)
            return std::nullopt;
        z.next_in = const_cast<Bytef*>(Here());
        z.avail_in = static_cast<uInt>(std::min<std::size_t>(Left(), UINT32_MAX));
        std::string out;
        int status = Z_OK;
        while (status == Z_OK && out.size() <= kMaxTextBytes) {
            std::uint8_t buffer[16384];
            z.next_out = buffer;
            z.avail_out = sizeof buffer;
            status = inflate(&z, Z_NO_FLUSH);
            const std::size_t produced = sizeof buffer - z.avail_out;
            out.append(reinterpret_cast<const char*>(buffer), produced);
            if (status == Z_OK && produced == 0 && z.avail_in == 0)
                status = Z_DATA_ERROR;  // the stream stops short of its end
        }
        inflateEnd(&z);
        if (status != Z_STREAM_END || out.size() > kMaxTextBytes)
            return std::nullopt;
        out.resize(strnlen(out.c_str(), out.size()));
        return out;
    }

private:
    const std::uint8_t* Here() const { return m_body.data() + m_pos; }
    std::size_t Left() const { return m_body.size() - m_pos; }

    std::span<const std::uint8_t> m_body;
    std::size_t m_pos = 0;
};

// The text of a tEXt, zTXt or iTXt body as the viewer reads it; nothing when the
// viewer would not read it at all.
std::optional<std::string> TextOf(std::string_view type, std::span<const std::uint8_t> body) {
    TextFields fields(body);
    const std::optional<std::string_view> keyword = fields.Field(kMaxKeywordBytes);
    if (type == "tEXt") {
        if (!keyword)  // a keyword without its NUL has no text
            return body.empty() || body.size() > kMaxKeywordBytes ? std::nullopt
                                                                  : std::optional<std::string>("");
        return keyword->empty() ? std::nullopt : fields.PlainText();
    }
    if (!keyword || keyword->empty())
        return std::nullopt;
    std::uint8_t compressed = 1;
    std::uint8_t method = 0;
    if (type == "iTXt") {
        if (!fields.Byte(compressed) || compressed > 1 || !fields.Byte(method) || method != 0 ||
            !fields.Field(kMaxTextBytes) || !fields.Field(kMaxTextBytes))
            return std::nullopt;
    } else if (!fields.Byte(method) || method != 0) {
        return std::nullopt;
    }
    return compressed ? fields.CompressedText() : fields.PlainText();
}

bool IsTextChunk(std::string_view type) {
    return type == "tEXt" || type == "zTXt" || type == "iTXt";
}

// A card text: one the viewer reads (sound CRC, fields and size) that carries the mark.
bool IsCardText(std::string_view type, std::span<const std::uint8_t> chunk) {
    const std::size_t length = chunk.size() - kChunkOverhead;
    if (!IsTextChunk(type) || length > kMaxTextChunkBytes ||
        crc32(0, chunk.data() + 4, static_cast<uInt>(length + 4)) != ReadBe32(&chunk[8 + length]))
        return false;
    const std::optional<std::string> text = TextOf(type, chunk.subspan(8, length));
    return text && IsCardComment(*text);
}

}  // namespace

CardCommentLayout WalkPngCardTexts(std::span<const std::uint8_t> file) {
    CardCommentLayout layout;
    const auto fail = [&](std::string error) {
        layout.cards.clear();
        layout.error = std::move(error);
        return layout;
    };
    if (file.size() < sizeof kSignature || !std::equal(kSignature, kSignature + 8, file.begin()))
        return fail("not a PNG file (no PNG signature)");
    std::optional<std::size_t> firstData;
    for (std::size_t pos = sizeof kSignature;;) {
        if (pos == file.size())
            return fail("the file ends before its IEND chunk");
        const std::uint32_t length = file.size() - pos < 8 ? 0 : ReadBe32(&file[pos]);
        if (file.size() - pos < kChunkOverhead || length > kMaxChunkLength ||
            length > file.size() - pos - kChunkOverhead)
            return fail("a chunk cut short" + At(pos));
        const std::string_view type(reinterpret_cast<const char*>(&file[pos + 4]), 4);
        const std::size_t end = pos + kChunkOverhead + length;
        if (pos == sizeof kSignature && (type != "IHDR" || length != 13))
            return fail("IHDR is not the first chunk");
        if (type == "IDAT" && !firstData)
            firstData = pos;
        if (IsCardText(type, file.subspan(pos, end - pos)))
            layout.cards.push_back({pos, end});
        pos = end;
        if (type == "IEND")
            break;
    }
    if (!firstData)
        return fail("no IDAT chunk");
    layout.insertAt = layout.cards.empty() ? *firstData : layout.cards.front().begin;
    return layout;
}

std::vector<std::uint8_t> PngCommentChunk(const std::string& comment) {
    std::vector<std::uint8_t> chunk;
    const std::size_t length = kCommentKeyword.size() + 1 + comment.size();
    chunk.reserve(length + kChunkOverhead);
    AppendBe32(chunk, static_cast<std::uint32_t>(length));
    chunk.insert(chunk.end(), {'t', 'E', 'X', 't'});
    chunk.insert(chunk.end(), kCommentKeyword.begin(), kCommentKeyword.end());
    chunk.push_back(0);
    chunk.insert(chunk.end(), comment.begin(), comment.end());
    AppendBe32(chunk, static_cast<std::uint32_t>(crc32(0, chunk.data() + 4, uInt(length + 4))));
    return chunk;
}

RewrittenFile RewritePngCardTexts(std::span<const std::uint8_t> file,
                                  const std::vector<std::string>& comments) {
    return RewriteCardRanges(file, comments, kMaxTextBytes,
                             "a card comment longer than the viewer reads from a PNG text",
                             WalkPngCardTexts, PngCommentChunk);
}
