#include "FailingAllocator.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstring>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace {

std::atomic<std::uint64_t> g_count{0};
std::atomic<std::uint64_t> g_failAt{0};
std::atomic<bool> g_failed{false};
std::atomic<std::int64_t> g_held{0};

// Counts the allocation; true when it is the one to fail.
bool Refuse() {
    const std::uint64_t n = ++g_count;
    if (n != g_failAt.load())
        return false;
    g_failed = true;
    errno = ENOMEM;
    return true;
}

void* Held(void* block) {
    if (block)
        ++g_held;
    return block;
}

}  // namespace

namespace failing_allocator {

void FailAllocation(std::uint64_t nth) {
    g_failed = false;
    g_count = 0;
    g_failAt = nth;
}
std::uint64_t Allocations() {
    return g_count;
}
bool Failed() {
    return g_failed;
}
std::int64_t BlocksHeld() {
    return g_held;
}

}  // namespace failing_allocator

extern "C" {

void* malloc(std::size_t size) {
    return Refuse() ? nullptr : Held(__libc_malloc(size));
}

void* calloc(std::size_t count, std::size_t size) {
    return Refuse() ? nullptr : Held(__libc_calloc(count, size));
}

void* realloc(void* block, std::size_t size) {
    if (!block)
        return malloc(size);
    if (size == 0) {
        free(block);
        return nullptr;
    }
    return __libc_realloc(block, size);
}

void free(void* block) {
    if (block)
        --g_held;
    __libc_free(block);
}

void* reallocarray(void* block, std::size_t count, std::size_t size) {
    std::size_t bytes = 0;
    if (__builtin_mul_overflow(count, size, &bytes)) {
        errno = ENOMEM;
        return nullptr;
    }
    return realloc(block, bytes);
}

void* memalign(std::size_t alignment, std::size_t size) {
    return Refuse() ? nullptr : Held(__libc_memalign(alignment, size));
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
    return memalign(alignment, size);
}

int posix_memalign(void** result, std::size_t alignment, std::size_t size) {
    void* block = memalign(alignment, size);
    if (!block)
        return ENOMEM;
    *result = block;
    return 0;
}

}  // extern "C"
