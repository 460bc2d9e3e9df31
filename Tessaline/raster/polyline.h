#pragma once

#include "geometry/v2f.h"
#include "raster/segtype.h"

#include <QVector>

// A record the hair stages attach to a path; its layout belongs to them (24 bytes).
struct PolyLineHair {
    float values[6] = {0, 0, 0, 0, 0, 0};
};
static_assert(sizeof(PolyLineHair) == 24, "hair records are 24 bytes");

// Every tool path of the slicer: perimeters, loops, shells, infill, supports, skirt, brim. Points are in raster
// pixel coordinates; a closed path connects its last point back to the first (the first is not repeated).
// `w` is empty or holds one width per point; operations that move or drop points keep it alongside.
// Copies share their arrays until written. Not thread-safe on one object.
class PolyLine
{
public:
    QVector<V2f> points;
    SegType type = SegType::Unknown;
    QVector<float> w;
    QVector<PolyLineHair> hairs;
    bool closed = false;
    bool retract = false; // the path is entered or left with a retraction; simplify() clears it
    bool pruned = false;  // the last append removed a point, so the next one may not
    qint32 tag = 0;       // belongs to the path stages; copied unchanged here

    PolyLine() = default;
    explicit PolyLine(SegType segType) : type(segType) {}

    int count() const { return points.size(); }
    bool isEmpty() const { return points.isEmpty(); }

    // Appends a point, then drops the previous one when it lies within `tolerance` of the line through its
    // neighbours: |(B - C) x (B - A)| < tolerance, twice the triangle's area. Never prunes twice in a row.
    void append(const V2f &point, float tolerance);
    void append(const V2f &point, float width, float tolerance);

    // Rebuilds by appending every point with pruning; repeats while a pass drops at least 5 % of the points.
    void simplify(float tolerance);

    // Binomial smoothing over 1, 3 or 5 points; the ends never move. Open paths only.
    PolyLine smoothed(int window) const;

    // Splits segments longer (|dx| + |dy|) than 1.5 * length into round(length / `length`) equal parts.
    PolyLine splitLongSegs(float length) const;

    // Cuts the path at `length` along it; false (and unchanged) when it is shorter. `walked` receives the
    // length before the cut segment, or the whole length. Open paths only.
    bool truncate(float length, float *walked = nullptr);
    // Truncates a list to a total length, from `start` on; the paths behind the cut one are removed.
    static bool truncate(QVector<PolyLine> &list, float length, int start = 0, float *walked = nullptr);

    void translate(float dx, float dy);
    void reverse();
    // Twice the enclosed area, positive when anticlockwise with y up; 0 below 3 points.
    double signedArea() const;
    // Euclidean length of the open path.
    double length() const;
};
