#include "raster/contourtracer.h"

#include "common/perfdata.h"
#include "geometry/workerthread.h"
#include "raster/plane1.h"
#include "raster/simdlevel.h"

#include <QString>

#include <unordered_set>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TESSALINE_X86 1
#endif

namespace
{

constexpr int tileSize = 16;
constexpr int labelCount = 127; // groups share work lists by label 1 ... 127
constexpr float closingDistanceSquared = 2.0f;
constexpr float duplicateDistanceSquared = 1e-8f;

// ---- which tiles can hold a boundary, and their groups ----

// A cell (2 x 2 pixels, named by its lower-left pixel) lies in the tile of that pixel but reaches into the
// tiles to the right and above. A tile can hold a boundary cell when it is mixed or when it differs from one of
// those neighbours; such tiles are grouped, so every contour lies in the tiles of one group.
std::vector<char> activeTiles(const TileMap &tiles)
{
    const int tw = tiles.width(), th = tiles.height();
    std::vector<char> active(size_t(tw) * th, 0);
    for (int ty = 0; ty < th; ++ty) {
        for (int tx = 0; tx < tw; ++tx) {
            const quint8 v = tiles.pixel(tx, ty);
            bool differs = v == 128;
            for (int n = 1; n < 4 && !differs; ++n) {
                const int nx = tx + (n & 1), ny = ty + (n >> 1);
                differs = nx < tw && ny < th && tiles.pixel(nx, ny) != v;
            }
            active[size_t(ty) * tw + tx] = differs;
        }
    }
    return active;
}

struct TileRef {
    int tx, ty;
};

// Groups of 8-connected active tiles by flood fill; group g goes to work list g mod 127, tiles in fill order.
std::vector<std::vector<TileRef>> workLists(const TileMap &tiles)
{
    const int tw = tiles.width(), th = tiles.height();
    std::vector<char> pending = activeTiles(tiles);
    std::vector<std::vector<TileRef>> lists;
    std::vector<TileRef> stack;
    int groups = 0;
    for (int start = 0; start < tw * th; ++start) {
        if (!pending[size_t(start)])
            continue;
        if (int(lists.size()) < labelCount)
            lists.emplace_back();
        std::vector<TileRef> &list = lists[size_t(groups % labelCount)];
        ++groups;
        pending[size_t(start)] = 0;
        stack.push_back({start % tw, start / tw});
        while (!stack.empty()) {
            const TileRef t = stack.back();
            stack.pop_back();
            list.push_back(t);
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = t.tx + dx, ny = t.ty + dy;
                    if (nx < 0 || ny < 0 || nx >= tw || ny >= th || !pending[size_t(ny) * tw + nx])
                        continue;
                    pending[size_t(ny) * tw + nx] = 0;
                    stack.push_back({nx, ny});
                }
            }
        }
    }
    return lists;
}

// ---- tracing ----

enum class EdgeKind { Horizontal, Vertical }; // between horizontal neighbours (x, y)-(x+1, y) or (x, y)-(x, y+1)

struct Edge {
    EdgeKind kind;
    int x, y;
    int direction; // +1: the cell ahead lies towards increasing coordinates across the edge
};

class Tracer
{
public:
    Tracer(const Plane8 &source, Plane1 &visited, float tolerance)
        : m_source(source), m_visited(visited.words()), m_width(source.width()), m_height(source.height()),
          m_tolerance(tolerance)
    {
    }

    // Whether a trace may start at the crossing between (x, y) and (x + 1, y): the cell above it has not
    // carried this piece of boundary yet.
    bool startAllowed(int x, int y) const
    {
        if (y + 1 >= m_height)
            return false;
        const qint64 bit = qint64(y) * m_width + x;
        if (!((__atomic_load_n(&m_visited[bit >> 5], __ATOMIC_RELAXED) >> (bit & 31)) & 1))
            return true;
        return isSaddle(x, y) && !m_saddlePieces.count(saddlePiece(x, y, inside(x, y) ? 0 : 1));
    }

    // The contour through the crossing between (x, y) and (x + 1, y).
    PolyLine trace(int x, int y)
    {
        PolyLine line;
        walk(line, {EdgeKind::Horizontal, x, y, +1}, true);
        line.reverse();
        line.pruned = false;
        walk(line, {EdgeKind::Horizontal, x, y, -1}, false);
        const int n = line.count();
        if (n >= 3) {
            const V2f gap = line.points[n - 1] - line.points[0];
            const float gapSquared = gap.x * gap.x + gap.y * gap.y;
            if (gapSquared < closingDistanceSquared) {
                line.closed = true;
                // A loop that came back to its start edge repeats its first point; a trace that stopped
                // elsewhere ends on a point of its own, which is kept.
                if (gapSquared < duplicateDistanceSquared)
                    line.points.removeLast();
            }
        }
        // Going down through the start crossing the left side is +x: pixel x + 1 must be the inside one.
        if (!inside(x + 1, y))
            line.reverse();
        return line;
    }

private:
    int value(int x, int y) const { return m_source.row(y)[x]; }
    bool inside(int x, int y) const { return value(x, y) >= 128; }

    // A cell whose inside pixels touch only diagonally: two pieces of boundary pass through it.
    bool isSaddle(int cx, int cy) const
    {
        const bool p00 = inside(cx, cy), p10 = inside(cx + 1, cy);
        return p00 != p10 && p00 == inside(cx + 1, cy + 1) && p10 == inside(cx, cy + 1);
    }
    // The piece of a saddle cell that wraps its corner pixel `corner` (0 lower left, 1 lower right,
    // 2 upper left, 3 upper right).
    qint64 saddlePiece(int cx, int cy, int corner) const { return (qint64(cy) * m_width + cx) * 4 + corner; }

    // Marks a cell entered through the crossing a-b; false when this piece of boundary was walked already
    // (by this or another thread). A saddle cell is walked twice, once per piece, so the second contour
    // through it is not cut there; pieces are told apart by the inside pixel they wrap (of a and b).
    bool enterCell(int cx, int cy, int insideCorner)
    {
        const qint64 bit = qint64(cy) * m_width + cx;
        const quint32 mask = 1u << (bit & 31);
        const bool wasMarked = __atomic_fetch_or(&m_visited[bit >> 5], mask, __ATOMIC_RELAXED) & mask;
        if (!isSaddle(cx, cy))
            return !wasMarked;
        return m_saddlePieces.insert(saddlePiece(cx, cy, insideCorner)).second;
    }

    void walk(PolyLine &line, Edge edge, bool appendStart);
    bool step(Edge &edge) const;

    const Plane8 &m_source;
    quint32 *m_visited;
    // Saddle pieces walked by this tracer; every contour through a cell is traced by the thread of its group.
    std::unordered_set<qint64> m_saddlePieces;
    int m_width, m_height;
    float m_tolerance;
};

void Tracer::walk(PolyLine &line, Edge edge, bool appendStart)
{
    bool first = true;
    for (;;) {
        const bool horizontal = edge.kind == EdgeKind::Horizontal;
        const int ax = edge.x, ay = edge.y;
        const int bx = horizontal ? ax + 1 : ax, by = horizontal ? ay : ay + 1;
        const int a = value(ax, ay), b = value(bx, by);
        if ((a >= 128) == (b >= 128))
            return;
        if (!first || appendStart) {
            const float t = float(128 - a) / float(b - a);
            line.append(horizontal ? V2f(ax + t, ay) : V2f(ax, ay + t), m_tolerance);
        }
        first = false;
        // The cell ahead, named by its lower-left pixel.
        const int cx = horizontal ? ax : (edge.direction > 0 ? ax : ax - 1);
        const int cy = horizontal ? (edge.direction > 0 ? ay : ay - 1) : ay;
        if (cx < 0 || cy < 0 || cx >= m_width - 1 || cy >= m_height - 1)
            return;
        // Corner number of the inside pixel of a and b within the cell.
        const bool aInside = a >= 128;
        const int insideX = aInside ? ax : bx, insideY = aInside ? ay : by;
        if (!enterCell(cx, cy, (insideX - cx) + 2 * (insideY - cy)))
            return;
        if (!step(edge))
            return;
    }
}

// Leaves the current cell through the edge that continues the boundary. a-b is the crossing edge (a at the
// lower coordinate), c and d the cell's far pixels beside a and b.
bool Tracer::step(Edge &edge) const
{
    const bool horizontal = edge.kind == EdgeKind::Horizontal;
    const int dir = edge.direction;
    const int x = edge.x, y = edge.y;
    const bool a = inside(x, y);
    const bool c = horizontal ? inside(x, y + dir) : inside(x + dir, y);
    const bool d = horizontal ? inside(x + 1, y + dir) : inside(x + dir, y + 1);
    const bool cOnA = c == a, dOnB = d != a;
    if (cOnA && dOnB) { // straight on to c-d
        edge = horizontal ? Edge{EdgeKind::Horizontal, x, y + dir, dir} : Edge{EdgeKind::Vertical, x + dir, y, dir};
        return true;
    }
    // Turn onto a-c or b-d. Plain corner: the side edge that separates. Saddle (c on b's side, d on a's side):
    // wrap around the inside one of a and b, so diagonal inside pixels stay apart.
    const bool saddle = !cOnA && !dOnB;
    const bool turnToAC = saddle ? a : !cOnA;
    const int low = dir > 0 ? 0 : -1; // the side edges start at the lower of the two rows (columns)
    if (horizontal)
        edge = turnToAC ? Edge{EdgeKind::Vertical, x, y + low, -1} : Edge{EdgeKind::Vertical, x + 1, y + low, +1};
    else
        edge = turnToAC ? Edge{EdgeKind::Horizontal, x + low, y, -1} : Edge{EdgeKind::Horizontal, x + low, y + 1, +1};
    return true;
}

// Bit i set where the top bits of pixels x0 + i and x0 + i + 1 differ, for the 16 positions of a tile row.
quint32 edgeMask(const quint8 *row, int x0, int width)
{
    const int count = std::min(tileSize, width - 1 - x0);
#ifdef TESSALINE_X86
    if (simdLevel() != SimdLevel::Plain && count == tileSize && x0 + tileSize < width) {
        const quint32 here = quint32(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(row + x0))));
        const quint32 next =
            quint32(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(row + x0 + 1))));
        return here ^ next;
    }
#endif
    quint32 mask = 0;
    for (int i = 0; i < count; ++i)
        mask |= quint32(((row[x0 + i] ^ row[x0 + i + 1]) >> 7) & 1) << i;
    return mask;
}

void traceTile(Tracer &tracer, const Plane8 &source, TileRef tile, QVector<PolyLine> &found)
{
    const int width = source.width();
    const int yEnd = std::min((tile.ty + 1) * tileSize, source.height() - 1);
    for (int y = tile.ty * tileSize; y < yEnd; ++y) {
        quint32 mask = edgeMask(source.row(y), tile.tx * tileSize, width);
        while (mask) {
            const int x = tile.tx * tileSize + __builtin_ctz(mask);
            mask &= mask - 1;
            if (tracer.startAllowed(x, y))
                found.append(tracer.trace(x, y));
        }
    }
}

} // namespace

void contourDetect3(QVector<PolyLine> &out, const Plane8 &source, Plane1 &visited, const TileMap &tiles, SegType type,
                    float tolerance)
{
    PerfSection perf("contourDetect3");
    if (tiles.width() != source.width() / tileSize || tiles.height() != source.height() / tileSize)
        throw "contourDetect3() tile map does not match the source plane";
    if (source.width() % 32 != 0 || source.height() % tileSize != 0)
        throw "contourDetect3() plane size must be aligned to 32";
    visited.resize(source.width(), source.height());
    visited.fill(false);
    const std::vector<std::vector<TileRef>> lists = workLists(tiles);
    const size_t ranges = size_t(workerThreadCount());
    std::vector<QVector<PolyLine>> perRange(ranges);
    paralell(
        int(lists.size()), [&](int i) { return double(lists[size_t(i)].size()); },
        [&](int begin, int end, int range) {
            Tracer tracer(source, visited, tolerance);
            QVector<PolyLine> &found = perRange[size_t(range)];
            for (int i = begin; i < end; ++i) {
                for (const TileRef &tile : lists[size_t(i)])
                    traceTile(tracer, source, tile, found);
            }
        });
    for (QVector<PolyLine> &found : perRange) {
        for (PolyLine &line : found) {
            if (line.count() <= 3)
                continue;
            line.type = type;
            line.simplify(tolerance);
            out.append(std::move(line));
        }
    }
}
