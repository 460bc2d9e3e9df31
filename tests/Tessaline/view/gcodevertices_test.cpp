#include "view/gcodevertices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace
{

// Two layers: a 64-sided ring (gentle turns, mitred), a square (sharp corners) and travels between.
QByteArray ringAndSquare()
{
    QByteArray text;
    float e = 0;
    auto move = [&](double x, double y, bool extrude) {
        static double lastX = 0, lastY = 0;
        if (extrude)
            e += float(std::hypot(x - lastX, y - lastY) * 0.04);
        text += QByteArray("G1 X") + QByteArray::number(x, 'f', 3) + " Y" + QByteArray::number(y, 'f', 3);
        text += extrude ? " E" + QByteArray::number(double(e), 'f', 5) + "\r\n" : QByteArray("\r\n");
        lastX = x;
        lastY = y;
    };
    for (const char *z : {"0.2", "0.4"}) {
        text += QByteArray("G1 Z") + z + "\r\n";
        move(20, 0, false);
        for (int i = 1; i <= 64; ++i)
            move(20 * std::cos(i * 2 * M_PI / 64), 20 * std::sin(i * 2 * M_PI / 64), true);
        move(-5, -5, false);
        for (auto [x, y] : {std::pair{5, -5}, {5, 5}, {-5, 5}, {-5, -5}})
            move(x, y, true);
    }
    return text;
}

GCodeVertex vertexAt(const GCodeVertexBuffer &buffer, int index, float z)
{
    const float *v = &buffer.vertices[size_t(index) * 3];
    return decodeGCodeVertex(v[0], v[1], v[2], z);
}

double distance2(float ax, float ay, float bx, float by)
{
    return std::hypot(double(ax) - bx, double(ay) - by);
}

} // namespace

TEST(GCodeVertexEncoding, FastAtan2StaysCloseToAtan2)
{
    for (int i = -1800; i <= 1800; ++i) {
        const double angle = i * M_PI / 1800.0;
        for (double radius : {1e-3, 1.0, 250.0}) {
            const float y = float(std::sin(angle) * radius), x = float(std::cos(angle) * radius);
            EXPECT_NEAR(fastAtan2(y, x), std::atan2(double(y), double(x)), 0.011) << angle;
        }
    }
    EXPECT_NEAR(fastAtan2(0.0f, -1.0f), M_PI, 1e-3); // the half-turn is +π, not -π
}

TEST(GCodeVertexEncoding, RibbonsRoundTripAroundTheirPaths)
{
    GCodePreview preview;
    preview.build(ringAndSquare());
    ASSERT_EQ(preview.layerCount(), 2);
    const GCodeVertexBuffer buffer = buildGCodeVertices(preview, 0, 1);
    ASSERT_EQ(buffer.layers.size(), 2u);
    EXPECT_EQ(buffer.vertexCount(), int(preview.segments().size()) * kGCodeVerticesPerSegment);
    for (const GCodeVertexBuffer::LayerSpan &span : buffer.layers)
        for (int s = span.firstSegment; s < span.endSegment; ++s) {
            const GCodeSegment &seg = preview.segments()[size_t(s)];
            const float w = seg.extrudes() ? seg.beadWidth : kGCodeTravelWidth;
            const float along = float(std::atan2(seg.dx(), seg.dy()));
            for (int v = 0; v < kGCodeVerticesPerSegment; ++v) {
                const GCodeVertex vertex = vertexAt(buffer, buffer.firstVertexOf(s) + v, span.z);
                // Every vertex belongs to the section at the start or at the end of the path.
                const double fromStart = distance2(vertex.position.x, vertex.position.z, seg.x0, seg.y0);
                const double fromEnd = distance2(vertex.position.x, vertex.position.z, seg.x1, seg.y1);
                const double fromPath = std::min(fromStart, fromEnd);
                if (vertex.normal.y != 0.0f) { // top or bottom: on the path, a quarter width up or down
                    EXPECT_LT(fromPath, 1e-4);
                    EXPECT_NEAR(std::fabs(vertex.position.y - span.z), std::max(w * kGCodeBeadHeightShare, 0.0004f),
                                1e-5);
                    EXPECT_EQ(vertex.normal.y > 0, vertex.position.y > span.z);
                } else { // side: w beside the path's line, along its normal
                    EXPECT_EQ(vertex.position.y, span.z);
                    const double beside =
                        std::fabs((vertex.position.x - seg.x0) * seg.dy() - (vertex.position.z - seg.y0) * seg.dx()) /
                        std::hypot(seg.dx(), seg.dy());
                    EXPECT_NEAR(beside, w, w * 0.01);
                    const float normalAngle = std::atan2(vertex.normal.x, vertex.normal.z);
                    if (fromPath <= w * 1.01) { // square or a gentle mitre: square to the path
                        EXPECT_NEAR(std::fabs(std::remainder(normalAngle - along, 2 * M_PI)), M_PI / 2, 0.1);
                    } else { // the inner side of a corner: the normal points from the corner to it
                        const bool atStart = fromStart < fromEnd;
                        const float outX = vertex.position.x - (atStart ? seg.x0 : seg.x1);
                        const float outY = vertex.position.z - (atStart ? seg.y0 : seg.y1);
                        EXPECT_NEAR(std::remainder(normalAngle - std::atan2(outX, outY), 2 * M_PI), 0, 0.02);
                    }
                }
            }
        }
}

TEST(GCodeVertexEncoding, MitresCloseGentleJoinsAndCornersKeepSquareOuterEnds)
{
    GCodePreview preview;
    preview.build(ringAndSquare());
    const GCodeVertexBuffer buffer = buildGCodeVertices(preview, 0, 0);
    const GCodeLayer &layer = preview.layers()[0];
    int mitred = 0, square = 0;
    for (int s = layer.firstSegment; s + 1 < layer.endSegment; ++s) {
        const GCodeSegment &a = preview.segments()[size_t(s)], &b = preview.segments()[size_t(s) + 1];
        if (!a.extrudes() || !b.extrudes())
            continue;
        // Vertex 1 of each face pair is the start section's next corner; the left side of a segment's
        // end is vertex 2 of its first face, of the next segment's start vertex 1; the right side is
        // the same in the third face.
        const auto sideGap = [&](int face) {
            const GCodeVertex end = vertexAt(buffer, buffer.firstVertexOf(s) + face * 6 + 2, layer.z);
            const GCodeVertex start = vertexAt(buffer, buffer.firstVertexOf(s + 1) + face * 6 + 1, layer.z);
            return (end.position - start.position).length();
        };
        const float leftGap = sideGap(0), rightGap = sideGap(2);
        const bool turnsGently =
            std::fabs(std::remainder(std::atan2(a.dx(), a.dy()) - std::atan2(b.dx(), b.dy()), 2 * M_PI)) < 0.5;
        if (turnsGently) {
            EXPECT_LT(leftGap, 1e-5) << s;
            EXPECT_LT(rightGap, 1e-5) << s;
            ++mitred;
        } else { // the square turns left: its inner side is the left one
            EXPECT_LT(leftGap, 1e-5) << s;
            EXPECT_GT(rightGap, a.beadWidth) << s;
            ++square;
        }
    }
    EXPECT_EQ(mitred, 63);
    EXPECT_EQ(square, 3);
}
