#include "image/LibTiff.h"

#include <dlfcn.h>

namespace {

struct Loaded {
    LibTiff library;
    std::string error;  // empty when loaded
};

Loaded Load() {
    Loaded loaded;
    void* handle = ::dlopen(TSN_LIBTIFF_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        loaded.error = why ? why : TSN_LIBTIFF_SONAME " could not be loaded";
        return loaded;
    }
#define TSN_LIBTIFF_BIND(name)                                                    \
    loaded.library.name =                                                         \
        reinterpret_cast<decltype(&::TIFF##name)>(::dlsym(handle, "TIFF" #name)); \
    if (!loaded.library.name && loaded.error.empty())                             \
        loaded.error = TSN_LIBTIFF_SONAME " has no TIFF" #name;
    TSN_LIBTIFF_FUNCTIONS(TSN_LIBTIFF_BIND)
#undef TSN_LIBTIFF_BIND
    return loaded;  // the handle stays open for the process's life
}

}  // namespace

const LibTiff* LoadLibTiff(std::string* error) {
    static const Loaded loaded = Load();
    if (!loaded.error.empty()) {
        if (error)
            *error = loaded.error;
        return nullptr;
    }
    return &loaded.library;
}
