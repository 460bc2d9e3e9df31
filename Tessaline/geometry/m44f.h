#pragma once

#include "geometry/v3f.h"

class QDataStream;

// A 4x4 float matrix in column-major order: elements 0-3 are the first column and the translation
// sits in elements 12, 13, 14. Points are transformed with the upper three rows only; the fourth row
// is carried along (cameras use it) but never applied to points.
// Angles are in radians, lengths in millimetres.
struct M44f {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    static M44f identity() { return M44f(); }
    static M44f translation(const V3f &d);
    static M44f scaling(const V3f &s);
    // Right-handed rotation about an axis through the origin; the axis need not be unit length.
    static M44f rotation(const V3f &axis, float angle);

    float operator[](int i) const { return m[i]; }
    float &operator[](int i) { return m[i]; }
    bool operator==(const M44f &o) const;
    bool operator!=(const M44f &o) const { return !(*this == o); }

    // this * o: o is applied first.
    M44f operator*(const M44f &o) const;

    V3f mapPoint(const V3f &p) const
    {
        return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
                m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
    }
    // A direction: the translation is not applied.
    V3f mapVector(const V3f &v) const
    {
        return {m[0] * v.x + m[4] * v.y + m[8] * v.z, m[1] * v.x + m[5] * v.y + m[9] * v.z,
                m[2] * v.x + m[6] * v.y + m[10] * v.z};
    }

    V3f column(int c) const { return {m[4 * c], m[4 * c + 1], m[4 * c + 2]}; }
    void setColumn(int c, const V3f &v);
    V3f translationPart() const { return {m[12], m[13], m[14]}; }
    void setTranslation(const V3f &t);

    // Of the upper-left 3x3 part: negative when the matrix mirrors.
    double determinant3() const;
    // Inverse of an affine matrix (fourth row 0 0 0 1). A singular matrix gives the identity,
    // so that a degenerate object can never spread NaN through picking or slicing.
    M44f inverseAffine() const;
    bool isFinite() const;
};

QDataStream &operator<<(QDataStream &out, const M44f &matrix);
QDataStream &operator>>(QDataStream &in, M44f &matrix);
