#include "common/strnum.h"

#include <QDebug>

#include <cmath>

namespace strnum_detail
{

namespace
{

// Beyond this the mantissa stops taking digits (it holds 17 significant digits, far more than a float
// keeps); further whole digits only raise the power of ten, further fraction digits are dropped.
constexpr std::uint64_t kMantissaLimit = 10000000000000000ull;

struct Mantissa {
    std::uint64_t digits = 0;
    int fractionDigits = 0;
    int droppedWholeDigits = 0;
    bool inFraction = false;

    void take(unsigned value, int count)
    {
        if (digits < kMantissaLimit) {
            digits = digits * (count == 2 ? 100 : 10) + value;
            fractionDigits += inFraction ? count : 0;
        } else if (!inFraction) {
            droppedWholeDigits += count;
        }
    }
};

DigitPair pairAt(const char *p)
{
    const unsigned first = digitPairCode((unsigned char)p[0]);
    if (first == 0x1F) // an end, possibly the NUL: the second character may lie past the text
        return {DigitPairClass::NotANumber, 0};
    return strToNormalFloat_rec[first | (digitPairCode((unsigned char)p[1]) << 5)];
}

// The digits and point of a number, two characters per lookup; false for a malformed number.
bool readDigits(const char *&p, Mantissa &m)
{
    DigitPair pair = pairAt(p);
    switch (pair.pairClass) {
    case DigitPairClass::TwoDigits:
        m.digits = pair.value;
        p += 2;
        break;
    case DigitPairClass::DigitThenEnd:
        m.digits = pair.value;
        p += 1;
        return true;
    case DigitPairClass::DigitThenPoint:
        m.digits = pair.value;
        m.inFraction = true;
        p += 2;
        break;
    case DigitPairClass::PointThenDigit:
        m.digits = pair.value;
        m.fractionDigits = 1;
        m.inFraction = true;
        p += 2;
        break;
    default:
        return false;
    }
    while (!m.inFraction) {
        pair = pairAt(p);
        switch (pair.pairClass) {
        case DigitPairClass::TwoDigits:
            m.take(pair.value, 2);
            p += 2;
            break;
        case DigitPairClass::DigitThenEnd:
            m.take(pair.value, 1);
            p += 1;
            return true;
        case DigitPairClass::DigitThenPoint:
            m.take(pair.value, 1);
            m.inFraction = true;
            p += 2;
            break;
        case DigitPairClass::PointThenDigit:
            m.inFraction = true;
            m.take(pair.value, 1);
            p += 2;
            break;
        case DigitPairClass::PointThenEnd:
            p += 1;
            return true;
        default:
            return true;
        }
    }
    for (;;) {
        pair = pairAt(p);
        switch (pair.pairClass) {
        case DigitPairClass::TwoDigits:
            m.take(pair.value, 2);
            p += 2;
            break;
        case DigitPairClass::DigitThenEnd:
            m.take(pair.value, 1);
            p += 1;
            return true;
        case DigitPairClass::NotANumber:
            return true;
        default:
            return false; // a second point
        }
    }
}

// Numbers too long for the single multiplication (more than nine fraction digits, or beyond 32 bits).
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

enum class Shortcut { Allowed, Refused };

bool readNumber(const char *&cursor, float &value, Shortcut shortcut)
{
    const char *p = cursor;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (!*p)
        return false;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    if ((unsigned char)*p < 0x20 || (unsigned char)*p > 0x3F) {
        value = negative ? -0.0f : 0.0f;
        cursor = p;
        return true;
    }
    if (shortcut == Shortcut::Allowed && readPlainNumber(p, negative, value)) {
        cursor = p;
        return true;
    }
    Mantissa m;
    if (!readDigits(p, m))
        return false;
    if (m.droppedWholeDigits == 0 && m.fractionDigits <= 9 && m.digits <= 0x7FFFFFFFu) {
        const std::int32_t whole = std::int32_t(m.digits);
        value = float(negative ? -whole : whole) * kFractionScale[m.fractionDigits];
    } else if (!scaleLongNumber(m, negative, value)) {
        return false;
    }
    cursor = p;
    return true;
}

} // namespace

bool readSignedNumber(const char *&cursor, float &value)
{
    return readNumber(cursor, value, Shortcut::Allowed);
}

bool readNumberByPairs(const char *&cursor, float &value)
{
    return readNumber(cursor, value, Shortcut::Refused);
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
