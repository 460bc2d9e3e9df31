#pragma once

#include <QByteArray>

#include <array>
#include <cstdint>
#include <cstring>

// The one number formatter of the G-code we write (the slicer's writer and the compact-format
// converter). Plain ASCII, no exponent, no plus sign, no locale:
//   integers  decimal digits, '-' before negatives, "0" for zero;
//   reals     the value rounded to thousandths (x 1000, + 0.5, floor, computed in double precision so
//             that a float prints as the decimal it stands for), then the integer part without
//             leading zeros but at least one digit, '.', exactly three digits; '-' before negatives
//             only when the rounded value is below zero (-0.0004 -> "0.000", -1.5 -> "-1.500").
//             Not-a-number writes "0.000"; magnitudes beyond 9.2e15 are clamped there, since no
//             machine coordinate comes near and the text must stay a number the reader accepts.
// Three digits are produced per lookup in a table of the 1000 digit triples.
namespace gcodeformat
{

// Longest text either function writes: '-', 19 digits, '.', 3 digits.
constexpr int kMaxNumberLength = 24;

namespace detail
{

// The digit triples "000" to "999"; two spare bytes after the last let the leading digits of a number
// be copied as three bytes whatever their count (the surplus is overwritten by what follows them).
constexpr std::array<char, 3002> makeDigitTriples()
{
    std::array<char, 3002> triples{};
    for (int n = 0; n < 1000; ++n) {
        triples[n * 3] = char('0' + n / 100);
        triples[n * 3 + 1] = char('0' + n / 10 % 10);
        triples[n * 3 + 2] = char('0' + n % 10);
    }
    return triples;
}

inline constexpr std::array<char, 3002> kDigitTriples = makeDigitTriples();

char *writeRealInFull(char *out, double value);

} // namespace detail

// Writes the number at `out` and returns the end of what was written (no NUL).
char *writeInt(char *out, std::int64_t value);

// Coordinates, feeds and extrusions are below 1000 in magnitude: those are written here, inline, with
// exactly the text the full formatter gives them.
inline char *writeReal(char *out, double value)
{
    const double shifted = value * 1000.0 + 0.5;
    if (!(shifted > -999999.0 && shifted < 1000000.0)) // also not-a-number
        return detail::writeRealInFull(out, value);
    std::int64_t rounded = std::int64_t(shifted); // floor() by hand, as the full formatter does
    if (double(rounded) > shifted)
        --rounded;
    if (rounded < 0)
        *out++ = '-';
    const unsigned units = unsigned(rounded < 0 ? -rounded : rounded);
    const unsigned whole = units / 1000;
    const int leadDigits = whole >= 100 ? 3 : whole >= 10 ? 2 : 1;
    std::memcpy(out, &detail::kDigitTriples[whole * 3 + 3 - leadDigits], 3);
    out += leadDigits;
    *out++ = '.';
    std::memcpy(out, &detail::kDigitTriples[units % 1000 * 3], 3);
    return out + 3;
}

void appendInt(QByteArray &text, std::int64_t value);
void appendReal(QByteArray &text, double value);

} // namespace gcodeformat
