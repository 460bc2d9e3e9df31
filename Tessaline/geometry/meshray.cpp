#include "geometry/meshray.h"

#include "geometry/faces.h"
#include "geometry/raybatch.h"
#include "geometry/workerthread.h"

#include <algorithm>
#include <cmath>
#include <vector>

bool rayHitsTriangle(const V3f &origin, const V3f &dir, const Face &face, double &t)
{
    const V3f e1 = face.p[1] - face.p[0];
    const V3f e2 = face.p[2] - face.p[0];
    const V3f pv = cross(dir, e2);
    const double det = dot(e1, pv);
    if (det > -1e-30 && det < 1e-30)
        return false;
    const V3f s = origin - face.p[0];
    const double u = dot(s, pv) / det;
    if (u < 0.0 || u > 1.0)
        return false;
    const V3f q = cross(s, e1);
    const double v = dot(dir, q) / det;
    if (v < 0.0 || u + v > 1.0)
        return false;
    t = dot(e2, q) / det;
    return t >= 0.0;
}

int Faces::rayPick(const V3f &origin, const V3f &target, bool frontOnly, V3f &hitPoint, V3f &hitNormal) const
{
    const V3f dir = target - origin;
    double bestDistance = 1e30;
    int best = -1;
    for (int i = 0; i < m_faces.size(); ++i) {
        const Face &face = m_faces[i];
        if ((dot(dir, face.n) > 0.0) != frontOnly)
            continue;
        double t = 0.0;
        if (!rayHitsTriangle(origin, dir, face, t))
            continue;
        const V3f hit = origin + dir * float(t);
        const V3f d = hit - origin;
        const double distance = std::fabs(d.x) + std::fabs(d.y) + std::fabs(d.z);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
            hitPoint = hit;
        }
    }
    if (best >= 0)
        hitNormal = m_faces[best].n;
    return best;
}

int Faces::countRayHits(const V3f &origin, const V3f &target, int skipIndex) const
{
    const V3f dir = target - origin;
    const Face *faces = m_faces.constData();
    const int n = m_faces.size();
    int hits = 0;
    for (int i = 0; i < n; ++i) {
        double t = 0.0;
        if (i != skipIndex && rayHitsTriangle(origin, dir, faces[i], t))
            ++hits;
    }
    return hits;
}

bool Faces::isOutward() const
{
    const int n = m_faces.size();
    if (n == 0)
        return true;
    // A ray leaving an outward-facing closed surface crosses it an even number of times. Each ray runs from a
    // sampled triangle's centre along its normal, skipping that triangle.
    auto vote = [&](int samples, int &outward, int &inward) {
        const int step = n / samples;
        std::vector<MeshRay> rays(static_cast<size_t>(samples));
        for (int k = 0; k < samples; ++k) {
            const Face &face = m_faces[k * step];
            const V3f origin = face.centroid();
            rays[size_t(k)] = {origin, (origin + face.n) - origin, k * step};
        }
        const std::vector<int> hits = countRayHitsOnMesh(m_faces.constData(), n, rays);
        outward = int(std::count_if(hits.begin(), hits.end(), [](int h) { return h % 2 == 0; }));
        inward = samples - outward;
    };
    int outward = 0, inward = 0;
    vote(150, outward, inward);
    if (inward == 0)
        return true;
    vote(25, outward, inward);
    return outward > inward;
}

bool Faces::insideVolume(const VolumePlanes &planes, bool all) const
{
    auto inside = [&](const V3f &p) {
        for (const auto &plane : planes)
            if (!(plane[0] * p.x + plane[1] * p.y + plane[2] * p.z + plane[3] > 0.0f))
                return false;
        return true;
    };
    for (const Face &face : m_faces)
        for (const V3f &p : face.p) {
            const bool in = inside(p);
            if (all && !in)
                return false;
            if (!all && in)
                return true;
        }
    return all;
}
