#pragma once

#include "geometry/v3f.h"

#include <QPointF>
#include <QSize>
#include <QtGlobal>

#include <array>

class Camera;
class Project;

// The off-screen depth pass writes, per pixel, c = 1 - gl_FragCoord.w (gl_FragCoord.w = 1 / the
// distance along the view axis, mm) as three base-256 digits, the most significant in blue. A pixel
// read back from the 8-bit buffer gives c to 1/2^24, and from it the point under the cursor.
struct DepthPixel {
    quint8 r = 0;
    quint8 g = 0;
    quint8 b = 0;
    bool operator==(const DepthPixel &o) const { return r == o.r && g == o.g && b == o.b; }
};

// The pass clears to white: the largest code, farther than anything drawn.
constexpr DepthPixel kNoDepthPixel{255, 255, 255};

// c of a fragment at `distance` mm along the view axis.
double depthCode(double distance);
// The distance (mm) that a code stands for.
double distanceFromDepthCode(double c);
// c clamped to [0, 1 - 2^-24] and cut into its three digits.
DepthPixel encodeDepth(double c);
// The channel values (0..1) a depth shader writes so that the 8-bit buffer holds the digits
// exactly: digit / 255. A digit written as digit / 256 would be stored as round(digit * 255 / 256),
// one less for every digit of 128 and above, and the depth would be off by a whole 1/256 of c.
std::array<float, 3> depthChannels(double c);
// c = (b + g / 256 + r / 65536) / 256.
double decodeDepth(const DepthPixel &pixel);

// Where the depth digits come from. The depth programs write 1 - 1/distance. "DepthFill" converts a
// depth texture and writes 1 - the texture's value; that value is the window depth of the
// projection, z = f/(f - n) · (1 - n/distance) for the camera's near and far planes, so it decodes
// with those planes rather than as the programs' code.
enum class DepthSource { FragmentDistance, DepthTexture };

// The distance (mm) that a DepthFill code stands for.
double distanceFromDepthFillCode(double c);

// The world point under a pixel position whose depth pixel was read back; false for the
// background.
bool pointUnderCursor(const Camera &camera, const QPointF &pixel, const DepthPixel &depth, const QSize &viewport,
                      V3f &point, DepthSource source = DepthSource::FragmentDistance);

// What lies first along a ray: an object (index into the project's objects), a support bar (index
// into its bars) or nothing.
struct PickHit {
    enum Kind { Nothing, Object, Bar };
    Kind kind = Nothing;
    int index = -1;
    V3f point;
    V3f normal;
    double distance = 1e30; // from the ray origin, mm
};

// The support bar whose body the ray from origin towards target meets nearest (faces turned
// towards the origin only), or -1.
int rayQueryBars(const Project &project, const V3f &origin, const V3f &target, V3f &hitPoint, V3f &hitNormal,
                 double &distance);
// The nearest of any object (mode 'o') and any bar along the ray.
PickHit pickScene(const Project &project, const V3f &origin, const V3f &target);

// What lies under a pixel: the depth pass gives the point, the ray through the pixel the object or
// bar (nearest hit).
struct ViewPick {
    PickHit hit;
    bool hasPoint = false;
    V3f point; // from the depth pass
};
