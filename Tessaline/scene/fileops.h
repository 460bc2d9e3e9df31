#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVector>

class FileOpsUi;

// What the owner of the document does when FileOps emits fileOp.
enum FileOpEnum {
    FileOpLoadFile = 0,      // load the project from buffer() (a file's bytes; empty: a new project)
    FileOpStoreFile = 1,     // put the project's file form into buffer()
    FileOpLoadSnapshot = 2,  // load an undo/redo snapshot from buffer() (meshes by hash only)
    FileOpStoreSnapshot = 3, // put a snapshot into buffer()
};

// The document model of the slicer's project: file name, change counter and undo/redo stacks of
// whole-project snapshots. It never touches the project itself: it asks its owner through the
// fileOp signal, exchanging bytes through buffer(), and asks the user through FileOpsUi.
//
// changeCount is 0 when the project equals the saved file, +1 per recorded change or redo, -1 per
// undo. Once the user has undone past the saved state and then edits, the saved state cannot come
// back: a negative counter stays negative until the next save.
//
// Every operation returns true on success, false when the user cancelled. Failures (unreadable or
// unwritable files, loader messages) are thrown and leave the document as it was.
class FileOps : public QObject
{
    Q_OBJECT
public:
    explicit FileOps(FileOpsUi *ui = nullptr, QObject *parent = nullptr);

    void setUi(FileOpsUi *ui) { m_ui = ui; }
    QByteArray &buffer() { return m_buffer; }
    bool isLoading() const { return m_isLoading; }
    QString fileName() const { return m_fileName; }
    // For the window's own files (the welcome project, the last unsaved project): shown unnamed.
    void setFileName(const QString &fileName);
    bool isNew() const { return m_isNew; }
    int changeCount() const { return m_changeCount; }
    bool isChanged() const { return m_changeCount != 0; }
    int undoCount() const { return m_undo.size(); }
    int redoCount() const { return m_redo.size(); }
    QString redoCaption() const;

    static QString extension() { return ".tsprj"; }
    static QString description() { return "Tessaline project"; }

public slots:
    bool new_(bool ask = true);
    bool trySave();
    bool open(QString fn, bool ask = true);
    bool save(QString fn);
    bool canCloseApp() { return trySave(); }
    bool clickNew();
    bool clickOpen() { return open(QString(), true); }
    bool clickSave();
    bool clickSaveAs() { return save(QString()); }
    // Records the change just made to the project, under a caption such as "mirror".
    void chg(const QString &caption);
    QString undoCaption() const;
    bool undo();
    bool redo();
    qint64 undoSize() const;
    QString stats() const;

signals:
    void fileOp(FileOpEnum op);
    // After anything that changes the file name, the counter or the stacks.
    void changed();

private:
    struct Snapshot {
        QByteArray data;
        QString caption;
    };

    QByteArray request(FileOpEnum op);
    void load(FileOpEnum op, const QByteArray &data);
    QString fileFilter() const;
    void writeFile(const QString &path, const QByteArray &data) const;

    FileOpsUi *m_ui = nullptr;
    QString m_fileName;
    QByteArray m_buffer;
    bool m_isNew = true;
    bool m_isLoading = false;
    QByteArray m_current;
    QVector<Snapshot> m_undo;
    QVector<Snapshot> m_redo;
    int m_changeCount = 0;
};
