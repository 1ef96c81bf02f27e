#pragma once
// What the viewer reads from rewritten bytes: every comment or text, in file order.

#include <cstdint>
#include <string>
#include <vector>

#include "image/ByteSource.h"
#include "image/Codec.h"
#include "image/Codecs.h"
#include "image/ImagingBackend.h"

namespace writer_test {

inline std::vector<std::string> ViewerTexts(const std::vector<std::uint8_t>& bytes, bool png) {
    SpanSource source(bytes.data(), bytes.size());
    std::unique_ptr<Codec> codec = png ? MakePngCodec(source, Rgb{}, 1.0) : MakeJpegCodec(source);
    LoadHint hint;
    hint.kind = LoadHint::kHeaderOnly;
    RunCodec(*codec, hint);
    std::vector<std::string> texts;
    for (const CodecText& text : codec->Texts())
        texts.push_back(text.text);
    return texts;
}

inline std::vector<std::uint8_t> Concatenated(
    std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

inline std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, std::size_t from,
                                       std::size_t to) {
    return {bytes.begin() + std::ptrdiff_t(from), bytes.begin() + std::ptrdiff_t(to)};
}

}  // namespace writer_test
