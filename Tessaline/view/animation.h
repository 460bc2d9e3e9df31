#pragma once
#include "geometry/m44f.h"

#include <QColor>

// Drawn colours and transforms glide towards their targets frame by frame, so that selections,
// moves, drops and arrangements are seen to happen. Both steps depend on the frame time only, not on
// the frame rate: a slow frame takes a larger step, a frame of 0.25 s or more arrives at once.

// The share of the remaining distance a frame of dt seconds covers: 1 - base^(30 dt).
float approachFactor(float base, float dt);

// Channel by channel in 1/256 steps; arrives once the channels differ by 18 in sum or less.
QColor approachColor(const QColor &drawn, const QColor &target, float dt);

// Element by element; arrives once the 16 elements differ by 0.005 in sum or less.
M44f approachTransform(const M44f &drawn, const M44f &target, float dt);
