// One-pixel erosion and dilation of Plane1 on whole 32-bit words: the plane's rows form one bit stream, so
// the horizontal neighbours of a word come from shifts that carry bits across word (and row) boundaries and
// the vertical neighbours are the words one row above and below.
#include "raster/plane1.h"

#include "raster/simdlevel.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TESSALINE_X86 1
#endif

namespace
{

enum class Shape { Square, Cross };

struct Morphology {
    bool dilate;
    Shape shape;
};

Morphology morphologyOf(char operation)
{
    switch (operation) {
    case 'A':
        return {false, Shape::Square};
    case 'O':
        return {true, Shape::Square};
    case 'a':
        return {false, Shape::Cross};
    case 'o':
        return {true, Shape::Cross};
    default:
        throw "Plane1::offset1() invalid operation";
    }
}

// Words of the whole stream with zero beyond either end.
struct WordStream {
    const quint32 *words;
    qint64 count;
    quint32 at(qint64 i) const { return i >= 0 && i < count ? words[i] : 0u; }
};

template <bool Dilate> inline quint32 op(quint32 a, quint32 b)
{
    return Dilate ? (a | b) : (a & b);
}

template <bool Dilate> inline quint32 horizontal3(const WordStream &s, qint64 i)
{
    const quint32 w = s.at(i);
    const quint32 left = (w << 1) | (s.at(i - 1) >> 31);
    const quint32 right = (w >> 1) | (s.at(i + 1) << 31);
    return op<Dilate>(op<Dilate>(left, w), right);
}

template <bool Dilate, Shape S> inline quint32 morphWord(const WordStream &s, qint64 i, qint64 rowWords)
{
    const quint32 centre = horizontal3<Dilate>(s, i);
    if (S == Shape::Square)
        return op<Dilate>(op<Dilate>(horizontal3<Dilate>(s, i - rowWords), centre),
                          horizontal3<Dilate>(s, i + rowWords));
    return op<Dilate>(op<Dilate>(s.at(i - rowWords), centre), s.at(i + rowWords));
}

template <bool Dilate, Shape S>
void morphPlain(const WordStream &s, quint32 *out, qint64 begin, qint64 end, qint64 rowWords)
{
    for (qint64 i = begin; i < end; ++i)
        out[i] = morphWord<Dilate, S>(s, i, rowWords);
}

#ifdef TESSALINE_X86
template <bool Dilate> inline __m128i opSse2(__m128i a, __m128i b)
{
    return Dilate ? _mm_or_si128(a, b) : _mm_and_si128(a, b);
}

template <bool Dilate> inline __m128i horizontal3Sse2(const quint32 *at)
{
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
    const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at - 1));
    const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at + 1));
    const __m128i left = _mm_or_si128(_mm_slli_epi32(w, 1), _mm_srli_epi32(before, 31));
    const __m128i right = _mm_or_si128(_mm_srli_epi32(w, 1), _mm_slli_epi32(after, 31));
    return opSse2<Dilate>(opSse2<Dilate>(left, w), right);
}

// Words begin ... end - 1 with every neighbour read inside the stream (the caller keeps one word away from the
// first and last row).
template <bool Dilate, Shape S>
void morphSse2(const WordStream &s, quint32 *out, qint64 begin, qint64 end, qint64 rowWords)
{
    qint64 i = begin;
    for (; i + 4 <= end; i += 4) {
        const quint32 *at = s.words + i;
        const __m128i centre = horizontal3Sse2<Dilate>(at);
        __m128i above, below;
        if (S == Shape::Square) {
            above = horizontal3Sse2<Dilate>(at - rowWords);
            below = horizontal3Sse2<Dilate>(at + rowWords);
        } else {
            above = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at - rowWords));
            below = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at + rowWords));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), opSse2<Dilate>(opSse2<Dilate>(above, centre), below));
    }
    morphPlain<Dilate, S>(s, out, i, end, rowWords);
}

template <bool Dilate> __attribute__((target("avx2"))) inline __m256i opAvx2(__m256i a, __m256i b)
{
    return Dilate ? _mm256_or_si256(a, b) : _mm256_and_si256(a, b);
}

template <bool Dilate> __attribute__((target("avx2"))) inline __m256i horizontal3Avx2(const quint32 *at)
{
    const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at));
    const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at - 1));
    const __m256i after = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at + 1));
    const __m256i left = _mm256_or_si256(_mm256_slli_epi32(w, 1), _mm256_srli_epi32(before, 31));
    const __m256i right = _mm256_or_si256(_mm256_srli_epi32(w, 1), _mm256_slli_epi32(after, 31));
    return opAvx2<Dilate>(opAvx2<Dilate>(left, w), right);
}

template <bool Dilate, Shape S>
__attribute__((target("avx2"))) void morphAvx2(const WordStream &s, quint32 *out, qint64 begin, qint64 end,
                                               qint64 rowWords)
{
    qint64 i = begin;
    for (; i + 8 <= end; i += 8) {
        const quint32 *at = s.words + i;
        const __m256i centre = horizontal3Avx2<Dilate>(at);
        __m256i above, below;
        if (S == Shape::Square) {
            above = horizontal3Avx2<Dilate>(at - rowWords);
            below = horizontal3Avx2<Dilate>(at + rowWords);
        } else {
            above = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at - rowWords));
            below = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at + rowWords));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), opAvx2<Dilate>(opAvx2<Dilate>(above, centre), below));
    }
    morphPlain<Dilate, S>(s, out, i, end, rowWords);
}
#endif

template <bool Dilate, Shape S> void morph(const WordStream &s, quint32 *out, qint64 rowWords)
{
    // Rows 1 ... H - 2; their first and last words read one word past the row above or below, which the
    // plain version handles at the stream ends.
    const qint64 begin = rowWords;
    const qint64 end = s.count - rowWords;
    if (end - begin < 2) {
        morphPlain<Dilate, S>(s, out, begin, end, rowWords);
        return;
    }
    morphPlain<Dilate, S>(s, out, begin, begin + 1, rowWords);
#ifdef TESSALINE_X86
    if (simdLevel() == SimdLevel::Avx2)
        morphAvx2<Dilate, S>(s, out, begin + 1, end - 1, rowWords);
    else if (simdLevel() == SimdLevel::Sse2)
        morphSse2<Dilate, S>(s, out, begin + 1, end - 1, rowWords);
    else
#endif
        morphPlain<Dilate, S>(s, out, begin + 1, end - 1, rowWords);
    morphPlain<Dilate, S>(s, out, end - 1, end, rowWords);
}

} // namespace

void Plane1::offset1(Plane1 &target, char operation) const
{
    if (width() % 32 != 0)
        throw "Plane1::offset1 width must be aigned to 32";
    const Morphology m = morphologyOf(operation);
    if (&target == this) {
        Plane1 result;
        offset1(result, operation);
        target = std::move(result);
        return;
    }
    copyTo(target); // the first and the last row stay as they are
    if (height() < 3)
        return;
    const qint64 rowWords = wordsPerRow();
    const WordStream stream{words(), qint64(height()) * rowWords};
    quint32 *out = target.words();
    if (m.dilate)
        m.shape == Shape::Square ? morph<true, Shape::Square>(stream, out, rowWords)
                                 : morph<true, Shape::Cross>(stream, out, rowWords);
    else
        m.shape == Shape::Square ? morph<false, Shape::Square>(stream, out, rowWords)
                                 : morph<false, Shape::Cross>(stream, out, rowWords);
}

void Plane1::offset(Plane1 &target, int n) const
{
    const bool dilate = n > 0;
    const int steps = n < 0 ? -n : n;
    if (steps == 0) {
        copyTo(target);
        return;
    }
    Plane1 scratch;
    const Plane1 *from = this;
    for (int step = 0; step < steps; ++step) {
        const bool square = step % 2 == 0;
        const char letter = dilate ? (square ? 'O' : 'o') : (square ? 'A' : 'a');
        // Alternate between the target and the scratch so that the last step lands in the target.
        Plane1 &to = ((steps - 1 - step) % 2 == 0) ? target : scratch;
        from->offset1(to, letter);
        from = &to;
    }
}
