// The machine model: what each parsed command does to the state of a GCodeParser. No acceleration is
// modelled: time is XY distance over the feed rate, plus 4 s per homing command and the dwell times.

#include "common/gcode/gcodeparser.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

constexpr int letterIndex(char upper)
{
    return upper - 'A';
}
constexpr int kA = letterIndex('A'), kE = letterIndex('E'), kF = letterIndex('F'), kG = letterIndex('G'),
              kM = letterIndex('M'), kP = letterIndex('P'), kS = letterIndex('S'), kX = letterIndex('X'),
              kY = letterIndex('Y'), kZ = letterIndex('Z');

constexpr float kMillimetresPerInch = 25.4f;
constexpr float kHomingSeconds = 4;
// Feed limits for the time estimate; a move before the first F is timed at the lower one.
constexpr float kMinFeed = 0.01f, kMaxFeed = 10000000;

// Round to nearest, halves up (G0.6 is G1). Commands out of the int range have no meaning.
bool commandNumber(float value, double &rounded, int &number)
{
    // Nearly every command number is a small whole number; floor() is a library call on plain x86-64.
    if (value >= 0 && value < 65536) {
        const int whole = int(value);
        if (float(whole) == value) {
            number = whole;
            rounded = whole;
            return true;
        }
    }
    rounded = std::floor(double(value) + 0.5);
    if (rounded < std::numeric_limits<int>::min() || rounded > std::numeric_limits<int>::max())
        return false;
    number = int(rounded);
    return true;
}

struct MachineSnapshot {
    float x, y, z, e;
    std::uint8_t fan;

    bool operator!=(const MachineSnapshot &o) const
    {
        return x != o.x || y != o.y || z != o.z || e != o.e || fan != o.fan;
    }
};

} // namespace

inline void GCodeParser::measureMove(double dX, double dY, double dE)
{
    const double distance = (dX == 0 || dY == 0) ? std::abs(dX + dY) : std::sqrt(dX * dX + dY * dY);
    totalE += dE;
    if (dE > 0)
        extrudeDist += distance;
    else
        travelDist += distance;
    if (distance == 0)
        return;
    // One division per feed change rather than per move.
    if (feed != m_timedFeed) {
        m_timedFeed = feed;
        m_secondsPerMm = 60.0 / std::clamp(feed, kMinFeed, kMaxFeed);
    }
    timeSec += distance * m_secondsPerMm;
}

inline bool GCodeParser::moveLinear()
{
    const MachineSnapshot before{posX, posY, posZ, posE, fan};
    const float scale = inches ? kMillimetresPerInch : 1.0f;
    // The step of each axis is taken from the command itself: in relative mode a float position
    // that keeps growing (E over a whole print) would round every step it takes.
    auto moveAxis = [&](float &axis, int letter, bool relative) -> double {
        const float value = val[letter] * scale;
        const float old = axis;
        axis = relative ? axis + value : value;
        return relative ? double(value) : double(value) - double(old);
    };
    const bool hasXYZ = has[kX] || has[kY] || has[kZ];
    const double dX = has[kX] ? moveAxis(posX, kX, relXYZ) : 0;
    const double dY = has[kY] ? moveAxis(posY, kY, relXYZ) : 0;
    if (has[kZ])
        moveAxis(posZ, kZ, relXYZ);
    // A is a second name for E and wins over it.
    double dE = 0;
    if (has[kA])
        dE = moveAxis(posE, kA, relE);
    else if (has[kE])
        dE = moveAxis(posE, kE, relE);
    // A pure extruder move (retract, prime) carries its own slow F that the next move does not inherit.
    if (has[kF] && (hasXYZ || !(has[kE] || has[kA])))
        feed = val[kF] * scale;
    measureMove(dX, dY, dE);
    return posX != before.x || posY != before.y || posZ != before.z || posE != before.e;
}

bool GCodeParser::execute()
{
    if (has[kG]) {
        // Moves are nearly every command; their numbers need no rounding.
        if (val[kG] == 1 || val[kG] == 0)
            return moveLinear();
        return executeG(val[kG]);
    }
    if (has[kM])
        return executeM(val[kM]);
    return false; // a tool change alone does nothing to the model
}

bool GCodeParser::executeG(float value)
{
    double rounded = 0;
    int number = -1;
    const bool known = commandNumber(value, rounded, number);
    switch (known ? number : -1) {
    case 0:
    case 1:
        return moveLinear();
    case 4:
        if (!has[kP])
            return false;
        timeSec += std::max(val[kP], 0.0f) * 0.001; // P in milliseconds; a negative dwell takes no time
        return true;
    case 20:
        inches = true;
        return false;
    case 21:
        inches = false;
        return false;
    case 28:
    case 161:
    case 162:
        return home();
    case 29:
    case 130:
        return false;
    case 90:
    case 91:
        relXYZ = relE = number == 91;
        return false;
    case 92:
        return setPosition();
    default:
        recordError(QString("Unknown GCode '%1'").arg("G" + QString::number(rounded, 'g', 6)));
        return false;
    }
}

bool GCodeParser::executeM(float value)
{
    double rounded = 0;
    int number = -1;
    commandNumber(value, rounded, number);
    switch (number) {
    case 82:
    case 83:
        relE = number == 83;
        return false;
    case 104:
    case 109:
        if (has[kS])
            extruderTemp = val[kS];
        return false;
    case 140:
    case 190:
        if (has[kS])
            bedTemp = val[kS];
        return false;
    case 106:
        if (!has[kS])
            return false;
        fan = std::uint8_t(std::clamp(std::floor(double(val[kS]) + 0.5), 0.0, 255.0));
        return true;
    case 107:
    case 127:
        fan = 0;
        return true;
    case 126:
        fan = 255;
        return true;
    default:
        return false; // other M commands are the printer's business
    }
}

bool GCodeParser::home()
{
    const MachineSnapshot before{posX, posY, posZ, posE, fan};
    if (!has[kX] && !has[kY] && !has[kZ]) {
        posX = posY = posZ = 0;
    } else {
        // The given values are machine positions after homing, so inches do not apply.
        if (has[kX])
            posX = val[kX];
        if (has[kY])
            posY = val[kY];
        if (has[kZ])
            posZ = val[kZ];
    }
    timeSec += kHomingSeconds;
    return MachineSnapshot{posX, posY, posZ, posE, fan} != before;
}

bool GCodeParser::setPosition()
{
    const MachineSnapshot before{posX, posY, posZ, posE, fan};
    const float scale = inches ? kMillimetresPerInch : 1.0f;
    if (has[kX])
        posX = val[kX] * scale;
    if (has[kY])
        posY = val[kY] * scale;
    if (has[kZ])
        posZ = val[kZ] * scale;
    if (has[kA])
        posE = val[kA] * scale;
    else if (has[kE])
        posE = val[kE] * scale;
    return MachineSnapshot{posX, posY, posZ, posE, fan} != before;
}
