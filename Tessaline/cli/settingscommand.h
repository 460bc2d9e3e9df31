#pragma once

#include <QStringList>

// `tessaline-cli settings [--json] [--preset FILE]`: every setting with its value, default, range, unit and
// form group, the values those of a preset file or the defaults. Returns the exit status; a preset file that
// cannot be read throws its message.
int runSettings(const QStringList &args);
