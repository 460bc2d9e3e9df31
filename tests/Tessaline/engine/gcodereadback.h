#pragma once

// Reads the writer's G-code back with the system's own parser and keeps one record per command, so that
// tests check what a printer would do rather than the text.
#include "common/gcode/gcodeparser.h"

#include <QByteArray>
#include <QVector>

struct ReadbackCommand {
    char letter = 0; // 'G' or 'M'
    int number = 0;
    bool hasX = false, hasY = false, hasZ = false, hasE = false, hasF = false, hasS = false;
    float s = 0;
    float f = 0; // the F written on the line; `feed` is what the machine model made of it
    // Machine state before and after the command.
    float x0 = 0, y0 = 0, z0 = 0, e0 = 0;
    float x = 0, y = 0, z = 0, e = 0;
    float feed = 0;
    int segType = 0;
    int fan = 0;
    double timeAfter = 0;

    bool isMove() const { return letter == 'G' && (number == 0 || number == 1); }
    bool movesXY() const { return isMove() && (hasX || hasY); }
    bool extrudes() const { return movesXY() && e > e0; }
};

struct Readback {
    QVector<ReadbackCommand> commands;
    QString error;
    double timeSec = 0;
    double totalE = 0;
};

inline Readback readBack(const QByteArray &text)
{
    Readback result;
    GCodeParser parser;
    const auto letter = [&](char c) { return c - 'A'; };
    // The state before a command is the state after the previous one.
    float px = 0, py = 0, pz = 0, pe = 0;
    parser.parseWholeText(text, [&](bool) {
        ReadbackCommand c;
        if (parser.has[letter('G')]) {
            c.letter = 'G';
            c.number = int(parser.val[letter('G')] + 0.5f);
        } else if (parser.has[letter('M')]) {
            c.letter = 'M';
            c.number = int(parser.val[letter('M')] + 0.5f);
        } else {
            return;
        }
        c.hasX = parser.has[letter('X')];
        c.hasY = parser.has[letter('Y')];
        c.hasZ = parser.has[letter('Z')];
        c.hasE = parser.has[letter('E')];
        c.hasF = parser.has[letter('F')];
        c.hasS = parser.has[letter('S')];
        c.s = parser.val[letter('S')];
        c.f = parser.val[letter('F')];
        c.x0 = px, c.y0 = py, c.z0 = pz, c.e0 = pe;
        c.x = px = parser.posX;
        c.y = py = parser.posY;
        c.z = pz = parser.posZ;
        c.e = pe = parser.posE;
        c.feed = parser.feed;
        c.segType = parser.segType;
        c.fan = parser.fan;
        c.timeAfter = parser.timeSec;
        result.commands.append(c);
    });
    result.error = parser.error();
    result.timeSec = parser.timeSec;
    result.totalE = parser.totalE;
    return result;
}
