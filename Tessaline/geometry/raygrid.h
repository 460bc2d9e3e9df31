#pragma once

#include "box3f.h"
#include "face.h"

#include <array>
#include <vector>

// Counts ray hits on a large mesh without testing every triangle: the triangles are binned into a uniform
// grid of about one cell per triangle, and a ray tests only the triangles of the cells it passes through,
// each once. The hit test is rayHitsTriangle, so every count equals the plain loop over all triangles.
//
// Cells are entered with a margin of a thousandth of a cell around each triangle's box, far above the
// rounding of the cell walk, so a ray grazing a cell corner still meets every triangle it touches.
// Built once per mesh, on all threads of the pool; countHits may be called from several threads at once.
// A mesh whose triangles would enter more than maxEntriesPerTriangle cells each on average (huge overlapping
// triangles: the entries would grow as cells times triangles) is not binned; its rays test every triangle.
class RayGrid
{
public:
    // The faces must outlive the grid.
    RayGrid(const Face *faces, int count);

    // Triangles that the half-line origin + t * dir (t >= 0) meets, except the one at skipIndex.
    int countHits(const V3f &origin, const V3f &dir, int skipIndex) const;

    // Meshes below this many triangles are quicker to test one by one than to bin.
    static constexpr int worthwhileTriangles = 20000;
    static constexpr int maxEntriesPerTriangle = 64;

private:
    void binTriangles(int count);
    void cellSpanOf(const Face &face, std::array<int, 3> &from, std::array<int, 3> &to) const;
    template <typename Visit> void forEachCellOf(const Face &face, Visit &&visit) const;
    int countEveryTriangle(const V3f &origin, const V3f &dir, int skipIndex) const;
    std::array<int, 3> cellOf(const V3f &p) const;
    int cellIndex(int x, int y, int z) const { return (z * m_dims[1] + y) * m_dims[0] + x; }
    void gatherCandidates(const V3f &origin, const V3f &dir, std::vector<int> &candidates) const;

    const Face *m_faces;
    int m_count = 0;
    bool m_binned = false;
    Box3f m_box;
    std::array<int, 3> m_dims{1, 1, 1};
    V3f m_cellSize;
    std::array<double, 3> m_cellsPerUnit{}; // 1 / m_cellSize: a multiplication in place of a division
    std::vector<int> m_cellStart; // cells + 1 offsets into m_triangles
    std::vector<int> m_triangles;
};
