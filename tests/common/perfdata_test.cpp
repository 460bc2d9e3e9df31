#include "common/perfdata.h"

#include <QRegularExpression>
#include <QStringList>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>

TEST(PerfReport, ListsSectionsByNameWithCountsAndATotal)
{
    perfClear();
    for (int i = 0; i < 3; ++i) {
        PerfSection section("blur2");
        QThread::msleep(2);
    }
    {
        PerfSection section("SliceFaces");
        QThread::msleep(6);
    }
    const QStringList lines = perfReport().split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], " % | msecs  | cnt | name");
    // std::map orders by name: upper case before lower case.
    EXPECT_TRUE(lines[1].endsWith("     1 SliceFaces")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith("     3 blur2")) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].endsWith("     4 TOTAL")) << lines[3].toStdString();

    const QRegularExpression row("^([ \\d]{3})([ \\d]{6}\\.\\d\\d)");
    double sum = 0;
    int shares = 0;
    for (int i = 1; i <= 2; ++i) {
        const auto m = row.match(lines[i]);
        ASSERT_TRUE(m.hasMatch()) << lines[i].toStdString();
        shares += m.captured(1).trimmed().toInt();
        sum += m.captured(2).toDouble();
        EXPECT_GE(m.captured(2).toDouble(), 5.0);
    }
    const auto total = row.match(lines[3]);
    EXPECT_EQ(total.captured(1).trimmed().toInt(), 100);
    EXPECT_NEAR(total.captured(2).toDouble(), sum, 0.02);
    EXPECT_GE(shares, 99);
    EXPECT_LE(shares, 101);
}

TEST(PerfReport, UnbalancedCallsAreHarmless)
{
    perfClear();
    perfEnd("never started");
    perfBegin("twice");
    perfBegin("twice"); // ignored: still one run
    perfEnd("twice");
    const QString report = perfReport();
    EXPECT_TRUE(report.contains("     1 twice"));
    EXPECT_TRUE(report.contains("     0 never started"));
    perfClear();
    EXPECT_EQ(perfReport().count("\r\n"), 2);
}

TEST(PerfReport, ThreadsTimingOneNameAtOnceAreAddedUp)
{
    perfClear();
    const auto timeTwice = [] {
        for (int i = 0; i < 2; ++i) {
            PerfSection section("hairDetect1");
            QThread::msleep(20);
        }
    };
    const std::unique_ptr<QThread> other(QThread::create(timeTwice));
    other->start();
    timeTwice();
    other->wait();
    const QStringList lines = perfReport().split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].endsWith("     4 hairDetect1")) << lines[1].toStdString();
    // Four sections of at least 20 ms each, whether they overlapped or not.
    EXPECT_GE(lines[1].mid(3, 9).trimmed().toDouble(), 79.0) << lines[1].toStdString();
}
