#include "geometry/supportbarbody.h"

Faces supportBarBody(const V3f &lower, const V3f &upper, float width)
{
    const float h = width * 0.5f;
    // Clockwise in the (x, z) plane seen with z up, so that each side runs with the bar on its right.
    const V3f corners[4] = {{-h, 0.0f, -h}, {-h, 0.0f, h}, {h, 0.0f, h}, {h, 0.0f, -h}};
    Faces body;
    body.reserve(16);
    for (int side = 0; side < 4; ++side) {
        const V3f &from = corners[side];
        const V3f &to = corners[(side + 1) % 4];
        const V3f a = lower + from, b = lower + to, c = upper + from, d = upper + to;
        body.append(Face(b, d, c));
        body.append(Face(a, b, c));
        body.append(Face(lower, b, a));
        body.append(Face(upper, c, d));
    }
    return body;
}
