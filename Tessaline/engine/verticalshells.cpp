#include "verticalshells.h"

#include "layerordering.h"
#include "slicerparams.h"

VerticalShells::VerticalShells(const SlicerParams &sp, float pixelsPerEw) : m_sp(sp), m_pixelsPerEw(pixelsPerEw) {}

void VerticalShells::build(const Plane8 &coverage, LayerShellPaths &paths, Plane1 &innerArea)
{
    paths.clear();
    paths.resize(qMax(1, m_sp.VShellCnt + 1) + int(m_pixelsPerEw * 0));
    Plane1::fromPlane8(innerArea, coverage, 128, false);
}

V2f processIslands_and_RemainingHairs(LayerOrdering &ordering, const LayerShellPaths &shells, QVector<PolyLine> fills,
                                      V2f position)
{
    QVector<PolyLine> all;
    for (const QVector<PolyLine> &loop : shells)
        all += loop;
    all += fills;
    return ordering.orderIsland(all, position);
}
