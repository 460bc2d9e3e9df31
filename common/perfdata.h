#pragma once

#include <QElapsedTimer>
#include <QString>

// Named stopwatches for the heavy steps ("SliceFaces", "blur2", ...). Each name keeps how often it ran
// and the time it took in total; perfReport() prints them as a table ordered by name.
// Safe to use from any thread; threads timing the same name at once each keep their own stopwatch, and the
// report adds them up (so a step run on two threads may report more time than the run took).
struct PerfData
{
    bool running = false;
    int count = 0;
    qint64 elapsedNs = 0;
    QElapsedTimer timer;

    void begin(const QString &name);
    void end(const QString &name);
};

void perfBegin(const QString &name);
void perfEnd(const QString &name);
// Table with the share of the total in percent, milliseconds, count and name, then a TOTAL line.
QString perfReport();
// Forgets every record (a new slice starts a new report).
void perfClear();

// Times the enclosing scope under a name.
class PerfSection
{
public:
    explicit PerfSection(QString name) : m_name(std::move(name)) { perfBegin(m_name); }
    ~PerfSection() { perfEnd(m_name); }
    PerfSection(const PerfSection &) = delete;
    PerfSection &operator=(const PerfSection &) = delete;

private:
    QString m_name;
};
