#pragma once

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

// The time and layer index of a loaded job, built once by walking the whole text with the shared
// G-code parser. Times are the parser's estimate in seconds; offsets are bytes from the job's start.
struct JobIndex {
    // Bytes of job text per time entry: fine enough for a smooth remaining time, small enough that
    // a 100 MB job indexes into under half a million floats.
    static constexpr int blockBytes = 256;

    // Entry k: the simulated time after the first command that starts at or beyond byte 256 (k + 1);
    // entries no command reaches hold the final time. job length / 256 entries.
    std::vector<float> timeIndex;
    // The time after the job's last command. The last entry of timeIndex misses the commands that
    // start after its boundary, so the total is kept on its own.
    float totalSeconds = 0;
    qint64 jobBytes = 0;
    // (Z in mm, offset of the first extruding XY move at that height), sorted by Z.
    std::vector<std::pair<float, qint64>> layerIndex;

    static JobIndex build(const QByteArray &job);

    bool hasTime() const { return !timeIndex.empty(); }
    float totalTime() const { return timeIndex.empty() ? 0.f : totalSeconds; }
    // Estimated seconds done when the job cursor stands at `offset`, interpolated inside the block;
    // the last block runs to the end of the job and to the total.
    float elapsedAt(qint64 offset) const;
};

// What the panel's time label says for a cursor at `offset`: the total before the job starts,
// "T- " + remaining time while it runs, "Finished" once the cursor reached the end; empty when the
// job has no time index.
QString jobTimeText(const JobIndex &index, qint64 offset);
