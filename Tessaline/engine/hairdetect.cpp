#include "engine/hairdetect.h"

#include "common/perfdata.h"

#include <QSet>

#include <algorithm>
#include <cmath>

namespace
{

// How far the collected pixels keep away from the edges the loops follow (pixels). Without it the last
// half pixel that rounding leaves along every straight edge would come back as a hair.
constexpr double edgeMargin = 0.5;
// A hair line's corners cut by the smoothing, twice the triangle area in square pixels.
constexpr float hairSimplifyTolerance = 1.2f;
constexpr int hairSmoothingWindow = 3;
// A strip thinner than this (pixels, half a width) is left out: a full-width line there would print it
// several times over.
constexpr double thinnestHair = 1.5;

// Neighbour steps in walking preference: edge neighbours first, so that a walk takes the straight step
// of a staircase before the diagonal one and never skips a pixel.
constexpr int neighbourDx[8] = {1, 0, -1, 0, 1, -1, -1, 1};
constexpr int neighbourDy[8] = {0, -1, 0, 1, -1, -1, 1, 1};

} // namespace

HairDetector::HairDetector(int width, int height, float pixelsPerEw) : m_pixelsPerEw(pixelsPerEw)
{
    m_lost.resize(width, height);
    m_lost.fill(false);
    m_weight.resize(width, height);
    m_weight.fill(0);
}

void HairDetector::hairDetect0(const Plane8 &current, double wantedShrink, const Plane8 &offsetArea)
{
    PerfSection section("hairDetect0");
    // Pixel steps of the octagon offsets; a pixel's centre lies half a pixel inside the edge it borders.
    const int shrinkSteps = int(std::lround(wantedShrink + (wantedShrink > 0.0 ? edgeMargin : 0.0)));
    const int coverSteps = int(std::lround(0.5 * double(m_pixelsPerEw) + edgeMargin));
    // What this pass's loop has to print ...
    Plane1::fromPlane8(m_currentBits, current, 128, false);
    m_currentBits.offset(m_wanted, -shrinkSteps);
    // ... minus what it prints: the offset area grown by the half width of its loop.
    Plane1::fromPlane8(m_offsetBits, offsetArea, 128, false);
    m_offsetBits.offset(m_uncovered, coverSteps);
    invert(m_uncovered);
    Plane1::bitwiseOp(2, &m_wanted, &m_uncovered, nullptr, true);
    Plane1::bitwiseOp(6, &m_lost, &m_wanted, nullptr, true);
    // Where the coverage of the unprinted pixels is, for centring the lines between pixels: on the outline
    // the partly covered pixels count too.
    Plane1::fromPlane8(m_currentBits, current, 1, false);
    Plane1::bitwiseOp(2, &m_currentBits, shrinkSteps == 0 ? &m_uncovered : &m_wanted, nullptr, true);
    const int wordsPerRow = m_currentBits.wordsPerRow();
    for (int y = 0; y < m_currentBits.height(); ++y) {
        const quint32 *row = m_currentBits.words() + qint64(y) * wordsPerRow;
        for (int w = 0; w < wordsPerRow; ++w) {
            for (quint32 bits = row[w]; bits != 0; bits &= bits - 1) {
                const int x = w * 32 + __builtin_ctz(bits);
                m_weight.setPixel(x, y, std::max(m_weight.pixel(x, y), current.pixel(x, y)));
            }
        }
    }
}

void HairDetector::invert(Plane1 &plane)
{
    quint32 *words = plane.words();
    const qint64 count = qint64(plane.wordsPerRow()) * plane.height();
    for (qint64 i = 0; i < count; ++i)
        words[i] = ~words[i];
}

V2f HairDetector::centreOf(int x, int y, const V2f &fallback) const
{
    constexpr int radius = 2; // the strips are at most a width (three pixels) and a margin across
    double sumX = 0.0, sumY = 0.0, sum = 0.0;
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            const int px = x + dx, py = y + dy;
            if (px < 0 || py < 0 || px >= m_weight.width() || py >= m_weight.height())
                continue;
            const double w = m_weight.pixel(px, py);
            sumX += w * dx;
            sumY += w * dy;
            sum += w;
        }
    }
    return sum > 0.0 ? V2f(float(x + sumX / sum), float(y + sumY / sum)) : fallback;
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
    // The skeleton of a strip an even number of pixels wide runs along one of its two middle rows; the
    // weighted centre of the unprinted coverage around each skeleton pixel puts the line back on the middle.
    const auto centreOfStep = [&](int i) {
        const V2f pixel = toPoint(i);
        return centreOf(int(pixel.x), int(pixel.y), pixel);
    };
    // Unprinted coverage beside the skeleton per skeleton pixel: the strip's thickness, up to three pixels.
    const auto thickness = [&](const QVector<int> &walked) {
        QSet<qint64> near;
        double sum = 0.0;
        for (int i : walked) {
            const V2f pixel = toPoint(i);
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int x = int(pixel.x) + dx, y = int(pixel.y) + dy;
                    if (x >= 0 && y >= 0 && x < m_weight.width() && y < m_weight.height() &&
                        !near.contains(qint64(y) * m_weight.width() + x)) {
                        near.insert(qint64(y) * m_weight.width() + x);
                        sum += m_weight.pixel(x, y) / 255.0;
                    }
                }
            }
        }
        return sum / walked.size();
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
        if (thickness(walked) < thinnestHair)
            return;
        for (int i : walked)
            line.points.append(centreOfStep(i));
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

// Thinning eats into the ends of a strip; the line is carried on in its end direction over the unprinted
// material, up to half a width (the round end of the printed line) short of where that material ends.
void HairDetector::extendEnd(PolyLine &line, bool atStart) const
{
    const int n = line.count();
    const V2f end = atStart ? line.points[0] : line.points[n - 1];
    const V2f before = atStart ? line.points[1] : line.points[n - 2];
    const float length = (end - before).length();
    if (!(length > 1e-3f))
        return;
    const V2f direction = (end - before) * (1.0f / length);
    constexpr float step = 0.25f;
    float inside = 0.0f;
    for (float s = step; s < 4.0f * m_pixelsPerEw; s += step) {
        const V2f p = end + direction * s;
        const int x = int(std::lround(p.x)), y = int(std::lround(p.y));
        if (x < 0 || y < 0 || x >= m_weight.width() || y >= m_weight.height() || m_weight.pixel(x, y) < 128)
            break;
        inside = s;
    }
    const float extension = inside + 0.5f - 0.5f * m_pixelsPerEw;
    if (extension < step)
        return;
    if (atStart)
        line.points.prepend(end + direction * extension);
    else
        line.points.append(end + direction * extension);
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
    const QVector<PolyLine> skeleton = traceSkeleton(grid, gridWidth, gridHeight, box, type);
    for (PolyLine line : skeleton) {
        if (line.count() >= 3)
            line = line.smoothed(hairSmoothingWindow);
        line.simplify(hairSimplifyTolerance);
        if (line.count() < 2)
            continue;
        extendEnd(line, true);
        extendEnd(line, false);
        if (line.length() >= constants.minimumLength)
            hairs.append(line);
    }
    m_weight.fill(0);
    return hairs;
}
