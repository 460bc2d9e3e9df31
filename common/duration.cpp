#include "common/duration.h"

#include <cmath>

QString durationText(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    const double days = std::floor(seconds / 86400.0);
    const long long secondOfDay = (long long)(seconds - days * 86400.0);
    const int h = int(secondOfDay / 3600), m = int(secondOfDay / 60 % 60), s = int(secondOfDay % 60);
    QString text;
    if (days >= 1)
        text = QString::number((long long)days) + " days, ";
    return text + QString("%1:%2:%3").arg(h).arg(m, 2, 10, QChar('0')).arg(s, 2, 10, QChar('0'));
}
