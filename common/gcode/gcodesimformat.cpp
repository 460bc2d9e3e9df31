#include "common/gcode/gcodesimformat.h"

#include <cmath>
#include <cstring>

namespace gcodeformat
{

namespace
{

using detail::kDigitTriples;

// Largest thousandths count written by writeReal (about 9.2e15 mm).
constexpr double kMaxThousandths = 9.2e18;

char *writeTriple(char *out, unsigned group)
{
    std::memcpy(out, &kDigitTriples[group * 3], 3);
    return out + 3;
}

char *writeUnsigned(char *out, std::uint64_t value)
{
    // Groups of three from the right; the leading group drops its leading zeros.
    unsigned groups[7];
    int count = 0;
    do {
        groups[count++] = unsigned(value % 1000);
        value /= 1000;
    } while (value != 0);
    const unsigned lead = groups[--count];
    const int leadDigits = lead >= 100 ? 3 : lead >= 10 ? 2 : 1;
    std::memcpy(out, &kDigitTriples[lead * 3 + 3 - leadDigits], leadDigits);
    out += leadDigits;
    while (count > 0)
        out = writeTriple(out, groups[--count]);
    return out;
}

std::uint64_t magnitude(std::int64_t value)
{
    return value < 0 ? 0 - std::uint64_t(value) : std::uint64_t(value);
}

} // namespace

char *writeInt(char *out, std::int64_t value)
{
    if (value < 0)
        *out++ = '-';
    return writeUnsigned(out, magnitude(value));
}

char *detail::writeRealInFull(char *out, double value)
{
    double shifted = value * 1000.0 + 0.5;
    if (!(shifted >= -kMaxThousandths)) // also not-a-number
        shifted = std::isnan(shifted) ? 0 : -kMaxThousandths;
    else if (shifted > kMaxThousandths)
        shifted = kMaxThousandths;
    // floor() by hand: the library call costs more than the rest of the number on plain x86-64.
    std::int64_t rounded = std::int64_t(shifted);
    if (double(rounded) > shifted)
        --rounded;
    if (rounded < 0)
        *out++ = '-';
    const std::uint64_t units = magnitude(rounded);
    out = writeUnsigned(out, units / 1000);
    *out++ = '.';
    return writeTriple(out, unsigned(units % 1000));
}

void appendInt(QByteArray &text, std::int64_t value)
{
    char buffer[kMaxNumberLength];
    text.append(buffer, int(writeInt(buffer, value) - buffer));
}

void appendReal(QByteArray &text, double value)
{
    char buffer[kMaxNumberLength];
    text.append(buffer, int(writeReal(buffer, value) - buffer));
}

} // namespace gcodeformat
