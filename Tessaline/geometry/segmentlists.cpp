#include "segmentlists.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace
{

constexpr std::uintptr_t hugePage = std::uintptr_t(2) << 20;
// Lists closer than this count as one run: the allocator's header and alignment lie between neighbours.
constexpr std::uintptr_t runGap = 64;

// Asks the system to back the whole 2 MB blocks of [begin, end) with huge pages now, keeping their contents.
void collapseToHugePages(std::uintptr_t begin, std::uintptr_t end)
{
#if defined(__linux__)
#ifndef MADV_COLLAPSE
    constexpr int MADV_COLLAPSE = 25; // Linux 6.1; older kernels refuse it, which leaves ordinary pages
#endif
    const std::uintptr_t first = (begin + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t last = end & ~(hugePage - 1);
    if (last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_COLLAPSE);
#else
    (void)begin;
    (void)end;
#endif
}

} // namespace

void allocateSegmentLists(const std::vector<std::vector<Seg2f> *> &lists, const std::vector<size_t> &sizes)
{
    std::vector<std::pair<std::uintptr_t, std::uintptr_t>> spans;
    spans.reserve(lists.size());
    for (size_t i = 0; i < lists.size(); ++i) {
        lists[i]->reserve(sizes[i]);
        if (sizes[i] > 0) {
            const auto begin = reinterpret_cast<std::uintptr_t>(lists[i]->data());
            spans.emplace_back(begin, begin + sizes[i] * sizeof(Seg2f));
        }
    }
    std::sort(spans.begin(), spans.end());
    size_t i = 0;
    while (i < spans.size()) {
        const std::uintptr_t begin = spans[i].first;
        std::uintptr_t end = spans[i].second;
        while (++i < spans.size() && spans[i].first >= end && spans[i].first - end <= runGap)
            end = spans[i].second;
        if (end - begin >= hugePage)
            collapseToHugePages(begin, end);
    }
    for (size_t k = 0; k < lists.size(); ++k)
        lists[k]->resize(sizes[k]);
}
