#include "raster/segmentlists.h"

#include "common/platform/memory.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace
{

constexpr std::uintptr_t hugePage = std::uintptr_t(2) << 20;
// Lists closer than this count as one run: the allocator's header and alignment lie between neighbours.
constexpr std::uintptr_t runGap = 64;

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
            platform::collapseToHugePages(reinterpret_cast<void *>(begin), end - begin);
    }
    for (size_t k = 0; k < lists.size(); ++k)
        lists[k]->resize(sizes[k]);
}
