#pragma once

#include "geometry/box3f.h"
#include "geometry/faces.h"
#include "geometry/scenetriangles.h"
#include "geometry/supportbarbody.h"
#include "raster/slicelayer.h"

#include <QtGlobal>

#include <array>
#include <vector>

// Cuts the scene into horizontal layers: fixes the layer table and intersects every triangle with
// every layer plane it crosses, straight into per-layer lists of directed segments (solid on the
// right in the (x, z) plane, x right and z up). No polygon is assembled: the rasterisers only need
// the directions.
//
// Inputs: the scene objects (meshes and transforms, read in world coordinates without a copy) or triangles
// already in world coordinates, and the support bars.
// Output: layers(), the bounding box of everything cut and sliceBottom(). Lengths in mm.
// One cutter serves one slice; SliceFaces rebuilds everything.
//
// The scene is cut on the worker threads (workerthread.h), each taking contiguous shares of the triangles: a
// first pass counts every share's segments per layer, so that each layer's list is allocated once at its
// final size and every share writes its segments to its own place in it. The lists come out exactly as a
// cut of one triangle after the other gives them, whatever the number of threads.
class LayerCutter
{
public:
    void setSceneTriangles(Faces triangles) { m_scene = {SceneItem{std::move(triangles), M44f::identity()}}; }
    void setSceneItems(std::vector<SceneItem> items) { m_scene = std::move(items); }
    void setSupportBars(std::vector<CutBar> bars) { m_bars = std::move(bars); }
    // Cuts one triangle after the other on the calling thread, appending to the lists as it goes: the plain
    // cut that the shared one must reproduce exactly.
    void setCutInOneSweep(bool oneSweep) { m_oneSweep = oneSweep; }

    // Layer table and cutting. bottom and top bound the heights sliced; layerThickness is the height of
    // every layer after the first, firstLayer the first one's. Bars wider than barWidthLimit or sloped
    // more than barSlopeLimit have every side cut, the others only every other side.
    // Throws for a layer thickness that is not positive and finite and for a table beyond maxLayers.
    void SliceFaces(float bottom, float top, float layerThickness, float firstLayer, float barWidthLimit,
                    float barSlopeLimit);

    std::vector<SliceLayer> &layers() { return m_layers; }
    const std::vector<SliceLayer> &layers() const { return m_layers; }
    int layerCount() const { return int(m_layers.size()); }
    // Box of the scene and bar triangles; the zero box when there are none.
    const Box3f &boundingBox() const { return m_box; }
    float sliceBottom() const { return m_sliceBottom; }

    // Two metres of 0.01 mm layers; a longer table can only come from a wrong setting.
    static constexpr qint64 maxLayers = 200000;

    // A support-bar side: three corners, two of them at one height; the fourth corner completes the
    // parallelogram. Each plane strictly above its lower edge and up to its upper edge gets two segments
    // in the support list: with completeSquare the side and the following side of the bar's square
    // cross-section (for bars of which only every other side is cut), otherwise the side in two halves.
    // Throws "FATAL error: paralelogramProcess() invalid input" when no two corners share a height.
    void paralelogramProcess(const V3f &p0, const V3f &p1, const V3f &p2, bool completeSquare);

private:
    // One point per layer plane for the descending and the ascending edge of the triangle being cut; one
    // set per thread.
    struct EdgePoints {
        std::vector<std::array<float, 2>> descending;
        std::vector<std::array<float, 2>> ascending;
    };
    // Contiguous shares of the scene's triangles, in scene order.
    struct Shares {
        std::vector<qint64> ends;
        qint64 begin(int share) const { return share == 0 ? 0 : ends[size_t(share) - 1]; }
        int count() const { return int(ends.size()); }
    };

    // Shares for the threads; with layers > 0, few enough that their per-layer counts stay small.
    Shares splitScene(int layers) const;
    void computeBoundingBox(const Shares &shares);
    void buildLayerTable(float bottom, float top, float layerThickness, float firstLayer);
    // Planes the triangle crosses, as a half-open range (empty when first >= end).
    std::pair<int, int> planesCrossed(const Face &face) const;
    // Calls addSegment(k, from, to) for every plane k the triangle crosses, in plane order.
    template <class AddSegment> void cutTriangle(const Face &face, EdgePoints &points, AddSegment &&addSegment) const;
    void cutMeshesInOneSweep();
    void cutMeshesShared(const Shares &shares);
    std::vector<quint32> countSegments(const Shares &shares) const;
    void allocateMeshLists(const std::vector<quint32> &counts, int shares);
    void cutBars(float barWidthLimit, float barSlopeLimit);
    void trimEmptyTop();
    // Height in layer units: plane k lies at k.
    double layerUnits(float y) const { return (double(y) - m_sliceBottom) * m_inverseThickness - 0.5; }

    std::vector<SceneItem> m_scene;
    std::vector<CutBar> m_bars;
    std::vector<SliceLayer> m_layers;
    Box3f m_box;
    float m_sliceBottom = 0.0f;
    float m_layerThickness = 0.0f;
    double m_inverseThickness = 0.0;
    EdgePoints m_barPoints;
    bool m_oneSweep = false;
};
