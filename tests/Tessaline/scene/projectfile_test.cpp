#include "common/files.h"
#include "scenetestutil.h"
#include "testenvironment.h"

#include <QTemporaryDir>
#include <cmath>
#include <limits>

namespace
{

Faces boxMesh(float size)
{
    Faces mesh;
    mesh.makeBox({{-size, 0, -size}, {size, 2 * size, size}});
    return mesh;
}

// Little-endian bytes built by hand, independent of QDataStream.
struct Bytes {
    QByteArray data;
    template <typename T> Bytes &operator<<(T value)
    {
        char raw[sizeof(T)];
        qToLittleEndian<T>(value, raw);
        data.append(raw, sizeof(T));
        return *this;
    }
    Bytes &text(const QString &s)
    {
        *this << quint32(s.size() * 2);
        for (QChar c : s)
            *this << quint16(c.unicode());
        return *this;
    }
};

void expectSameScene(const Project &a, const Project &b)
{
    ASSERT_EQ(a.objectCount(), b.objectCount());
    for (int i = 0; i < a.objectCount(); ++i) {
        EXPECT_EQ(a.object(i)->name, b.object(i)->name);
        EXPECT_EQ(a.object(i)->transform(), b.object(i)->transform());
        EXPECT_EQ(a.object(i)->selected, b.object(i)->selected);
        EXPECT_EQ(a.object(i)->flag2, b.object(i)->flag2);
        EXPECT_EQ(a.object(i)->mesh()->hash(), b.object(i)->mesh()->hash());
    }
}

} // namespace

TEST(ProjectFile, LayoutIsByteExact)
{
    Project project;
    Faces mesh;
    mesh.append(Face({1, 2, 3}, {4, 5, 6}, {7, 8, 10}));
    Obj *obj = project.addMesh(mesh, QString::fromUtf8("Wü"));
    obj->setTransform(M44f::translation({10, 20, 30}));
    obj->flag2 = true;
    project.supportBars.append({{1, 2, 3}, {4, 5, 6}, 0.5f});

    Bytes head;
    head << quint32(0xEEDAED98) << qint32(1);
    head.text(QString::fromUtf8("Wü"));
    for (float v : {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1})
        head << v;
    head << quint8(1) << quint8(1);
    Bytes tail;
    tail << qint32(0) << qint32(1);
    for (float v : {1.f, 2.f, 3.f, 4.f, 5.f, 6.f, 0.5f})
        tail << v;

    Bytes file = head;
    file << quint32(0) << qint32(1);
    for (float v : {1, 2, 3, 4, 5, 6, 7, 8, 10})
        file << v;
    EXPECT_EQ(project.saveToStr(false), file.data + tail.data);

    Bytes snapshot = head;
    snapshot << quint32(mesh.hash());
    EXPECT_EQ(project.saveToStr(true), snapshot.data + tail.data);
    EXPECT_EQ(head.data.left(4), QByteArray("\x98\xED\xDA\xEE"));
}

TEST(ProjectFile, SharedMeshesAreStoredOnceAndSharedAfterLoading)
{
    Document doc;
    Faces small = boxMesh(5), large = boxMesh(9);
    doc.project.addMesh(small, "a");
    doc.project.addMesh(large, "b");
    doc.project.addMesh(small, "c")->setTransform(M44f::translation({40, 0, 0}));
    doc.fileOps.chg("add(");

    QTemporaryDir dir;
    const QString path = dir.filePath("shared.tsprj");
    ASSERT_TRUE(doc.fileOps.save(path));
    const QByteArray bytes = readFile(path, true);
    const LayoutSummary summary = walkLayout(bytes, false);
    EXPECT_EQ(summary.objects, 3);
    EXPECT_EQ(summary.meshesStored, 2);
    EXPECT_EQ(summary.trianglesStored, 24);

    Document other;
    ASSERT_TRUE(other.fileOps.open(path, false));
    expectSameScene(other.project, doc.project);
    EXPECT_EQ(other.project.cache.count(), 2);
    EXPECT_EQ(other.project.object(0)->mesh(), other.project.object(2)->mesh());
    EXPECT_EQ(other.project.saveToStr(false), bytes);
    walkLayout(other.project.saveToStr(true), true);
}

TEST(ProjectFile, RegressionEmptyMeshWithHashZeroIsStoredAtEveryUse)
{
    Project project;
    project.addMesh(Faces(), "empty 1");
    project.addMesh(Faces(), "empty 2");
    ASSERT_EQ(project.object(0)->mesh()->meshHash, 0u);
    const QByteArray bytes = project.saveToStr(false);
    EXPECT_EQ(walkLayout(bytes, false).meshesStored, 2);
    Project loaded;
    loaded.loadFromStr(bytes, false);
    EXPECT_EQ(loaded.objectCount(), 2);
}

TEST(ProjectFile, CutAnywhereKeepsTheCompleteObjectsAndNeverFails)
{
    Project project;
    project.addMesh(boxMesh(3), "first");
    project.addMesh(boxMesh(4), "second")->setTransform(M44f::translation({20, 0, 0}));
    project.addMesh(boxMesh(3), "third");
    project.supportBars.append({{0, 5, 0}, {0, 0, 0}, 1});
    const QByteArray bytes = project.saveToStr(false);
    for (int length = 0; length < bytes.size(); ++length) {
        Project loaded;
        const QString message = thrownMessage([&] { loaded.loadFromStr(bytes.left(length), false); });
        if (length < 4) {
            EXPECT_EQ(message, "Project::loadFromStr() Invalid file signature.");
            continue;
        }
        ASSERT_TRUE(message.isEmpty()) << length << message.toStdString();
        ASSERT_LE(loaded.objectCount(), 3);
        for (int i = 0; i < loaded.objectCount(); ++i) {
            EXPECT_EQ(loaded.object(i)->name, project.object(i)->name);
            EXPECT_EQ(loaded.object(i)->transform(), project.object(i)->transform());
            EXPECT_EQ(loaded.object(i)->mesh()->hash(), project.object(i)->mesh()->hash()) << length;
        }
        EXPECT_TRUE(loaded.supportBars.isEmpty());
    }
    Project whole;
    whole.loadFromStr(bytes, false);
    EXPECT_EQ(whole.supportBars.size(), 1);
    // The bar section is optional.
    Project noBars;
    noBars.loadFromStr(bytes.left(bytes.size() - 4 - 28), false);
    EXPECT_EQ(noBars.objectCount(), 3);
}

TEST(ProjectFile, BadSignatureUnknownMeshesAndHugeCounts)
{
    Project project;
    project.addMesh(boxMesh(1), "kept");
    EXPECT_EQ(thrownMessage([&] { project.loadFromStr("\x98\xED\xDA\xEF\0\0\0\0", false); }),
              "Project::loadFromStr() Invalid file signature.");
    EXPECT_EQ(project.objectCount(), 0);

    Project source;
    source.addMesh(boxMesh(1), "one");
    source.addMesh(boxMesh(2), "two");
    const QByteArray snapshot = source.saveToStr(true);
    Project stranger;
    stranger.cache.add(*source.object(0)->mesh());
    EXPECT_EQ(thrownMessage([&] { stranger.loadFromStr(snapshot, true); }), "FacesCache: FATAL error, hash not found.");
    EXPECT_EQ(stranger.objectCount(), 1);

    Bytes huge;
    huge << quint32(0xEEDAED98) << qint32(0x7FFFFFFF) << quint32(0x7FFFFFF0);
    Project hugeCounts;
    hugeCounts.loadFromStr(huge.data, false);
    EXPECT_EQ(hugeCounts.objectCount(), 0);

    Bytes manyTriangles;
    manyTriangles << quint32(0xEEDAED98) << qint32(1) << quint32(0);
    for (int i = 0; i < 16; ++i)
        manyTriangles << float(i % 5 == 0);
    manyTriangles << quint8(0) << quint8(0) << quint32(0) << qint32(0x7FFFFFFF);
    for (int i = 0; i < 18; ++i)
        manyTriangles << float(i);
    hugeCounts.loadFromStr(manyTriangles.data, false);
    EXPECT_EQ(hugeCounts.objectCount(), 0); // the record is cut short inside its mesh
    EXPECT_EQ(hugeCounts.cache.count(), 0);
}

TEST(ProjectFile, NonFiniteNumbersNeverEnterTheScene)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Bytes data;
    data << quint32(0xEEDAED98) << qint32(1) << quint32(0);
    for (int i = 0; i < 16; ++i)
        data << (i == 13 ? nan : float(i % 5 == 0));
    data << quint8(1) << quint8(0) << quint32(0) << qint32(2);
    for (float v : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f})
        data << v;
    for (float v : {0.f, 0.f, 0.f, nan, 0.f, 0.f, 0.f, 1.f, 0.f})
        data << v;
    data << qint32(0) << qint32(2);
    for (float v : {0.f, 1.f, 0.f, 0.f, 0.f, 0.f, 1.f})
        data << v;
    for (float v : {0.f, 1.f, 0.f, 0.f, std::numeric_limits<float>::infinity(), 0.f, 1.f})
        data << v;
    Project project;
    project.loadFromStr(data.data, false);
    ASSERT_EQ(project.objectCount(), 1);
    EXPECT_EQ(project.object(0)->transform(), M44f::identity());
    EXPECT_EQ(project.object(0)->mesh()->count(), 1);
    EXPECT_EQ(project.supportBars.size(), 1);
    const Box3f box = project.selectionBounds();
    EXPECT_TRUE(box.min.isFinite() && box.max.isFinite());
}

TEST(ProjectFile, RegressionHugeFiniteMatrixCannotCarryAMeshToInfinity)
{
    Bytes data;
    data << quint32(0xEEDAED98) << qint32(1) << quint32(0);
    for (int i = 0; i < 16; ++i)
        data << (i == 0 ? 3e38f : float(i % 5 == 0));
    data << quint8(1) << quint8(0) << quint32(0) << qint32(1);
    for (float v : {0.f, 0.f, 0.f, 1e8f, 0.f, 0.f, 0.f, 1.f, 0.f})
        data << v;
    Project project;
    project.loadFromStr(data.data, false);
    ASSERT_EQ(project.objectCount(), 1);
    Obj &obj = *project.object(0);
    EXPECT_EQ(obj.transform(), M44f::identity());
    EXPECT_EQ(project.selectionBounds().max.x, 1e8f);

    // An edit that would do the same is refused and the object keeps where it was.
    obj.setTransform(M44f::translation({5, 0, 0}));
    obj.setTransform(M44f::scaling({20, 1, 1}) * obj.transform());
    EXPECT_EQ(obj.transform(), M44f::translation({5, 0, 0}));
    ASSERT_TRUE(project.mirrorSelected(0));
    EXPECT_TRUE(project.selectionBounds().min.isFinite());
}

TEST(ProjectFile, SampleProjectsParseToTheLastByte)
{
    for (const char *name : {"welcome", "testobj", "tetris"}) {
        const QByteArray bytes = readFile(sourceDir() + "/Tessaline/res/" + name + ".tsprj", true);
        const LayoutSummary summary = walkLayout(bytes, false);
        EXPECT_GE(summary.objects, 3) << name;
        EXPECT_LT(bytes.size(), 200 * 1024) << name;
        Project project;
        project.loadFromStr(bytes, false);
        EXPECT_EQ(project.objectCount(), summary.objects);
        EXPECT_EQ(project.saveToStr(false), bytes) << name;
        for (int i = 0; i < project.objectCount(); ++i) {
            EXPECT_TRUE(project.object(i)->mesh()->isOutward()) << name << i;
            EXPECT_NEAR(project.object(i)->transformedBounds().min.y, 0.0f, 1e-4f) << name << i;
        }
        EXPECT_FALSE(project.realignAll()) << name << ": samples are saved arranged";
    }
}
