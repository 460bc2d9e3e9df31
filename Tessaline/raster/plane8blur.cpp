// blur2: a box blur along the rows of a Plane8, written transposed, tile by tile. A tile whose row
// neighbourhood (the tile and its left and right neighbours, the outside counting as 0) is uniform is filled
// without computing; a mixed tile keeps running window sums in 16-bit lanes, one lane per source row, so the
// sums of one source column become one target row.
#include "raster/plane8.h"

#include "common/perfdata.h"
#include "geometry/workerthread.h"
#include "raster/simdlevel.h"

#include <QString>

#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TESSALINE_X86 1
#endif

namespace
{

constexpr int tileSize = 16;
constexpr int maxWindow = 15; // 15 * 255 * 16 still fits the 16-bit lanes
constexpr int minWindow = 3;  // the reciprocal 65536 / window must fit 16 bits
constexpr double mixedTileCost = 10.0;
constexpr double uniformTileCost = 1.0;

// Fixed-point arithmetic of one output pixel from its window sum. The average is kept with 4 fraction bits
// (a84) from the 16.16 reciprocal of the window; with a scale, the average is mapped to
// (average - threshold) * scale + 128 and saturated. The vector versions compute exactly the same numbers.
struct BlurArithmetic {
    int window;
    int half;
    int reciprocal;  // floor(65536 / window)
    int threshold16; // threshold with 4 fraction bits
    int scale;       // 0: plain average
    int clampLimit;  // |a84 - threshold16| beyond which the mapped value saturates anyway

    explicit BlurArithmetic(const BlurLevels &levels)
        : window(levels.window), half(levels.window / 2), reciprocal(65536 / levels.window),
          threshold16(levels.threshold * 16), scale(levels.scale > 0 ? levels.scale : 0),
          clampLimit(scale > 0 ? (roundingOffset + scale - 1) / scale : 0)
    {
    }

    static constexpr int roundingOffset = 128 * 16 + 8; // the 128 of the mapping plus half a unit

    int average16(int sum) const { return (sum * 16 * reciprocal) >> 16; }
    quint8 output(int sum) const
    {
        const int a = average16(sum);
        if (scale == 0)
            return quint8((a + 8) >> 4);
        const int v = (a - threshold16) * scale + roundingOffset;
        return quint8(v <= 0 ? 0 : v >= 255 * 16 ? 255 : v >> 4);
    }
};

struct BlurJob {
    const Plane8 &source;
    const TileMap &sourceTiles;
    Plane8 &target;
    TileMap &targetTiles;
    BlurArithmetic arithmetic;
    int tileColumns;
    int tileRows;

    quint8 tileAt(int tx, int ty) const { return tx < 0 || tx >= tileColumns ? 0 : sourceTiles.pixel(tx, ty); }
    // The uniform value of a tile whose whole window reach is uniform, or -1.
    int uniformValue(int tx, int ty) const
    {
        const quint8 v = tileAt(tx, ty);
        if (v == 128 || tileAt(tx - 1, ty) != v || tileAt(tx + 1, ty) != v)
            return -1;
        return v;
    }
};

void blurTilePlain(const BlurJob &job, int tx, int ty)
{
    const BlurArithmetic &m = job.arithmetic;
    const int width = job.source.width();
    for (int y = ty * tileSize; y < (ty + 1) * tileSize; ++y) {
        const quint8 *row = job.source.row(y);
        for (int x = tx * tileSize; x < (tx + 1) * tileSize; ++x) {
            int sum = 0;
            for (int c = std::max(0, x - m.half); c <= std::min(width - 1, x + m.half); ++c)
                sum += row[c];
            job.target.row(x)[y] = m.output(sum);
        }
    }
}

#ifdef TESSALINE_X86
// Transposes 16 x 16 bytes: four perfect-shuffle rounds of interleaving rows i and i + 8.
void transpose16(__m128i rows[16])
{
    __m128i shuffled[16];
    for (int round = 0; round < 4; ++round) {
        for (int i = 0; i < 8; ++i) {
            shuffled[2 * i] = _mm_unpacklo_epi8(rows[i], rows[i + 8]);
            shuffled[2 * i + 1] = _mm_unpackhi_epi8(rows[i], rows[i + 8]);
        }
        std::memcpy(rows, shuffled, sizeof shuffled);
    }
}

// The 48 source columns around tile (tx, ty) (one tile to each side, zero outside the plane), each as 16
// bytes over the tile's rows.
void gatherColumns(const BlurJob &job, int tx, int ty, __m128i columns[48])
{
    for (int block = 0; block < 3; ++block) {
        const int sourceTx = tx - 1 + block;
        __m128i *out = columns + block * tileSize;
        if (sourceTx < 0 || sourceTx >= job.tileColumns) {
            for (int i = 0; i < tileSize; ++i)
                out[i] = _mm_setzero_si128();
            continue;
        }
        for (int r = 0; r < tileSize; ++r)
            out[r] = _mm_loadu_si128(
                reinterpret_cast<const __m128i *>(job.source.row(ty * tileSize + r) + sourceTx * tileSize));
        transpose16(out);
    }
}

inline __m128i mapSse2(__m128i sum, const BlurArithmetic &m)
{
    const __m128i average = _mm_mulhi_epu16(_mm_slli_epi16(sum, 4), _mm_set1_epi16(short(m.reciprocal)));
    if (m.scale == 0)
        return _mm_srli_epi16(_mm_add_epi16(average, _mm_set1_epi16(8)), 4);
    __m128i d = _mm_sub_epi16(average, _mm_set1_epi16(short(m.threshold16)));
    d = _mm_min_epi16(_mm_max_epi16(d, _mm_set1_epi16(short(-m.clampLimit))), _mm_set1_epi16(short(m.clampLimit)));
    const __m128i v = _mm_add_epi16(_mm_mullo_epi16(d, _mm_set1_epi16(short(m.scale))),
                                    _mm_set1_epi16(short(BlurArithmetic::roundingOffset)));
    return _mm_srai_epi16(v, 4);
}

void blurTileSse2(const BlurJob &job, int tx, int ty)
{
    const BlurArithmetic &m = job.arithmetic;
    __m128i columns[48];
    gatherColumns(job, tx, ty, columns);
    const __m128i zero = _mm_setzero_si128();
    __m128i low = zero, high = zero; // window sums of rows 0-7 and 8-15
    for (int k = tileSize - m.half; k <= tileSize + m.half; ++k) {
        low = _mm_add_epi16(low, _mm_unpacklo_epi8(columns[k], zero));
        high = _mm_add_epi16(high, _mm_unpackhi_epi8(columns[k], zero));
    }
    for (int i = 0; i < tileSize; ++i) {
        const __m128i out = _mm_packus_epi16(mapSse2(low, m), mapSse2(high, m));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(job.target.row(tx * tileSize + i) + ty * tileSize), out);
        const __m128i entering = columns[tileSize + i + m.half + 1];
        const __m128i leaving = columns[tileSize + i - m.half];
        low = _mm_sub_epi16(_mm_add_epi16(low, _mm_unpacklo_epi8(entering, zero)), _mm_unpacklo_epi8(leaving, zero));
        high = _mm_sub_epi16(_mm_add_epi16(high, _mm_unpackhi_epi8(entering, zero)), _mm_unpackhi_epi8(leaving, zero));
    }
}

__attribute__((target("avx2"))) inline __m256i mapAvx2(__m256i sum, const BlurArithmetic &m)
{
    const __m256i average = _mm256_mulhi_epu16(_mm256_slli_epi16(sum, 4), _mm256_set1_epi16(short(m.reciprocal)));
    if (m.scale == 0)
        return _mm256_srli_epi16(_mm256_add_epi16(average, _mm256_set1_epi16(8)), 4);
    __m256i d = _mm256_sub_epi16(average, _mm256_set1_epi16(short(m.threshold16)));
    d = _mm256_min_epi16(_mm256_max_epi16(d, _mm256_set1_epi16(short(-m.clampLimit))),
                         _mm256_set1_epi16(short(m.clampLimit)));
    const __m256i v = _mm256_add_epi16(_mm256_mullo_epi16(d, _mm256_set1_epi16(short(m.scale))),
                                       _mm256_set1_epi16(short(BlurArithmetic::roundingOffset)));
    return _mm256_srai_epi16(v, 4);
}

__attribute__((target("avx2"))) void blurTileAvx2(const BlurJob &job, int tx, int ty)
{
    const BlurArithmetic &m = job.arithmetic;
    __m128i columns[48];
    gatherColumns(job, tx, ty, columns);
    __m256i sum = _mm256_setzero_si256(); // one 16-bit lane per source row
    for (int k = tileSize - m.half; k <= tileSize + m.half; ++k)
        sum = _mm256_add_epi16(sum, _mm256_cvtepu8_epi16(columns[k]));
    for (int i = 0; i < tileSize; ++i) {
        const __m256i mapped = mapAvx2(sum, m);
        const __m128i out = _mm_packus_epi16(_mm256_castsi256_si128(mapped), _mm256_extracti128_si256(mapped, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(job.target.row(tx * tileSize + i) + ty * tileSize), out);
        sum = _mm256_sub_epi16(_mm256_add_epi16(sum, _mm256_cvtepu8_epi16(columns[tileSize + i + m.half + 1])),
                               _mm256_cvtepu8_epi16(columns[tileSize + i - m.half]));
    }
}
#endif

using BlurTileKernel = void (*)(const BlurJob &, int, int);

BlurTileKernel blurTileKernel()
{
#ifdef TESSALINE_X86
    if (simdLevel() == SimdLevel::Avx2)
        return blurTileAvx2;
    if (simdLevel() == SimdLevel::Sse2)
        return blurTileSse2;
#endif
    return blurTilePlain;
}

void fillTargetBlock(const BlurJob &job, int tx, int ty, quint8 value)
{
    quint8 *first = job.target.row(tx * tileSize) + ty * tileSize;
    const qint64 stride = job.target.width();
#ifdef TESSALINE_X86
    const __m128i fill = _mm_set1_epi8(char(value));
    for (int i = 0; i < tileSize; ++i)
        _mm_storeu_si128(reinterpret_cast<__m128i *>(first + i * stride), fill);
#else
    for (int i = 0; i < tileSize; ++i)
        std::memset(first + i * stride, value, tileSize);
#endif
}

void blurTileColumn(const BlurJob &job, int tx, BlurTileKernel kernel)
{
    for (int ty = 0; ty < job.tileRows; ++ty) {
        const int uniform = job.uniformValue(tx, ty);
        quint8 tileValue;
        if (uniform >= 0) {
            const quint8 value = job.arithmetic.output(job.arithmetic.window * uniform);
            fillTargetBlock(job, tx, ty, value);
            tileValue = value == 0 || value == 255 ? value : 128;
        } else {
            kernel(job, tx, ty);
            tileValue = Plane8::classifyTile(job.target.row(tx * tileSize) + ty * tileSize, job.target.width());
        }
        job.targetTiles.setPixel(ty, tx, tileValue);
    }
}

void checkBlurInput(const BlurLevels &levels, const Plane8 &source, const TileMap &sourceTiles)
{
    if (levels.window < minWindow || levels.window > maxWindow || levels.window % 2 == 0)
        throw QString("Plane8::blur2() invalid window size %1").arg(levels.window);
    if (levels.scale > 0 && (levels.threshold < 0 || levels.threshold > 255))
        throw QString("Plane8::blur2() invalid threshold %1").arg(levels.threshold);
    if (source.width() % tileSize != 0 || source.height() % tileSize != 0)
        throw "Plane8::blur2() plane size must be aligned to 16";
    if (sourceTiles.width() != source.width() / tileSize || sourceTiles.height() != source.height() / tileSize)
        throw "Plane8::blur2() tile map does not match the source plane";
}

} // namespace

void Plane8::blur2(const BlurLevels &levels, const Plane8 &source, const TileMap &sourceTiles, Plane8 &target,
                   TileMap &targetTiles)
{
    checkBlurInput(levels, source, sourceTiles);
    if (&target == &source || &targetTiles == &sourceTiles) {
        Plane8 result;
        TileMap resultTiles;
        blur2(levels, source, sourceTiles, result, resultTiles);
        target = std::move(result);
        targetTiles = std::move(resultTiles);
        return;
    }
    PerfSection perf("blur2");
    target.resize(source.height(), source.width());
    targetTiles.resize(sourceTiles.height(), sourceTiles.width());
    const BlurJob job{
        source, sourceTiles, target, targetTiles, BlurArithmetic(levels), sourceTiles.width(), sourceTiles.height()};
    const BlurTileKernel kernel = blurTileKernel();
    auto columnCost = [&job](int tx) {
        double cost = 0.0;
        for (int ty = 0; ty < job.tileRows; ++ty)
            cost += job.uniformValue(tx, ty) >= 0 ? uniformTileCost : mixedTileCost;
        return cost;
    };
    paralell(job.tileColumns, columnCost, [&](int begin, int end, int) {
        for (int tx = begin; tx < end; ++tx)
            blurTileColumn(job, tx, kernel);
    });
}

BlurLevels ThresholdScaleFromWinsize(double distance, double factor)
{
    const auto roundHalfUp = [](double v) { return std::floor(v + 0.5); };
    if (!std::isfinite(distance) || !std::isfinite(factor) || std::fabs(distance * factor) > 1e6)
        throw QString("FATAL ERROR: ThresholdScaleFromWinsize() Threshold out of range (%1)").arg(distance);
    BlurLevels levels;
    const double w = roundHalfUp((4.0 * distance * factor - 1.0) * 0.5);
    levels.window = int(std::min(15.0, std::max(3.0, 2.0 * w + 1.0)));
    const double threshold = roundHalfUp((distance + levels.window / 2.0) / levels.window * 255.0);
    levels.threshold = int(std::min(255.0, std::max(0.0, threshold)));
    if (levels.threshold < 1 || levels.threshold > 254)
        throw QString("FATAL ERROR: ThresholdScaleFromWinsize() Threshold out of range (%1)").arg(levels.threshold);
    levels.scale = int(std::min(50.0, std::max(3.0, roundHalfUp((levels.window - 5) * 0.5 + 3.0))));
    while ((255 - levels.threshold) * levels.scale + 128 < 255)
        ++levels.scale;
    return levels;
}
