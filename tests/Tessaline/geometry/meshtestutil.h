#pragma once

#include "thrownmessage.h"

#include "geometry/faces.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <random>

// Random triangles with coordinates spread over several magnitudes, as real meshes have.
inline Faces randomMesh(std::mt19937 &rng, int count, float range = 200.0f)
{
    std::uniform_real_distribution<float> coordinate(-range, range);
    std::uniform_int_distribution<int> magnitude(-3, 0);
    Faces faces;
    for (int i = 0; i < count; ++i) {
        V3f p[3];
        for (V3f &v : p)
            for (int axis = 0; axis < 3; ++axis)
                v[axis] = coordinate(rng) * std::pow(10.0f, float(magnitude(rng)));
        faces.append(Face(p[0], p[1], p[2]));
    }
    return faces;
}

inline bool sameVertices(const Faces &a, const Faces &b)
{
    if (a.count() != b.count())
        return false;
    for (int i = 0; i < a.count(); ++i)
        for (int k = 0; k < 3; ++k)
            if (a[i].p[k] != b[i].p[k])
                return false;
    return true;
}

inline QString writeTempFile(const QTemporaryDir &dir, const QString &name, const QByteArray &data)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(data);
    return path;
}

