#pragma once

#include "geometry/slicescene.h"

class Project;

// What a slice of the project works on: a copy of every object's mesh with its transform and of every
// usable support bar, so that the project may change while the slice runs.
SliceScene sliceSnapshot(const Project &project);
