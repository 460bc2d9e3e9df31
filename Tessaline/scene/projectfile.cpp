#include "scene/project.h"

#include <QDataStream>
#include <QDebug>
#include <QSet>

// The project file and the undo snapshots: see the layout in project.h and the record below.
//   u32 signature, i32 object count, object records, i32 bar count, bars (7 floats each)
//   object record: string name, 16 floats matrix, u8 selected, u8 flag2, u32 mesh reference,
//                  [i32 triangle count, 9 floats per triangle when the reference is 0], i32 reserved

namespace
{

// Qt 5.1's data stream format: strings as u32 byte length and UTF-16 in the stream's byte order.
constexpr int streamVersion = 14;
// Name length, matrix, two flags, mesh reference, reserved: the least an object record can take.
constexpr qint64 minimumObjectBytes = 4 + 16 * 4 + 1 + 1 + 4 + 4;

void prepare(QDataStream &stream)
{
    stream.setVersion(streamVersion);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
}

void writeBar(QDataStream &out, const SupportBarRecord &bar)
{
    out << bar.anchor.x << bar.anchor.y << bar.anchor.z << bar.end.x << bar.end.y << bar.end.z << bar.width;
}

bool readBar(QDataStream &in, SupportBarRecord &bar)
{
    in >> bar.anchor.x >> bar.anchor.y >> bar.anchor.z >> bar.end.x >> bar.end.y >> bar.end.z >> bar.width;
    return in.status() == QDataStream::Ok;
}

} // namespace

QByteArray Project::saveToStr(bool isSnapshot) const
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    prepare(out);
    out << fileSignature << qint32(m_objects.size());
    QSet<quint32> written;
    for (const auto &obj : m_objects) {
        out << obj->name << obj->transform() << quint8(obj->selected ? 1 : 0) << quint8(obj->flag2 ? 1 : 0);
        const Faces &mesh = *obj->mesh();
        // A reference of 0 means "the mesh follows", so a mesh whose hash happens to be 0 (the empty
        // mesh) is written out at every use instead of being referred to.
        if (isSnapshot || (mesh.meshHash != 0 && written.contains(mesh.meshHash))) {
            out << mesh.meshHash;
        } else {
            out << quint32(0) << mesh;
            written.insert(mesh.meshHash);
        }
        out << qint32(0);
    }
    out << qint32(supportBars.size());
    for (const SupportBarRecord &bar : supportBars)
        writeBar(out, bar);
    return data;
}

void Project::loadFromStr(const QByteArray &data, bool isSnapshot)
{
    clear();
    QDataStream in(data);
    prepare(in);
    quint32 signature = 0;
    in >> signature;
    if (signature != fileSignature)
        throw "Project::loadFromStr() Invalid file signature.";
    qint32 count = 0;
    in >> count;
    // A count is only a claim: room is reserved for no more records than the data can hold.
    m_objects.reserve(size_t(std::clamp<qint64>(count, 0, (data.size() - 8) / minimumObjectBytes)));
    for (qint32 i = 0; i < count; ++i) {
        auto obj = std::make_unique<Obj>(this);
        M44f transform;
        quint8 selected = 0, flag2 = 0;
        quint32 reference = 0;
        in >> obj->name >> transform >> selected >> flag2 >> reference;
        if (in.status() != QDataStream::Ok)
            break;
        if (isSnapshot || reference != 0) {
            obj->setMesh(cache.get(reference));
        } else {
            Faces mesh;
            in >> mesh;
            if (in.status() != QDataStream::Ok)
                break;
            obj->setMesh(cache.add(mesh));
        }
        qint32 reserved = 0;
        in >> reserved;
        obj->selected = selected != 0;
        obj->flag2 = flag2 != 0;
        obj->setTransform(transform);
        m_objects.push_back(std::move(obj));
    }
    if (objectCount() < count)
        qWarning("Project::loadFromStr() data ends early: %d of %d objects read", objectCount(), int(count));
    barsOutdated = false;
    qint32 barCount = 0;
    in >> barCount;
    for (qint32 i = 0; i < barCount; ++i) {
        SupportBarRecord bar;
        if (!readBar(in, bar))
            break;
        if (bar.isUsable())
            supportBars.append(bar);
    }
}
