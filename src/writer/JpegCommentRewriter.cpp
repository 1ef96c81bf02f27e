#include "writer/JpegCommentRewriter.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "card/CardComment.h"

namespace {

constexpr std::uint8_t kMarkerPrefix = 0xFF;
constexpr std::uint8_t kStuffedZero = 0x00;
constexpr std::uint8_t kTem = 0x01;
constexpr std::uint8_t kSoi = 0xD8;
constexpr std::uint8_t kEoi = 0xD9;
constexpr std::uint8_t kSos = 0xDA;
constexpr std::uint8_t kCom = 0xFE;
constexpr std::size_t kMaxCommentBytes = 0xFFFF - 2;

bool IsRestart(std::uint8_t marker) {
    return marker >= 0xD0 && marker <= 0xD7;
}

// SOF0-SOF15 less DHT, JPG and DAC, which share the range.
bool IsStartOfFrame(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::string At(std::size_t offset) {
    return " at offset " + std::to_string(offset);
}

class JpegWalker {
public:
    explicit JpegWalker(std::span<const std::uint8_t> file) : m_file(file) {}

    CardCommentLayout Walk() {
        m_pos = 2;
        if (m_file.size() < 2 || m_file[0] != kMarkerPrefix || m_file[1] != kSoi)
            Fail("not a JPEG file (no start-of-image marker)");
        else if (WalkHeader() && WalkScans())
            m_layout.insertAt = m_layout.cards.empty() ? m_frameAt : m_layout.cards.front().begin;
        return std::move(m_layout);
    }

private:
    bool Fail(std::string error) {
        m_layout.cards.clear();
        m_layout.error = std::move(error);
        return false;
    }

    // The segments up to and including the first SOS, as libjpeg reads them: markers
    // back to back, fill bytes allowed before each.
    bool WalkHeader() {
        bool sawFrame = false;
        for (;;) {
            const std::size_t start = m_pos;
            if (m_pos < m_file.size() && m_file[m_pos] != kMarkerPrefix)
                return Fail("unexpected bytes between segments" + At(m_pos));
            while (m_pos < m_file.size() && m_file[m_pos] == kMarkerPrefix)
                ++m_pos;
            if (m_pos >= m_file.size())
                return Fail("the file ends before the first scan");
            const std::uint8_t marker = m_file[m_pos++];
            if (marker == kTem || IsRestart(marker))
                continue;
            if (marker == kStuffedZero || marker == kSoi || marker == kEoi)
                return Fail("unexpected marker before the first scan" + At(start));
            const std::optional<std::size_t> end = SegmentEnd(start);
            if (!end)
                return false;
            if (IsStartOfFrame(marker) && !sawFrame) {
                sawFrame = true;
                m_frameAt = start;
            }
            if (marker == kCom)
                NoteComment(start, *end);
            m_pos = *end;
            if (marker == kSos)
                return sawFrame || Fail("a scan before any start-of-frame marker");
        }
    }

    // The entropy-coded data from marker to marker up to EOI, as the viewer walks it
    // for the comments after the first scan. What follows EOI is kept as it is.
    bool WalkScans() {
        const std::size_t size = m_file.size();
        while (m_pos < size) {
            const auto* mark = static_cast<const std::uint8_t*>(
                std::memchr(m_file.data() + m_pos, kMarkerPrefix, size - m_pos));
            if (mark == nullptr)
                return true;
            const auto start = static_cast<std::size_t>(mark - m_file.data());
            std::size_t code = start + 1;
            while (code < size && m_file[code] == kMarkerPrefix)
                ++code;
            if (code >= size)
                return true;
            const std::uint8_t marker = m_file[code];
            m_pos = code + 1;
            if (marker == kStuffedZero || marker == kTem || marker == kSoi || IsRestart(marker))
                continue;
            if (marker == kEoi)
                return true;
            const std::optional<std::size_t> end = SegmentEnd(start);
            if (!end)
                return false;
            if (marker == kCom)
                NoteComment(start, *end);
            m_pos = *end;
        }
        return true;
    }

    // The end of the segment whose length field is at m_pos; fails when the length is
    // below 2 or runs past the file.
    std::optional<std::size_t> SegmentEnd(std::size_t start) {
        const std::size_t left = m_file.size() - m_pos;
        const std::size_t length =
            left < 2 ? 0 : std::size_t{m_file[m_pos]} << 8 | m_file[m_pos + 1];
        if (left >= 2 && length < 2)
            Fail("a segment of a bad length" + At(start));
        else if (left < 2 || length > left)
            Fail("a segment cut short" + At(start));
        else
            return m_pos + length;
        return std::nullopt;
    }

    // A COM segment [start, end) counts when its text, up to its first NUL as the viewer
    // reads it, carries the mark.
    void NoteComment(std::size_t start, std::size_t end) {
        const std::size_t body = m_pos + 2;
        const auto* text = reinterpret_cast<const char*>(m_file.data() + body);
        const std::string_view comment(text, strnlen(text, end - body));
        if (IsCardComment(comment))
            m_layout.cards.push_back({start, end});
    }

    std::span<const std::uint8_t> m_file;
    std::size_t m_pos = 0;
    std::size_t m_frameAt = 0;
    CardCommentLayout m_layout;
};

}  // namespace

CardCommentLayout WalkJpegCardComments(std::span<const std::uint8_t> file) {
    return JpegWalker(file).Walk();
}

std::vector<std::uint8_t> JpegCommentSegment(const std::string& comment) {
    const std::size_t length = comment.size() + 2;
    std::vector<std::uint8_t> segment(2 + length);
    segment[0] = kMarkerPrefix;
    segment[1] = kCom;
    segment[2] = std::uint8_t(length >> 8);
    segment[3] = std::uint8_t(length & 0xFF);
    std::copy(comment.begin(), comment.end(), segment.begin() + 4);
    return segment;
}

RewrittenFile RewriteJpegCardComments(std::span<const std::uint8_t> file,
                                      const std::vector<std::string>& comments) {
    return RewriteCardRanges(file, comments, kMaxCommentBytes,
                             "a card comment longer than one JPEG segment holds",
                             WalkJpegCardComments, JpegCommentSegment);
}
