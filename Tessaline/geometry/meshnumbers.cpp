#include "geometry/meshnumbers.h"

#include <charconv>

namespace
{

template <typename Format> void appendChars(QByteArray &out, double value, Format format, int precision)
{
    char buffer[64];
    // Fixed notation of float's largest values needs 39 digits plus sign and decimals.
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    out.append(buffer, int(result.ptr - buffer));
}

} // namespace

void appendGeneral7(QByteArray &out, float value)
{
    appendChars(out, double(value), std::chars_format::general, 7);
}

void appendFixed3(QByteArray &out, float value)
{
    appendChars(out, double(value), std::chars_format::fixed, 3);
}
