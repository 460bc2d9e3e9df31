#pragma once

#include <QString>
#include <QStringList>

// The terminal's typed lines, newest first. Walking starts before the newest entry: the first step
// back shows the newest line, stepping forward past it gives an empty line again.
class CommandHistory
{
public:
    // A line sent: it goes to the front unless it equals the newest entry; the walk starts over.
    void add(const QString &line);
    // One step towards older lines; stays at the oldest.
    QString older();
    // One step towards newer lines; past the newest, an empty line.
    QString newer();
    void resetPosition() { m_position = -1; }
    const QStringList &lines() const { return m_lines; }

private:
    QStringList m_lines;
    int m_position = -1; // index into m_lines; -1 before the newest
};
