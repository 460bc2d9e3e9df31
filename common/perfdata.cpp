#include "common/perfdata.h"

#include <QDebug>
#include <QMutex>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace
{

// Each thread times its steps in its own table, under a lock that only the report and perfClear() share with
// it: the slicing threads run thousands of short sections each, and one table for all made them queue for
// it. A name timed on two threads at once thus has two stopwatches, which the report adds together.
struct ThreadRecords {
    QMutex mutex;
    std::map<QString, PerfData> byName;
};

struct Registry {
    QMutex mutex;
    std::vector<std::shared_ptr<ThreadRecords>> tables; // kept after their threads end, until perfClear()
};

Registry &registry()
{
    static Registry instance;
    return instance;
}

ThreadRecords &threadRecords()
{
    thread_local const std::shared_ptr<ThreadRecords> mine = [] {
        auto table = std::make_shared<ThreadRecords>();
        Registry &r = registry();
        QMutexLocker lock(&r.mutex);
        r.tables.push_back(table);
        return table;
    }();
    return *mine;
}

struct NameTotal {
    qint64 elapsedNs = 0;
    int count = 0;
    bool running = false;
};

// With the registry locked.
std::map<QString, NameTotal> totalsByName()
{
    std::map<QString, NameTotal> totals;
    for (const std::shared_ptr<ThreadRecords> &table : registry().tables) {
        QMutexLocker lock(&table->mutex);
        for (const auto &[name, record] : table->byName) {
            NameTotal &total = totals[name];
            total.elapsedNs += record.elapsedNs;
            total.count += record.count;
            total.running = total.running || record.running;
        }
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
    ThreadRecords &table = threadRecords();
    QMutexLocker lock(&table.mutex);
    table.byName[name].begin(name);
}

void perfEnd(const QString &name)
{
    ThreadRecords &table = threadRecords();
    QMutexLocker lock(&table.mutex);
    table.byName[name].end(name);
}

void perfClear()
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    // Tables of threads that have ended are only held here.
    r.tables.erase(std::remove_if(r.tables.begin(), r.tables.end(),
                                  [](const std::shared_ptr<ThreadRecords> &table) { return table.use_count() == 1; }),
                   r.tables.end());
    for (const std::shared_ptr<ThreadRecords> &table : r.tables) {
        QMutexLocker tableLock(&table->mutex);
        table->byName.clear();
    }
}

// The share is each record's part of the sum of all records; sections may nest, so the shares can add
// up to more than 100. The TOTAL line counts all runs of all records.
QString perfReport()
{
    QMutexLocker lock(&registry().mutex);
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
