#pragma once

#include <QRandomGenerator>

// Start-up switches for developers. Reads the "c:/het" switch file (through the platform layer) and
// seeds the application's random generator from today's date, so that runs on one day repeat.
void initDebugSwitches();

// True when the "c:/het" switch was present at start-up: the programs then log more and show
// developer-only information.
bool debugMode();

// The generator seeded by initDebugSwitches() (Julian day x 134775813 + 1).
QRandomGenerator &appRandom();
