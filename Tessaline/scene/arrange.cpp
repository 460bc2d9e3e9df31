#include "scene/arrange.h"

#include "scene/project.h"

#include <cmath>
#include <limits>
#include <numeric>

namespace
{

// Footprints that share an edge do not overlap; rounding must not make them.
constexpr float touchTolerance = 1e-3f; // mm
// Moves smaller than this are rounding of an arrangement already in place.
constexpr float lengthToleranceForArrange = 1e-4f; // mm

// How far the arrangement reaches from (0, 0) with this footprint added: the larger of its x and z
// reach, so that the layout grows as a square; then the squared distance breaks ties.
double spread(const Footprint &f)
{
    return std::max(std::fabs(f.x) + f.halfX, std::fabs(f.z) + f.halfZ) * 1e6 + double(f.x) * f.x + double(f.z) * f.z;
}

QVector<Footprint> candidatesBeside(const Footprint &p, float halfX, float halfZ)
{
    QVector<Footprint> candidates;
    const float xs[3] = {p.x, p.x - p.halfX + halfX, p.x + p.halfX - halfX};
    const float zs[3] = {p.z, p.z - p.halfZ + halfZ, p.z + p.halfZ - halfZ};
    for (float z : zs) {
        candidates.append({p.x + p.halfX + halfX, z, halfX, halfZ});
        candidates.append({p.x - p.halfX - halfX, z, halfX, halfZ});
    }
    for (float x : xs) {
        candidates.append({x, p.z + p.halfZ + halfZ, halfX, halfZ});
        candidates.append({x, p.z - p.halfZ - halfZ, halfX, halfZ});
    }
    return candidates;
}

Footprint footprintOf(const Obj &obj)
{
    const Box3f box = obj.transformedBounds();
    return {(box.min.x + box.max.x) / 2, (box.min.z + box.max.z) / 2, (box.max.x - box.min.x) / 2 + arrangeMargin,
            (box.max.z - box.min.z) / 2 + arrangeMargin};
}

void moveOnPlate(Obj &obj, float dx, float dz)
{
    M44f transform = obj.transform();
    transform[12] += dx;
    transform[14] += dz;
    obj.setTransform(transform);
}

} // namespace

bool Footprint::overlaps(const Footprint &o) const
{
    return std::fabs(x - o.x) < halfX + o.halfX - touchTolerance &&
           std::fabs(z - o.z) < halfZ + o.halfZ - touchTolerance;
}

Footprint findPlace(const QVector<Footprint> &placed, float halfX, float halfZ)
{
    if (placed.isEmpty())
        return {0, 0, halfX, halfZ};
    Footprint best;
    double bestSpread = std::numeric_limits<double>::infinity();
    for (const Footprint &p : placed)
        for (const Footprint &candidate : candidatesBeside(p, halfX, halfZ)) {
            const double s = spread(candidate);
            if (s >= bestSpread)
                continue;
            if (std::none_of(placed.begin(), placed.end(), [&](const Footprint &o) { return o.overlaps(candidate); })) {
                best = candidate;
                bestSpread = s;
            }
        }
    return best;
}

bool Project::realignAll()
{
    const int n = objectCount();
    QVector<Footprint> current(n);
    for (int i = 0; i < n; ++i)
        current[i] = footprintOf(*object(i));
    // Large footprints first: the small ones then fill the corners.
    QVector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return current[a].halfX * current[a].halfZ > current[b].halfX * current[b].halfZ;
    });
    QVector<Footprint> placed;
    QVector<Footprint> target(n);
    for (int i : order) {
        target[i] = findPlace(placed, current[i].halfX, current[i].halfZ);
        placed.append(target[i]);
    }
    // Centre the arrangement as a whole on the plate.
    float minX = 0, maxX = 0, minZ = 0, maxZ = 0;
    for (int i = 0; i < n; ++i) {
        const float halfX = current[i].halfX - arrangeMargin, halfZ = current[i].halfZ - arrangeMargin;
        minX = i ? std::min(minX, target[i].x - halfX) : target[i].x - halfX;
        maxX = i ? std::max(maxX, target[i].x + halfX) : target[i].x + halfX;
        minZ = i ? std::min(minZ, target[i].z - halfZ) : target[i].z - halfZ;
        maxZ = i ? std::max(maxZ, target[i].z + halfZ) : target[i].z + halfZ;
    }
    const float shiftX = -(minX + maxX) / 2, shiftZ = -(minZ + maxZ) / 2;
    bool changed = false;
    for (int i = 0; i < n; ++i) {
        const float dx = target[i].x + shiftX - current[i].x, dz = target[i].z + shiftZ - current[i].z;
        if (std::fabs(dx) <= lengthToleranceForArrange && std::fabs(dz) <= lengthToleranceForArrange)
            continue;
        moveOnPlate(*object(i), dx, dz);
        changed = true;
    }
    if (changed)
        barsOutdated = true;
    return changed;
}

void Project::placeBesideOthers(Obj &obj)
{
    QVector<Footprint> placed;
    for (int i = 0; i < objectCount(); ++i)
        if (object(i) != &obj)
            placed.append(footprintOf(*object(i)));
    const Footprint own = footprintOf(obj);
    const Footprint place = findPlace(placed, own.halfX, own.halfZ);
    moveOnPlate(obj, place.x - own.x, place.z - own.z);
}
