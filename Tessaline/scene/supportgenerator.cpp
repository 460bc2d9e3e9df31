#include "geometry/meshray.h"
#include "scene/supports.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

// Automatic supports: grid rays from just above the plate find the overhangs, and each hit becomes a
// bar attempt at the centre of its 2 x 2 block of grid cells, so that the attempts of neighbouring
// triangles land on the same spot and the spacing rule keeps one of them.
//
// Each hit is tried as it is found: object by object, triangle by triangle in mesh order, column by column
// and, within a column, row by row. Where the attempts of a block differ in height, the first one that
// makes a bar wins.

namespace
{

// Every grid cell under an overhang costs a ray and an attempt, so the grid is bounded: 2000 x 2000 cells
// are a 400 mm plate at 0.2 mm, finer than any bar can be printed.
constexpr double maximumGridCells = 4e6;
// The rays start just above the plate, so that a face lying on the plate gets no bar.
constexpr float rayStartHeight = 0.1f;
constexpr int attemptsPerClockCheck = 32;
// A large mesh with few overhangs makes few attempts; the window must still be repainted meanwhile.
constexpr int trianglesPerClockCheck = 1024;
constexpr qint64 progressIntervalMs = 200;
constexpr double radiansPerDegree = 0.017453292;

// The ends of the bars made so far, bucketed in cubes of the spacing rule's size: two ends closer than
// the rule (Manhattan) differ by less than one cube along every axis, so the 27 cubes around a point
// hold every end that can reject it.
class BarEndIndex
{
public:
    bool hasEndNear(const V3f &point) const
    {
        const Cell centre = cellOf(point);
        for (qint64 dx = -1; dx <= 1; ++dx)
            for (qint64 dy = -1; dy <= 1; ++dy)
                for (qint64 dz = -1; dz <= 1; ++dz) {
                    const auto found = m_cells.find(Cell{centre.x + dx, centre.y + dy, centre.z + dz});
                    if (found == m_cells.end())
                        continue;
                    for (const V3f &end : found->second)
                        if (manhattanDistance(point, end) < supportMinimumSpacing)
                            return true;
                }
        return false;
    }
    void add(const V3f &point) { m_cells[cellOf(point)].push_back(point); }

private:
    struct Cell {
        qint64 x, y, z;
        bool operator==(const Cell &o) const { return x == o.x && y == o.y && z == o.z; }
    };
    struct CellHash {
        size_t operator()(const Cell &c) const
        {
            return std::hash<qint64>()(c.x * 73856093 ^ c.y * 19349663 ^ c.z * 83492791);
        }
    };
    static Cell cellOf(const V3f &p)
    {
        const auto cell = [](float v) { return qint64(std::floor(v / supportMinimumSpacing)); };
        return Cell{cell(p.x), cell(p.y), cell(p.z)};
    }

    std::unordered_map<Cell, std::vector<V3f>, CellHash> m_cells;
};

class SupportGenerator
{
public:
    SupportGenerator(Project &project, float spacing, const SupportProgress &progress)
        : m_project(project), m_spacing(spacing), m_progress(progress)
    {
    }

    void generate(float overhangLimit);

private:
    void attemptHits(const Face &face);
    void attempt(const V3f &point, const V3f &normal);
    void reportProgress();

    Project &m_project;
    const double m_spacing;
    const SupportProgress &m_progress;
    BarEndIndex m_ends;
    QElapsedTimer m_clock;
    qint64 m_attempts = 0;
    qint64 m_trianglesDone = 0;
    qint64 m_trianglesTotal = 0;
};

void SupportGenerator::generate(float overhangLimit)
{
    m_clock.start();
    for (int i = 0; i < m_project.objectCount(); ++i)
        if (const Faces *mesh = m_project.object(i)->mesh())
            m_trianglesTotal += mesh->count();
    for (int i = 0; i < m_project.objectCount(); ++i) {
        const Obj *obj = m_project.object(i);
        if (!obj->mesh())
            continue;
        const Faces &mesh = *obj->mesh();
        const bool mirrored = obj->transform().determinant3() < 0;
        for (int k = 0; k < mesh.count(); ++k, ++m_trianglesDone) {
            Face world = Faces::transformed(mesh[k], obj->transform(), true);
            if (mirrored)
                Faces::flip(world);
            if (world.n.y < overhangLimit)
                attemptHits(world);
            if (m_trianglesDone % trianglesPerClockCheck == 0)
                reportProgress();
        }
    }
}

void SupportGenerator::attemptHits(const Face &face)
{
    const auto range = [&](int axis, double &first, double &last) {
        const float low = std::min({face.p[0][axis], face.p[1][axis], face.p[2][axis]});
        const float high = std::max({face.p[0][axis], face.p[1][axis], face.p[2][axis]});
        first = std::ceil(low / m_spacing);
        last = std::floor(high / m_spacing);
    };
    double firstColumn, lastColumn, firstRow, lastRow;
    range(0, firstColumn, lastColumn);
    range(2, firstRow, lastRow);
    const V3f up(0, 1, 0);
    for (qint64 i = qint64(firstColumn); i <= qint64(lastColumn); ++i)
        for (qint64 j = qint64(firstRow); j <= qint64(lastRow); ++j) {
            const V3f origin(float(i * m_spacing), rayStartHeight, float(j * m_spacing));
            double t = 0.0;
            if (!rayHitsTriangle(origin, up, face, t))
                continue;
            // Clearing the lowest bit pairs the cells, also for negative indices (two's complement).
            const V3f point(float((double(i & ~qint64(1)) + 0.5) * m_spacing), float(rayStartHeight + t),
                            float((double(j & ~qint64(1)) + 0.5) * m_spacing));
            attempt(point, face.n);
        }
}

void SupportGenerator::attempt(const V3f &point, const V3f &normal)
{
    if (++m_attempts % attemptsPerClockCheck == 0)
        reportProgress();
    // The anchor is known before the costly ray queries; a bar whose anchor is taken is refused anyway.
    const float sigma = normal.y > 0.0f ? 1.0f : -1.0f;
    if (normal.y != 0.0f && m_ends.hasEndNear(V3f(point.x, point.y + 0.1f * sigma, point.z)))
        return;
    const std::optional<SupportBar> bar = makeBar(m_project, point, normal, float(m_spacing));
    if (!bar || bar->manhattanLength() < supportMinimumSpacing || m_ends.hasEndNear(bar->anchor()) ||
        m_ends.hasEndNear(bar->end()))
        return;
    m_project.supportBars.append(SupportBarRecord::of(*bar));
    m_ends.add(bar->anchor());
    m_ends.add(bar->end());
}

void SupportGenerator::reportProgress()
{
    if (!m_progress || m_clock.elapsed() <= progressIntervalMs)
        return;
    m_progress(m_trianglesTotal > 0 ? int(100 * m_trianglesDone / m_trianglesTotal) : 100);
    m_clock.restart();
}

void checkGrid(const Project &project, float spacing, float angleDegrees)
{
    if (!(spacing > 0.0f) || !std::isfinite(spacing))
        throw QString("generateSupports() grid spacing %1 mm is not a positive number").arg(spacing);
    if (!std::isfinite(angleDegrees))
        throw QString("generateSupports() overhang angle %1 is not a number").arg(angleDegrees);
    Box3f scene;
    bool any = false;
    for (int i = 0; i < project.objectCount(); ++i) {
        if (!project.object(i)->mesh() || project.object(i)->mesh()->count() == 0)
            continue;
        const Box3f box = project.object(i)->transformedBounds();
        scene = any ? Box3f{minV(scene.min, box.min), maxV(scene.max, box.max)} : box;
        any = true;
    }
    const double cells =
        (double(scene.max.x - scene.min.x) / spacing + 2.0) * (double(scene.max.z - scene.min.z) / spacing + 2.0);
    if (cells > maximumGridCells)
        throw QString("generateSupports() grid spacing %1 mm is too fine for a scene of %2 x %3 mm")
            .arg(spacing)
            .arg(scene.max.x - scene.min.x)
            .arg(scene.max.z - scene.min.z);
}

} // namespace

int generateSupports(Project &project, float spacing, float angleDegrees, const SupportProgress &progress)
{
    checkGrid(project, spacing, angleDegrees);
    clearSupports(project);
    project.barsOutdated = false;
    SupportGenerator generator(project, spacing, progress);
    generator.generate(float(std::cos(angleDegrees * radiansPerDegree) - 1.0));
    return project.supportBars.size();
}
