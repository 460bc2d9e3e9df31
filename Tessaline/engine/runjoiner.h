#pragma once

#include "engine/lineextractor.h"
#include "raster/polyline.h"

#include <QVector>

// Joins the runs of neighbouring pattern lines into zig-zag paths, so that the head does not lift and travel
// for every short line: a path that ended on the previous line continues into a run of the next line when that
// run starts within `limit` pixels of its end and the connecting move stays inside the region. Lines are fed
// in the order they lie side by side, each with its runs in walking order; the result does not depend on
// anything else, so it is the same on every thread.
class RunJoiner
{
public:
    RunJoiner(const LineExtractor &extractor, float limit);

    void addLine(const QVector<PolyLine> &runs);
    // Every path made so far; the joiner starts afresh.
    QVector<PolyLine> takePaths();

private:
    const LineExtractor &m_extractor;
    float m_limitSquared;
    QVector<PolyLine> m_paths;
    QVector<int> m_open; // paths that ended on the previous line, by index into m_paths
};
