// The three segment rasterisers of Plane8: marking crossings into the edge-mark scratch (serial), then a
// row pass that resolves each row's marks with lookup tables (rows in parallel). The row passes have a plain
// version and vector versions that skip runs of pixels without any crossing; all give the same bytes.
#include "raster/plane8.h"

#include "common/perfdata.h"
#include "geometry/workerthread.h"
#include "raster/edgemarkplane.h"
#include "raster/segmentwalker.h"
#include "raster/simdlevel.h"

#include <array>
#include <atomic>
#include <cstring>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TESSALINE_X86 1
#endif

namespace
{

constexpr int subSamples = 4; // per pixel along each axis
constexpr int bandRows = 16;

void checkTargetSize(const Plane8 &target, const char *message)
{
    if (target.isEmpty() || target.width() % 32 != 0 || target.height() % 32 != 0)
        throw message;
}

// ---- winding tables ----

// Entry for (winding clamped to -8 ... 7, stored mod 16) << 8 | one sub-row's four sub-samples of a pixel
// (2 bits each, up then down): the winding delta in the high nibble (signed) and the inside count (0-4) in
// the low nibble.
using WindingTable = std::array<quint8, 4096>;

WindingTable buildWindingTable(bool nonZero)
{
    WindingTable table{};
    for (int stored = 0; stored < 16; ++stored) {
        const int windingIn = stored < 8 ? stored : stored - 16;
        for (int byte = 0; byte < 256; ++byte) {
            int w = windingIn, inside = 0;
            for (int i = 0; i < subSamples; ++i) {
                w += ((byte >> (2 * i)) & 1) - ((byte >> (2 * i + 1)) & 1);
                inside += nonZero ? (w != 0) : (w >= 1);
            }
            table[stored << 8 | byte] = quint8(((w - windingIn) & 15) << 4 | inside);
        }
    }
    return table;
}

const WindingTable &windingTable(bool nonZero)
{
    static const WindingTable nonZeroTable = buildWindingTable(true);
    static const WindingTable positiveTable = buildWindingTable(false);
    return nonZero ? nonZeroTable : positiveTable;
}

struct WindingRow {
    const WindingTable &table;
    int winding[subSamples] = {0, 0, 0, 0};

    static int clamped(int w) { return w < -8 ? -8 : w > 7 ? 7 : w; }
    static quint8 value(int inside) { return quint8(inside * 16 > 255 ? 255 : inside * 16); }

    quint8 pixel(quint32 marks)
    {
        int inside = 0;
        for (int j = 0; j < subSamples; ++j) {
            const quint8 entry = table[(clamped(winding[j]) & 15) << 8 | ((marks >> (8 * j)) & 0xFF)];
            winding[j] += qint8(entry) >> 4;
            inside += entry & 15;
        }
        return value(inside);
    }
    // Value of a pixel without marks at the current windings (which it leaves as they are).
    quint8 unmarkedPixel() const
    {
        int inside = 0;
        for (int j = 0; j < subSamples; ++j)
            inside += table[(clamped(winding[j]) & 15) << 8] & 15;
        return value(inside);
    }
    bool closed() const { return !winding[0] && !winding[1] && !winding[2] && !winding[3]; }
};

// Resolves one row of winding marks into pixels and clears the marks; returns whether the row closed.
bool windingRowPlain(quint32 *marks, quint8 *out, int width, const WindingTable &table, const quint64 *)
{
    WindingRow row{table};
    for (int x = 0; x < width; ++x) {
        out[x] = row.pixel(marks[x]);
        marks[x] = 0;
    }
    return row.closed();
}

#ifdef TESSALINE_X86
inline bool allZeroSse2(const quint32 *marks)
{
    const __m128i *p = reinterpret_cast<const __m128i *>(marks);
    const __m128i any = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(p), _mm_loadu_si128(p + 1)),
                                     _mm_or_si128(_mm_loadu_si128(p + 2), _mm_loadu_si128(p + 3)));
    return _mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) == 0xFFFF;
}

__attribute__((target("avx2"))) inline bool allZeroAvx2(const quint32 *marks)
{
    const __m256i *p = reinterpret_cast<const __m256i *>(marks);
    const __m256i any = _mm256_or_si256(_mm256_or_si256(_mm256_loadu_si256(p), _mm256_loadu_si256(p + 1)),
                                        _mm256_or_si256(_mm256_loadu_si256(p + 2), _mm256_loadu_si256(p + 3)));
    return _mm256_testz_si256(any, any);
}

// 64 bytes: 32 pixels of parity marks.
__attribute__((target("avx2"))) inline bool allZero64Avx2(const quint32 *marks)
{
    const __m256i *p = reinterpret_cast<const __m256i *>(marks);
    const __m256i any = _mm256_or_si256(_mm256_loadu_si256(p), _mm256_loadu_si256(p + 1));
    return _mm256_testz_si256(any, any);
}

// Start of the first block at or after x that holds marks, or width.
inline int nextDirtyBlock(const quint64 *dirty, int x, int width)
{
    while (x < width) {
        const quint64 pending = dirty[x >> 11] >> ((x >> 5) & 63);
        if (pending)
            return std::min(width, x + EdgeMarkPlane::blockPixels * __builtin_ctzll(pending));
        x = ((x >> 11) + 1) << 11;
    }
    return width;
}

// Blocks of 32 pixels that were never marked, and runs of 16 (SSE2) or 32 (AVX2) pixels whose marks are all
// zero, are filled with the value of the current windings.
template <int Run, bool (*AllZero)(const quint32 *)>
bool windingRowSkipping(quint32 *marks, quint8 *out, int width, const WindingTable &table, const quint64 *dirty)
{
    constexpr int block = EdgeMarkPlane::blockPixels;
    WindingRow row{table};
    quint8 fill = row.unmarkedPixel();
    int blockStart = 0;
    while (blockStart < width) {
        const int dirtyStart = nextDirtyBlock(dirty, blockStart, width);
        std::memset(out + blockStart, fill, size_t(dirtyStart - blockStart));
        blockStart = dirtyStart;
        if (blockStart >= width)
            break;
        for (int x = blockStart; x < blockStart + block; x += Run) {
            if (AllZero(marks + x)) {
                std::memset(out + x, fill, Run);
                continue;
            }
            for (int p = x; p < x + Run; ++p) {
                if (marks[p] == 0) {
                    out[p] = fill;
                    continue;
                }
                out[p] = row.pixel(marks[p]);
                marks[p] = 0;
                fill = row.unmarkedPixel();
            }
        }
        blockStart += block;
    }
    return row.closed();
}
#endif

using WindingRowKernel = bool (*)(quint32 *, quint8 *, int, const WindingTable &, const quint64 *);

WindingRowKernel windingRowKernel()
{
#ifdef TESSALINE_X86
    if (simdLevel() == SimdLevel::Avx2)
        return windingRowSkipping<32, allZeroAvx2>;
    if (simdLevel() == SimdLevel::Sse2)
        return windingRowSkipping<16, allZeroSse2>;
#endif
    return windingRowPlain;
}

// ---- parity tables ----

// Entry for (4-bit parity state, one bit per sub-row) << 16 | a pixel's 16 sub-sample bits: the inside count
// clamped to 15 in the high nibble and the new parity state in the low nibble.
const std::vector<quint8> &parityTable()
{
    static const std::vector<quint8> table = [] {
        std::vector<quint8> t(16 * 65536);
        for (int state = 0; state < 16; ++state) {
            for (int bits = 0; bits < 65536; ++bits) {
                int inside = 0, newState = 0;
                for (int j = 0; j < subSamples; ++j) {
                    int parity = (state >> j) & 1;
                    for (int i = 0; i < subSamples; ++i) {
                        parity ^= (bits >> (4 * j + i)) & 1;
                        inside += parity;
                    }
                    newState |= parity << j;
                }
                t[size_t(state) << 16 | size_t(bits)] = quint8((inside > 15 ? 15 : inside) << 4 | newState);
            }
        }
        return t;
    }();
    return table;
}

// Value of a pixel group without crossings for 0 ... 4 sub-rows inside.
constexpr quint8 uniformGroupValue[5] = {0, 64, 128, 192, 255};

inline int insideRows(int state)
{
    return (state & 1) + ((state >> 1) & 1) + ((state >> 2) & 1) + ((state >> 3) & 1);
}

// Four pixels at a time: a group without crossings takes the value of the rows inside, any other group
// 16 times each pixel's count. Returns the parity state after the group; clears the marks.
inline int parityGroup(quint16 *marks, quint8 *out, int state, const quint8 *table)
{
    quint64 group;
    std::memcpy(&group, marks, 8);
    if (group == 0) {
        std::memset(out, uniformGroupValue[insideRows(state)], 4);
        return state;
    }
    for (int p = 0; p < 4; ++p) {
        const quint8 entry = table[size_t(state) << 16 | marks[p]];
        out[p] = quint8((entry >> 4) * 16);
        state = entry & 15;
    }
    std::memset(marks, 0, 8);
    return state;
}

bool parityRowPlain(quint16 *marks, quint8 *out, int width, const quint8 *table, const quint64 *)
{
    int state = 0;
    for (int x = 0; x < width; x += 4)
        state = parityGroup(marks + x, out + x, state, table);
    return state == 0;
}

#ifdef TESSALINE_X86
// Blocks of 32 pixels that were never marked, or whose 64 bytes of marks are all zero, take the value of the
// sub-rows inside.
template <bool (*AllZero)(const quint32 *)>
bool parityRowSkipping(quint16 *marks, quint8 *out, int width, const quint8 *table, const quint64 *dirty)
{
    constexpr int block = EdgeMarkPlane::blockPixels;
    int state = 0;
    int x = 0;
    while (x < width) {
        const int dirtyStart = nextDirtyBlock(dirty, x, width);
        std::memset(out + x, uniformGroupValue[insideRows(state)], size_t(dirtyStart - x));
        x = dirtyStart;
        if (x >= width)
            break;
        if (AllZero(reinterpret_cast<const quint32 *>(marks + x)))
            std::memset(out + x, uniformGroupValue[insideRows(state)], block);
        else
            for (int g = x; g < x + block; g += 4)
                state = parityGroup(marks + g, out + g, state, table);
        x += block;
    }
    return state == 0;
}
#endif

using ParityRowKernel = bool (*)(quint16 *, quint8 *, int, const quint8 *, const quint64 *);

ParityRowKernel parityRowKernel()
{
#ifdef TESSALINE_X86
    if (simdLevel() == SimdLevel::Avx2)
        return parityRowSkipping<allZero64Avx2>;
    if (simdLevel() == SimdLevel::Sse2)
        return parityRowSkipping<allZeroSse2>;
#endif
    return parityRowPlain;
}

// Runs the row pass over 16-row bands in parallel. With `check`, a range stops at its first open row; its
// remaining rows' marks are cleared all the same so that the scratch stays clean for the next layer.
template <class RowPass>
bool rowPass(Plane8 &target, EdgeMarkPlane &scratch, int bytesPerPixel, bool check, RowPass &&resolveRow)
{
    const int bands = target.height() / bandRows;
    std::atomic<bool> anyOpen{false};
    const qint64 scratchRowBytes = qint64(target.width()) * bytesPerPixel;
    paralell(
        bands, [](int) { return 1.0; },
        [&](int begin, int end, int) {
            bool rangeOpen = false;
            for (int y = begin * bandRows; y < end * bandRows; ++y) {
                quint8 *marks = scratch.data() + y * scratchRowBytes;
                if (rangeOpen && check)
                    std::memset(marks, 0, size_t(scratchRowBytes));
                else
                    rangeOpen = !resolveRow(marks, target.row(y), scratch.dirtyRow(y)) || rangeOpen;
                scratch.clearDirtyRow(y);
            }
            if (rangeOpen)
                anyOpen = true;
        });
    scratch.markClean(true);
    const bool result = anyOpen.load();
    // An interrupted plane depends on how the rows were split among threads; leave nothing of it.
    if (result && check)
        target.fill(0);
    return result;
}

} // namespace

bool Plane8::fromSegs3(Plane8 &target, const Seg2f *segs, qint64 count, const FrameRect &frame, EdgeMarkPlane &scratch,
                       bool nonZero, bool check)
{
    PerfSection perf("Plane8.fromSegs3");
    checkTargetSize(target, "Plane8.fromSegs3() target plane size must be aligned to 32");
    const int width = target.width();
    const SegmentWalker walker(frame, width * subSamples, target.height() * subSamples);
    scratch.prepare(width, target.height(), 4);
    quint32 *marks = reinterpret_cast<quint32 *>(scratch.data());
    for (qint64 s = 0; s < count; ++s) {
        walker.walk(segs[s], [&](int row, int column, bool up) {
            quint32 *rowMarks = marks + qint64(row / subSamples) * width;
            const int bitBase = 8 * (row % subSamples) + (up ? 0 : 1);
            // Two crossings of one direction on one sub-sample: the later one moves left until it finds room.
            for (int c = column; c >= 0; --c) {
                quint32 &word = rowMarks[c / subSamples];
                const quint32 bit = 1u << (bitBase + 2 * (c % subSamples));
                if (!(word & bit)) {
                    word |= bit;
                    scratch.markDirty(row / subSamples, c / subSamples);
                    break;
                }
            }
        });
    }
    const WindingTable &table = windingTable(nonZero);
    const WindingRowKernel kernel = windingRowKernel();
    return rowPass(target, scratch, 4, check, [&](quint8 *rowMarks, quint8 *out, const quint64 *dirty) {
        return kernel(reinterpret_cast<quint32 *>(rowMarks), out, width, table, dirty);
    });
}

bool Plane8::fromSegs2(Plane8 &target, const Seg2f *segs, qint64 count, const FrameRect &frame, EdgeMarkPlane &scratch,
                       bool check)
{
    PerfSection perf("Plane8.fromSegs2");
    checkTargetSize(target, "Plane8.fromSegs2() target plane size must be aligned to 32");
    const int width = target.width();
    const SegmentWalker walker(frame, width * subSamples, target.height() * subSamples);
    scratch.prepare(width, target.height(), 2);
    quint16 *marks = reinterpret_cast<quint16 *>(scratch.data());
    for (qint64 s = 0; s < count; ++s) {
        walker.walk(segs[s], [&](int row, int column, bool) {
            marks[qint64(row / subSamples) * width + column / subSamples] ^=
                quint16(1u << (4 * (row % subSamples) + column % subSamples));
            scratch.markDirty(row / subSamples, column / subSamples);
        });
    }
    const quint8 *table = parityTable().data();
    const ParityRowKernel kernel = parityRowKernel();
    return rowPass(target, scratch, 2, check, [&](quint8 *rowMarks, quint8 *out, const quint64 *dirty) {
        return kernel(reinterpret_cast<quint16 *>(rowMarks), out, width, table, dirty);
    });
}

void Plane8::fromSegs(Plane8 &target, const Seg2f *segs, qint64 count, const FrameRect &frame)
{
    PerfSection perf("Plane8.fromSegs");
    checkTargetSize(target, "Plane8.fromSegs() target plane size must be aligned to 32");
    const SegmentWalker walker(frame, target.width(), target.height());
    target.fill(0);
    for (qint64 s = 0; s < count; ++s) {
        walker.walk(segs[s], [&](int row, int column, bool up) {
            quint8 &value = target.row(row)[column];
            value = quint8(value + (up ? 255 : 1)); // -1 or +1, modulo 256
        });
    }
    const int width = target.width();
    paralell(
        target.height(), [](int) { return 1.0; },
        [&](int begin, int end, int) {
            for (int y = begin; y < end; ++y) {
                quint8 *row = target.row(y);
                quint8 sum = 0;
                for (int x = 0; x < width; ++x) {
                    sum = quint8(sum + row[x]);
                    row[x] = sum;
                }
            }
        });
}
