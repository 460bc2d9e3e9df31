#pragma once

#include <QString>

// "H:mm:ss", preceded by "<d> days, " for a day or more: 90061 s -> "1 days, 1:01:01".
// Negative and non-finite durations read as 0.
QString durationText(double seconds);
