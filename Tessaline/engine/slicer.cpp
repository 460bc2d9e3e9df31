#include "engine/slicer.h"

#include "common/perfdata.h"
#include "engine/brimskirtraft.h"
#include "engine/gcodefile.h"
#include "engine/horizontalshells.h"
#include "engine/layerlookahead.h"
#include "engine/layerordering.h"
#include "engine/layerwriter.h"
#include "engine/linefills.h"
#include "engine/slicecontext.h"
#include "engine/supportpaths.h"
#include "engine/sweeppipeline.h"
#include "geometry/supportbar.h"
#include "geometry/workerthread.h"
#include "raster/rasterframesetup.h"

#include <QDebug>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <utility>

namespace
{

// The run in progress in this process, if any. Slicing twice at once would share the worker pool, the
// timing sections and the caller's event loop.
std::atomic<const Slicer *> runningSlicer{nullptr};

// Holds the marker for the duration of one run, however the run ends.
class RunningMarker
{
public:
    explicit RunningMarker(const Slicer *slicer)
    {
        const Slicer *expected = nullptr;
        if (!runningSlicer.compare_exchange_strong(expected, slicer))
            throw "FATAL ERROR: Already slicing.";
    }
    ~RunningMarker() { runningSlicer.store(nullptr); }
    RunningMarker(const RunningMarker &) = delete;
    RunningMarker &operator=(const RunningMarker &) = delete;
};

// Progress is reported at most this often, so that the caller's event pumping does not slow the slice.
constexpr qint64 progressIntervalMs = 200;

// The cutter cuts every side of bars at least this much steeper than this ((|dx| + |dz|) / dy).
constexpr float barSlopeLimit = 0.5f;
// ... and of bars wider than this many times the narrowest one.
constexpr float barWidthLimitFactor = 1.1f;

// The caches the sweep's stages share, as the pipeline must respect them.
SweepShape sweepShapeOf(const SliceContext &context, const LayerLookahead &lookahead)
{
    SweepShape shape;
    shape.layerCount = context.layerCount;
    shape.firstStep = -2 * context.N;
    shape.firstLook = lookahead.firstLayer();
    shape.lastLook = lookahead.lastLayer();
    shape.lookBeyondStep = lookahead.neededBy(0);
    shape.loopSlots = context.A.capacity();
    shape.areaSlots = context.C.capacity();
    shape.innerSlots = context.D.capacity();
    shape.regionSlots = std::min(context.G.capacity(), context.H.capacity());
    return shape;
}

} // namespace

void setSlicerThreads(int threads, QThread::Priority priority)
{
    setWorkerThreadCount(threads);
    setWorkerThreadPriority(priority);
}

Slicer::Slicer(SliceScene scene, const SlicerParams *params, const MachineRecord *machine, SliceProgress progress)
    : m_scene(std::move(scene)), m_sp(params), m_machine(machine), m_progress(std::move(progress))
{
}

Slicer::~Slicer() = default;

QByteArray Slicer::slice()
{
    const RunningMarker marker(this);
    m_texts.clear();
    perfClear();
    m_progressClock.start();
    m_batches.clear();
    checkSettings();

    SliceContext context(*m_sp, *m_machine, workerThreadCount());
    m_batchSize = context.K;
    sliceMeshes(context);
    sweep(context);

    reportChunk(100);
    qDebug().noquote() << perfReport();
    return m_texts.takeAll();
}

// Values the form keeps in range but a settings file or the command line may not: a shell count sizes the
// caches, so a negative one would break them and a huge one would exhaust memory; a shell density or strand
// count beyond the form's range lays lines on top of each other and pours out many times the plastic (an
// infill density above 1 is taken as 1).
void Slicer::checkSettings() const
{
    const auto checkRange = [](const char *key, double value, double lowest, double highest) {
        if (!(value >= lowest && value <= highest))
            throw QString("Slicer::slice() %1 %2 is outside %3 ... %4").arg(key).arg(value).arg(lowest).arg(highest);
    };
    checkRange("HShellCnt", m_sp->HShellCnt, 0, maxShellCount);
    checkRange("VShellCnt", m_sp->VShellCnt, 0, maxShellCount);
    checkRange("HShellDensity", m_sp->HShellDensity, 0, 2);
    checkRange("InfillThickness", m_sp->InfillThickness, 0, maxInfillStrands);
}

void Slicer::sliceMeshes(SliceContext &context)
{
    {
        std::vector<CutBar> bars;
        for (const SliceBar &bar : m_scene.bars) {
            bars.push_back(SupportBar(bar.anchor, bar.end, bar.width).cutBar());
            context.barWidth = bars.size() == 1 ? bar.width : std::min(context.barWidth, bar.width);
        }
        context.cutter.setSceneItems(m_scene.objects);
        context.cutter.setSupportBars(std::move(bars));
        context.cutter.SliceFaces(m_sp->sliceZMin, m_sp->sliceZMax, m_sp->LayerHeight, m_sp->FirstLayerHeight,
                                  barWidthLimitFactor * context.barWidth, barSlopeLimit);
    }
    context.layerCount = context.cutter.layerCount();
    m_layerCount = context.layerCount;
    const std::vector<SliceLayer> &cut = context.cutLayers();
    const bool nothingCut = std::all_of(cut.begin(), cut.end(), [](const SliceLayer &layer) {
        return layer.meshSegs.empty() && layer.supportSegs.empty();
    });
    if (nothingCut)
        throw "Slicer::slice() Nothing to slice: no object lies between the build plate and the build height.";
    context.frame = setupRasterFrame(context.cutter.boundingBox(), m_sp->ExtrusionWidth);
    context.layers.resize(size_t(context.layerCount));
}

// Areas and loops run N layers ahead of the layer being finished: the shell window of layer i needs the inner
// areas of layers up to i + N. The pipeline runs the look-ahead of later layers beside the finishing of earlier
// ones on all threads.
void Slicer::sweep(SliceContext &context)
{
    LayerLookahead lookahead(context, workerThreadCount());
    SweepStages stages;
    stages.lookBarrier = [&](int j) { return lookahead.barrierFor(j); };
    stages.beginLook = [&](int j) { lookahead.begin(j); };
    stages.look = [&](int j, int slot) { lookahead.compute(j, slot); };
    stages.step = [&](int i) { sweepStep(context, i); };
    // Finishing, ordering and writing keep the name they were timed under when they ran in batches.
    const QString finishing = "LineFill_OptToolPath_MakeGCode";
    stages.finish = [&](int layerIndex) {
        const PerfSection perf(finishing);
        finishLayerPaths(context, layerIndex);
        if (context.paralellGCode) {
            const V2f start = layerStartPoint(m_sp->LayerStartPos, layerIndex, *m_machine, context.pixelsPerEw);
            orderLayer(context, layerIndex, start);
            writeLayer(context, layerIndex);
        }
    };
    if (!context.paralellGCode) {
        // Each layer starts where the one before ended, so the ordering goes in layer order; the text of a
        // layer depends only on its ordered paths, so the writing goes back to the threads.
        stages.order = [&](int layerIndex) {
            const PerfSection perf(finishing);
            context.lastHeadPosition = orderLayer(context, layerIndex, context.lastHeadPosition);
        };
        stages.write = [&](int layerIndex) {
            const PerfSection perf(finishing);
            writeLayer(context, layerIndex);
        };
    }
    stages.retire = [&](int layerIndex) { retireLayer(context, layerIndex); };
    SweepPipeline(sweepShapeOf(context, lookahead), std::move(stages)).run();
}

void Slicer::sweepStep(SliceContext &context, int i)
{
    if (i + context.N == 0) {
        const PerfSection perf("BrimSkirtRaft");
        BrimSkirtRaft(context);
    }
    horizontalShellRegions(context, i);
    if (i >= 0 && m_sp->HShellType == 1)
        concentricShells(context, i);
}

// Layers join the result in order; the progress report comes at the end of a batch, so chunks carry whole
// batches.
void Slicer::retireLayer(SliceContext &context, int layerIndex)
{
    QByteArray text = std::exchange(context.layers[size_t(layerIndex)].gcode, QByteArray());
    if (m_sink)
        m_sink(text);
    else
        m_texts.append(std::move(text));
    if (isBatchEnd(layerIndex, context.K, context.layerCount)) {
        m_batches.emplace_back((layerIndex / context.K) * context.K, layerIndex);
        reportProgress(layerIndex, context.layerCount);
    }
}

void Slicer::finishLayerPaths(SliceContext &context, int layerIndex)
{
    buildSupportBarPaths(context, layerIndex);
    lineFills(context, layerIndex);
    context.layers[size_t(layerIndex)].loops = std::move(context.A.get(layerIndex));
    prepareOrdering(context, layerIndex);
}

// What the ordering needs that does not depend on where the head is - the travel planes, the routing grid, the
// paths grouped by island - is made with the layer's paths, on any thread, so that the ordering in layer order
// is left with the choices alone. The grid is built ahead only where travels are likely to need routes around
// holes: between islands, bars and rings. The neighbours clamp to the layer range, so the first and the last
// layer count themselves as their neighbour; with no shell window (N = 0) the layer stands in for the one above.
void Slicer::prepareOrdering(SliceContext &context, int layerIndex)
{
    SlicerLayer &layer = context.layers[size_t(layerIndex)];
    const int below = std::max(layerIndex - 1, 0);
    const int above = std::min({layerIndex + 1, context.layerCount - 1, layerIndex + context.N});
    layer.ordering = std::make_unique<LayerOrdering>(*m_sp, context.frame, context.C.get(layerIndex),
                                                     context.C.get(below), context.C.get(above), context.pixelsPerEw);
    layer.islands = groupIslands(layer.loops, std::move(layer.lineFills));
    layer.lineFills.clear();
    if (layer.islands.outlines.size() > 1 || !layer.supportBarPaths.isEmpty() || !layer.firstLayerLoops.isEmpty())
        layer.ordering->prepareRoutes();
}

V2f Slicer::orderLayer(SliceContext &context, int layerIndex, V2f start)
{
    SlicerLayer &layer = context.layers[size_t(layerIndex)];
    LayerOrdering &ordering = *layer.ordering;
    const float barWidthPixels = context.barWidth / context.nominalPixelSize;
    // The skirt or brim goes first: it primes the nozzle and holds the parts' first lines down.
    V2f position = ordering.orderAsGiven(std::move(layer.firstLayerLoops), start);
    position = ordering.orderSupportBars(layer.supportBarPaths, position, barWidthPixels);
    position = orderIslands(ordering, std::move(layer.islands), position);
    layer.orderedPaths = std::move(ordering.paths());
    layer.ordering.reset();
    return position;
}

void Slicer::writeLayer(SliceContext &context, int layerIndex)
{
    SlicerLayer &layer = context.layers[size_t(layerIndex)];
    const LayerWriterInput input{*m_sp, layerIndex, context.frame, *m_machine, cellFraction, context.raftHeight};
    QByteArray text = frameLayerText(writeLayerGCode(input, layer.orderedPaths), layerIndex, context.layerCount, *m_sp,
                                     context.raftGCode);
    // The paths go on the thread that wrote them, leaving the result's thread only the text to append.
    layer = SlicerLayer();
    layer.gcode = std::move(text);
}

void Slicer::reportProgress(int layerIndex, int layerCount)
{
    if (layerIndex < 0 || m_progressClock.elapsed() <= progressIntervalMs)
        return;
    m_progressClock.restart();
    reportChunk(int(std::lround((layerIndex + 1) * 100.0 / layerCount)));
}

// The chunk is what the result gained since the last report, copied for the caller.
void Slicer::reportChunk(int percent)
{
    if (m_progress)
        m_progress(percent, m_texts.takeChunk());
}
