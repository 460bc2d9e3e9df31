#pragma once

#include <functional>

// Runs work(layerIndex, threadIndex) for the layers first ... last on the slicing threads: the worker pool
// splits them into one contiguous block of layers per thread (threadIndex 0 is the calling thread), so a
// thread's working planes can be kept per threadIndex. The raster operations inside a layer run on that
// layer's thread alone: the layers already keep every core busy, and one pool serves both levels, so no
// core is ever asked to run two threads. An exception of a layer ends its block; the first one in layer
// order is rethrown after every block has finished.
void forEachLayer(int first, int last, const std::function<void(int layerIndex, int threadIndex)> &work);
