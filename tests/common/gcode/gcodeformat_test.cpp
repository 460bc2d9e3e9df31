#include "common/gcode/gcodesimformat.h"
#include "common/strnum.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

TEST(GCodeFormat, RealsAreRoundedToThousandthsWithThreeDecimals)
{
    const struct {
        double value;
        const char *text;
    } cases[] = {
        {12.5, "12.500"},
        {0.25, "0.250"},
        {-3, "-3.000"},
        {-0.0004, "0.000"},
        {-1.5, "-1.500"},
        {0.4, "0.400"},
        {12, "12.000"},
        {0.0005, "0.001"},
        {-0.0005, "0.000"},
        {-0.0006, "-0.001"},
        {999.9995, "1000.000"},
        {123456.789, "123456.789"},
        {0, "0.000"},
        {-0.0, "0.000"},
        {std::nan(""), "0.000"},
        {1e300, "9200000000000000.000"},
        {-1e300, "-9200000000000000.000"},
    };
    for (const auto &c : cases) {
        QByteArray text;
        gcodeformat::appendReal(text, c.value);
        EXPECT_EQ(text, c.text) << c.value;
    }
}

TEST(GCodeFormat, IntegersArePlainDecimal)
{
    const struct {
        std::int64_t value;
        const char *text;
    } cases[] = {{0, "0"},
                 {7, "7"},
                 {-7, "-7"},
                 {1000, "1000"},
                 {100, "100"},
                 {1000001, "1000001"},
                 {-999, "-999"},
                 {std::numeric_limits<std::int64_t>::min(), "-9223372036854775808"},
                 {std::numeric_limits<std::int64_t>::max(), "9223372036854775807"}};
    for (const auto &c : cases) {
        QByteArray text;
        gcodeformat::appendInt(text, c.value);
        EXPECT_EQ(text, c.text);
    }
}

TEST(GCodeFormat, AgreesWithPrintfAndReadsBack)
{
    std::mt19937_64 random(3);
    for (int i = 0; i < 50000; ++i) {
        const std::int64_t integer = std::int64_t(random()) >> (random() % 64);
        QByteArray text;
        gcodeformat::appendInt(text, integer);
        EXPECT_EQ(text, QByteArray::number(qlonglong(integer)));

        // Single-precision values, as the writer and the converter hand them over.
        const float real = float(std::ldexp(double(std::int32_t(random())), -int(random() % 40)));
        QByteArray realText;
        gcodeformat::appendReal(realText, real);
        const long long thousandths = (long long)std::floor(double(real) * 1000 + 0.5);
        char expected[64];
        std::snprintf(expected, sizeof expected, "%s%lld.%03lld", thousandths < 0 ? "-" : "",
                      std::llabs(thousandths) / 1000, std::llabs(thousandths) % 1000);
        ASSERT_EQ(realText, expected) << real;
        const char *cursor = realText.constData();
        float back = 0;
        ASSERT_TRUE(strToNormalFloat(cursor, back));
        EXPECT_NEAR(back, real, 0.0005 + std::abs(real) * 3e-7) << realText.constData();
        EXPECT_EQ(*cursor, '\0');
    }
}
