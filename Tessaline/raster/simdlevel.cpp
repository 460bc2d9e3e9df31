#include "raster/simdlevel.h"

#include <atomic>

namespace
{

SimdLevel detectSimdLevel()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        return SimdLevel::Avx2;
    if (__builtin_cpu_supports("sse2"))
        return SimdLevel::Sse2;
#endif
    return SimdLevel::Plain;
}

std::atomic<int> &currentLevel()
{
    static std::atomic<int> level{int(bestSimdLevel())};
    return level;
}

} // namespace

SimdLevel bestSimdLevel()
{
    static const SimdLevel best = detectSimdLevel();
    return best;
}

SimdLevel simdLevel()
{
    return SimdLevel(currentLevel().load(std::memory_order_relaxed));
}

void setSimdLevel(SimdLevel level)
{
    const int wanted = int(level) < int(bestSimdLevel()) ? int(level) : int(bestSimdLevel());
    currentLevel().store(wanted, std::memory_order_relaxed);
}
