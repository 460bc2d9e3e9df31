#include "engine/runjoiner.h"

#include <utility>

namespace
{

float distanceSquared(const V2f &a, const V2f &b)
{
    const float dx = a.x - b.x, dy = a.y - b.y;
    return dx * dx + dy * dy;
}

} // namespace

RunJoiner::RunJoiner(const LineExtractor &extractor, float limit)
    : m_extractor(extractor), m_limitSquared(limit > 0.0f ? limit * limit : 0.0f)
{
}

void RunJoiner::addLine(const QVector<PolyLine> &runs)
{
    QVector<int> nextOpen;
    for (const PolyLine &run : runs) {
        const V2f &start = run.points.first();
        int best = -1;
        float bestDistance = m_limitSquared;
        for (int index : m_open) {
            const PolyLine &path = m_paths[index];
            if (path.type != run.type)
                continue;
            const float distance = distanceSquared(path.points.last(), start);
            if (distance <= bestDistance && m_extractor.insideRegion(path.points.last(), start)) {
                best = index;
                bestDistance = distance;
            }
        }
        if (best >= 0) {
            m_open.removeOne(best);
            m_paths[best].points += run.points;
            nextOpen.append(best);
        } else {
            m_paths.append(run);
            nextOpen.append(m_paths.size() - 1);
        }
    }
    m_open = std::move(nextOpen);
}

QVector<PolyLine> RunJoiner::takePaths()
{
    m_open.clear();
    return std::exchange(m_paths, {});
}
