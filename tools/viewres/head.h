#pragma once

#include "geometry/faces.h"

// The print head's mesh (mm, Y up, nozzle tip at the origin).
Faces makePrintHead();
