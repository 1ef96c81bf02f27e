#pragma once
// An owned block of memory with a lock count: what the imaging backend hands out
// for a picture or a comment text. Locking gives the pointer and counts; the owner
// frees the block by dropping its handle.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>

class MemoryBlock {
public:
    // Allocates size bytes, uninitialised; nullptr when the memory is not there.
    static std::unique_ptr<MemoryBlock> Allocate(std::size_t size) {
        std::unique_ptr<std::uint8_t[]> bytes(new (std::nothrow) std::uint8_t[size ? size : 1]);
        if (!bytes)
            return nullptr;
        return std::unique_ptr<MemoryBlock>(new MemoryBlock(std::move(bytes), size));
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

private:
    MemoryBlock(std::unique_ptr<std::uint8_t[]> bytes, std::size_t size)
        : m_bytes(std::move(bytes)), m_size(size) {}

    std::unique_ptr<std::uint8_t[]> m_bytes;
    std::size_t m_size;
    int m_lockCount = 0;
};

using BlockHandle = std::unique_ptr<MemoryBlock>;  // nullptr: no block

// Pictures are held as rows top-down, 4 bytes a pixel: blue, green, red, 0xFF
// (what QImage::Format_RGB32 reads on a little-endian machine), no row padding.
constexpr int kPictureBytesPerPixel = 4;
