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
    // Allocates size bytes, all zero; nullptr when the memory is not there. A large
    // block is fresh pages from the kernel: what is never written costs nothing.
    static std::unique_ptr<MemoryBlock> Allocate(std::size_t size) {
        const std::size_t mapped = MappedSize(size);
        Bytes bytes(AllocateBytes(size, mapped), FreeBytes{mapped});
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
        std::size_t mapped = 0;  // bytes mapped, or 0 for the heap
        void operator()(std::uint8_t* bytes) const {
            if (mapped)
                ::munmap(bytes, mapped);
            else
                std::free(bytes);
        }
    };
    using Bytes = std::unique_ptr<std::uint8_t, FreeBytes>;

    // Blocks from this size up are mapped: the heap might hand back used memory that
    // would have to be cleared.
    static constexpr std::size_t kMapFrom = std::size_t{256} << 10;
    static constexpr std::size_t kPage = std::size_t{4} << 10;

    static std::size_t MappedSize(std::size_t size) {
        if (size < kMapFrom || size > SIZE_MAX - kPage)
            return 0;
        return (size + kPage - 1) / kPage * kPage;
    }

    static std::uint8_t* AllocateBytes(std::size_t size, std::size_t mapped) {
        if (mapped == 0) {
            if (size >= kMapFrom)
                return nullptr;  // too large to map
            return static_cast<std::uint8_t*>(std::calloc(size ? size : 1, 1));
        }
        void* bytes = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        // No huge pages asked for: on a machine whose memory is fragmented, finding
        // 2 MiB pages for the first writes costs far more kernel time than it saves.
        if (bytes == MAP_FAILED)
            return nullptr;
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

// Pictures are held as rows top-down, 4 bytes a pixel: blue, green, red and a fourth
// byte that nothing reads (0xFF where written, 0 where a row was never decoded; what
// QImage::Format_RGB32 reads on a little-endian machine), no row padding.
constexpr int kPictureBytesPerPixel = 4;
