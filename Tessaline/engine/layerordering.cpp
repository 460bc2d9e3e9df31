#include "engine/layerordering.h"

#include "engine/slicerparams.h"

#include <QString>

#include <cmath>

LayerOrdering::LayerOrdering(const SlicerParams &sp, const RasterFrame &frame, const Plane1 &area, const Plane1 &below,
                             const Plane1 &above, float pixelsPerEw)
    : m_sp(sp), m_pixelsPerEw(pixelsPerEw), m_planes(area, below, above, pixelsPerEw),
      m_router(m_planes, frame.pixelSizeX, frame.pixelSizeZ, sp.TravelMinDist)
{
}

V2f LayerOrdering::orderSupportBars(QVector<PolyLine> paths, V2f position, float smallestBarWidthPixels)
{
    PathOrdering ordering(PathOrderSettings::supportBars(smallestBarWidthPixels, m_sp.PerimeterGap), m_router);
    return ordering.order(std::move(paths), position, m_paths);
}

V2f LayerOrdering::orderIsland(QVector<PolyLine> paths, V2f position)
{
    const bool concentric = m_sp.HShellType == 1;
    PathOrdering ordering(PathOrderSettings::island(m_pixelsPerEw, m_sp.PerimeterGap, concentric), m_router);
    return ordering.order(std::move(paths), position, m_paths);
}

V2f LayerOrdering::orderAsGiven(QVector<PolyLine> paths, V2f position)
{
    PathOrdering ordering(PathOrderSettings::island(m_pixelsPerEw, m_sp.PerimeterGap, false), m_router);
    for (PolyLine &path : paths)
        position = ordering.order({std::move(path)}, position, m_paths);
    return position;
}

V2f layerStartPoint(int layerStartPos, int layerIndex, const MachineRecord &machine, float pixelsPerEw)
{
    // A hundred build widths away: outside the bed whatever its origin.
    const float farX = machine.buildWidth * pixelsPerEw * 100.0f;
    const float farZ = machine.buildDepth * pixelsPerEw * 100.0f;
    switch (layerStartPos) {
    case 1: {
        // The same direction for a layer in every run, so that the G-code does not depend on the threads.
        const quint32 r = quint32(2) * quint32(layerIndex) * quint32(134775813) + 1u;
        const float angle = float(r % 10000u);
        return V2f(farX * std::cos(angle), farZ * std::sin(angle));
    }
    case 2:
        return V2f(0.0f, farZ);
    case 3:
        return V2f(0.0f, -farZ);
    case 4:
        return V2f(farX, 0.0f);
    case 5:
        return V2f(-farX, 0.0f);
    default:
        throw QString("FATAL ERROR: invalid sp.LayerStartPos while paralellLayerProcessing %1").arg(layerStartPos);
    }
}
