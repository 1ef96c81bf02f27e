#include "support/CodecCalls.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::unique_ptr<Codec> MakeCodec(ImageFormat::Number format, ByteSource& source,
                                 const CodecSettings& settings = {}) {
    return FormatNumbered(format)->makeCodec(source, settings);
}

DecodeResult Jpeg(ByteSource& source, const LoadHint& hint, std::vector<std::string>* comments) {
    std::unique_ptr<Codec> codec = MakeCodec(ImageFormat::kJpeg, source);
    DecodeResult result = RunCodec(*codec, hint);
    if (result.pixels)
        result.error = result.damage;
    if (comments) {
        comments->clear();
        for (CodecText& text : codec->Texts())
            comments->push_back(std::move(text.text));
    }
    return result;
}

DecodeResult Png(ByteSpan file, const CodecSettings& settings, std::vector<PngTextEntry>* texts,
                 const LoadHint& hint) {
    SpanSource source(file.data, file.size);
    std::unique_ptr<Codec> codec = MakeCodec(ImageFormat::kPng, source, settings);
    DecodeResult result = RunCodec(*codec, hint);
    if (texts) {
        texts->clear();
        for (CodecText& text : codec->Texts())
            texts->push_back({std::move(text.keyword), std::move(text.text)});
    }
    return result;
}

}  // namespace

DecodeResult DecodeWith(ImageFormat::Number format, ByteSpan file, const LoadHint& hint,
                        std::uint64_t maxPixels) {
    SpanSource source(file.data, file.size);
    return RunCodec(*MakeCodec(format, source), hint, maxPixels);
}

DecodeResult DecodeBmp(ByteSpan file) {
    return DecodeWith(ImageFormat::kBmp, file);
}
DecodeResult DecodePcx(ByteSpan file) {
    return DecodeWith(ImageFormat::kPcx, file);
}
DecodeResult DecodeTiff(ByteSpan file) {
    return DecodeWith(ImageFormat::kTiff, file);
}
DecodeResult DecodePng(ByteSpan file, Rgb background, double displayGamma,
                       std::vector<PngTextEntry>* texts, const LoadHint& hint) {
    return Png(file, CodecSettings{background, displayGamma}, texts, hint);
}
DecodeResult ReadPngHeader(ByteSpan file, std::vector<PngTextEntry>* texts) {
    return Png(file, CodecSettings{}, texts, LoadHint{LoadHint::kHeaderOnly});
}

DecodeResult DecodeJpeg(ByteSpan file, std::vector<std::string>* comments) {
    SpanSource source(file.data, file.size);
    return Jpeg(source, LoadHint{}, comments);
}

DecodeResult DecodeJpegFile(std::FILE* file, const LoadHint& hint,
                            std::vector<std::string>* comments) {
    struct stat info {};
    ::fstat(::fileno(file), &info);
    FileSource source(::dup(::fileno(file)), std::uint64_t(info.st_size));
    return Jpeg(source, hint, comments);
}

DecodeResult ReadJpegHeader(ByteSpan file, std::vector<std::string>* comments) {
    SpanSource source(file.data, file.size);
    return Jpeg(source, LoadHint{LoadHint::kHeaderOnly}, comments);
}
