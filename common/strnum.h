#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

// Fast decimal reader for G-code numbers: an optional sign, digits and at most one decimal point, no
// exponent. The format defines the reading by a pair reader: digits are taken two characters per
// lookup in a table indexed by the low five bits of both characters, accumulated as an integer and
// scaled by one multiplication at the end. Short unsigned numbers, nearly all of G-code, take a
// shortcut that gives the same value and the same end, bit for bit.

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

// Appends the digits at p to `digits`, two per step; returns the first character after them.
inline const char *takeDigits(const char *p, std::uint64_t &digits)
{
    for (;;) {
        const unsigned first = unsigned((unsigned char)p[0]) - '0';
        if (first >= 10)
            return p;
        const unsigned second = unsigned((unsigned char)p[1]) - '0'; // p[0] is a digit, not the NUL
        if (second >= 10) {
            digits = digits * 10 + first;
            return p + 1;
        }
        digits = digits * 100 + first * 10 + second;
        p += 2;
    }
}

// Nearly every number in G-code is a few digits with at most one point. Those are read into one
// integer, which gives exactly what the pair reader gives for them at a fraction of the work. Anything
// else (ten digits or more, a second point, a point without digits) is left to the pair reader, which
// settles it as the format says: false here, with the cursor untouched.
inline bool readPlainNumber(const char *&cursor, bool negative, float &value)
{
    std::uint64_t digits = 0; // wraps harmlessly on absurdly long numbers, which are handed on
    const char *p = takeDigits(cursor, digits);
    const char *const wholeEnd = p;
    const char *fractionStart = p;
    if (*p == '.') {
        fractionStart = ++p;
        p = takeDigits(p, digits);
        if (*p == '.')
            return false;
    }
    const std::ptrdiff_t fraction = p - fractionStart, count = (wholeEnd - cursor) + fraction;
    if (count == 0 || count > 9)
        return false;
    const std::int32_t whole = std::int32_t(digits);
    value = float(negative ? -whole : whole) * kFractionScale[fraction];
    cursor = p;
    return true;
}

// strToNormalFloat for whatever does not start with a digit, and for what readPlainNumber hands on.
bool readSignedNumber(const char *&cursor, float &value);

// The pair reader on its own, exactly as the format describes it: the reference for the shortcut.
bool readNumberByPairs(const char *&cursor, float &value);

} // namespace strnum_detail

// Reads a number at the cursor (after any spaces and tabs) into `value`. On success the cursor ends on
// the first character that is not part of the number. A sign followed by a character outside
// 0x20..0x3F reads as 0. Fails on a sign or point without digits, a second point, or a value beyond
// the float range; the cursor is then left where it was. The text must be NUL-terminated; the reader
// never looks past the NUL. Numbers of up to nine digits after the point and 2^31 - 1 as a mantissa
// take one single-precision multiplication; longer ones are scaled in double precision.
inline bool strToNormalFloat(const char *&cursor, float &value)
{
    if (unsigned((unsigned char)*cursor) - '0' < 10 && strnum_detail::readPlainNumber(cursor, false, value))
        return true; // the usual case: no blank, no sign, a short number
    return strnum_detail::readSignedNumber(cursor, value);
}

// Reads every whitespace-separated number of `text` and appends, for each, a space and the value in
// format 'g' with 6 significant digits, or " error" when reading failed.
QString describeNumbers(const char *text);

// The start-up self-test of the reader; throws "_testParseFloat() FAILED" (after logging what it
// read) when the reader disagrees with the expected values. Runs once during static initialisation.
void testParseFloat();
