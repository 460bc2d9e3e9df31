#include "common/debugswitches.h"

#include "common/platform/paths.h"

#include <QDate>

namespace {
bool g_debugMode = false;
}

void initDebugSwitches()
{
    g_debugMode = platform::developerSwitchSet("c:/het");
    appRandom().seed(quint32(QDate::currentDate().toJulianDay() * 134775813 + 1));
}

bool debugMode()
{
    return g_debugMode;
}

QRandomGenerator &appRandom()
{
    static QRandomGenerator generator;
    return generator;
}
