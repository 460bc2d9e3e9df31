#pragma once

#include "geometry/supportbar.h"
#include "scene/project.h"

#include <QString>
#include <functional>
#include <optional>

// Placing support bars in a project (mm, Y up, plate at y = 0): the ray queries that placement relies
// on, the rules that make or reject a bar, automatic generation under overhangs and clearing. The
// project keeps the bars as records (supportbarrecord.h); bodies are built from them on demand.

// Two bars whose ends come closer than this (Manhattan, mm) are one bar picked twice; shorter bars are
// not kept either.
constexpr float supportMinimumSpacing = 1.0f;

// The nearest object that the ray from origin towards target meets (modes as Obj::rayIntersect), or -1.
int rayQuery(const Project &project, char what, const V3f &origin, const V3f &target, V3f &hitPoint, V3f &hitNormal);
// As above, also giving the mode used ('p' and 'q' count as 'o') and the distance from the origin to
// the hit (1e30 without one).
int rayQuery(const Project &project, char what, const V3f &origin, const V3f &target, V3f &hitPoint, V3f &hitNormal,
             char &usedMode, double &distance);

// The first object whose solid contains the point (ray parity), or -1.
int objectContainingPoint(const Project &project, const V3f &point);
// The first bar with its anchor or end at a Manhattan distance below `distance` from the point, or -1.
int barNearPoint(const Project &project, const V3f &point, float distance);

// The bar that a pick at `point` on a surface of normal `normal` makes: from 0.1 mm off the surface
// straight away from it, down to the next surface or the plate, or up to the next surface. Nothing for
// a vertical surface, an anchor inside an object, nothing above an upward face, a bar shorter than
// 0.1 mm, or a width that is not a positive finite number.
std::optional<SupportBar> makeBar(const Project &project, const V3f &point, const V3f &normal, float width);
// makeBar, then stores the bar unless it is shorter than 1.0 mm or either end lies within 1.0 mm
// (Manhattan) of an end of a stored bar.
bool addBar(Project &project, const V3f &point, const V3f &normal, float width);

// Called now and then during generation with the share of the work done (0 ... 100), so that a window
// can repaint.
using SupportProgress = std::function<void(int percent)>;

// Replaces all bars by bars of width `spacing` under every overhang, on a grid of pitch 2 · spacing;
// a triangle is an overhang when its normal's y is below cos(angle) - 1. Returns the number of bars.
// Throws for a spacing that is not a positive finite number, an angle that is not finite, or a grid
// too fine for the scene to be tried in reasonable time.
int generateSupports(Project &project, float spacing, float angleDegrees, const SupportProgress &progress);
void clearSupports(Project &project);

// Every bar's body in one mesh, in the order of the bars.
Faces supportBarsMesh(const Project &project);
