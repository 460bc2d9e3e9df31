#pragma once

#include <QByteArray>

#include <cstdint>

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

// Writes the number at `out` and returns the end of what was written (no NUL).
char *writeInt(char *out, std::int64_t value);
char *writeReal(char *out, double value);

void appendInt(QByteArray &text, std::int64_t value);
void appendReal(QByteArray &text, double value);

} // namespace gcodeformat
