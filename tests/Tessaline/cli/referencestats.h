#pragma once

#include <QByteArray>

// A plain reading of the G-code timing rules, written apart from the parser so that the tool's figures
// can be checked against it: whitespace-separated words, ';' and '(' comments, the moves, homing,
// dwell, position and mode commands; double precision throughout. Only for well-formed files.
struct ReferenceStats {
    double timeSec = 0, totalE = 0, extrudeDist = 0, travelDist = 0;
    int layers = 0;
    int lines = 0;
};

ReferenceStats referenceStats(const QByteArray &text);
