#pragma once

#include <QByteArray>

// A cylinder and a cone side by side as the engine slices them: perimeters, loops, shells, infill and
// skirt. Sliced once per test process.
const QByteArray &slicedGCode();
