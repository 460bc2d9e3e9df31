#pragma once

#include <cstddef>
#include <vector>

// Nearest-neighbour lookups among a fixed set of 2D points from which points can be removed
// (a k-d tree stored in one array, with a count of remaining points per subtree so that emptied
// branches are skipped, rebuilt from the remaining points whenever half of them are gone). Distances are squared, in
// float, as dx * dx + dz * dz; among points at the same distance the one with the lowest id wins. Ids are positions in
// the list given at construction.
class NearestPointIndex
{
public:
    struct Point {
        float x;
        float z;
    };
    struct Result {
        float distance = 0.0f;
        int id = -1; // -1: no remaining point closer than farLimit
    };

    // Points farther than this (squared) are never reported; it also keeps infinities and NaN out.
    static constexpr float farLimit = 1e30f;

    explicit NearestPointIndex(const std::vector<Point> &points);

    Result nearest(float x, float z) const;
    bool contains(int id) const { return !m_removed[size_t(id)]; }
    void remove(int id);

private:
    struct Node {
        Point p;
        int id;
        int axis; // 0 splits by x, 1 by z
    };

    // Trees smaller than this are never rebuilt.
    static constexpr size_t rebuildMinimum = 64;

    void rebuild();
    void build(int lo, int hi);
    void search(int lo, int hi, float x, float z, Result &best) const;

    std::vector<Node> m_nodes;    // node of the subtree [lo, hi) sits at (lo + hi) / 2
    std::vector<int> m_remaining; // points left in the subtree whose node sits here
    std::vector<int> m_position;  // id -> index in m_nodes
    std::vector<char> m_removed;  // by id
};
