#pragma once

#include "raster/plane1.h"
#include "raster/polyline.h"

#include <QVector>

struct SliceContext;

// Support of one layer, run on the batch threads before its line fills: buildSupportBarPaths turns the bars'
// cross-sections into the layer's supportBarPaths. It touches only its own layer's record and reads the area
// cache C.
// The bars' outlines as "Support" paths. Where a bar's top meets the object - the object lies over the bar in
// the layer above, or two layers up when the bar stops short of it by up to a layer, but not in this layer -
// the bar ends in a soft contact: the outline's pieces under the object and dense lines over the covered part
// of its cross-section are "SoftSupport" (printed with their own, lower extrusion), so the overhang lands on a
// flat pad that breaks off cleanly instead of on a ring welded to it. The layers above are known while cache C
// still holds their areas; without the next one the layer gets no pad.
void buildSupportBarPaths(SliceContext &context, int layerIndex);

// Where the bars of one layer meet the object: 1 in `mask`.
struct SupportContact {
    const Plane1 &mask;

    bool at(const V2f &point) const;
};

// `path` cut where it passes under the contact: the pieces there become "SoftSupport", the others keep the
// path's type. Cuts fall on whole pixels along the path.
QVector<PolyLine> softenUnderContact(const PolyLine &path, const SupportContact &contact);
