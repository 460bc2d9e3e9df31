#pragma once

#include <cstddef>
#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

// Memory services that differ between operating systems. Header only, so that every library may use
// them without linking anything more.
namespace platform
{

// Asks the system to back the whole 2 MB pages inside [data, data + bytes) with huge pages. Call it on a
// big fresh buffer before anything writes to it: filling a buffer of ordinary pages costs one page fault
// per 4 KB, which dominates the time of filling a fresh array of hundreds of megabytes, while a huge page
// takes one fault per 2 MB. A hint only: the contents and the validity of the buffer never change, and
// buffers smaller than a huge page, or systems without the service, are left as they are.
inline void adviseHugePages(void *data, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t hugePage = std::uintptr_t(2) << 20;
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(hugePage - 1);
    if (data && bytes >= hugePage && last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE); // refusal leaves plain pages
#else
    (void)data;
    (void)bytes;
#endif
}

// Asks the system to map every whole page inside [data, data + bytes) now, in one call, as writing to each
// would. Call it on a fresh buffer that is about to be filled: a page fault per page, trapped one by one, costs
// several times more (most of all in a virtual machine). The contents never change; on systems without the
// service (Linux before 5.14 included) nothing happens and the pages are mapped as they are first written.
inline void prefaultPages(void *data, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    constexpr std::uintptr_t page = 4096;
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + page - 1) & ~(page - 1);
    const std::uintptr_t last = (begin + bytes) & ~(page - 1);
    if (data && last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_POPULATE_WRITE); // refusal: faults as usual
#else
    (void)data;
    (void)bytes;
#endif
}

// Moves the whole 2 MB pages inside [data, data + bytes) to huge pages now, keeping what they hold: for memory
// already in use that is about to be filled further (adviseHugePages only affects pages not yet touched). A
// hint: kernels before 6.1 and other systems leave ordinary pages.
inline void collapseToHugePages(void *data, std::size_t bytes)
{
#if defined(__linux__)
#ifndef MADV_COLLAPSE
    constexpr int MADV_COLLAPSE = 25; // the value of Linux 6.1, which older headers lack
#endif
    constexpr std::uintptr_t hugePage = std::uintptr_t(2) << 20;
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(hugePage - 1);
    if (data && last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_COLLAPSE); // refusal leaves plain pages
#else
    (void)data;
    (void)bytes;
#endif
}

} // namespace platform
