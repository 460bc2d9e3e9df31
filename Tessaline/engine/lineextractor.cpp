#include "engine/lineextractor.h"

#include <algorithm>
#include <cmath>

// The pixels of a straight line, one per step along its major axis, the minor coordinate in 16.16 fixed point.
struct LineExtractor::Walk {
    bool xMajor = true;
    int first = 0; // major coordinate of the first and the last pixel
    int last = -1;
    qint64 minorStart = 0; // fixed point, at `first`
    qint64 slope = 0;      // fixed point per step
    int minorLimit = 0;    // the largest minor pixel coordinate

    Walk(V2f a, V2f b, int width, int height)
    {
        xMajor = std::fabs(b.x - a.x) >= std::fabs(b.y - a.y);
        if (!xMajor) {
            std::swap(a.x, a.y);
            std::swap(b.x, b.y);
        }
        if (b.x < a.x)
            std::swap(a, b);
        const int majorLimit = (xMajor ? width : height) - 1;
        minorLimit = (xMajor ? height : width) - 1;
        first = std::clamp(int(std::lround(a.x)), 0, majorLimit);
        last = std::clamp(int(std::lround(b.x)), 0, majorLimit);
        const double gradient = b.x > a.x ? (double(b.y) - a.y) / (double(b.x) - a.x) : 0.0;
        slope = qint64(std::llround(gradient * 65536.0));
        minorStart = qint64(std::llround((a.y + gradient * (first - a.x)) * 65536.0));
    }

    qint64 minorAt(int major) const { return minorStart + slope * (major - first); }
    int minorPixel(int major) const { return std::clamp(int((minorAt(major) + 0x8000) >> 16), 0, minorLimit); }
    int x(int major) const { return xMajor ? major : minorPixel(major); }
    int y(int major) const { return xMajor ? minorPixel(major) : major; }
    V2f point(int major) const
    {
        const float minor = std::clamp(float(double(minorAt(major)) / 65536.0), 0.0f, float(minorLimit));
        return xMajor ? V2f{float(major), minor} : V2f{minor, float(major)};
    }

    // Further steps after `major` whose pixels stay in the same 16 x 16 tile.
    int stepsInTile(int major) const
    {
        int steps = ((major >> 4) << 4) + 15 - major;
        const int tile = minorPixel(major) >> 4;
        const qint64 here = minorAt(major) + 0x8000;
        if (slope > 0)
            steps = int(std::min<qint64>(steps, ((qint64(tile + 1) << 20) - 1 - here) / slope));
        else if (slope < 0)
            steps = int(std::min<qint64>(steps, (here - (qint64(tile) << 20)) / -slope));
        return std::max(0, std::min(steps, last - major));
    }
};

LineExtractor::LineExtractor(const Plane1 &region, float minimumRunLength)
    : m_region(region), m_minimumRunLength(minimumRunLength)
{
    region.tileMap(m_tiles);
}

QVector<PolyLine> LineExtractor::runs(const PatternLine &strand, SegType type, bool reversed) const
{
    QVector<PolyLine> out;
    if (m_region.width() <= 0 || m_region.height() <= 0)
        return out;
    const Walk walk(strand.from, strand.to, m_region.width(), m_region.height());
    bool inside = false;
    V2f entry;
    const auto endRun = [&](const V2f &exit) {
        inside = false;
        if (std::fabs(exit.x - entry.x) <= m_minimumRunLength && std::fabs(exit.y - entry.y) <= m_minimumRunLength)
            return;
        PolyLine run(type);
        run.points = reversed ? QVector<V2f>{exit, entry} : QVector<V2f>{entry, exit};
        out.append(run);
    };
    for (int major = walk.first; major <= walk.last; ++major) {
        const int x = walk.x(major), y = walk.y(major);
        const quint8 tile = tileAt(x, y);
        const bool uniform = tile == 0 || tile == 255;
        const bool set = uniform ? tile == 255 : m_region.pixel(x, y);
        if (set != inside) {
            if (set) {
                inside = true;
                entry = walk.point(major);
            } else {
                endRun(walk.point(major - 1));
            }
        }
        if (uniform)
            major += walk.stepsInTile(major);
    }
    if (inside)
        endRun(walk.point(walk.last));
    return out;
}

bool LineExtractor::insideRegion(const V2f &a, const V2f &b) const
{
    if (m_region.width() <= 0 || m_region.height() <= 0)
        return false;
    const Walk walk(a, b, m_region.width(), m_region.height());
    for (int major = walk.first; major <= walk.last; ++major)
        if (!m_region.pixel(walk.x(major), walk.y(major)))
            return false;
    return true;
}
