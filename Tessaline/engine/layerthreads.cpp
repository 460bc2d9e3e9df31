#include "layerthreads.h"

#include "workerthread.h"

void forEachLayer(int first, int last, const std::function<void(int layerIndex, int slot)> &work)
{
    paralellEach(last - first + 1, [&](int item, int slot) {
        const SerialRasterScope serial;
        work(first + item, slot);
    });
}
