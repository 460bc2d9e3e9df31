#include "scene/fileops.h"

#include "common/files.h"
#include "scene/fileopsui.h"

#include <QSaveFile>

namespace
{

// Clears a flag when the scope ends, also when the owner throws.
class LoadingScope
{
public:
    explicit LoadingScope(bool &flag) : m_flag(flag) { m_flag = true; }
    ~LoadingScope() { m_flag = false; }
    LoadingScope(const LoadingScope &) = delete;
    LoadingScope &operator=(const LoadingScope &) = delete;

private:
    bool &m_flag;
};

} // namespace

FileOps::FileOps(FileOpsUi *ui, QObject *parent) : QObject(parent), m_ui(ui) {}

void FileOps::setFileName(const QString &fileName)
{
    m_fileName = fileName;
    emit changed();
}

QString FileOps::redoCaption() const
{
    return m_redo.isEmpty() ? QString() : m_redo.last().caption;
}

QByteArray FileOps::request(FileOpEnum op)
{
    m_buffer.clear();
    emit fileOp(op);
    QByteArray data;
    data.swap(m_buffer);
    return data;
}

void FileOps::load(FileOpEnum op, const QByteArray &data)
{
    LoadingScope loading(m_isLoading);
    m_buffer = data;
    emit fileOp(op);
    m_buffer.clear();
}

QString FileOps::fileFilter() const
{
    return description() + " (*" + extension() + ")";
}

void FileOps::writeFile(const QString &path, const QByteArray &data) const
{
    // Written aside and renamed, so a failed save never destroys the previous file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw QString("FileOps::save() Cannot write file: " + path);
}

bool FileOps::new_(bool ask)
{
    if (ask && !trySave())
        return false;
    load(FileOpLoadFile, QByteArray());
    m_fileName.clear();
    m_isNew = true;
    m_current.clear();
    m_undo.clear();
    m_redo.clear();
    m_changeCount = 0;
    emit changed();
    return true;
}

bool FileOps::open(QString fn, bool ask)
{
    if (ask && !trySave())
        return false;
    if (fn.isEmpty()) {
        fn = m_ui ? m_ui->askOpenFileName("Open " + description(), fileFilter()) : QString();
        if (fn.isEmpty())
            return false;
    }
    // Read and loaded before any state changes: a missing or broken file leaves the open document
    // (and its undo history) exactly as it was.
    const QByteArray bytes = readFile(fn, true);
    load(FileOpLoadFile, bytes);
    m_fileName = fn;
    m_isNew = false;
    // Compared against the re-serialised state, so that undo snapshots all come from one writer.
    m_current = request(FileOpStoreSnapshot);
    m_undo.clear();
    m_redo.clear();
    m_changeCount = 0;
    emit changed();
    return true;
}

bool FileOps::save(QString fn)
{
    if (fn.isEmpty()) {
        fn = m_ui ? m_ui->askSaveFileName("Save " + description(), fileFilter()) : QString();
        if (fn.isEmpty())
            return false;
    }
    writeFile(fn, request(FileOpStoreFile));
    m_fileName = fn;
    m_isNew = false;
    m_changeCount = 0;
    emit changed();
    return true;
}

bool FileOps::clickNew()
{
    if (m_isNew && m_changeCount == 0)
        return true;
    return new_(true);
}

bool FileOps::clickSave()
{
    if (m_fileName.isEmpty())
        return clickSaveAs();
    if (m_changeCount == 0 && !m_isNew)
        return true;
    return save(m_fileName);
}

bool FileOps::trySave()
{
    if (m_changeCount == 0)
        return true;
    // Without anyone to ask, nothing may be thrown away.
    if (!m_ui)
        return false;
    switch (m_ui->askSaveChanges("The " + description() + " has been modified.", "Do you want to save your changes?")) {
    case FileOpsUi::SaveAnswer::Save:
        return save(m_fileName);
    case FileOpsUi::SaveAnswer::Discard:
        return true;
    case FileOpsUi::SaveAnswer::Cancel:
        break;
    }
    return false;
}

void FileOps::chg(const QString &caption)
{
    m_redo.clear();
    m_undo.append({m_current, caption});
    m_current = request(FileOpStoreSnapshot);
    if (m_changeCount >= 0)
        ++m_changeCount;
    emit changed();
}

QString FileOps::undoCaption() const
{
    return m_undo.isEmpty() ? QString() : m_undo.last().caption;
}

bool FileOps::undo()
{
    if (m_undo.isEmpty())
        return false;
    const Snapshot previous = m_undo.last();
    load(FileOpLoadSnapshot, previous.data);
    m_undo.removeLast();
    // The caption travels with the change, so that Redo can name what it will redo.
    m_redo.append({m_current, previous.caption});
    m_current = previous.data;
    --m_changeCount;
    emit changed();
    return true;
}

bool FileOps::redo()
{
    if (m_redo.isEmpty())
        return false;
    const Snapshot next = m_redo.last();
    load(FileOpLoadSnapshot, next.data);
    m_redo.removeLast();
    m_undo.append({m_current, next.caption});
    m_current = next.data;
    ++m_changeCount;
    emit changed();
    return true;
}

qint64 FileOps::undoSize() const
{
    qint64 size = 0;
    for (const Snapshot &snapshot : m_undo)
        size += snapshot.data.size();
    return size;
}

QString FileOps::stats() const
{
    return QString("undoCnt:%1 redoCnt:%2 isChanged:%3 isNew:%4 undoSize:%5 savedCnt:%6 fileName:%7")
        .arg(m_undo.size())
        .arg(m_redo.size())
        .arg(m_changeCount != 0 ? 1 : 0)
        .arg(m_isNew && m_changeCount == 0 ? 1 : 0)
        .arg(undoSize())
        .arg(m_changeCount)
        .arg(m_fileName);
}
