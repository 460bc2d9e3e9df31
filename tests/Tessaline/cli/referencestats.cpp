#include "referencestats.h"

#include <QList>
#include <QMap>

#include <algorithm>
#include <cmath>
#include <set>

namespace
{

struct Machine {
    double pos[4] = {0, 0, 0, 0}; // X Y Z E
    double feed = 0;
    bool relXYZ = false, relE = false, inches = false;
    std::set<long long> heights;
};

QByteArray withoutComments(QByteArray line)
{
    const int semicolon = line.indexOf(';');
    if (semicolon >= 0)
        line.truncate(semicolon);
    for (int open; (open = line.indexOf('(')) >= 0;) {
        const int close = line.indexOf(')', open);
        line.remove(open, close < 0 ? line.size() - open : close + 1 - open);
    }
    return line.toUpper();
}

void move(Machine &m, const QMap<char, double> &words, ReferenceStats &stats)
{
    const double scale = m.inches ? 25.4 : 1;
    const double old[4] = {m.pos[0], m.pos[1], m.pos[2], m.pos[3]};
    const char axes[4] = {'X', 'Y', 'Z', 'E'};
    for (int i = 0; i < 4; ++i) {
        char letter = axes[i];
        if (i == 3 && words.contains('A'))
            letter = 'A';
        if (!words.contains(letter))
            continue;
        const bool relative = i == 3 ? m.relE : m.relXYZ;
        m.pos[i] = relative ? m.pos[i] + words[letter] * scale : words[letter] * scale;
    }
    const bool anyXYZ = words.contains('X') || words.contains('Y') || words.contains('Z');
    if (words.contains('F') && (anyXYZ || !(words.contains('E') || words.contains('A'))))
        m.feed = words['F'] * scale;
    const double d = std::hypot(m.pos[0] - old[0], m.pos[1] - old[1]), dE = m.pos[3] - old[3];
    stats.totalE += dE;
    if (dE > 0) {
        stats.extrudeDist += d;
        if (d > 0)
            m.heights.insert(std::llround(m.pos[2] * 1000));
    } else {
        stats.travelDist += d;
    }
    stats.timeSec += d * 60 / std::clamp(m.feed, 0.01, 1e7);
}

void command(Machine &m, const QByteArray &code, const QMap<char, double> &words, ReferenceStats &stats)
{
    const double scale = m.inches ? 25.4 : 1;
    if (code == "G0" || code == "G1") {
        move(m, words, stats);
    } else if (code == "G4") {
        stats.timeSec += std::max(0.0, words.value('P', 0)) * 0.001;
    } else if (code == "G20" || code == "G21") {
        m.inches = code == "G20";
    } else if (code == "G28") {
        const bool any = words.contains('X') || words.contains('Y') || words.contains('Z');
        for (int i = 0; i < 3; ++i) {
            const char letter = "XYZ"[i];
            if (!any || words.contains(letter))
                m.pos[i] = words.value(letter, 0);
        }
        stats.timeSec += 4;
    } else if (code == "G90" || code == "G91") {
        m.relXYZ = m.relE = code == "G91";
    } else if (code == "G92") {
        for (int i = 0; i < 4; ++i) {
            if (words.contains("XYZE"[i]))
                m.pos[i] = words["XYZE"[i]] * scale;
        }
    } else if (code == "M82" || code == "M83") {
        m.relE = code == "M83";
    }
}

} // namespace

ReferenceStats referenceStats(const QByteArray &text)
{
    ReferenceStats stats;
    Machine machine;
    QByteArray normalised = text;
    normalised.replace("\r\n", "\n");
    const QList<QByteArray> lines = normalised.split('\n');
    stats.lines = lines.size() - (normalised.endsWith('\n') || normalised.isEmpty() ? 1 : 0);
    for (const QByteArray &raw : lines) {
        const QByteArray line = withoutComments(raw).simplified();
        if (line.isEmpty() || line.startsWith("M117"))
            continue;
        const QList<QByteArray> parts = line.split(' ');
        QMap<char, double> words;
        for (int i = 1; i < parts.size(); ++i)
            words[parts[i][0]] = parts[i].mid(1).toDouble();
        command(machine, parts[0], words, stats);
    }
    stats.layers = int(machine.heights.size());
    return stats;
}
