#include "raster/plane1.h"

#include "common/perfdata.h"
#include "geometry/workerthread.h"
#include "raster/plane8.h"
#include "raster/simdlevel.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TESSALINE_X86 1
#endif

namespace
{

constexpr int bandRows = 16; // fromPlane8 works on bands of 16 rows

// ---- fromPlane8: one bit per source byte compared with the threshold ----

void thresholdRowPlain(const quint8 *source, quint32 *target, int width, quint8 threshold, quint32 flip)
{
    for (int word = 0; word < width / 32; ++word) {
        quint32 bits = 0;
        for (int bit = 0; bit < 32; ++bit)
            bits |= quint32(source[word * 32 + bit] >= threshold) << bit;
        target[word] = bits ^ flip;
    }
}

#ifdef TESSALINE_X86
void thresholdRowSse2(const quint8 *source, quint32 *target, int width, quint8 threshold, quint32 flip)
{
    const __m128i limit = _mm_set1_epi8(char(threshold));
    for (int word = 0; word < width / 32; ++word) {
        const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i *>(source + word * 32));
        const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i *>(source + word * 32 + 16));
        // max(v, t) == v  <=>  v >= t, unsigned
        const quint32 lowBits = quint32(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(lo, limit), lo)));
        const quint32 highBits = quint32(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(hi, limit), hi)));
        target[word] = (lowBits | highBits << 16) ^ flip;
    }
}

__attribute__((target("avx2"))) void thresholdRowAvx2(const quint8 *source, quint32 *target, int width,
                                                      quint8 threshold, quint32 flip)
{
    const __m256i limit = _mm256_set1_epi8(char(threshold));
    for (int word = 0; word < width / 32; ++word) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(source + word * 32));
        target[word] = quint32(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_max_epu8(v, limit), v))) ^ flip;
    }
}
#endif

using ThresholdRow = void (*)(const quint8 *, quint32 *, int, quint8, quint32);

ThresholdRow thresholdRowKernel()
{
#ifdef TESSALINE_X86
    switch (simdLevel()) {
    case SimdLevel::Avx2:
        return thresholdRowAvx2;
    case SimdLevel::Sse2:
        return thresholdRowSse2;
    case SimdLevel::Plain:
        break;
    }
#endif
    return thresholdRowPlain;
}

// ---- bitwiseOp over whole byte runs ----

template <int Operation> inline quint64 combine(quint64 a, quint64 b, quint64 c)
{
    switch (Operation) {
    case 1:
        return b;
    case 2:
        return a & b;
    case 3:
        return a ^ b;
    case 4:
        return b & c;
    case 5:
        return ~(a & b) & c;
    case 6:
        return a | b;
    default:
        return a | ~b;
    }
}

template <int Operation> void bitwisePlain(quint8 *a, const quint8 *b, const quint8 *c, qint64 bytes)
{
    // Plane byte sizes are multiples of 16, so whole 64-bit words cover them.
    for (qint64 i = 0; i < bytes; i += 8) {
        quint64 va = 0, vb = 0, vc = 0;
        std::memcpy(&va, a + i, 8);
        std::memcpy(&vb, b + i, 8);
        if (c)
            std::memcpy(&vc, c + i, 8);
        const quint64 result = combine<Operation>(va, vb, vc);
        std::memcpy(a + i, &result, 8);
    }
}

#ifdef TESSALINE_X86
template <int Operation> inline __m128i combineSse2(__m128i a, __m128i b, __m128i c)
{
    switch (Operation) {
    case 1:
        return b;
    case 2:
        return _mm_and_si128(a, b);
    case 3:
        return _mm_xor_si128(a, b);
    case 4:
        return _mm_and_si128(b, c);
    case 5:
        return _mm_andnot_si128(_mm_and_si128(a, b), c);
    case 6:
        return _mm_or_si128(a, b);
    default:
        return _mm_or_si128(a, _mm_xor_si128(b, _mm_set1_epi32(-1)));
    }
}

template <int Operation> void bitwiseSse2(quint8 *a, const quint8 *b, const quint8 *c, qint64 bytes)
{
    const __m128i zero = _mm_setzero_si128();
    for (qint64 i = 0; i < bytes; i += 16) {
        auto *pa = reinterpret_cast<__m128i *>(a + i);
        const __m128i vb = _mm_load_si128(reinterpret_cast<const __m128i *>(b + i));
        const __m128i vc = c ? _mm_load_si128(reinterpret_cast<const __m128i *>(c + i)) : zero;
        _mm_store_si128(pa, combineSse2<Operation>(_mm_load_si128(pa), vb, vc));
    }
}

template <int Operation> __attribute__((target("avx2"))) inline __m256i combineAvx2(__m256i a, __m256i b, __m256i c)
{
    switch (Operation) {
    case 1:
        return b;
    case 2:
        return _mm256_and_si256(a, b);
    case 3:
        return _mm256_xor_si256(a, b);
    case 4:
        return _mm256_and_si256(b, c);
    case 5:
        return _mm256_andnot_si256(_mm256_and_si256(a, b), c);
    case 6:
        return _mm256_or_si256(a, b);
    default:
        return _mm256_or_si256(a, _mm256_xor_si256(b, _mm256_set1_epi32(-1)));
    }
}

template <int Operation>
__attribute__((target("avx2"))) void bitwiseAvx2(quint8 *a, const quint8 *b, const quint8 *c, qint64 bytes)
{
    const __m256i zero = _mm256_setzero_si256();
    qint64 i = 0;
    for (; i + 32 <= bytes; i += 32) {
        auto *pa = reinterpret_cast<__m256i *>(a + i);
        const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(b + i));
        const __m256i vc = c ? _mm256_loadu_si256(reinterpret_cast<const __m256i *>(c + i)) : zero;
        _mm256_storeu_si256(pa, combineAvx2<Operation>(_mm256_loadu_si256(pa), vb, vc));
    }
    if (i < bytes) // the last 16 bytes of a size that is not a multiple of 32
        bitwiseSse2<Operation>(a + i, b + i, c ? c + i : nullptr, bytes - i);
}
#endif

template <int Operation> void bitwiseRun(quint8 *a, const quint8 *b, const quint8 *c, qint64 bytes)
{
#ifdef TESSALINE_X86
    switch (simdLevel()) {
    case SimdLevel::Avx2:
        return bitwiseAvx2<Operation>(a, b, c, bytes);
    case SimdLevel::Sse2:
        return bitwiseSse2<Operation>(a, b, c, bytes);
    case SimdLevel::Plain:
        break;
    }
#endif
    bitwisePlain<Operation>(a, b, c, bytes);
}

void bitwiseDispatch(int operation, quint8 *a, const quint8 *b, const quint8 *c, qint64 bytes)
{
    switch (operation) {
    case 1:
        return bitwiseRun<1>(a, b, c, bytes);
    case 2:
        return bitwiseRun<2>(a, b, c, bytes);
    case 3:
        return bitwiseRun<3>(a, b, c, bytes);
    case 4:
        return bitwiseRun<4>(a, b, c, bytes);
    case 5:
        return bitwiseRun<5>(a, b, c, bytes);
    case 6:
        return bitwiseRun<6>(a, b, c, bytes);
    default:
        return bitwiseRun<7>(a, b, c, bytes);
    }
}

bool readsTarget(int operation)
{
    return operation != 1 && operation != 4;
}

} // namespace

void Plane1::resize(int width, int height)
{
    allocate(width, height, qint64(width) * height / 8, "Plane1::resize()");
}

void Plane1::setPixel(int x, int y, bool set)
{
    const qint64 index = qint64(y) * width() + x;
    const quint8 mask = quint8(1u << (index & 7));
    if (set)
        data()[index >> 3] |= mask;
    else
        data()[index >> 3] &= quint8(~mask);
}

void Plane1::copyTo(Plane1 &target) const
{
    target.resize(width(), height());
    if (byteSize() > 0)
        std::memcpy(target.data(), data(), size_t(byteSize()));
}

void Plane1::fromPlane8(Plane1 &target, const Plane8 &source, int threshold, bool invert)
{
    PerfSection perf("Plane1.fromPlane8");
    if (source.width() % 32 != 0 || source.height() % bandRows != 0)
        throw QString("Plane1.fromPlane8() plane size %1 x %2 is not aligned to 32")
            .arg(source.width())
            .arg(source.height());
    target.resize(source.width(), source.height());
    const ThresholdRow kernel = thresholdRowKernel();
    // A threshold of 0 sets every bit, one above 255 none; both are expressed by the flip of a zero threshold.
    const bool everything = threshold <= 0;
    const bool nothing = threshold > 255;
    const quint8 limit = quint8(everything || nothing ? 0 : threshold);
    const quint32 flip = (invert != nothing) ? 0xFFFFFFFFu : 0u;
    const int bands = source.height() / bandRows;
    paralell(
        bands, [](int) { return 1.0; },
        [&](int begin, int end, int) {
            for (int y = begin * bandRows; y < end * bandRows; ++y)
                kernel(source.row(y), target.words() + qint64(y) * target.wordsPerRow(), source.width(), limit, flip);
        });
}

void Plane1::bitwiseOp(int operation, Plane1 *a, const Plane1 *b, const Plane1 *c, bool quiet)
{
    if (operation < 1 || operation > 7)
        return;
    std::unique_ptr<PerfSection> perf;
    if (!quiet)
        perf = std::make_unique<PerfSection>("Bitwise");
    if (!a || !b || (readsTarget(operation) && !a->sameSize(*b)) || (c && !c->sameSize(*b)))
        throw "Plane1::bitwiseOp() incompatible input planes";
    if ((operation == 4 || operation == 5) && !c)
        throw "Plane1::bitwiseOp() c operand is needed";
    if (!readsTarget(operation))
        a->resize(b->width(), b->height());
    if (b->byteSize() > 0)
        bitwiseDispatch(operation, a->data(), b->data(), c ? c->data() : nullptr, b->byteSize());
}

void Plane1::inflate64(quint8 fill)
{
    if (width() % 32 != 0 || height() % 32 != 0)
        throw "Plane1::inflate64() size must be aligned to 32";
    constexpr int border = 32;
    Plane1 grown(width() + 2 * border, height() + 2 * border);
    grown.fillBytes(fill);
    const int rowBytes = width() / 8;
    for (int y = 0; y < height(); ++y)
        std::memcpy(grown.data() + qint64(y + border) * grown.width() / 8 + border / 8, data() + qint64(y) * rowBytes,
                    size_t(rowBytes));
    *this = std::move(grown);
}

void Plane1::tileMap(Plane8 &map) const
{
    constexpr int tile = 16;
    map.resize(width() / tile, height() / tile);
    const int rowBytes = width() / 8;
    for (int ty = 0; ty < map.height(); ++ty) {
        for (int tx = 0; tx < map.width(); ++tx) {
            bool anySet = false, allSet = true;
            for (int y = ty * tile; y < (ty + 1) * tile; ++y) {
                quint16 bits = 0;
                std::memcpy(&bits, data() + qint64(y) * rowBytes + tx * 2, 2);
                anySet = anySet || bits != 0;
                allSet = allSet && bits == 0xFFFF;
            }
            map.setPixel(tx, ty, allSet ? 255 : anySet ? 128 : 0);
        }
    }
}
