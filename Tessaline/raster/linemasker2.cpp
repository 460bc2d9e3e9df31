#include "raster/linemasker2.h"

#include "raster/plane1.h"
#include "raster/rasterframe.h"

#include <QString>

#include <cmath>

namespace
{

constexpr float samplesPerPixel = cellFraction; // one sample per extrusion width
constexpr float pieceTolerance = 1.0f;
constexpr double maxSamples = 1e7; // a broken coordinate must not turn into billions of samples

struct Cut {
    double position; // segment index plus fraction
    V2f point;
};

bool maskBit(const Plane1 &mask, const V2f &p)
{
    if (!(p.x >= 0.0f) || !(p.y >= 0.0f) || p.x >= float(mask.width()) || p.y >= float(mask.height()))
        return false;
    return mask.pixel(int(p.x), int(p.y));
}

} // namespace

QVector<PolyLine> LineMasker2::splitPolyLines(const Plane1 &mask, const PolyLine &line, SegType secondType)
{
    QVector<PolyLine> pieces;
    if (line.isEmpty())
        return pieces;
    QVector<Cut> cuts;
    bool previous = false, firstBit = false, anySample = false;
    double sampleCount = 0.0;
    for (int i = 0; i + 1 < line.count(); ++i) {
        const V2f a = line.points[i], b = line.points[i + 1];
        const double samples = std::floor(double(samplesPerPixel) * (b - a).length() + 0.5);
        sampleCount += std::isfinite(samples) ? samples : maxSamples + 1;
        if (sampleCount > maxSamples)
            throw QString("LineMasker2::splitPolyLines segment %1 is too long").arg(i);
        const int n = int(samples);
        for (int k = 0; k < n; ++k) {
            const float t = float(k) / float(n);
            const V2f p = a + (b - a) * t;
            const bool bit = maskBit(mask, p);
            if (!anySample || bit != previous)
                cuts.append({i + double(t), p});
            if (!anySample)
                firstBit = bit;
            anySample = true;
            previous = bit;
        }
    }
    cuts.append({double(line.count() - 1), line.points.last()});
    if (cuts.size() < 2)
        throw "LineMasker2::splitPolyLines fatal error";
    bool own = firstBit;
    for (int c = 0; c + 1 < cuts.size(); ++c, own = !own) {
        PolyLine piece(own ? line.type : secondType);
        piece.tag = line.tag;
        piece.append(cuts[c].point, pieceTolerance);
        for (int j = int(std::floor(cuts[c].position)) + 1; j < cuts[c + 1].position; ++j)
            piece.append(line.points[j], pieceTolerance);
        piece.append(cuts[c + 1].point, pieceTolerance);
        pieces.append(piece);
    }
    return pieces;
}
