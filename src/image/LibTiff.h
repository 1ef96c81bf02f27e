#pragma once
// libtiff, loaded the first time a TIFF is read rather than linked: its codec libraries
// cost every start of a program a few milliseconds, and most runs never meet a TIFF.
// The calls keep libtiff's names without the prefix: Tiff().GetField(...).

#include <tiffio.h>

#include <string>

// clang-format off
#define TSN_LIBTIFF_FUNCTIONS(X)                                        \
    X(ClientOpenExt) X(Close) X(GetField) X(GetFieldDefaulted)          \
    X(IsTiled) X(ReadScanline) X(ScanlineSize)                          \
    X(SetErrorHandler) X(SetWarningHandler)                             \
    X(RGBAImageOK) X(RGBAImageBegin) X(RGBAImageGet) X(RGBAImageEnd)    \
    X(OpenOptionsAlloc) X(OpenOptionsFree)                              \
    X(OpenOptionsSetErrorHandlerExtR) X(OpenOptionsSetWarningHandlerExtR) \
    X(OpenOptionsSetMaxSingleMemAlloc)                                  \
    X(ReadBufferSetup) X(TileSize)
// clang-format on

struct LibTiff {
#define TSN_LIBTIFF_POINTER(name) decltype(&::TIFF##name) name = nullptr;
    TSN_LIBTIFF_FUNCTIONS(TSN_LIBTIFF_POINTER)
#undef TSN_LIBTIFF_POINTER
};

// Loads libtiff once per process; nullptr, with the loader's reason in `error`, when it
// cannot be loaded. Safe to call from several threads.
const LibTiff* LoadLibTiff(std::string* error = nullptr);

// The library LoadLibTiff loaded; only after it succeeded.
inline const LibTiff& Tiff() {
    return *LoadLibTiff();
}
