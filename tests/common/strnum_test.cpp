#include "common/strnum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace
{

struct ReadResult {
    bool ok;
    float value;
    long consumed;
};

// Reads from a heap copy of exactly the text and its NUL, so that any read past the end is caught by
// the address sanitizer.
ReadResult readNumber(const std::string &text)
{
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    const char *cursor = buffer.data();
    float value = -999;
    const bool ok = strToNormalFloat(cursor, value);
    return {ok, value, long(cursor - buffer.data())};
}

} // namespace

TEST(StrToNormalFloat, SelfTestText)
{
    EXPECT_EQ(describeNumbers("1 -12 123. 1234 12345 12345. 1234.5 123.45 12.345 1.2345 .12345"),
              " 1 -12 123 1234 12345 12345 1234.5 123.45 12.345 1.2345 0.12345");
    EXPECT_NO_THROW(testParseFloat());
    EXPECT_EQ(describeNumbers("1.2.3 x 7"), " error error 7");
}

struct NumberCase {
    const char *name;
    const char *text;
    bool ok;
    float value;
    long consumed;
};

class NumberShapes : public testing::TestWithParam<NumberCase>
{
};

TEST_P(NumberShapes, ReadsValueAndStopsAfterIt)
{
    const NumberCase &c = GetParam();
    const ReadResult r = readNumber(c.text);
    ASSERT_EQ(r.ok, c.ok);
    if (c.ok) {
        EXPECT_EQ(r.value, c.value);
        EXPECT_EQ(r.consumed, c.consumed);
    } else {
        EXPECT_EQ(r.consumed, 0) << "a failed read leaves the cursor alone";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberShapes,
    testing::Values(NumberCase{"TrailingPoint", "123.", true, 123, 4}, NumberCase{"LeadingPoint", ".5", true, 0.5f, 2},
                    NumberCase{"SecondPointFails", "1.2.3", false, 0, 0},
                    NumberCase{"SecondPointAfterPairFails", "1.23.4", false, 0, 0},
                    NumberCase{"MinusSpaceFails", "- 5", false, 0, 0}, NumberCase{"MinusAtEndIsZero", "-", true, 0, 1},
                    NumberCase{"MinusBeforeLetterIsZero", "-X", true, 0, 1},
                    NumberCase{"PointSpaceFails", ". ", false, 0, 0}, NumberCase{"PointAloneFails", ".", false, 0, 0},
                    NumberCase{"Plus", "+7", true, 7, 2}, NumberCase{"StopsAtLetter", "12X3", true, 12, 2},
                    NumberCase{"NoExponent", "1e5", true, 1, 1}, NumberCase{"LeadingZeros", "007", true, 7, 3},
                    NumberCase{"SkipsBlanks", " \t-2.5 ", true, -2.5f, 6},
                    NumberCase{"OddDigitsThenPoint", "12345.", true, 12345, 6},
                    NumberCase{"PointThenEndInFraction", "1.5;", true, 1.5f, 3},
                    NumberCase{"LetterAfterPointPair", "7.X", true, 7, 2},
                    NumberCase{"NineFractionDigits", "0.123456789", true, 123456789 * 1e-9f, 11},
                    NumberCase{"EmptyFails", "", false, 0, 0}),
    [](const testing::TestParamInfo<NumberCase> &info) { return std::string(info.param.name); });

// The documented arithmetic: the digits as a 32-bit integer times a single-precision power of ten.
TEST(StrToNormalFloat, MatchesIntegerTimesScaleOnRandomNumbers)
{
    std::mt19937 random(5);
    const float scale[10] = {1e0f, 1e-1f, 1e-2f, 1e-3f, 1e-4f, 1e-5f, 1e-6f, 1e-7f, 1e-8f, 1e-9f};
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + int(random() % 9);
        const int fraction = int(random() % (digits + 1));
        std::string whole;
        long long mantissa = 0;
        for (int d = 0; d < digits; ++d) {
            const int digit = int(random() % 10);
            whole += char('0' + digit);
            mantissa = mantissa * 10 + digit;
        }
        std::string text = whole.substr(0, digits - fraction) + "." + whole.substr(digits - fraction);
        if (fraction == 0 && random() % 2)
            text.pop_back(); // no point at all
        const bool negative = random() % 2;
        if (negative)
            text = "-" + text;
        const float expected = float(negative ? -mantissa : mantissa) * scale[fraction];
        const ReadResult r = readNumber(text + " ");
        ASSERT_TRUE(r.ok) << text;
        EXPECT_EQ(r.value, expected) << text;
        EXPECT_EQ(r.consumed, long(text.size())) << text;
    }
}

// Past nine fraction digits or 32 bits the value is scaled correctly instead of wrapping or reading
// past the scale table.
TEST(StrToNormalFloat, Regression_LongNumbersAreScaledNotWrapped)
{
    std::mt19937 random(9);
    for (int i = 0; i < 5000; ++i) {
        const int wholeDigits = 1 + int(random() % 22), fractionDigits = int(random() % 30);
        std::string text(1, char('1' + random() % 9));
        for (int d = 1; d < wholeDigits; ++d)
            text += char('0' + random() % 10);
        if (fractionDigits)
            text += '.';
        for (int d = 0; d < fractionDigits; ++d)
            text += char('0' + random() % 10);
        const ReadResult r = readNumber(text);
        ASSERT_TRUE(r.ok) << text;
        const double expected = std::strtod(text.c_str(), nullptr);
        EXPECT_NEAR(r.value, expected, std::abs(expected) * 3e-7) << text;
        EXPECT_EQ(r.consumed, long(text.size()));
    }
    EXPECT_EQ(readNumber("0." + std::string(5000, '0') + "1").value, 0.0f);
    EXPECT_FALSE(readNumber(std::string(400, '9')).ok) << "beyond the float range";
    EXPECT_NEAR(readNumber("-2147483648").value, -2147483648.0f, 1);
    EXPECT_NEAR(readNumber("4294967296").value, 4294967296.0f, 1);
}

// The shortcut for short numbers must agree with the pair reader the format defines, to the bit and to
// the byte where reading stops, on anything: digit runs of every length on both sides of the point,
// doubled points, signs, blanks, letters and NUL bytes right after the number.
TEST(StrToNormalFloat, ShortcutAgreesWithThePairReader)
{
    std::mt19937 random(17);
    const char pieces[] = "0123456789012345678901234567890123456789..........-+ \tXE;\r\n";
    for (int i = 0; i < 300000; ++i) {
        std::string text;
        const int length = int(random() % 16);
        for (int c = 0; c < length; ++c)
            text += pieces[random() % (sizeof pieces - 1)];
        if (random() % 8 == 0)
            text += char(random() % 256);
        std::vector<char> buffer(text.begin(), text.end());
        buffer.push_back('\0');
        const char *fast = buffer.data(), *reference = buffer.data();
        float fastValue = -999, referenceValue = -999;
        const bool fastOk = strToNormalFloat(fast, fastValue);
        const bool referenceOk = strnum_detail::readNumberByPairs(reference, referenceValue);
        ASSERT_EQ(fastOk, referenceOk) << '"' << text << '"';
        ASSERT_EQ(fast - buffer.data(), reference - buffer.data()) << '"' << text << '"';
        if (fastOk) {
            std::uint32_t fastBits, referenceBits;
            std::memcpy(&fastBits, &fastValue, 4);
            std::memcpy(&referenceBits, &referenceValue, 4);
            ASSERT_EQ(fastBits, referenceBits) << '"' << text << '"';
        }
    }
}
