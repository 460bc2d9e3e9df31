#include "ui/commandhistory.h"

void CommandHistory::add(const QString &line)
{
    if (m_lines.isEmpty() || m_lines.first() != line)
        m_lines.prepend(line);
    m_position = -1;
}

QString CommandHistory::older()
{
    if (m_lines.isEmpty())
        return QString();
    m_position = qMin(m_position + 1, int(m_lines.size()) - 1);
    return m_lines[m_position];
}

QString CommandHistory::newer()
{
    m_position = qMax(m_position - 1, -1);
    return m_position < 0 ? QString() : m_lines[m_position];
}
