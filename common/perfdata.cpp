#include "perfdata.h"

#include <QDebug>
#include <QMutex>

#include <map>

namespace {

QMutex &perfMutex()
{
    static QMutex mutex;
    return mutex;
}

std::map<QString, PerfData> &records()
{
    static std::map<QString, PerfData> map;
    return map;
}

} // namespace

void PerfData::begin(const QString &name)
{
    if (running) {
        qDebug() << QString("perfBegin() '%1' is already running.").arg(name);
        return;
    }
    ++count;
    running = true;
    timer.start();
}

void PerfData::end(const QString &name)
{
    if (!running) {
        qDebug() << QString("perfEnd() '%1' hasn't started.").arg(name);
        return;
    }
    elapsedNs += timer.nsecsElapsed();
    running = false;
}

void perfBegin(const QString &name)
{
    QMutexLocker lock(&perfMutex());
    records()[name].begin(name);
}

void perfEnd(const QString &name)
{
    QMutexLocker lock(&perfMutex());
    records()[name].end(name);
}

void perfClear()
{
    QMutexLocker lock(&perfMutex());
    records().clear();
}

// The share is each record's part of the sum of all records; sections may nest, so the shares can add
// up to more than 100. The TOTAL line counts all runs of all records.
QString perfReport()
{
    QMutexLocker lock(&perfMutex());
    double totalMs = 0;
    int totalCount = 0;
    for (const auto &[name, record] : records()) {
        if (record.running)
            qDebug() << QString("perfReport() '%1' hasn't stopped when generating report.").arg(name);
        totalMs += record.elapsedNs / 1e6;
        totalCount += record.count;
    }
    QString report = " % | msecs  | cnt | name\r\n";
    for (const auto &[name, record] : records()) {
        const double ms = record.elapsedNs / 1e6;
        const int share = totalMs > 0 ? int(ms * 100.0 / totalMs + 0.5) : 0;
        report += QString::asprintf("%3d%9.2f%6d %s\r\n", share, ms, record.count, qUtf8Printable(name));
    }
    report += QString::asprintf("%3d%9.2f%6s %s\r\n", totalMs > 0 ? 100 : 0, totalMs,
                                qUtf8Printable(QString::number(totalCount)), "TOTAL");
    return report;
}
