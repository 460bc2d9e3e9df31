#include "layerthreads.h"

#include "workerthread.h"

void forEachLayer(int first, int last, const std::function<void(int layerIndex, int threadIndex)> &work)
{
    const auto sameCost = [](int) { return 1.0; };
    paralell(last - first + 1, sameCost, [&](int begin, int end, int rangeIndex) {
        const SerialRasterScope serial;
        for (int n = begin; n < end; ++n)
            work(first + n, rangeIndex);
    });
}
