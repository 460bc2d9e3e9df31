#include "engine/slicer.h"
#include "engine/supportpaths.h"
#include "gcodereadback.h"
#include "slicerun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <random>
#include <string>

namespace
{

constexpr float extrusionWidth = 0.4f;
constexpr float layerHeight = 0.2f;
// A slab floating 2 mm thick over x, z in -10 ... 10, held by a bar under its middle; a second bar stands free
// beside it with nothing above. Printer X = x + 100, Y = 100 - z. Layers are cut at 0.1, 0.3, ... mm, so the
// layer cut at 4.9 mm, whose top is at 5.0, is the last one under the slab.
constexpr float contactZ = 5.0f;
constexpr float barWidth = 2.0f;
constexpr float heldBarX = 0.0f;
constexpr float freeBarX = 20.0f;
constexpr float freeBarTop = 3.0f;

// The bar reaches the slab's bottom, or stops 0.1 mm short of it, as generated bars do: with the slab at
// 5.15 mm no layer is cut through either at 5.1 mm, and the bar still ends in a pad at 4.9 mm.
struct Contact {
    const char *name;
    float slabBottom;
    float barTop;
};

SliceScene slabOnABar(const Contact &contact)
{
    Faces faces;
    faces.makeBox(Box3f{V3f(-10, contact.slabBottom, -10), V3f(10, contact.slabBottom + 2.0f, 10)});
    SliceScene scene;
    scene.objects.push_back(SceneItem{faces, M44f::identity()});
    scene.bars.push_back(SliceBar{V3f(heldBarX, 0, 0), V3f(heldBarX, contact.barTop, 0), barWidth});
    scene.bars.push_back(SliceBar{V3f(freeBarX, 0, 0), V3f(freeBarX, freeBarTop, 0), barWidth});
    return scene;
}

SlicerParams supportParams()
{
    SlicerParams sp;
    sp.LayerHeight = layerHeight;
    sp.FirstLayerHeight = layerHeight;
    sp.ExtrusionWidth = extrusionWidth;
    sp.sliceZMin = 0.0f;
    sp.sliceZMax = 200.0f;
    sp.SkirtEnable = false;
    return sp;
}

// Distance of a printer point outside the square bar standing at scene (x, 0).
float outsideBar(float barX, float x, float y)
{
    const float dx = std::fmax(std::fabs(x - (barX + 100.0f)) - barWidth / 2, 0.0f);
    const float dy = std::fmax(std::fabs(y - 100.0f) - barWidth / 2, 0.0f);
    return std::hypot(dx, dy);
}

bool nearBar(float barX, const ReadbackCommand &c)
{
    return outsideBar(barX, c.x, c.y) < 1.0f && outsideBar(barX, c.x0, c.y0) < 1.0f;
}

struct Extruded {
    double length = 0;
    double e = 0;
};

Extruded extrudedAt(const Readback &readback, SegType type, float barX, float z)
{
    Extruded total;
    for (const ReadbackCommand &c : readback.commands) {
        if (c.extrudes() && c.segType == int(type) && std::fabs(c.z - z) < 1e-3f && nearBar(barX, c)) {
            total.length += std::hypot(c.x - c.x0, c.y - c.y0);
            total.e += c.e - c.e0;
        }
    }
    return total;
}

const Contact touching{"Touching", 5.0f, 5.0f};

void PrintTo(const Contact &contact, std::ostream *out)
{
    *out << contact.name;
}

class SupportContacts : public testing::TestWithParam<Contact>
{
};

} // namespace

// The held bar ends in a soft pad in the one layer under the slab and is plain support below; the free bar
// has nothing above it and stays plain support to its top. The pad is printed with half the extrusion.
TEST_P(SupportContacts, PadUnderTheObjectOnlyAndHalfTheExtrusion)
{
    const QByteArray gcode = sliceOnThreads(slabOnABar(GetParam()), supportParams(), 1);
    const Readback readback = readBack(gcode);
    ASSERT_TRUE(readback.error.isEmpty()) << readback.error.toStdString();
    EXPECT_TRUE(gcode.contains(";segType:SoftSupport\r\n"));

    for (const ReadbackCommand &c : readback.commands) {
        if (!c.extrudes() || c.segType != int(SegType::SoftSupport))
            continue;
        EXPECT_NEAR(c.z, contactZ, 1e-3f);
        // Inside the square, give or take the half width of the outline and a pixel.
        EXPECT_LT(outsideBar(heldBarX, c.x, c.y), 0.35f) << c.x << "," << c.y;
        EXPECT_LT(outsideBar(heldBarX, c.x0, c.y0), 0.35f) << c.x0 << "," << c.y0;
    }

    const Extruded pad = extrudedAt(readback, SegType::SoftSupport, heldBarX, contactZ);
    const Extruded below = extrudedAt(readback, SegType::Support, heldBarX, contactZ - layerHeight);
    // The outline (4 bar widths) and the lines over the square inside it.
    EXPECT_GT(pad.length, 4 * barWidth + 2.0);
    EXPECT_EQ(extrudedAt(readback, SegType::Support, heldBarX, contactZ).length, 0.0);
    ASSERT_GT(below.length, 4 * barWidth - 0.5);
    EXPECT_NEAR((pad.e / pad.length) / (below.e / below.length), 0.5, 0.01);

    for (float z = layerHeight; z < freeBarTop + 1e-3f; z += layerHeight) {
        EXPECT_GT(extrudedAt(readback, SegType::Support, freeBarX, z).length, 4 * barWidth - 0.5) << z;
        EXPECT_EQ(extrudedAt(readback, SegType::SoftSupport, freeBarX, z).length, 0.0) << z;
    }
}

// The pad is flat: every point of the bar's square lies under some printed soft line.
TEST_P(SupportContacts, PadCoversTheWholeSquare)
{
    const Readback readback = readBack(sliceOnThreads(slabOnABar(GetParam()), supportParams(), 1));
    QVector<ReadbackCommand> soft;
    for (const ReadbackCommand &c : readback.commands)
        if (c.extrudes() && c.segType == int(SegType::SoftSupport))
            soft.append(c);
    ASSERT_FALSE(soft.isEmpty());
    const auto distanceToSoft = [&](float x, float y) {
        float nearest = INFINITY;
        for (const ReadbackCommand &c : soft) {
            const float dx = c.x - c.x0, dy = c.y - c.y0;
            const float lengthSquared = dx * dx + dy * dy;
            const float t =
                lengthSquared > 0 ? std::clamp(((x - c.x0) * dx + (y - c.y0) * dy) / lengthSquared, 0.0f, 1.0f) : 0.0f;
            nearest = std::fmin(nearest, std::hypot(x - (c.x0 + t * dx), y - (c.y0 + t * dy)));
        }
        return nearest;
    };
    constexpr int steps = 20;
    for (int i = 0; i <= steps; ++i) {
        for (int j = 0; j <= steps; ++j) {
            const float x = 100.0f + heldBarX - barWidth / 2 + barWidth * float(i) / steps;
            const float y = 100.0f - barWidth / 2 + barWidth * float(j) / steps;
            // Half a width of the printed line and a pixel of the raster.
            EXPECT_LT(distanceToSoft(x, y), extrusionWidth / 2 + 0.14f) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Bars, SupportContacts,
                         testing::Values(touching, Contact{"StoppingShortByALayer", 5.15f, 5.05f}),
                         [](const testing::TestParamInfo<Contact> &info) { return std::string(info.param.name); });

TEST(SupportContact, SameGCodeOnOneAndTwoThreads)
{
    EXPECT_EQ(sliceOnThreads(slabOnABar(touching), supportParams(), 1),
              sliceOnThreads(slabOnABar(touching), supportParams(), 2));
}

// A path cut against random contact areas: the pieces put back together are the path, each piece lies on the
// side of the contact its type says, and the types alternate.
TEST(SupportContact, OutlinesAreCutWhereTheyPassUnderTheContact)
{
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        Plane1 mask(64, 64);
        mask.fill(false);
        for (int disc = 0; disc < 3; ++disc) {
            const int cx = int(random() % 64), cy = int(random() % 64), r = 3 + int(random() % 15);
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x)
                    if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r)
                        mask.setPixel(x, y, disc != 2); // the last disc cuts a hole into the others
        }
        const SupportContact contact{mask};
        PolyLine path(SegType::Support);
        for (int k = 0; k < 6; ++k)
            path.points.append(V2f(float(random() % 6000) / 100.0f + 2.0f, float(random() % 6000) / 100.0f + 2.0f));

        const QVector<PolyLine> pieces = softenUnderContact(path, contact);
        ASSERT_FALSE(pieces.isEmpty());
        double length = 0;
        for (int p = 0; p < pieces.size(); ++p) {
            const PolyLine &piece = pieces[p];
            ASSERT_GE(piece.count(), 2);
            length += piece.length();
            if (p > 0) {
                EXPECT_EQ(piece.points.first(), pieces[p - 1].points.last());
                EXPECT_NE(piece.type, pieces[p - 1].type);
            }
            // Away from its ends and from the contact's edge (the cut falls on whole steps) a piece lies on its
            // own side.
            const bool soft = piece.type == SegType::SoftSupport;
            const float pieceLength = float(piece.length());
            float walked = 0;
            for (int k = 1; k < piece.count(); ++k) {
                const V2f a = piece.points[k - 1], b = piece.points[k];
                const float segmentLength = (b - a).length();
                for (float s = 0; s < segmentLength; s += 0.25f) {
                    const float along = walked + s;
                    if (along < 1.5f || along > pieceLength - 1.5f)
                        continue;
                    const V2f point = a + (b - a) * (s / segmentLength);
                    bool uniform = true;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            uniform = uniform && contact.at(point + V2f(float(dx), float(dy))) == contact.at(point);
                    if (uniform)
                        EXPECT_EQ(contact.at(point), soft) << "round " << round << " piece " << p;
                }
                walked += segmentLength;
            }
        }
        EXPECT_NEAR(length, path.length(), 1e-3 * path.length()) << "round " << round;
        EXPECT_EQ(pieces.first().points.first(), path.points.first());
        EXPECT_EQ(pieces.last().points.last(), path.points.last());
    }
}
