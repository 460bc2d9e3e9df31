#pragma once

#include "common/platform/memory.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLATFORM_SANITIZED_HEAP 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define PLATFORM_SANITIZED_HEAP 1
#endif

namespace platform
{

// Lets the calling thread's heap grow in huge pages from here on, for its next `bytes` (kept below the 32 MB
// from which buffers are mapped on their own). A fresh 4 KB page costs a fault of 10-15 us on a virtual machine,
// 3.5 ms for every megabyte a slice fills, where a 2 MB page takes one fault. The heap is extended by `bytes`
// at once; the part from the first 2 MB boundary on is advised for huge pages, and the stretch below that
// boundary stays allocated and is never written (address space only), so that the buffers allocated next start
// on the boundary. Untouched memory costs nothing, so the resident size grows only as the heap is used. Call it
// once per thread, before the thread's big allocations; sanitizer builds, which bring their own allocator, and
// other systems are left as they are.
inline void growHeapInHugePages(std::size_t bytes = std::size_t(30) << 20)
{
#if defined(__GLIBC__) && defined(__linux__) && !defined(PLATFORM_SANITIZED_HEAP)
    constexpr std::uintptr_t hugePage = std::uintptr_t(2) << 20;
    constexpr std::size_t chunkHeader = 2 * sizeof(std::size_t);
    char *block = static_cast<char *>(std::malloc(bytes));
    if (!block)
        return;
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(block);
    const std::size_t below = std::size_t(((begin + hugePage - 1) & ~(hugePage - 1)) - begin);
    adviseHugePages(block, bytes);
    // Shrinking in place keeps the head where it is and returns the rest to the heap's free top; the head is
    // meant to live as long as the heap, so it is never freed.
    if (below < 4 * chunkHeader || !std::realloc(block, below - chunkHeader))
        std::free(block);
#else
    (void)bytes;
#endif
}

// Sets the C allocator up for a program that allocates and frees big buffers all through its run, as slicing
// does (raster planes, path lists and texts of every layer, on every thread). By default the allocator maps
// each buffer above a moving threshold afresh, hands freed memory back to the system and grows each thread's
// heap a page at a time: on a virtual machine every new page is a costly fault and every change of the mapping
// interrupts the other threads of the process. Kept memory is used again instead, and the main thread's heap
// grows in huge pages. Call it first thing in main(); a no-op where the allocator offers no such settings.
inline void tuneAllocatorForSlicing()
{
#if defined(__GLIBC__)
    constexpr int MB = 1 << 20;
    mallopt(M_MMAP_THRESHOLD, 32 * MB);  // buffers below this come from the heaps and are reused
    mallopt(M_TRIM_THRESHOLD, 128 * MB); // freed memory is kept up to this much
    mallopt(M_TOP_PAD, 8 * MB);          // heaps grow in steps of this much
#endif
    growHeapInHugePages();
}

} // namespace platform
