#include "cuttinghelpers.h"
#include "raster/contourtracer.h"
#include "raster/edgemarkplane.h"
#include "raster/layerarea.h"
#include "raster/layersvg.h"
#include "raster/plane1.h"
#include "raster/plane8.h"
#include "raster/rasterframesetup.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace cuttingtest;

// From an STL file to traced contours: the traced outlines enclose the cut section's area to within the
// border pixels, and the layer is written as a picture beside the test build for a person to look at.
TEST(LayerPicture, TracedContoursEncloseTheCutSection)
{
    std::mt19937 rng(8);
    std::vector<SceneItem> scene{{boxMesh({0, 0, 0}, {3, 6, 12}), M44f()},
                                 {boxMesh({9, 0, 0}, {12, 6, 12}), M44f()},
                                 {boxMesh({3, 0, 0}, {9, 6, 3}), M44f()},
                                 {boxMesh({3, 0, 9}, {9, 6, 12}), M44f()},
                                 {randomConvexHull(rng, 30), M44f::translation({20, 3, 6}) * M44f::scaling({4, 3, 5})}};
    const QString path = QDir(testHomeDir()).filePath("scene.stl");
    gatherTriangles(scene).exportFata(path, true);
    Faces imported;
    imported.importFile(path);

    LayerCutter cutter;
    cutter.setSceneTriangles(imported);
    cutter.SliceFaces(0.0f, 1000.0f, 0.3f, 0.3f, 0.0f, 0.5f);
    const RasterFrame frame = setupRasterFrame(cutter.boundingBox(), 0.4f);
    LayerAreaPreparer preparer(frame, 0);
    Plane8 coverage;
    Plane1 area, visited;
    EdgeMarkPlane scratch;
    TileMap tiles;
    const double pixelArea = double(frame.pixelSizeX) * frame.pixelSizeZ;
    for (int k : {0, 7, 12, 19}) {
        const std::vector<Seg2f> cut = cutter.layers()[size_t(k)].meshSegs;
        preparer.prepare(cutter.layers(), k, coverage, area, scratch);
        coverage.tileMap(tiles);
        QVector<PolyLine> contours;
        contourDetect3(contours, coverage, visited, tiles, SegType::Perimeter, 0.05f);
        double traced = 0.0, perimeter = 0.0;
        for (const PolyLine &line : contours) {
            EXPECT_TRUE(line.closed);
            traced += line.signedArea() * 0.5 * pixelArea;
            for (int i = 0; i < line.count(); ++i)
                perimeter += double((line.points[(i + 1) % line.count()] - line.points[i]).length());
        }
        const double expected = -signedArea(cut);
        EXPECT_GT(expected, 100.0) << "layer " << k;
        // Half a pixel of border all round at most.
        EXPECT_NEAR(traced, expected, 0.5 * perimeter * pixelArea) << "layer " << k;

        const QByteArray svg = layerSvg(frame, cut, contours);
        EXPECT_EQ(svg.count("<path stroke=\"#000\""), contours.size());
        QFile picture(binaryDir() + QString("/tests/layer%1.svg").arg(k));
        ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
        picture.write(svg);
    }
}
