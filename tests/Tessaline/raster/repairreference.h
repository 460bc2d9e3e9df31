#pragma once

#include "raster/seg2f.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace repairtest
{

// The repair as plainly stated: linear weld search, exhaustive closest-pair search each round.
inline void referenceRepair(std::vector<Seg2f> &segs, float tolerance)
{
    struct Vertex {
        float x, z;
        int balance;
    };
    std::vector<Vertex> vertices;
    auto weld = [&](float x, float z) -> Vertex & {
        for (Vertex &v : vertices)
            if (std::fabs(v.x - x) <= tolerance && std::fabs(v.z - z) <= tolerance)
                return v;
        vertices.push_back({x, z, 0});
        return vertices.back();
    };
    for (const Seg2f &s : segs) {
        --weld(s.x0, s.z0).balance;
        ++weld(s.x1, s.z1).balance;
    }
    std::vector<size_t> ends, starts;
    for (size_t i = 0; i < vertices.size(); ++i) {
        if (vertices[i].balance > 0)
            ends.push_back(i);
        else if (vertices[i].balance < 0)
            starts.push_back(i);
    }
    while (!ends.empty() && !starts.empty()) {
        float best = 1e30f;
        size_t bestEnd = 0, bestStart = 0;
        bool found = false;
        for (size_t e = 0; e < ends.size(); ++e)
            for (size_t b = 0; b < starts.size(); ++b) {
                const float dx = vertices[starts[b]].x - vertices[ends[e]].x;
                const float dz = vertices[starts[b]].z - vertices[ends[e]].z;
                const float d = dx * dx + dz * dz;
                if (d < best)
                    best = d, bestEnd = e, bestStart = b, found = true;
            }
        if (!found)
            break;
        Vertex &e = vertices[ends[bestEnd]];
        Vertex &b = vertices[starts[bestStart]];
        segs.emplace_back(e.x, e.z, b.x, b.z);
        if (--e.balance == 0)
            ends.erase(ends.begin() + long(bestEnd));
        if (++b.balance == 0)
            starts.erase(starts.begin() + long(bestStart));
    }
}

inline bool sameBits(const std::vector<Seg2f> &a, const std::vector<Seg2f> &b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Seg2f)) == 0);
}

} // namespace repairtest
