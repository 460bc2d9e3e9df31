#include "link/jobindex.h"

#include "common/duration.h"
#include "common/gcode/gcodeparser.h"

#include <algorithm>

JobIndex JobIndex::build(const QByteArray &job)
{
    JobIndex index;
    const qint64 entries = job.size() / blockBytes;
    index.timeIndex.reserve(size_t(entries));

    GCodeParser parser;
    parser.reset();
    parser.textStart = job.constData();
    const char *cursor = job.constData();
    const char *const end = cursor + job.size();
    bool haveLayerZ = false;
    float lastLayerZ = 0;
    while (cursor < end) {
        if (*cursor == '\0') {
            // A NUL in a damaged file would end the parser's walk; the rest is still indexed.
            ++cursor;
            continue;
        }
        const qint64 offset = cursor - job.constData();
        const float x = parser.posX, y = parser.posY, z = parser.posZ, e = parser.posE;
        parser.parseCommand(cursor);
        while (offset >= qint64(blockBytes) * qint64(index.timeIndex.size() + 1))
            index.timeIndex.push_back(float(parser.timeSec));
        const bool printsInPlane = parser.posZ == z && parser.posE != e && (parser.posX != x || parser.posY != y);
        if (printsInPlane && (!haveLayerZ || parser.posZ != lastLayerZ)) {
            haveLayerZ = true;
            lastLayerZ = parser.posZ;
            const auto known = std::find_if(index.layerIndex.begin(), index.layerIndex.end(),
                                            [&](const auto &layer) { return layer.first == lastLayerZ; });
            if (known == index.layerIndex.end())
                index.layerIndex.emplace_back(lastLayerZ, offset);
        }
    }
    while (qint64(index.timeIndex.size()) < entries)
        index.timeIndex.push_back(float(parser.timeSec));
    index.totalSeconds = float(parser.timeSec);
    index.jobBytes = job.size();
    std::stable_sort(index.layerIndex.begin(), index.layerIndex.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    return index;
}

float JobIndex::elapsedAt(qint64 offset) const
{
    if (timeIndex.empty())
        return 0;
    if (offset >= jobBytes)
        return totalSeconds;
    const qint64 last = qint64(timeIndex.size()) - 1;
    offset = std::max<qint64>(offset, 0);
    const qint64 block = std::min(offset / blockBytes, last);
    const float t0 = timeIndex[size_t(block)];
    if (block < last) {
        const float t1 = timeIndex[size_t(block + 1)];
        return t0 + float(offset % blockBytes) / blockBytes * (t1 - t0);
    }
    const qint64 blockStart = last * blockBytes;
    return t0 + float(offset - blockStart) / float(jobBytes - blockStart) * (totalSeconds - t0);
}

QString jobTimeText(const JobIndex &index, qint64 offset)
{
    if (!index.hasTime())
        return {};
    const float total = index.totalTime();
    if (offset <= 0)
        return durationText(total);
    const float elapsed = index.elapsedAt(offset);
    if (offset >= index.jobBytes && elapsed > 0)
        return "Finished";
    return "T- " + durationText(std::max(0.f, total - elapsed));
}
