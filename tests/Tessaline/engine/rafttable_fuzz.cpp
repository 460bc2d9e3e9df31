#include "engine/rafttable.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

// Any text must parse, and whatever survives validation must be printable.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), int(size));
    const QVector<RaftLayerPlan> layers = raftLayers(parseRaftTable(text));
    for (const RaftLayerPlan &layer : layers) {
        const bool valid = layer.type >= 0 && layer.type <= 3 && layer.layerHeight >= raftMinLayerHeight &&
                           layer.layerHeight <= raftMaxLayerHeight && layer.fillDensity >= 0.001f &&
                           layer.fillDensity <= 1.0f && std::fabs(layer.angle) <= 360.0f;
        if (!valid)
            std::abort();
    }
    return 0;
}
