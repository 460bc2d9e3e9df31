#include "raster/polyline.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace
{

// Inserting points stops here: a broken length must not exhaust memory.
constexpr double maxInsertedPoints = 1e7;

double segmentLength(const V2f &a, const V2f &b)
{
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    return std::sqrt(dx * dx + dy * dy);
}

} // namespace

void PolyLine::append(const V2f &point, float tolerance)
{
    points.append(point);
    if (pruned) {
        pruned = false;
        return;
    }
    const int n = points.size();
    if (n < 3)
        return;
    const V2f &a = points[n - 3], &b = points[n - 2], &c = points[n - 1];
    const double bcX = double(b.x) - c.x, bcY = double(b.y) - c.y;
    const double baX = double(b.x) - a.x, baY = double(b.y) - a.y;
    if (std::fabs(bcX * baY - bcY * baX) < tolerance) {
        points.remove(n - 2);
        if (w.size() >= n - 1)
            w.remove(n - 2);
        pruned = true;
    }
}

void PolyLine::append(const V2f &point, float width, float tolerance)
{
    // The width joins first so that a pruned point takes its own width with it.
    w.append(width);
    append(point, tolerance);
}

void PolyLine::simplify(float tolerance)
{
    while (points.size() > 3) {
        PolyLine rebuilt(type);
        rebuilt.closed = closed;
        rebuilt.tag = tag;
        rebuilt.hairs = hairs;
        rebuilt.points.reserve(points.size());
        const bool withWidths = w.size() == points.size();
        for (int i = 0; i < points.size(); ++i) {
            if (withWidths)
                rebuilt.append(points[i], w[i], tolerance);
            else
                rebuilt.append(points[i], tolerance);
        }
        const double kept = double(rebuilt.points.size()) / points.size();
        *this = rebuilt;
        if (kept > 0.95)
            break;
    }
    retract = false;
}

PolyLine PolyLine::smoothed(int window) const
{
    if (closed)
        throw "PolyLine::smoothed() closed polygon smotthing not implemented.";
    if (window != 1 && window != 3 && window != 5)
        throw "PolyLine::smoothed() invalid parameter";
    PolyLine result = *this;
    const int n = points.size();
    if (window == 1 || n < 3)
        return result;
    const bool withWidths = w.size() == n;
    auto three = [](auto a, auto b, auto c) { return (a + b * 2.0f + c) * 0.25f; };
    auto five = [](auto a, auto b, auto c, auto d, auto e) {
        return (a + b * 4.0f + c * 6.0f + d * 4.0f + e) * (1.0f / 16.0f);
    };
    for (int i = 1; i + 1 < n; ++i) {
        const bool wide = window == 5 && i >= 2 && i + 2 < n;
        if (wide) {
            result.points[i] = five(points[i - 2], points[i - 1], points[i], points[i + 1], points[i + 2]);
            if (withWidths)
                result.w[i] = five(w[i - 2], w[i - 1], w[i], w[i + 1], w[i + 2]);
        } else {
            result.points[i] = three(points[i - 1], points[i], points[i + 1]);
            if (withWidths)
                result.w[i] = three(w[i - 1], w[i], w[i + 1]);
        }
    }
    return result;
}

PolyLine PolyLine::splitLongSegs(float length) const
{
    if (!w.isEmpty())
        throw "PolyLine::splitLongSegs handling w[] is not implemented.";
    if (!hairs.isEmpty())
        throw "PolyLine::splitLongSegs handling hairs[] is not implemented.";
    if (closed)
        throw "PolyLine::splitLongSegs closed oikys not supported.";
    if (!(length > 0.0f) || !std::isfinite(length))
        throw QString("PolyLine::splitLongSegs invalid length %1").arg(length);
    PolyLine result = *this;
    result.points.clear();
    double inserted = 0.0;
    for (int i = 0; i < points.size(); ++i) {
        if (i > 0) {
            const V2f a = points[i - 1], b = points[i];
            const double manhattan = std::fabs(double(b.x) - a.x) + std::fabs(double(b.y) - a.y);
            if (manhattan > 1.5 * length) {
                const double parts = std::floor(manhattan / length + 0.5);
                inserted += parts;
                if (inserted > maxInsertedPoints)
                    throw QString("PolyLine::splitLongSegs too many points for length %1").arg(length);
                for (int k = 1; k < int(parts); ++k)
                    result.points.append(a + (b - a) * float(k / parts));
            }
        }
        result.points.append(points[i]);
    }
    return result;
}

bool PolyLine::truncate(float length, float *walked)
{
    if (closed)
        throw "PolyLine::truncate() invalid operation: closed polygon";
    const double wanted = length > 0.0f ? length : 0.0; // NaN counts as 0 as well
    double before = 0.0;
    for (int i = 0; i + 1 < points.size(); ++i) {
        const double segment = segmentLength(points[i], points[i + 1]);
        if (before + segment >= wanted) {
            const float t = float(std::min(1.0, std::max(0.0, (wanted - before) / std::max(segment, 0.001))));
            const bool withWidths = w.size() == points.size();
            const V2f cut = points[i] + (points[i + 1] - points[i]) * t;
            const float cutWidth = withWidths ? w[i] + (w[i + 1] - w[i]) * t : 0.0f;
            points.resize(i + 1);
            if (withWidths)
                w.resize(i + 1);
            if (t > 0.0f) {
                points.append(cut);
                if (withWidths)
                    w.append(cutWidth);
            }
            if (walked)
                *walked = float(before);
            return true;
        }
        before += segment;
    }
    if (walked)
        *walked = float(before);
    return false;
}

bool PolyLine::truncate(QVector<PolyLine> &list, float length, int start, float *walked)
{
    start = std::max(start, 0);
    double remaining = length > 0.0f ? length : 0.0;
    double total = 0.0;
    for (int i = start; i < list.size(); ++i) {
        float walkedHere = 0.0f;
        if (list[i].truncate(float(remaining), &walkedHere)) {
            list.resize(i + 1);
            if (walked)
                *walked = float(total + walkedHere);
            return true;
        }
        remaining -= walkedHere;
        total += walkedHere;
    }
    if (walked)
        *walked = float(total);
    return false;
}

void PolyLine::translate(float dx, float dy)
{
    for (V2f &p : points) {
        p.x += dx;
        p.y += dy;
    }
}

void PolyLine::reverse()
{
    std::reverse(points.begin(), points.end());
    std::reverse(w.begin(), w.end());
}

double PolyLine::signedArea() const
{
    const int n = points.size();
    if (n < 3)
        return 0.0;
    double sum = 0.0;
    V2f previous = points[n - 1];
    for (const V2f &p : points) {
        sum += (double(previous.x) - p.x) * (double(p.y) + previous.y);
        previous = p;
    }
    return sum;
}

double PolyLine::length() const
{
    double sum = 0.0;
    for (int i = 0; i + 1 < points.size(); ++i)
        sum += segmentLength(points[i], points[i + 1]);
    return sum;
}
