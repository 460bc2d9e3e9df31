#include "geometry/stlwriter.h"

#include "geometry/faces.h"
#include "geometry/meshnumbers.h"

#include <QtEndian>

namespace
{

constexpr int binaryHeaderBytes = 80;
constexpr int binaryRecordBytes = 50;

V3f toZUp(const V3f &v)
{
    return {v.x, -v.z, v.y};
}

void putVector(char *p, const V3f &v)
{
    const V3f w = toZUp(v);
    qToLittleEndian<float>(w.x, p);
    qToLittleEndian<float>(w.y, p + 4);
    qToLittleEndian<float>(w.z, p + 8);
}

void appendVector(QByteArray &out, const V3f &v)
{
    const V3f w = toZUp(v);
    for (float value : {w.x, w.y, w.z}) {
        out += ' ';
        appendGeneral7(out, value);
    }
}

} // namespace

QByteArray writeStlBinary(const Faces &faces, const QString &name)
{
    const int count = faces.count();
    QByteArray out;
    out.reserve(binaryHeaderBytes + 4 + count * binaryRecordBytes);
    out += QString("STL export %1").arg(name).toUtf8().left(binaryHeaderBytes).leftJustified(binaryHeaderBytes, ' ');
    char countBytes[4];
    qToLittleEndian<quint32>(quint32(count), countBytes);
    out.append(countBytes, 4);
    char record[binaryRecordBytes] = {}; // the attribute bytes stay zero
    for (const Face &face : faces.faces()) {
        putVector(record, face.n);
        for (int i = 0; i < 3; ++i)
            putVector(record + 12 + 12 * i, face.p[i]);
        out.append(record, binaryRecordBytes);
    }
    return out;
}

QByteArray writeStlAscii(const Faces &faces, const QString &name)
{
    QByteArray out;
    // About 250 bytes per facet; a guess that saves most reallocations.
    out.reserve(32 + faces.count() * 256);
    out += "solid " + name.toUtf8() + "\n";
    for (const Face &face : faces.faces()) {
        out += "facet normal";
        appendVector(out, face.n);
        out += "\n  outer loop\n";
        for (const V3f &p : face.p) {
            out += "    vertex";
            appendVector(out, p);
            out += '\n';
        }
        out += "  endloop\nendfacet\n";
    }
    out += "endsolid\n";
    return out;
}
