#pragma once

#include "raster/plane1.h"
#include "raster/plane8.h"
#include "raster/polyline.h"

#include <QVector>

#include <algorithm>
#include <vector>

// The constant set a hair detector is set up with, one per pass kind. Only `minimumLength` (pixels: a hair
// line shorter than this is a rounded corner, not a feature) steers the detector here; the other values
// are kept with the set so that the table stays whole.
struct HairDetectConstants {
    quint8 levels[4];
    double minimumLength;
    double reach;

    static HairDetectConstants firstAndLast() { return {{45, 75, 4, 10}, 3.91, 7.62}; }
    static HairDetectConstants middle() { return {{45, 75, 6, 14}, 7.22, 9.99}; }
};

// Finds the parts of a layer that its loops cannot print: walls and spikes thinner than an extrusion width,
// which the inward offset of a pass loses. hairDetect0 collects, pass by pass, the pixels a pass should cover
// but whose loop misses; hairDetect1 turns what was collected into open centre lines (thinning, then a walk
// along the one-pixel skeleton) and starts collecting anew. Pixels throughout; serial and deterministic.
class HairDetector
{
public:
    HairDetector(int width, int height, float pixelsPerEw);

    // `current`: the area the pass starts from; `wantedShrink`: how far inside it the pass's loop starts to
    // be responsible (0 for the perimeter, half a width after a loop); `offsetArea`: the result of the pass,
    // whose contour the loop follows at half a width from either side.
    void hairDetect0(const Plane8 &current, double wantedShrink, const Plane8 &offsetArea);

    // The centre lines of everything collected since the last call, of the given type, longer than the
    // set's minimum length. Clears the collection.
    QVector<PolyLine> hairDetect1(SegType type, const HairDetectConstants &constants);

    // The collected pixels (set where a hair is needed), for the tests and the developer view.
    const Plane1 &lostArea() const { return m_lost; }

private:
    struct Box {
        int x0, y0, x1, y1;
    };
    bool lostBounds(Box &box) const;
    void thin(std::vector<quint8> &grid, int gridWidth, int gridHeight) const;
    QVector<PolyLine> traceSkeleton(std::vector<quint8> &grid, int gridWidth, int gridHeight, const Box &box,
                                    SegType type) const;

    V2f centreOf(int x, int y, const V2f &fallback) const;
    void extendEnd(PolyLine &line, bool atStart) const;

    float m_pixelsPerEw;
    static void invert(Plane1 &plane);

    Plane1 m_currentBits;
    Plane1 m_offsetBits;
    Plane1 m_wanted;
    Plane1 m_uncovered;
    Plane1 m_lost;
    Plane8 m_weight; // coverage of the pixels no loop prints, for placing the centre lines between pixels
};
