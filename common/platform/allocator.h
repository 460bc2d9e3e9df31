#pragma once

#include <cstddef>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform
{

// Sets the C allocator up for a program that allocates and frees big buffers all through its run, as slicing
// does (raster planes, path lists and texts of every layer, on every thread). By default the allocator maps
// each buffer above a moving threshold afresh, hands freed memory back to the system and grows each thread's
// heap a page at a time: on a virtual machine every new page is a costly fault and every change of the mapping
// interrupts the other threads of the process. Kept memory is used again instead. Call it first thing in
// main(); a no-op where the allocator offers no such settings.
inline void tuneAllocatorForSlicing()
{
#if defined(__GLIBC__)
    constexpr int MB = 1 << 20;
    mallopt(M_MMAP_THRESHOLD, 32 * MB);  // buffers below this come from the heaps and are reused
    mallopt(M_TRIM_THRESHOLD, 128 * MB); // freed memory is kept up to this much
    mallopt(M_TOP_PAD, 8 * MB);          // heaps grow in steps of this much
#endif
}

} // namespace platform
