#include "perfdata.h"

#include <QDebug>
#include <QMutex>
#include <QThread>

#include <map>

namespace {

QMutex &perfMutex()
{
    static QMutex mutex;
    return mutex;
}

// One record per name and thread: the slicing threads time the same steps side by side, and each must find
// its own section running. The report adds the threads' records of a name together.
using RecordKey = std::pair<QString, Qt::HANDLE>;

std::map<RecordKey, PerfData> &records()
{
    static std::map<RecordKey, PerfData> map;
    return map;
}

PerfData &recordOf(const QString &name)
{
    return records()[RecordKey(name, QThread::currentThreadId())];
}

struct NameTotal {
    qint64 elapsedNs = 0;
    int count = 0;
    bool running = false;
};

std::map<QString, NameTotal> totalsByName()
{
    std::map<QString, NameTotal> totals;
    for (const auto &[key, record] : records()) {
        NameTotal &total = totals[key.first];
        total.elapsedNs += record.elapsedNs;
        total.count += record.count;
        total.running = total.running || record.running;
    }
    return totals;
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
    recordOf(name).begin(name);
}

void perfEnd(const QString &name)
{
    QMutexLocker lock(&perfMutex());
    recordOf(name).end(name);
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
    const std::map<QString, NameTotal> totals = totalsByName();
    for (const auto &[name, total] : totals) {
        if (total.running)
            qDebug() << QString("perfReport() '%1' hasn't stopped when generating report.").arg(name);
        totalMs += total.elapsedNs / 1e6;
        totalCount += total.count;
    }
    QString report = " % | msecs  | cnt | name\r\n";
    for (const auto &[name, total] : totals) {
        const double ms = total.elapsedNs / 1e6;
        const int share = totalMs > 0 ? int(ms * 100.0 / totalMs + 0.5) : 0;
        report += QString::asprintf("%3d%9.2f%6d %s\r\n", share, ms, total.count, qUtf8Printable(name));
    }
    report += QString::asprintf("%3d%9.2f%6s %s\r\n", totalMs > 0 ? 100 : 0, totalMs,
                                qUtf8Printable(QString::number(totalCount)), "TOTAL");
    return report;
}
