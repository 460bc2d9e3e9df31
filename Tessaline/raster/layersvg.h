#pragma once

#include "raster/polyline.h"
#include "raster/rasterframe.h"
#include "raster/seg2f.h"

#include <QByteArray>
#include <QVector>

#include <vector>

// A picture of one layer as the kernel sees it, for a person to look at: the cut segments (mm) in red
// with a dot at each start, and traced contours (raster pixels) in black, both in the raster frame's
// pixel grid with z pointing up. A self-contained SVG document.
QByteArray layerSvg(const RasterFrame &frame, const std::vector<Seg2f> &cut, const QVector<PolyLine> &contours);
