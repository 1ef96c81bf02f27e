#pragma once
// Opening image files for the codecs, refusing what is not a readable regular file
// instead of failing later.

#include <cstdint>
#include <memory>
#include <string>

#include "image/ByteSource.h"
#include "image/Codec.h"

// Files beyond this are refused before reading: more than the largest picture the
// decoders accept could take uncompressed (16-bit RGBA), with room for what goes with it.
inline constexpr std::uint64_t kMaxFileBytes = kMaxPicturePixels * 8 + (std::uint64_t{64} << 20);
inline constexpr const char* kFileTooLarge = "file too large";

struct OpenedSource {
    LoadFailure failure = LoadFailure::kUnreadable;  // kNone when `source` is open
    std::unique_ptr<FileSource> source;
    std::string error;  // one line when not open
};

OpenedSource OpenImageSource(const std::string& path);
