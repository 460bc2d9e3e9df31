#pragma once

#include "engine/machinerecord.h"
#include "engine/slicerparams.h"
#include "raster/polyline.h"
#include "raster/rasterframe.h"

#include <QByteArray>
#include <QVector>

// Everything the G-code of one layer depends on besides its paths.
struct LayerWriterInput {
    const SlicerParams &params;
    int layerIndex = 0;       // 0 for the first object layer
    const RasterFrame &frame; // mm per pixel and origin of the path coordinates
    const MachineRecord &machine;
    float cellFraction = ::cellFraction; // pixels per extrusion width, inverted: scales the wipe length
    float raftHeight = 0.0f;     // mm under the first object layer, 0 without a raft
};

// Turns the ordered paths of one layer (pixels, as the ordering stage leaves them) into G-code text with
// "\r\n" line ends: the layer banner, the fan, then every path with its feed, its extrusion and the
// retract, lift, wipe and prime around far travels. A layer printed faster than MinLayerTime is written a
// second time, slowed down to take that long. Numbers go through the one G-code number formatter.
//
// Units: paths in pixels, everything written in mm and mm/min, E in mm of filament counted from 0 per
// layer. Pure function of its inputs, so layers of a batch are written on several threads at once.
QByteArray writeLayerGCode(const LayerWriterInput &input, const QVector<PolyLine> &paths);
