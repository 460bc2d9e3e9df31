// Arbitrary segments (any float bits: NaN, infinities, huge and tiny values) and tolerances through the
// indexed contour repair, which must agree bit for bit with the exhaustive search.
#include "raster/repairpolygons.h"
#include "repairreference.h"

#include <cmath>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < sizeof(float))
        return 0;
    float tolerance;
    std::memcpy(&tolerance, data, sizeof(float));
    data += sizeof(float), size -= sizeof(float);
    const size_t count = std::min<size_t>(size / sizeof(Seg2f), 256);
    std::vector<Seg2f> segs(count);
    if (count)
        std::memcpy(segs.data(), data, count * sizeof(Seg2f));
    std::vector<Seg2f> reference = segs;
    repairPolygons(segs, tolerance);
    repairtest::referenceRepair(reference, tolerance);
    if (!repairtest::sameBits(segs, reference))
        __builtin_trap();
    return 0;
}
