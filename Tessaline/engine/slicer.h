#pragma once

#include "engine/layertexts.h"
#include "engine/machinerecord.h"
#include "engine/slicerparams.h"
#include "geometry/slicescene.h"
#include "geometry/v2f.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QThread>

#include <functional>
#include <memory>

struct SliceContext;

// Called with the percentage done and the G-code produced since the previous call; all chunks of a run
// concatenated give the text slice() returns, and the last call reports 100. Runs on slice()'s thread.
using SliceProgress = std::function<void(int percent, const QByteArray &chunk)>;

// Takes the G-code as it is produced, a layer's text at a time, in file order, on slice()'s thread. May throw
// (a full disk): the slice then stops with that exception.
using SliceTextSink = std::function<void(const QByteArray &text)>;

// Sets the threads of the next slices: the worker pool to threads - 1 workers (threads limited to 1 ... the
// machine's ideal count), which serves the import, the cutting and the raster operations and runs the sweep's
// stages, and the workers' priority (InheritPriority: high). Call it between slices.
void setSlicerThreads(int threads, QThread::Priority priority = QThread::NormalPriority);

// Whether layer i closes a batch of `batchSize` layers: batches are 0 ... K - 1, K ... 2K - 1 and so on, the
// last one cut short at the last layer. The result grows and progress is reported a batch at a time.
inline bool isBatchEnd(int layerIndex, int batchSize, int layerCount)
{
    return layerIndex % batchSize == batchSize - 1 || layerIndex == layerCount - 1;
}

// The slice driver: runs every stage from the scene's triangles to the G-code text of one scene. Layers are
// cut and rasterised once each in a sweep that keeps the areas and loops N = HShellCnt layers ahead of the
// layer being finished, in fixed-size caches, so memory does not grow with the layer count. The sweep runs as
// a pipeline (SweepPipeline): the areas and loops of later layers are computed on one thread while earlier
// layers are finished (fills, ordering, G-code) on another, and the G-code is the same for any thread count.
//
// One object per run: construct, slice(), destroy. Only one run at a time in the process; the caller keeps
// params and machine alive for the run. Lengths in mm, paths in raster pixels.
class Slicer
{
public:
    Slicer(SliceScene scene, const SlicerParams *params, const MachineRecord *machine, SliceProgress progress);
    ~Slicer();
    Slicer(const Slicer &) = delete;
    Slicer &operator=(const Slicer &) = delete;

    // The whole G-code file. Throws "FATAL ERROR: Already slicing." while another run is going on, and the
    // stages' messages; the slice is then abandoned and the next call starts afresh.
    QByteArray slice();

    // Hands the G-code to `sink` as the layers are done instead of keeping it: a file is then written while
    // later layers are still being sliced, and the text is never held whole. slice() then returns an empty
    // array and the progress chunks are empty.
    void streamTo(SliceTextSink sink) { m_sink = std::move(sink); }

    // Known after slice(): the layers of the table and the batch size used.
    int layerCount() const { return m_layerCount; }
    int batchSize() const { return m_batchSize; }

    // The finished batches in order, as first and last layer (for the tests of the batching).
    const std::vector<std::pair<int, int>> &batches() const { return m_batches; }

    // Largest HShellCnt and VShellCnt sliced: each shell layer or loop keeps planes in the caches.
    static constexpr int maxShellCount = 100;
    // Most side-by-side strands of an infill line.
    static constexpr int maxInfillStrands = 20;

private:
    void checkSettings() const;
    void sliceMeshes(SliceContext &context);
    void sweep(SliceContext &context);
    void sweepStep(SliceContext &context, int i);
    void retireLayer(SliceContext &context, int layerIndex);
    void finishLayerPaths(SliceContext &context, int layerIndex);
    void prepareOrdering(SliceContext &context, int layerIndex);
    // Orders the layer's paths from `start` into its ordered list and returns where the head ends.
    V2f orderLayer(SliceContext &context, int layerIndex, V2f start);
    void writeLayer(SliceContext &context, int layerIndex);
    void reportProgress(int layerIndex, int layerCount);
    void reportChunk(int percent);

    SliceScene m_scene;
    const SlicerParams *m_sp;
    const MachineRecord *m_machine;
    SliceProgress m_progress;
    LayerTexts m_texts;
    SliceTextSink m_sink;
    QElapsedTimer m_progressClock;
    int m_layerCount = 0;
    int m_batchSize = 0;
    std::vector<std::pair<int, int>> m_batches;
};
