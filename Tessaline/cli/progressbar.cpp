#include "cli/progressbar.h"

#include "cli/clitext.h"

#include <algorithm>

void ProgressBar::show(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent == m_shown)
        return;
    m_shown = percent;
    constexpr int barWidth = 40;
    const int filled = percent * barWidth / 100;
    printErr(QString("\r[%1%2] %3%").arg(QString(filled, '#'), QString(barWidth - filled, ' ')).arg(percent, 3));
    if (percent == 100)
        printErr("\n");
}
