#include "support/CodecCalls.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

DecodeResult Run(Codec& codec, const LoadHint& hint, std::uint64_t maxPixels) {
    return RunCodec(codec, hint, maxPixels);
}

DecodeResult Jpeg(ByteSource& source, const LoadHint& hint, std::vector<std::string>* comments) {
    std::unique_ptr<Codec> codec = MakeJpegCodec(source);
    DecodeResult result = Run(*codec, hint, kMaxPicturePixels);
    if (result.pixels)
        result.error = result.damage;
    if (comments) {
        comments->clear();
        for (CodecText& text : codec->Texts())
            comments->push_back(std::move(text.text));
    }
    return result;
}

DecodeResult Png(ByteSpan file, Rgb background, double gamma, std::vector<PngTextEntry>* texts,
                 const LoadHint& hint) {
    SpanSource source(file.data, file.size);
    std::unique_ptr<Codec> codec = MakePngCodec(source, background, gamma);
    DecodeResult result = Run(*codec, hint, kMaxPicturePixels);
    if (texts) {
        texts->clear();
        for (CodecText& text : codec->Texts())
            texts->push_back({std::move(text.keyword), std::move(text.text)});
    }
    return result;
}

}  // namespace

DecodeResult DecodeWith(CodecFormat format, ByteSpan file, const LoadHint& hint,
                        std::uint64_t maxPixels) {
    SpanSource source(file.data, file.size);
    std::unique_ptr<Codec> codec;
    switch (format) {
        case CodecFormat::kBmp:
            codec = MakeBmpCodec(source);
            break;
        case CodecFormat::kPcx:
            codec = MakePcxCodec(source);
            break;
        case CodecFormat::kTiff:
            codec = MakeTiffCodec(source);
            break;
        case CodecFormat::kPng:
            codec = MakePngCodec(source, Rgb{}, 2.2);
            break;
        case CodecFormat::kJpeg:
            codec = MakeJpegCodec(source);
            break;
    }
    return Run(*codec, hint, maxPixels);
}

DecodeResult DecodeBmp(ByteSpan file) {
    return DecodeWith(CodecFormat::kBmp, file);
}
DecodeResult DecodePcx(ByteSpan file) {
    return DecodeWith(CodecFormat::kPcx, file);
}
DecodeResult DecodeTiff(ByteSpan file) {
    return DecodeWith(CodecFormat::kTiff, file);
}
DecodeResult DecodeBmpForHint(ByteSpan file, const LoadHint& hint) {
    return DecodeWith(CodecFormat::kBmp, file, hint);
}
DecodeResult DecodePcxForHint(ByteSpan file, const LoadHint& hint) {
    return DecodeWith(CodecFormat::kPcx, file, hint);
}
DecodeResult DecodeTiffForHint(ByteSpan file, const LoadHint& hint) {
    return DecodeWith(CodecFormat::kTiff, file, hint);
}
DecodeResult ReadBmpHeader(ByteSpan file) {
    return DecodeWith(CodecFormat::kBmp, file, LoadHint{LoadHint::kHeaderOnly});
}
DecodeResult ReadPcxHeader(ByteSpan file) {
    return DecodeWith(CodecFormat::kPcx, file, LoadHint{LoadHint::kHeaderOnly});
}
DecodeResult ReadTiffHeader(ByteSpan file) {
    return DecodeWith(CodecFormat::kTiff, file, LoadHint{LoadHint::kHeaderOnly});
}
DecodeResult DecodePng(ByteSpan file, Rgb background, double displayGamma,
                       std::vector<PngTextEntry>* texts, const LoadHint& hint) {
    return Png(file, background, displayGamma, texts, hint);
}
DecodeResult ReadPngHeader(ByteSpan file, std::vector<PngTextEntry>* texts) {
    return Png(file, Rgb{}, 2.2, texts, LoadHint{LoadHint::kHeaderOnly});
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
