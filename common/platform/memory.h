#pragma once

#include <cstddef>
#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

// Memory services that differ between operating systems. Header only, so that every library may use
// them without linking anything more.
namespace platform {

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

} // namespace platform
