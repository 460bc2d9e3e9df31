#pragma once

#include <QString>

#include <array>
#include <cstdint>

// Fast decimal reader for G-code numbers: an optional sign, digits and at most one decimal point, no
// exponent. Digits are taken two characters per lookup in a table indexed by the low five bits of both
// characters, accumulated as an integer and scaled by one multiplication at the end.

// What a pair of characters starting at the cursor holds.
enum class DigitPairClass : std::uint8_t {
    NotANumber = 0,     // first is neither a digit nor '.'
    DigitThenEnd = 1,   // value: the digit
    TwoDigits = 2,      // value: 10 * first + second
    DigitThenPoint = 3, // value: the digit
    PointThenDigit = 4, // value: the digit
    PointThenEnd = 5,   // '.', then an end or another '.'
};

struct DigitPair {
    DigitPairClass pairClass;
    std::uint8_t value;
};

// Characters 0x20..0x3F keep their low five bits; anything else reads as '?' (an end), so the table
// needs no entries for it.
constexpr unsigned digitPairCode(unsigned char c)
{
    return (c >= 0x20 && c <= 0x3F) ? (c & 0x1Fu) : 0x1Fu;
}

// Builds the 1024-entry pair table; throws "_init_strToNormalFloat_rec() FATAL ERROR" for a pair that
// fits no class (cannot happen for its own index range, so the table below is built by the compiler).
constexpr std::array<DigitPair, 1024> _init_strToNormalFloat_rec()
{
    std::array<DigitPair, 1024> table{};
    for (unsigned index = 0; index < 1024; ++index) {
        const unsigned char c0 = char(0x20 | (index & 0x1F)), c1 = char(0x20 | (index >> 5));
        const bool digit0 = c0 >= '0' && c0 <= '9', digit1 = c1 >= '0' && c1 <= '9';
        DigitPair pair{DigitPairClass::NotANumber, 0};
        if (digit0 && digit1)
            pair = {DigitPairClass::TwoDigits, std::uint8_t((c0 - '0') * 10 + (c1 - '0'))};
        else if (digit0 && c1 == '.')
            pair = {DigitPairClass::DigitThenPoint, std::uint8_t(c0 - '0')};
        else if (digit0)
            pair = {DigitPairClass::DigitThenEnd, std::uint8_t(c0 - '0')};
        else if (c0 == '.' && digit1)
            pair = {DigitPairClass::PointThenDigit, std::uint8_t(c1 - '0')};
        else if (c0 == '.')
            pair = {DigitPairClass::PointThenEnd, 0};
        else if (c0 >= 0x20 && c0 <= 0x3F)
            pair = {DigitPairClass::NotANumber, 0};
        else
            throw "_init_strToNormalFloat_rec() FATAL ERROR";
        table[index] = pair;
    }
    return table;
}

inline constexpr std::array<DigitPair, 1024> strToNormalFloat_rec = _init_strToNormalFloat_rec();

namespace strnum_detail
{

// 10^-k for k digits after the point, as single-precision constants.
inline constexpr float kFractionScale[10] = {1e0f, 1e-1f, 1e-2f, 1e-3f, 1e-4f, 1e-5f, 1e-6f, 1e-7f, 1e-8f, 1e-9f};

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

// Numbers too long for the single multiplication (more than nine fraction digits, or beyond 32 bits).
bool scaleLongNumber(const Mantissa &mantissa, bool negative, float &value);

inline DigitPair pairAt(const char *p)
{
    const unsigned first = digitPairCode((unsigned char)p[0]);
    if (first == 0x1F) // an end, possibly the NUL: the second character may lie past the text
        return {DigitPairClass::NotANumber, 0};
    return strToNormalFloat_rec[first | (digitPairCode((unsigned char)p[1]) << 5)];
}

// The digits and point of a number, two characters per lookup; false for a malformed number.
inline bool readDigits(const char *&p, Mantissa &m)
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

} // namespace strnum_detail

// Reads a number at the cursor (after any spaces and tabs) into `value`. On success the cursor ends on
// the first character that is not part of the number. A sign followed by a character outside
// 0x20..0x3F reads as 0. Fails on a sign or point without digits, a second point, or a value beyond
// the float range; the cursor is then left where it was. The text must be NUL-terminated; the reader
// never looks past the NUL. Numbers of up to nine digits after the point and 2^31 - 1 as a mantissa
// take one single-precision multiplication; longer ones are scaled in double precision.
inline bool strToNormalFloat(const char *&cursor, float &value)
{
    using namespace strnum_detail;
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

// Reads every whitespace-separated number of `text` and appends, for each, a space and the value in
// format 'g' with 6 significant digits, or " error" when reading failed.
QString describeNumbers(const char *text);

// The start-up self-test of the reader; throws "_testParseFloat() FAILED" (after logging what it
// read) when the reader disagrees with the expected values. Runs once during static initialisation.
void testParseFloat();
