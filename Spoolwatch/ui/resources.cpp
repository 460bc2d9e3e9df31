#include "ui/resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initResourcesOnce()
{
    Q_INIT_RESOURCE(spoolwatch);
}

void initSpoolwatchResources()
{
    static const bool done = (initResourcesOnce(), true);
    Q_UNUSED(done);
}
