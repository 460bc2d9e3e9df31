#include "geometry/m44f.h"

#include <QDataStream>
#include <cmath>

M44f M44f::translation(const V3f &d)
{
    M44f r;
    r.setTranslation(d);
    return r;
}

M44f M44f::scaling(const V3f &s)
{
    M44f r;
    r.m[0] = s.x;
    r.m[5] = s.y;
    r.m[10] = s.z;
    return r;
}

M44f M44f::rotation(const V3f &axis, float angle)
{
    const V3f a = axis.normalized();
    const double c = std::cos(double(angle));
    const double s = std::sin(double(angle));
    const double t = 1.0 - c;
    const double x = a.x, y = a.y, z = a.z;
    M44f r;
    r.m[0] = float(t * x * x + c);
    r.m[1] = float(t * x * y + s * z);
    r.m[2] = float(t * x * z - s * y);
    r.m[4] = float(t * x * y - s * z);
    r.m[5] = float(t * y * y + c);
    r.m[6] = float(t * y * z + s * x);
    r.m[8] = float(t * x * z + s * y);
    r.m[9] = float(t * y * z - s * x);
    r.m[10] = float(t * z * z + c);
    return r;
}

bool M44f::operator==(const M44f &o) const
{
    for (int i = 0; i < 16; ++i)
        if (m[i] != o.m[i])
            return false;
    return true;
}

M44f M44f::operator*(const M44f &o) const
{
    M44f r;
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += double(m[k * 4 + row]) * o.m[col * 4 + k];
            r.m[col * 4 + row] = float(sum);
        }
    return r;
}

void M44f::setColumn(int c, const V3f &v)
{
    m[4 * c] = v.x;
    m[4 * c + 1] = v.y;
    m[4 * c + 2] = v.z;
}

void M44f::setTranslation(const V3f &t)
{
    m[12] = t.x;
    m[13] = t.y;
    m[14] = t.z;
}

double M44f::determinant3() const
{
    const double a = m[0], b = m[4], c = m[8];
    const double d = m[1], e = m[5], f = m[9];
    const double g = m[2], h = m[6], i = m[10];
    return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
}

M44f M44f::inverseAffine() const
{
    const double det = determinant3();
    if (det == 0.0 || !std::isfinite(det))
        return M44f();
    const double a = m[0], b = m[4], c = m[8];
    const double d = m[1], e = m[5], f = m[9];
    const double g = m[2], h = m[6], i = m[10];
    // Rows of the inverse 3x3 (adjugate over the determinant), stored column-major.
    const double inv[9] = {(e * i - f * h) / det, (c * h - b * i) / det, (b * f - c * e) / det,
                           (f * g - d * i) / det, (a * i - c * g) / det, (c * d - a * f) / det,
                           (d * h - e * g) / det, (b * g - a * h) / det, (a * e - b * d) / det};
    M44f r;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            r.m[col * 4 + row] = float(inv[row * 3 + col]);
    for (int row = 0; row < 3; ++row)
        r.m[12 + row] = float(-(inv[row * 3] * m[12] + inv[row * 3 + 1] * m[13] + inv[row * 3 + 2] * m[14]));
    return r;
}

bool M44f::isFinite() const
{
    for (float v : m)
        if (!std::isfinite(v))
            return false;
    return true;
}

QDataStream &operator<<(QDataStream &out, const M44f &matrix)
{
    for (float v : matrix.m)
        out << v;
    return out;
}

QDataStream &operator>>(QDataStream &in, M44f &matrix)
{
    for (float &v : matrix.m)
        in >> v;
    return in;
}
