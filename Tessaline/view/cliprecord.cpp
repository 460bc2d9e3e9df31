#include "view/cliprecord.h"

#include <cmath>
#include <limits>

QJsonObject ClipRecord::toJson() const
{
    QJsonObject json{{"enabled", enabled}};
    for (int a = 0; a < 3; ++a) {
        json.insert("pos" + QString::number(a), double(pos[a]));
        json.insert("side" + QString::number(a), side[a]);
    }
    return json;
}

ClipRecord ClipRecord::fromJson(const QJsonObject &json)
{
    ClipRecord record;
    record.enabled = json.value("enabled").toBool(false);
    for (int a = 0; a < 3; ++a) {
        const double position = json.value("pos" + QString::number(a)).toDouble(0.0);
        const double side = json.value("side" + QString::number(a)).toDouble(0.0);
        record.pos[a] = std::isfinite(position) ? float(position) : 0.0f;
        record.side[a] = std::isfinite(side) && std::fabs(side) < 1e9 ? int(std::lround(side)) : 0;
    }
    return record;
}

void ClipRecord::keptBox(V3f &low, V3f &high) const
{
    const float far = std::numeric_limits<float>::max();
    low = V3f(-far, -far, -far);
    high = V3f(far, far, far);
    if (!enabled)
        return;
    for (int a = 0; a < 3; ++a) {
        if (side[a] > 0)
            high[a] = pos[a];
        else if (side[a] < 0)
            low[a] = pos[a];
    }
}

bool ClipRecord::keeps(const V3f &point) const
{
    V3f low, high;
    keptBox(low, high);
    for (int a = 0; a < 3; ++a)
        if (point[a] < low[a] || point[a] > high[a])
            return false;
    return true;
}
