#pragma once

#include "geometry/faces.h"

#include <QStringList>
#include <QVector>

// The models the slicer comparison runs on, sized like real prints. Every mesh is closed, with
// vertices shared exactly between neighbouring triangles, so that every slicer reads it as watertight.

// A point of a lathe profile: distance from the vertical axis and height, in millimetres.
struct ProfilePoint {
    float radius, y;
};

// The surface swept by a profile turned about the Y axis. The profile runs counter-clockwise around
// the region it bounds (radius growing to the right, y upwards); an open profile starts and ends on
// the axis, a closed one (a ring) never touches it.
Faces revolveProfile(const QVector<ProfilePoint> &profile, int segments, bool closed);

// The file names of the models, "big.stl" (about four million triangles) last so that it can be left out.
QStringList benchModelNames(bool withBig);
// The model of that file name; throws the message "meshgen: no benchmark model <name>" for others.
Faces makeBenchModel(const QString &fileName);
