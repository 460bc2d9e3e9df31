#include "engine/travelrouter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <queue>
#include <utility>

namespace
{

// Grid steps in tenths, so that a diagonal (14) costs about sqrt(2) straight steps (10).
constexpr int straightStep = 10;
constexpr int diagonalStep = 14;
// Samples per pixel along a checked segment: two, so no pixel the segment crosses is skipped.
constexpr float samplesPerPixel = 2.0f;
// A route's ends sit on walls whose centre line may round onto a pixel just outside the area.
constexpr float endSlack = 1.0f;

// Upper bound of the routing grid: about 17 bytes a cell, so some 17 MB per layer being ordered.
constexpr int maxGridCells = 1 << 20;

constexpr int neighbourOffsets[8][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};

int pixelOf(float coordinate)
{
    return int(std::floor(coordinate + 0.5f));
}

float squaredDistance(const V2f &a, const V2f &b)
{
    const V2f d = a - b;
    return d.x * d.x + d.y * d.y;
}

bool finitePoint(const V2f &p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

PolyLine travelPath(const QVector<V2f> &points, bool retract)
{
    PolyLine travel(SegType::Travel);
    travel.points = points;
    travel.retract = retract;
    return travel;
}

} // namespace

TravelRouter::TravelRouter(const TravelPlanes &planes, float mmPerPixelX, float mmPerPixelZ, float nearDistanceMm)
    : m_planes(planes), m_mmPerPixelX(mmPerPixelX), m_mmPerPixelZ(mmPerPixelZ), m_nearDistanceMm(nearDistanceMm)
{
    // Cells a little finer than the erosion depth: the straight step between two safe cell centres then
    // never leaves the solid.
    m_cellSize = std::max(1, planes.depth() - 1);
    // On huge frames coarser cells keep the search arrays small; their steps are then checked pixel by pixel.
    const double pixels = double(planes.width()) * double(planes.height());
    m_cellSize = std::max(m_cellSize, int(std::ceil(std::sqrt(pixels / double(maxGridCells)))));
    m_legLength = float(planes.depth() + 2 * m_cellSize);
}

double TravelRouter::distanceMm(const V2f &a, const V2f &b) const
{
    const double dx = double(a.x - b.x) * m_mmPerPixelX;
    const double dz = double(a.y - b.y) * m_mmPerPixelZ;
    return std::sqrt(dx * dx + dz * dz);
}

PolyLine TravelRouter::route(const V2f &from, const V2f &to)
{
    if (!(distanceMm(from, to) > m_nearDistanceMm))
        return PolyLine();
    const QVector<V2f> straight{from, to};
    if (m_planes.isEmpty() || !finitePoint(from) || !finitePoint(to))
        return travelPath(straight, true);
    const Leg ends{from, to};
    if (segmentClear(from, to, ends))
        return travelPath(straight, false);

    buildGrid();
    const int start = entryCell(from, ends);
    const int goal = entryCell(to, ends);
    if (start < 0 || goal < 0 || m_component[size_t(start)] != m_component[size_t(goal)])
        return travelPath(straight, true);
    const std::vector<int> cells = searchCells(start, goal);
    QVector<V2f> corners;
    corners.reserve(int(cells.size()) + 2);
    corners.append(from);
    for (const int cell : cells)
        corners.append(cellCentre(cell));
    corners.append(to);
    const QVector<V2f> tight = pullTight(corners, ends);
    return tight.isEmpty() ? travelPath(straight, true) : travelPath(tight, false);
}

bool TravelRouter::pixelAllowed(int x, int y, const Leg &ends) const
{
    if (m_planes.isSafe(x, y))
        return true;
    const V2f pixel{float(x), float(y)};
    const float legSquared = m_legLength * m_legLength;
    const bool nearEnd =
        squaredDistance(pixel, ends.from) <= legSquared || squaredDistance(pixel, ends.to) <= legSquared;
    if (nearEnd && m_planes.isSolid(x, y))
        return true;
    const float slackSquared = endSlack * endSlack;
    return squaredDistance(pixel, ends.from) <= slackSquared || squaredDistance(pixel, ends.to) <= slackSquared;
}

template <class Allowed> bool TravelRouter::allPixels(const V2f &a, const V2f &b, Allowed &&allowed) const
{
    const V2f delta = b - a;
    const float length = delta.length();
    // A segment longer than the planes are wide cannot be over them.
    if (!(length <= float(m_planes.width() + m_planes.height())))
        return false;
    const int samples = int(std::ceil(length * samplesPerPixel)) + 1;
    int lastX = INT32_MIN;
    int lastY = INT32_MIN;
    for (int i = 0; i <= samples; ++i) {
        const float t = float(i) / float(samples);
        const int x = pixelOf(a.x + delta.x * t);
        const int y = pixelOf(a.y + delta.y * t);
        if (x == lastX && y == lastY)
            continue;
        if (!allowed(x, y))
            return false;
        lastX = x;
        lastY = y;
    }
    return true;
}

bool TravelRouter::segmentClear(const V2f &a, const V2f &b, const Leg &ends) const
{
    return allPixels(a, b, [&](int x, int y) { return pixelAllowed(x, y, ends); });
}

bool TravelRouter::segmentOverMaterial(const V2f &a, const V2f &b, const Leg &ends) const
{
    return allPixels(a, b, [&](int x, int y) { return m_planes.isSolid(x, y) || pixelAllowed(x, y, ends); });
}

void TravelRouter::buildGrid()
{
    if (m_gridBuilt)
        return;
    m_gridBuilt = true;
    m_gridWidth = m_planes.width() / m_cellSize;
    m_gridHeight = m_planes.height() / m_cellSize;
    const size_t cells = size_t(m_gridWidth) * size_t(m_gridHeight);
    m_safeCells.assign(cells, 0);
    for (int cy = 0; cy < m_gridHeight; ++cy)
        for (int cx = 0; cx < m_gridWidth; ++cx) {
            const V2f centre = cellCentre(cellAt(cx, cy));
            m_safeCells[size_t(cellAt(cx, cy))] = m_planes.isSafe(pixelOf(centre.x), pixelOf(centre.y)) ? 1 : 0;
        }
    m_cost.assign(cells, 0);
    m_parent.assign(cells, -1);
    m_visited.assign(cells, 0);

    // Connected parts first, so that a route between two parts fails at once instead of searching one whole.
    m_component.assign(cells, -1);
    std::vector<int> stack;
    int component = 0;
    for (size_t seed = 0; seed < cells; ++seed) {
        if (!m_safeCells[seed] || m_component[seed] >= 0)
            continue;
        m_component[seed] = component;
        stack.push_back(int(seed));
        while (!stack.empty()) {
            const int cell = stack.back();
            stack.pop_back();
            const int cx = cell % m_gridWidth;
            const int cy = cell / m_gridWidth;
            for (const auto &offset : neighbourOffsets) {
                const int nx = cx + offset[0];
                const int ny = cy + offset[1];
                if (nx < 0 || ny < 0 || nx >= m_gridWidth || ny >= m_gridHeight)
                    continue;
                // Diagonal steps only where both side cells are safe, the same rule the search keeps.
                if (offset[0] != 0 && offset[1] != 0 &&
                    (!m_safeCells[size_t(cellAt(nx, cy))] || !m_safeCells[size_t(cellAt(cx, ny))]))
                    continue;
                const size_t next = size_t(cellAt(nx, ny));
                if (m_safeCells[next] && m_component[next] < 0) {
                    m_component[next] = component;
                    stack.push_back(int(next));
                }
            }
        }
        ++component;
    }
}

V2f TravelRouter::cellCentre(int cell) const
{
    const int cx = cell % m_gridWidth;
    const int cy = cell / m_gridWidth;
    return V2f(float(cx * m_cellSize + m_cellSize / 2), float(cy * m_cellSize + m_cellSize / 2));
}

int TravelRouter::entryCell(const V2f &point, const Leg &ends) const
{
    if (m_gridWidth == 0 || m_gridHeight == 0)
        return -1;
    const int radius = int(std::ceil(m_legLength / float(m_cellSize))) + 1;
    const int pcx = int(std::floor(point.x / float(m_cellSize)));
    const int pcy = int(std::floor(point.y / float(m_cellSize)));
    // Nearest first, so that the leg that is checked first is the shortest.
    std::vector<std::pair<float, int>> candidates;
    for (int cy = std::max(0, pcy - radius); cy <= std::min(m_gridHeight - 1, pcy + radius); ++cy)
        for (int cx = std::max(0, pcx - radius); cx <= std::min(m_gridWidth - 1, pcx + radius); ++cx) {
            const int cell = cellAt(cx, cy);
            if (m_safeCells[size_t(cell)])
                candidates.emplace_back(squaredDistance(cellCentre(cell), point), cell);
        }
    std::sort(candidates.begin(), candidates.end());
    for (const auto &candidate : candidates)
        if (segmentClear(point, cellCentre(candidate.second), ends))
            return candidate.second;
    return -1;
}

std::vector<int> TravelRouter::searchCells(int start, int goal)
{
    // A* over the safe cells; the generation stamp spares clearing the arrays for every route.
    if (++m_generation == 0) {
        std::fill(m_visited.begin(), m_visited.end(), 0u);
        m_generation = 1;
    }
    const int goalX = goal % m_gridWidth;
    const int goalY = goal / m_gridWidth;
    const auto estimate = [&](int cell) {
        const int dx = std::abs(cell % m_gridWidth - goalX);
        const int dy = std::abs(cell / m_gridWidth - goalY);
        return straightStep * std::max(dx, dy) + (diagonalStep - straightStep) * std::min(dx, dy);
    };
    using Entry = std::pair<int, int>; // estimated total, cell
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
    m_visited[size_t(start)] = m_generation;
    m_cost[size_t(start)] = 0;
    m_parent[size_t(start)] = -1;
    open.emplace(estimate(start), start);
    while (!open.empty()) {
        const auto [total, cell] = open.top();
        open.pop();
        if (cell == goal)
            break;
        if (total - estimate(cell) > m_cost[size_t(cell)])
            continue; // a stale entry: the cell was reached more cheaply since
        const int cx = cell % m_gridWidth;
        const int cy = cell / m_gridWidth;
        for (const auto &offset : neighbourOffsets) {
            const int nx = cx + offset[0];
            const int ny = cy + offset[1];
            if (nx < 0 || ny < 0 || nx >= m_gridWidth || ny >= m_gridHeight)
                continue;
            const bool diagonal = offset[0] != 0 && offset[1] != 0;
            if (diagonal && (!m_safeCells[size_t(cellAt(nx, cy))] || !m_safeCells[size_t(cellAt(cx, ny))]))
                continue;
            const int next = cellAt(nx, ny);
            if (!m_safeCells[size_t(next)])
                continue;
            const int cost = m_cost[size_t(cell)] + (diagonal ? diagonalStep : straightStep);
            if (m_visited[size_t(next)] == m_generation && m_cost[size_t(next)] <= cost)
                continue;
            m_visited[size_t(next)] = m_generation;
            m_cost[size_t(next)] = cost;
            m_parent[size_t(next)] = cell;
            open.emplace(cost + estimate(next), next);
        }
    }
    std::vector<int> cells;
    if (m_visited[size_t(goal)] != m_generation)
        return cells;
    for (int cell = goal; cell >= 0; cell = m_parent[size_t(cell)])
        cells.push_back(cell);
    std::reverse(cells.begin(), cells.end());
    return cells;
}

QVector<V2f> TravelRouter::pullTight(const QVector<V2f> &corners, const Leg &ends) const
{
    // From each kept corner, go as far along the chain as a straight line allows. A step to the neighbouring
    // corner is kept when it stays over solid material: the legs were checked, and with cells finer than the
    // erosion depth two neighbouring safe cells always are. Empty when a step would leave the solid.
    QVector<V2f> tight{corners.first()};
    int at = 0;
    const int last = corners.size() - 1;
    while (at < last) {
        int reach = at + 1;
        while (reach < last && segmentClear(corners[at], corners[reach + 1], ends))
            ++reach;
        if (reach == at + 1 && !segmentOverMaterial(corners[at], corners[reach], ends))
            return {};
        tight.append(corners[reach]);
        at = reach;
    }
    return tight;
}
