#pragma once
// An owned block of memory with a lock count: what the imaging backend hands out
// for a picture or a comment text. Locking gives the pointer and counts; the owner
// frees the block by dropping its handle.

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string_view>

class MemoryBlock {
public:
    // Allocates size bytes, uninitialised; nullptr when the memory is not there.
    static std::unique_ptr<MemoryBlock> Allocate(std::size_t size) {
        Bytes bytes(AllocateBytes(size));
        if (!bytes)
            return nullptr;
        return std::unique_ptr<MemoryBlock>(new (std::nothrow) MemoryBlock(std::move(bytes), size));
    }
    // A NUL-terminated copy of the text.
    static std::unique_ptr<MemoryBlock> FromText(std::string_view text) {
        auto block = Allocate(text.size() + 1);
        if (!block)
            return nullptr;
        std::uint8_t* data = block->Data();
        for (std::size_t i = 0; i < text.size(); ++i)
            data[i] = static_cast<std::uint8_t>(text[i]);
        data[text.size()] = 0;
        return block;
    }

    // GlobalLock: the pointer (nullptr for an empty block, which cannot be locked).
    std::uint8_t* Lock() {
        if (m_size == 0)
            return nullptr;
        ++m_lockCount;
        return m_bytes.get();
    }
    // GlobalUnlock: true while the block stays locked.
    bool Unlock() {
        if (m_lockCount > 0)
            --m_lockCount;
        return m_lockCount > 0;
    }
    int LockCount() const { return m_lockCount; }
    std::size_t Size() const { return m_size; }
    // For the backend that fills the block it has just allocated.
    std::uint8_t* Data() { return m_bytes.get(); }

    // A picture block may carry its size in pixels, when that differs from the size
    // its loader reports (a picture decoded smaller, or no pixels at all).
    void SetPictureSize(int width, int height) {
        m_pictureWidth = width;
        m_pictureHeight = height;
        m_hasPictureSize = true;
    }
    bool HasPictureSize() const { return m_hasPictureSize; }
    int PictureWidth() const { return m_pictureWidth; }
    int PictureHeight() const { return m_pictureHeight; }

private:
    struct FreeBytes {
        void operator()(std::uint8_t* bytes) const { std::free(bytes); }
    };
    using Bytes = std::unique_ptr<std::uint8_t, FreeBytes>;

    // A picture of many megabytes is first touched row by row as it is decoded: in
    // huge pages that costs a few hundred page faults instead of one per 4 KiB.
    static std::uint8_t* AllocateBytes(std::size_t size) {
        constexpr std::size_t kHugePage = std::size_t{2} << 20;
        if (size < 4 * kHugePage)
            return static_cast<std::uint8_t*>(std::malloc(size ? size : 1));
        if (size > SIZE_MAX - kHugePage)
            return nullptr;
        const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
        void* bytes = std::aligned_alloc(kHugePage, rounded);
        if (bytes)
            ::madvise(bytes, rounded, MADV_HUGEPAGE);
        return static_cast<std::uint8_t*>(bytes);
    }

    MemoryBlock(Bytes bytes, std::size_t size) : m_bytes(std::move(bytes)), m_size(size) {}

    Bytes m_bytes;
    std::size_t m_size;
    int m_lockCount = 0;
    int m_pictureWidth = 0;
    int m_pictureHeight = 0;
    bool m_hasPictureSize = false;
};

using BlockHandle = std::unique_ptr<MemoryBlock>;  // nullptr: no block

// Pictures are held as rows top-down, 4 bytes a pixel: blue, green, red, 0xFF
// (what QImage::Format_RGB32 reads on a little-endian machine), no row padding.
constexpr int kPictureBytesPerPixel = 4;
