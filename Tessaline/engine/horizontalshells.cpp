#include "engine/horizontalshells.h"

#include "engine/concentricfill.h"
#include "engine/slicecontext.h"

namespace
{

// Set bit = inside for every plane of this stage (inner areas, pairs, windows, shell and fill regions).
void clearPlane(Plane1 &plane, const RasterFrame &frame)
{
    plane.resize(frame.width, frame.height);
    plane.fill(false);
}

// pair(t) = inner(t) AND inner(t + 1), kept for even t only: a window of N layers then needs about N / 2 of them.
void pairStep(SliceContext &context, int t)
{
    const int N = context.N;
    if (N <= 2 || t < -N || t > context.layerCount - 2 + N || t % 2 != 0)
        return;
    Plane1::bitwiseOp(4, &context.E.slot(t), &context.D.get(t), &context.D.get(t + 1));
}

// win(u) = inner(u) AND ... AND inner(u + N - 1), from the cached pairs wherever one starts at an even layer.
void windowStep(SliceContext &context, int u)
{
    const int N = context.N;
    if (u < -N || u > context.layerCount)
        return;
    Plane1 &window = context.F.slot(u);
    if (N == 0) {
        clearPlane(window, context.frame);
        return;
    }
    if (N == 1) {
        Plane1::bitwiseOp(1, &window, &context.D.get(u));
        return;
    }
    if (N == 2) {
        Plane1::bitwiseOp(4, &window, &context.D.get(u), &context.D.get(u + 1));
        return;
    }
    const bool even = u % 2 == 0;
    const Plane1 *first = even ? &context.E.get(u) : &context.D.get(u);
    int next = even ? u + 2 : u + 1;
    const int last = u + N - 1;
    // The first combination writes the window, so no copy of the starting plane is needed.
    bool started = false;
    const auto andIn = [&](const Plane1 &plane) {
        if (started) {
            Plane1::bitwiseOp(2, &window, &plane);
        } else {
            Plane1::bitwiseOp(4, &window, first, &plane);
            started = true;
        }
    };
    while (next < last) {
        andIn(context.E.get(next));
        next += 2;
    }
    if (next <= last)
        andIn(context.D.get(next));
}

// shell(i) = inner(i) AND NOT (below AND above), fill(i) = the rest of inner(i), in three plane operations.
void layerStep(SliceContext &context, int i)
{
    const Plane1 &inner = context.D.get(i);
    Plane1 &shell = context.G.slot(i);
    Plane1 &fill = context.H.slot(i);
    // Without a shell window every layer is solid; the window below layer 0 would never have been built.
    if (context.N == 0) {
        Plane1::bitwiseOp(1, &shell, &inner);
        clearPlane(fill, context.frame);
        return;
    }
    Plane1::bitwiseOp(4, &shell, &context.F.get(i - context.N), &context.F.get(i + 1));
    Plane1::bitwiseOp(4, &fill, &shell, &inner);
    Plane1::bitwiseOp(5, &shell, &shell, &inner);
}

} // namespace

void horizontalShellRegions(SliceContext &context, int layerIndex)
{
    pairStep(context, layerIndex - 1 + context.N);
    windowStep(context, layerIndex + 1);
    if (context.isLayer(layerIndex))
        layerStep(context, layerIndex);
}

void concentricShells(SliceContext &context, int layerIndex)
{
    ConcentricFill filler(context.pixelsPerEw, context.smoothingTolerance);
    QVector<PolyLine> loops = filler.fill(context.G.get(layerIndex));
    if (!loops.isEmpty())
        context.A.get(layerIndex).append(loops);
}
