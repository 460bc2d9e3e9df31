#pragma once

#include <functional>

// Runs work(layerIndex, slot) for the layers first ... last on the slicing threads, each layer handed to
// whichever thread is free (slot 0 ... workerThreadCount() - 1 names it; a slot runs one layer at a time, so
// working planes can be kept per slot). The raster operations inside a layer run on that layer's thread
// alone: the layers already keep every core busy, and one pool serves both levels, so no core is asked to
// run two threads. The first exception in layer order is rethrown after every layer has finished.
void forEachLayer(int first, int last, const std::function<void(int layerIndex, int slot)> &work);
