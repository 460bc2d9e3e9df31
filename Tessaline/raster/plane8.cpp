#include "raster/plane8.h"

#include "common/perfdata.h"
#include "raster/simdlevel.h"

#include <cstring>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TESSALINE_X86 1
#endif

namespace
{

constexpr int tileSize = 16;

// ---- tile classification ----

quint8 classifyTilePlain(const quint8 *first, qint64 stride)
{
    bool allZero = true, allFull = true;
    for (int y = 0; y < tileSize; ++y) {
        for (int x = 0; x < tileSize; ++x) {
            allZero = allZero && first[y * stride + x] == 0;
            allFull = allFull && first[y * stride + x] == 255;
        }
    }
    return allZero ? 0 : allFull ? 255 : 128;
}

#ifdef TESSALINE_X86
quint8 classifyTileSse2(const quint8 *first, qint64 stride)
{
    __m128i orAll = _mm_setzero_si128();
    __m128i andAll = _mm_set1_epi8(-1);
    for (int y = 0; y < tileSize; ++y) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(first + y * stride));
        orAll = _mm_or_si128(orAll, v);
        andAll = _mm_and_si128(andAll, v);
    }
    const __m128i zero = _mm_setzero_si128();
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(orAll, zero)) == 0xFFFF)
        return 0;
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(andAll, _mm_set1_epi8(-1))) == 0xFFFF)
        return 255;
    return 128;
}
#endif

} // namespace

quint8 Plane8::classifyTile(const quint8 *first, qint64 stride)
{
#ifdef TESSALINE_X86
    if (simdLevel() != SimdLevel::Plain)
        return classifyTileSse2(first, stride);
#endif
    return classifyTilePlain(first, stride);
}

void Plane8::resize(int width, int height)
{
    allocate(width, height, qint64(width) * height, "Plane8::resize()");
}

void Plane8::copyTo(Plane8 &target, bool transposed) const
{
    if (&target == this) {
        Plane8 result;
        copyTo(result, transposed);
        target = std::move(result);
        return;
    }
    if (!transposed) {
        target.resize(width(), height());
        if (byteSize() > 0)
            std::memcpy(target.data(), data(), size_t(byteSize()));
        return;
    }
    target.resize(height(), width());
    // Blocks keep both planes' lines in cache while transposing.
    constexpr int block = 32;
    for (int by = 0; by < height(); by += block) {
        for (int bx = 0; bx < width(); bx += block) {
            for (int y = by; y < std::min(by + block, height()); ++y) {
                const quint8 *source = row(y);
                for (int x = bx; x < std::min(bx + block, width()); ++x)
                    target.data()[qint64(x) * height() + y] = source[x];
            }
        }
    }
}

void Plane8::tileMap(TileMap &map) const
{
    map.resize(width() / tileSize, height() / tileSize);
    for (int ty = 0; ty < map.height(); ++ty) {
        for (int tx = 0; tx < map.width(); ++tx)
            map.setPixel(tx, ty, classifyTile(row(ty * tileSize) + tx * tileSize, width()));
    }
}

void Plane8::edgeReduce(quint8 v, bool horizontal, bool vertical)
{
    PerfSection perf("edgeReduce");
    if (isEmpty() || (!horizontal && !vertical))
        return;
    // A pixel equal to v is the end of a run when a neighbour along the direction is not equal to v; the
    // outside counts as 0. Decisions use the original values, so rows above and below are kept unmarked.
    const bool outsideEqual = v == 0;
    const int w = width();
    std::vector<quint8> above(size_t(w), 0), current(size_t(w), 0), below(size_t(w), 0);
    std::memcpy(current.data(), row(0), size_t(w));
    for (int y = 0; y < height(); ++y) {
        if (y + 1 < height())
            std::memcpy(below.data(), row(y + 1), size_t(w));
        quint8 *out = row(y);
        for (int x = 0; x < w; ++x) {
            if (current[x] != v)
                continue;
            bool end = false;
            if (horizontal) {
                const bool leftEqual = x > 0 ? current[x - 1] == v : outsideEqual;
                const bool rightEqual = x + 1 < w ? current[x + 1] == v : outsideEqual;
                end = !leftEqual || !rightEqual;
            }
            if (vertical && !end) {
                const bool upEqual = y > 0 ? above[x] == v : outsideEqual;
                const bool downEqual = y + 1 < height() ? below[x] == v : outsideEqual;
                end = !upEqual || !downEqual;
            }
            if (end)
                out[x] = 128;
        }
        std::swap(above, current);
        std::swap(current, below);
    }
}
