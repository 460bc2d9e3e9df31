#include "strnum.h"

#include <QDebug>

#include <cmath>

namespace strnum_detail
{

bool scaleLongNumber(const Mantissa &mantissa, bool negative, float &value)
{
    // Dividing by an exact power of ten rounds once; pow() overflows to infinity for absurd exponents,
    // which gives 0 for a long fraction and a rejected infinity for a long whole number.
    const int exponent = mantissa.droppedWholeDigits - mantissa.fractionDigits;
    double magnitude = double(mantissa.digits);
    if (exponent >= 0)
        magnitude *= std::pow(10.0, exponent);
    else
        magnitude /= std::pow(10.0, -exponent);
    const float result = float(negative ? -magnitude : magnitude);
    if (!std::isfinite(result))
        return false;
    value = result;
    return true;
}

} // namespace strnum_detail

namespace
{

bool isNumberSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

const char kSelfTestInput[] = "1 -12 123. 1234 12345 12345. 1234.5 123.45 12.345 1.2345 .12345";
const char kSelfTestExpected[] = " 1 -12 123 1234 12345 12345 1234.5 123.45 12.345 1.2345 0.12345";

// The reader is used from the first file a program loads, so a broken table must stop start-up.
[[maybe_unused]] const bool selfTestDone = (testParseFloat(), true);

} // namespace

QString describeNumbers(const char *text)
{
    QString result;
    const char *cursor = text;
    for (;;) {
        while (isNumberSeparator(*cursor))
            ++cursor;
        if (!*cursor)
            break;
        const char *start = cursor;
        float value = 0;
        if (strToNormalFloat(cursor, value) && cursor != start) {
            result += ' ' + QString::number(value, 'g', 6);
            continue;
        }
        result += " error";
        cursor = start;
        while (*cursor && !isNumberSeparator(*cursor))
            ++cursor;
    }
    return result;
}

void testParseFloat()
{
    const QString produced = describeNumbers(kSelfTestInput);
    if (produced != QLatin1String(kSelfTestExpected)) {
        qDebug() << "_testParseFloat() read" << produced;
        throw "_testParseFloat() FAILED";
    }
}
