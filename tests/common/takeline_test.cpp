#include "common/takeline.h"

#include <gtest/gtest.h>

TEST(TakeLine, BackspaceDeletesThePreviousByteAndCrLfIsOneLineEnd)
{
    QByteArray buffer("ab\bc\r\n");
    QByteArray line("stale");
    ASSERT_TRUE(takeLine(buffer, line));
    EXPECT_EQ(line, "ac");
    EXPECT_TRUE(buffer.isEmpty());
}

TEST(TakeLine, KeepsTheUnfinishedLineForLater)
{
    QByteArray buffer("G1\r\nG2");
    QByteArray line;
    ASSERT_TRUE(takeLine(buffer, line));
    EXPECT_EQ(line, "G1");
    EXPECT_EQ(buffer, "G2");
    EXPECT_FALSE(takeLine(buffer, line));
    EXPECT_TRUE(line.isEmpty());
    EXPECT_EQ(buffer, "G2");
    buffer += "\n";
    ASSERT_TRUE(takeLine(buffer, line));
    EXPECT_EQ(line, "G2");
}

TEST(TakeLine, EdgeBytes)
{
    struct Case { QByteArray in, line, rest; };
    const Case cases[] = {
        {"\n", "", ""},
        {"\r\n\r\n", "", "\r\n"},
        {"\b\bx\n", "x", ""},          // backspaces at the start delete nothing
        {"ok\r\r\n", "ok\r", ""},      // only one trailing CR is dropped
        {"a\rb\n", "a\rb", ""},        // a CR inside the line stays
        {QByteArray("a\0b\nz", 5), QByteArray("a\0b", 3), "z"},
    };
    for (const Case &c : cases) {
        QByteArray buffer = c.in, line;
        ASSERT_TRUE(takeLine(buffer, line)) << c.in.toHex().constData();
        EXPECT_EQ(line, c.line) << c.in.toHex().constData();
        EXPECT_EQ(buffer, c.rest) << c.in.toHex().constData();
    }
}
