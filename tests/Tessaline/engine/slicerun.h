#pragma once

// The whole slice of a scene on the given number of threads, as the engine tests run it.
#include "engine/machinerecord.h"
#include "engine/slicer.h"

inline QByteArray sliceOnThreads(const SliceScene &scene, const SlicerParams &sp, int threads)
{
    static const MachineRecord machine;
    setSlicerThreads(threads);
    Slicer slicer(scene, &sp, &machine, {});
    return slicer.slice();
}
