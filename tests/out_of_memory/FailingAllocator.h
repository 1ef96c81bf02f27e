#pragma once
// malloc and its kin replaced for the whole test program (C++'s new, libjpeg, libpng,
// zlib and libtiff all allocate through them): one chosen allocation fails, as on a
// machine without the memory, and the blocks still held are counted. Growing a block
// (realloc) never fails: libtiff 4.5 loses its array of tag fields when that fails,
// and then reads through it.

#include <cstdint>

namespace failing_allocator {

// From now on, the nth allocation (1 for the next) returns null; 0 fails none.
void FailAllocation(std::uint64_t nth);
// Allocations made since the last FailAllocation, the failed one included.
std::uint64_t Allocations();
// Whether the chosen allocation has been reached and failed.
bool Failed();
// Blocks allocated and not yet freed.
std::int64_t BlocksHeld();

}  // namespace failing_allocator
