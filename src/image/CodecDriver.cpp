// The one driver over every codec (see Codec.h).

#include <algorithm>
#include <new>
#include <optional>

#include "image/Codec.h"
#include "image/ImageFile.h"
#include "image/Resampler.h"

namespace {

// A whole picture in a block that starts as zero pages: rows never written cost
// nothing and read black.
class WholeSink : public RowSink {
public:
    WholeSink(std::uint8_t* pixels, std::size_t width)
        : m_pixels(reinterpret_cast<std::uint32_t*>(pixels)), m_width(width) {}
    std::uint32_t* Row(std::size_t y) override { return m_pixels + y * m_width; }
    void Done(std::size_t) override {}
    void Skip(std::size_t) override {}
    std::uint32_t* Pixels() override { return m_pixels; }

private:
    std::uint32_t* m_pixels;
    std::size_t m_width;
};

// Rows into a shrinker as they come, top to bottom.
class ShrinkSink : public RowSink {
public:
    explicit ShrinkSink(RowShrinker& shrinker) : m_shrinker(shrinker) {}
    std::uint32_t* Row(std::size_t) override {
        return reinterpret_cast<std::uint32_t*>(m_shrinker.NextRow());
    }
    void Done(std::size_t) override { m_shrinker.PushRow(); }
    void Skip(std::size_t count) override { m_shrinker.SkipRows(count); }

private:
    RowShrinker& m_shrinker;
};

void FillRow(std::uint32_t* row, std::size_t width, std::uint32_t colour) {
    std::fill(row, row + width, colour | 0xFF000000u);
}

// Messages are one line: a detail may quote bytes of the file (a chunk's type).
std::string OneLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return text;
}

std::string SizeText(std::uint64_t width, std::uint64_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

std::string FailureMessage(LoadFailure failure, const std::string& name,
                           const std::string& detail) {
    const std::string more = detail.empty() ? std::string() : ": " + detail;
    switch (failure) {
        case LoadFailure::kNotAPicture:
            return "not a " + name + " file" + more;
        case LoadFailure::kDamaged:
            return "damaged " + name + " file" + more;
        case LoadFailure::kUnsupportedKind:
            return "unsupported kind of " + name + more;
        case LoadFailure::kTooLarge:
            return name + " picture too large" + more;
        case LoadFailure::kOutOfMemory:
            return "not enough memory for the " + name + " picture";
        default:
            return "cannot load the " + name + " file" + more;
    }
}

// The note for a picture that came out but not whole; rows are the file's.
std::string DamageNote(const DecodeReport& report, std::uint64_t rows, std::uint64_t height) {
    const std::string where =
        " after row " + std::to_string(rows) + " of " + std::to_string(height);
    switch (report.end) {
        case DecodeReport::kComplete:
            return {};
        case DecodeReport::kAsTold:
            return report.detail;
        case DecodeReport::kTruncated:
            return "truncated" + where;
        case DecodeReport::kCorrupt:
            if (rows >= height)
                return report.detail.empty() ? "corrupt data after the picture" : report.detail;
            return "corrupt data" + where + (report.detail.empty() ? "" : ": " + report.detail);
    }
    return {};
}

class Driver {
public:
    Driver(Codec& codec, const LoadHint& hint, std::uint64_t maxPixels)
        : m_codec(codec), m_hint(hint), m_maxPixels(maxPixels), m_name(codec.Name()) {}

    DecodeResult Run() {
        try {
            Load();
        } catch (const std::bad_alloc&) {
            Fail(LoadFailure::kOutOfMemory, {});
        }
        m_result.error = OneLine(std::move(m_result.error));
        m_result.damage = OneLine(std::move(m_result.damage));
        return std::move(m_result);
    }

private:
    void Fail(LoadFailure failure, const std::string& detail) {
        m_result = DecodeResult{};
        m_result.failure = failure;
        m_result.error = FailureMessage(failure, m_name, detail);
    }

    static BlockHandle Allocate(std::size_t bytes) {
        BlockHandle block = MemoryBlock::Allocate(bytes);
        if (!block)
            throw std::bad_alloc();
        return block;
    }

    void Load() {
        CodecHeader header;
        LoadFailure failure = LoadFailure::kDamaged;
        std::string detail;
        if (!m_codec.ReadHeader(header, failure, detail))
            return Fail(failure, detail);
        const std::int64_t width = header.width, height = header.height;
        if (width < 1 || height < 1 || std::uint64_t(width) * std::uint64_t(height) > m_maxPixels)
            return Fail(LoadFailure::kTooLarge, SizeText(width, height) + " pixels");
        if (m_hint.kind == LoadHint::kHeaderOnly) {
            m_codec.ReadRemainingTexts();
            m_result.pixels = Allocate(0);
            m_result.pixels->SetPictureSize(0, 0);
        } else if (!Decode(header)) {
            return;
        }
        m_result.width = int(width);
        m_result.height = int(height);
    }

    // False when not one row came out (the failure is set).
    bool Decode(const CodecHeader& header) {
        const Size full{int(header.width), int(header.height)};
        const std::optional<Size> target = HintedSize(m_hint, full.cx, full.cy);
        Size size = full;
        if (target) {
            size = m_codec.DecodeSize(full, *target);
            if (size.cx < target->cx || size.cy < target->cy || size.cx > full.cx ||
                size.cy > full.cy)
                size = full;
        }
        DecodeReport report;
        if (target && header.rowsInOrder && size != *target) {
            RowShrinker shrinker(size.cx, size.cy, target->cx, target->cy);
            if (!shrinker.Ready())
                throw std::bad_alloc();
            ShrinkSink sink(shrinker);
            m_codec.Decode(size, sink, report);
            if (!Decoded(report))
                return false;
            FinishShrinking(shrinker, std::size_t(size.cx));
            m_result.pixels = shrinker.Finish();
            if (!m_result.pixels)
                throw std::bad_alloc();
            m_result.pixels->SetPictureSize(target->cx, target->cy);
        } else {
            const std::size_t width = std::size_t(size.cx), height = std::size_t(size.cy);
            BlockHandle block = Allocate(width * height * kPictureBytesPerPixel);
            WholeSink sink(block->Data(), width);
            m_codec.Decode(size, sink, report);
            if (!Decoded(report))
                return false;
            if (header.rowsInOrder && m_codec.MissingColour() != 0) {
                for (std::size_t y = MissingFrom(report); y < height; ++y)
                    FillRow(sink.Row(y), width, m_codec.MissingColour());
            }
            if (size != full)
                block->SetPictureSize(size.cx, size.cy);
            m_result.pixels = std::move(block);
        }
        const std::uint64_t fileRows = std::min<std::uint64_t>(
            std::uint64_t(report.rows) * std::uint64_t(full.cy) / std::uint64_t(size.cy),
            std::uint64_t(full.cy));
        m_result.damage = DamageNote(report, fileRows, std::uint64_t(full.cy));
        return true;
    }

    // A picture of which not one row could be decoded is damaged, not shown black.
    bool Decoded(const DecodeReport& report) {
        if (report.rows > 0 || report.partRow)
            return true;
        std::string detail = "no row of pixels could be decoded";
        if (!report.detail.empty())
            detail += " (" + report.detail + ")";
        Fail(LoadFailure::kDamaged, detail);
        return false;
    }

    static std::size_t MissingFrom(const DecodeReport& report) {
        return report.rows + (report.partRow ? 1 : 0);
    }

    // The rows the data never reached: black ones are left to the block's zero pages,
    // except where they share an output row with decoded ones.
    void FinishShrinking(RowShrinker& shrinker, std::size_t width) {
        const std::uint32_t colour = m_codec.MissingColour();
        if (colour == 0) {
            shrinker.SkipRows(std::size_t(shrinker.RowsLeft()));
            return;
        }
        while (std::uint8_t* row = shrinker.NextRow()) {
            FillRow(reinterpret_cast<std::uint32_t*>(row), width, colour);
            shrinker.PushRow();
        }
    }

    Codec& m_codec;
    LoadHint m_hint;
    std::uint64_t m_maxPixels;
    std::string m_name;
    DecodeResult m_result;
};

}  // namespace

DecodeResult RunCodec(Codec& codec, const LoadHint& hint, std::uint64_t maxPixels) {
    return Driver(codec, hint, maxPixels).Run();
}
