#pragma once

#include "thrownmessage.h"

#include "scene/fileops.h"
#include "scene/fileopsui.h"
#include "scene/project.h"
#include "scene/scenecommands.h"

#include <QObject>
#include <QStringList>
#include <QtEndian>
#include <cstring>
#include <gtest/gtest.h>

// Answers FileOps' questions from a script and remembers what was asked.
class ScriptedUi : public FileOpsUi
{
public:
    QList<SaveAnswer> saveAnswers;
    QStringList openAnswers;
    QStringList saveNameAnswers;
    QStringList asked;

    SaveAnswer askSaveChanges(const QString &text, const QString &informativeText) override
    {
        asked << text + " / " + informativeText;
        return saveAnswers.isEmpty() ? SaveAnswer::Cancel : saveAnswers.takeFirst();
    }
    QString askOpenFileName(const QString &title, const QString &filter) override
    {
        asked << title + " / " + filter;
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    QString askSaveFileName(const QString &title, const QString &filter) override
    {
        asked << title + " / " + filter;
        return saveNameAnswers.isEmpty() ? QString() : saveNameAnswers.takeFirst();
    }
};

// A project with its document model, wired the way the main window wires them.
struct Document {
    ScriptedUi ui;
    Project project;
    FileOps fileOps{&ui};
    SceneCommands commands{project, fileOps};

    Document()
    {
        QObject::connect(&fileOps, &FileOps::fileOp,
                         [this](FileOpEnum op) { project.serveFileOp(op, fileOps.buffer()); });
    }
};

// Reads the project layout byte by byte, independently of QDataStream.
class LayoutReader
{
public:
    explicit LayoutReader(const QByteArray &data) : m_data(data) {}

    bool atEnd() const { return m_offset == m_data.size(); }
    int offset() const { return m_offset; }
    template <typename T> T take()
    {
        if (m_offset + int(sizeof(T)) > m_data.size())
            throw "layout: read past the end";
        const T value = qFromLittleEndian<T>(m_data.constData() + m_offset);
        m_offset += sizeof(T);
        return value;
    }
    QString takeString()
    {
        const quint32 bytes = take<quint32>();
        if (bytes == 0xFFFFFFFFu)
            return QString();
        if (bytes % 2 || m_offset + qint64(bytes) > m_data.size())
            throw "layout: bad string";
        QString s;
        for (quint32 i = 0; i < bytes / 2; ++i)
            s += QChar(take<quint16>());
        return s;
    }

private:
    QByteArray m_data;
    int m_offset = 0;
};

struct LayoutSummary {
    int objects = 0;
    int meshesStored = 0;
    int trianglesStored = 0;
    int bars = 0;
    QStringList names;
};

// Walks a whole file or snapshot; fails the test unless it ends exactly at the last byte.
inline LayoutSummary walkLayout(const QByteArray &data, bool isSnapshot)
{
    LayoutSummary summary;
    LayoutReader r(data);
    EXPECT_EQ(r.take<quint32>(), 0xEEDAED98u);
    summary.objects = r.take<qint32>();
    for (int i = 0; i < summary.objects; ++i) {
        summary.names << r.takeString();
        for (int k = 0; k < 16; ++k)
            r.take<float>();
        EXPECT_LE(r.take<quint8>(), 1);
        EXPECT_LE(r.take<quint8>(), 1);
        const quint32 reference = r.take<quint32>();
        if (!isSnapshot && reference == 0) {
            const qint32 triangles = r.take<qint32>();
            for (qint64 k = 0; k < qint64(triangles) * 9; ++k)
                r.take<float>();
            ++summary.meshesStored;
            summary.trianglesStored += triangles;
        }
        EXPECT_EQ(r.take<qint32>(), 0);
    }
    summary.bars = r.take<qint32>();
    for (int i = 0; i < summary.bars * 7; ++i)
        r.take<float>();
    EXPECT_TRUE(r.atEnd()) << r.offset() << " of " << data.size();
    return summary;
}

