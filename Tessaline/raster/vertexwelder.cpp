#include "raster/vertexwelder.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr size_t minimumSlots = 64;

quint64 cellKey(qint64 cx, qint64 cz)
{
    return (quint64(cx) << 32) ^ quint64(quint32(cz));
}

size_t slotsFor(size_t points)
{
    size_t slots = minimumSlots;
    while (slots < points * 2)
        slots *= 2;
    return slots;
}

} // namespace

VertexWelder::VertexWelder(float tolerance, int expectedPoints) : m_tolerance(tolerance)
{
    // Cells wider than the tolerance box (2 tolerances across, with room for rounding), so that the box
    // around a point overlaps at most 2 x 2 of them.
    m_cellSize = tolerance > 0.0f ? double(tolerance) * 2.2 : 1.0;
    const size_t slots = slotsFor(size_t(std::max(expectedPoints, 0)));
    m_keys.assign(slots, 0);
    m_first.assign(slots, -1);
    m_last.assign(slots, -1);
    m_vertices.reserve(size_t(std::max(expectedPoints, 0)));
}

double VertexWelder::cellIndex(double v) const
{
    // Far-away points share the outermost cells: slower there, never wrong.
    constexpr double limit = double(1 << 30);
    return std::clamp(std::floor(v / m_cellSize), -limit, limit);
}

size_t VertexWelder::slotOf(quint64 key) const
{
    const size_t mask = m_keys.size() - 1;
    size_t slot = size_t((key * 0x9E3779B97F4A7C15ull) >> 20) & mask;
    while (m_first[slot] >= 0 && m_keys[slot] != key)
        slot = (slot + 1) & mask;
    return slot;
}

void VertexWelder::grow()
{
    std::vector<quint64> keys;
    std::vector<int> first, last;
    keys.swap(m_keys), first.swap(m_first), last.swap(m_last);
    m_keys.assign(keys.size() * 2, 0);
    m_first.assign(keys.size() * 2, -1);
    m_last.assign(keys.size() * 2, -1);
    for (size_t i = 0; i < keys.size(); ++i) {
        if (first[i] < 0)
            continue;
        const size_t slot = slotOf(keys[i]);
        m_keys[slot] = keys[i], m_first[slot] = first[i], m_last[slot] = last[i];
    }
}

int VertexWelder::firstMatch(quint64 key, float x, float z, int best) const
{
    const size_t slot = slotOf(key);
    // A cell lists its vertices in insertion order, so the first match is the earliest in that cell.
    for (int id = m_first[slot]; id >= 0 && (best < 0 || id < best); id = m_nextInCell[size_t(id)]) {
        const Vertex &v = m_vertices[size_t(id)];
        if (std::fabs(v.x - x) <= m_tolerance && std::fabs(v.z - z) <= m_tolerance)
            return id;
    }
    return best;
}

int VertexWelder::weld(float x, float z)
{
    const double cx = cellIndex(x), cz = cellIndex(z);
    // Only NaN ends up outside the index; it welds to nothing anyway.
    const bool indexed = !std::isnan(cx) && !std::isnan(cz);
    if (std::isinf(m_tolerance)) {
        // Everything but NaN and infinities welds to the first vertex; no grid helps with that.
        for (size_t id = 0; id < m_vertices.size(); ++id)
            if (std::fabs(m_vertices[id].x - x) <= m_tolerance && std::fabs(m_vertices[id].z - z) <= m_tolerance)
                return int(id);
    } else if (indexed && m_tolerance >= 0.0f) {
        // The cells touched by the tolerance box, taken a hair wider so that rounding cannot miss one.
        const double reach = double(m_tolerance) * 1.01;
        const qint64 x0 = qint64(cellIndex(x - reach)), x1 = qint64(cellIndex(x + reach));
        const qint64 z0 = qint64(cellIndex(z - reach)), z1 = qint64(cellIndex(z + reach));
        int found = -1;
        for (qint64 i = x0; i <= x1; ++i)
            for (qint64 j = z0; j <= z1; ++j)
                found = firstMatch(cellKey(i, j), x, z, found);
        if (found >= 0)
            return found;
    }
    const int id = int(m_vertices.size());
    m_vertices.push_back({x, z, 0});
    m_nextInCell.push_back(-1);
    if (indexed) {
        if ((m_used + 1) * 2 > m_keys.size())
            grow();
        const quint64 key = cellKey(qint64(cx), qint64(cz));
        const size_t slot = slotOf(key);
        if (m_first[slot] < 0) {
            m_keys[slot] = key, m_first[slot] = id;
            ++m_used;
        } else {
            m_nextInCell[size_t(m_last[slot])] = id;
        }
        m_last[slot] = id;
    }
    return id;
}
