#include "hairdetect.h"

#include "perfdata.h"

namespace
{

// How far the collected pixels keep away from the edges the loops follow (pixels). Without it the last
// half pixel that rounding leaves along every straight edge would come back as a hair.
constexpr double edgeMargin = 0.5;
// A hair line's corners cut by the smoothing, twice the triangle area in square pixels.
constexpr float hairSimplifyTolerance = 1.2f;
constexpr int hairSmoothingWindow = 3;

// Neighbour steps in walking preference: edge neighbours first, so that a walk takes the straight step
// of a staircase before the diagonal one and never skips a pixel.
constexpr int neighbourDx[8] = {1, 0, -1, 0, 1, -1, -1, 1};
constexpr int neighbourDy[8] = {0, -1, 0, 1, -1, -1, 1, 1};

} // namespace

HairDetector::HairDetector(int width, int height, float pixelsPerEw) : m_pixelsPerEw(pixelsPerEw)
{
    m_lost.resize(width, height);
    m_lost.fill(false);
}

void HairDetector::hairDetect0(const Plane8 &current, const TileMap &currentTiles, double wantedShrink,
                               const Plane8 &offsetArea, const TileMap &offsetTiles)
{
    PerfSection section("hairDetect0");
    // What this pass's loop has to print ...
    m_offsetter.offset(current, currentTiles, wantedShrink + edgeMargin, 1.0, m_scratch, m_scratchTiles);
    Plane1::fromPlane8(m_wanted, m_scratch, 128, false);
    // ... minus what it prints: half a width on either side of the offset contour.
    const double halfWidth = 0.5 * double(m_pixelsPerEw);
    m_offsetter.offset(offsetArea, offsetTiles, -(halfWidth + edgeMargin), 1.0, m_scratch, m_scratchTiles);
    Plane1::fromPlane8(m_uncovered, m_scratch, 128, true);
    Plane1::bitwiseOp(2, &m_wanted, &m_uncovered, nullptr, true);
    Plane1::bitwiseOp(6, &m_lost, &m_wanted, nullptr, true);
}

bool HairDetector::lostBounds(Box &box) const
{
    box = {m_lost.width(), m_lost.height(), -1, -1};
    const int wordsPerRow = m_lost.wordsPerRow();
    for (int y = 0; y < m_lost.height(); ++y) {
        const quint32 *row = m_lost.words() + qint64(y) * wordsPerRow;
        for (int w = 0; w < wordsPerRow; ++w) {
            if (row[w] == 0)
                continue;
            box.x0 = qMin(box.x0, w * 32 + __builtin_ctz(row[w]));
            box.x1 = qMax(box.x1, w * 32 + 31 - __builtin_clz(row[w]));
            box.y0 = qMin(box.y0, y);
            box.y1 = y;
        }
    }
    return box.x1 >= 0;
}

// Zhang-Suen thinning: peels boundary pixels in two alternating sub-steps until a one-pixel skeleton that
// keeps the shape's connectivity and its ends is left. The grid has a clear border of one pixel.
void HairDetector::thin(std::vector<quint8> &grid, int gridWidth, int gridHeight) const
{
    std::vector<int> live, removed;
    for (int i = gridWidth; i < gridWidth * (gridHeight - 1); ++i)
        if (grid[size_t(i)])
            live.push_back(i);
    const int around[8] = {-gridWidth, -gridWidth + 1, 1, gridWidth + 1, gridWidth, gridWidth - 1, -1, -gridWidth - 1};
    bool changed = true;
    while (changed) {
        changed = false;
        for (int step = 0; step < 2; ++step) {
            removed.clear();
            for (int i : live) {
                if (!grid[size_t(i)])
                    continue;
                bool p[8];
                int count = 0;
                for (int n = 0; n < 8; ++n)
                    count += (p[n] = grid[size_t(i + around[n])] != 0);
                int rises = 0;
                for (int n = 0; n < 8; ++n)
                    rises += !p[n] && p[(n + 1) % 8];
                if (count < 2 || count > 6 || rises != 1)
                    continue;
                // p[0] north, p[2] east, p[4] south, p[6] west.
                const bool peel = step == 0 ? !(p[0] && p[2] && p[4]) && !(p[2] && p[4] && p[6])
                                            : !(p[0] && p[2] && p[6]) && !(p[0] && p[4] && p[6]);
                if (peel)
                    removed.push_back(i);
            }
            for (int i : removed)
                grid[size_t(i)] = 0;
            changed = changed || !removed.empty();
        }
        live.erase(std::remove_if(live.begin(), live.end(), [&](int i) { return !grid[size_t(i)]; }), live.end());
    }
}

QVector<PolyLine> HairDetector::traceSkeleton(std::vector<quint8> &grid, int gridWidth, int gridHeight, const Box &box,
                                              SegType type) const
{
    constexpr quint8 skeleton = 1, visited = 2;
    const auto neighbours = [&](int i, quint8 value) {
        int count = 0;
        for (int n = 0; n < 8; ++n)
            count += grid[size_t(i + neighbourDy[n] * gridWidth + neighbourDx[n])] == value;
        return count;
    };
    const auto toPoint = [&](int i) {
        return V2f(float(box.x0 + i % gridWidth - 1), float(box.y0 + i / gridWidth - 1));
    };
    QVector<PolyLine> lines;
    const auto walkFrom = [&](int start) {
        PolyLine line(type);
        QVector<int> walked{start};
        grid[size_t(start)] = visited;
        for (int i = start;;) {
            int next = -1;
            for (int n = 0; n < 8 && next < 0; ++n) {
                const int j = i + neighbourDy[n] * gridWidth + neighbourDx[n];
                if (grid[size_t(j)] == skeleton)
                    next = j;
            }
            if (next < 0)
                break;
            grid[size_t(next)] = visited;
            walked.append(next);
            i = next;
        }
        // A branch that ends beside a pixel walked before (a junction, or its own start on a ring) is joined
        // to it, so that the centre lines stay connected.
        const int end = walked.last();
        for (int n = 0; n < 8 && walked.size() > 3; ++n) {
            const int j = end + neighbourDy[n] * gridWidth + neighbourDx[n];
            if (grid[size_t(j)] == visited && !walked.mid(walked.size() - 3).contains(j)) {
                walked.append(j);
                break;
            }
        }
        for (int i : walked)
            line.points.append(toPoint(i));
        lines.append(line);
    };
    const int last = gridWidth * (gridHeight - 1);
    for (int i = gridWidth; i < last; ++i)
        if (grid[size_t(i)] == skeleton && neighbours(i, skeleton) <= 1)
            walkFrom(i);
    for (int i = gridWidth; i < last; ++i)
        if (grid[size_t(i)] == skeleton)
            walkFrom(i);
    return lines;
}

QVector<PolyLine> HairDetector::hairDetect1(SegType type, const HairDetectConstants &constants)
{
    PerfSection section("hairDetect1");
    QVector<PolyLine> hairs;
    Box box;
    if (!lostBounds(box))
        return hairs;
    const int gridWidth = box.x1 - box.x0 + 3, gridHeight = box.y1 - box.y0 + 3;
    std::vector<quint8> grid(size_t(gridWidth) * size_t(gridHeight), 0);
    for (int y = box.y0; y <= box.y1; ++y)
        for (int x = box.x0; x <= box.x1; ++x)
            grid[size_t(y - box.y0 + 1) * size_t(gridWidth) + size_t(x - box.x0 + 1)] = m_lost.pixel(x, y);
    m_lost.fill(false);
    thin(grid, gridWidth, gridHeight);
    for (PolyLine &line : traceSkeleton(grid, gridWidth, gridHeight, box, type)) {
        if (line.count() >= 3)
            line = line.smoothed(hairSmoothingWindow);
        line.simplify(hairSimplifyTolerance);
        if (line.count() >= 2 && line.length() >= constants.minimumLength)
            hairs.append(line);
    }
    return hairs;
}
