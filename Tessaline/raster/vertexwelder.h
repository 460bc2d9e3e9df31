#pragma once

#include <QtGlobal>

#include <vector>

// Merges 2D points that lie within a tolerance of an earlier point (along x and along z, bounds
// included) into that earlier point; the first point met stands for all that weld to it. Points are
// found through a hash grid of cells a little wider than the tolerance, so each weld looks at the
// few cells around the point instead of at every vertex so far. Coordinates in mm.
class VertexWelder
{
public:
    struct Vertex {
        float x;
        float z;
        int balance = 0; // free for the caller: arrivals minus departures in repairPolygons
    };

    explicit VertexWelder(float tolerance, int expectedPoints = 0);

    // Index of the vertex the point welds to, a new one when none is close enough.
    int weld(float x, float z);

    std::vector<Vertex> &vertices() { return m_vertices; }

private:
    double cellIndex(double v) const;
    int firstMatch(quint64 cellKey, float x, float z, int best) const;
    // Slot of the key in the open-addressing table, or of the empty slot where it belongs.
    size_t slotOf(quint64 cellKey) const;
    void grow();

    float m_tolerance;
    double m_cellSize;
    std::vector<Vertex> m_vertices;
    std::vector<int> m_nextInCell; // per vertex: the next vertex of its cell, -1 at the end

    // Cell table: key, first and last vertex of the cell (insertion order); first = -1 marks empty.
    std::vector<quint64> m_keys;
    std::vector<int> m_first;
    std::vector<int> m_last;
    size_t m_used = 0;
};
