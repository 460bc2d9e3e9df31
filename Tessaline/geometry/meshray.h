#pragma once

#include "geometry/face.h"

// Möller–Trumbore on a half-line: whether the ray origin + t·dir (t >= 0) meets the triangle, and at
// which t (a multiple of the unnormalised direction). Edges count as inside. Near-parallel rays
// (|det| < 1e-30) miss.
bool rayHitsTriangle(const V3f &origin, const V3f &dir, const Face &face, double &t);
