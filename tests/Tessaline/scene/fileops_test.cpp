#include "common/files.h"
#include "scenetestutil.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <random>

namespace
{

Faces boxMesh(float size)
{
    Faces mesh;
    mesh.makeBox({{-size, 0, -size}, {size, size, size}});
    return mesh;
}

void addBox(Document &doc, float size)
{
    doc.project.addMesh(boxMesh(size), "box");
    doc.fileOps.chg("add(box.stl");
}

void move(Document &doc, float dx)
{
    doc.project.applyToSelection(M44f::translation({dx, 0, 0}));
    doc.fileOps.chg("move");
}

} // namespace

TEST(FileOps, StartsAsANewEmptyDocument)
{
    Document doc;
    EXPECT_TRUE(doc.fileOps.isNew());
    EXPECT_EQ(doc.fileOps.stats(), "undoCnt:0 redoCnt:0 isChanged:0 isNew:1 undoSize:0 savedCnt:0 fileName:");
    EXPECT_TRUE(doc.fileOps.clickNew());
    EXPECT_TRUE(doc.ui.asked.isEmpty());
    EXPECT_FALSE(doc.fileOps.undo());
    EXPECT_FALSE(doc.fileOps.redo());
}

TEST(FileOps, UndoAfterSaveModifiesAndRedoRestoresTheSavedState)
{
    QTemporaryDir dir;
    Document doc;
    addBox(doc, 5);
    move(doc, 10);
    ASSERT_TRUE(doc.fileOps.save(dir.filePath("p.tsprj")));
    EXPECT_EQ(doc.fileOps.changeCount(), 0);
    EXPECT_EQ(doc.fileOps.undoCount(), 2); // saving keeps the history
    ASSERT_TRUE(doc.fileOps.undo());
    EXPECT_EQ(doc.fileOps.changeCount(), -1);
    EXPECT_EQ(doc.fileOps.redoCaption(), "move");
    EXPECT_EQ(doc.project.object(0)->transform(), M44f::identity());
    ASSERT_TRUE(doc.fileOps.redo());
    EXPECT_EQ(doc.fileOps.changeCount(), 0);
    EXPECT_EQ(doc.fileOps.undoCaption(), "move");
    EXPECT_EQ(doc.project.object(0)->transform(), M44f::translation({10, 0, 0}));
    EXPECT_EQ(doc.fileOps.stats(),
              "undoCnt:2 redoCnt:0 isChanged:0 isNew:0 undoSize:" + QString::number(doc.fileOps.undoSize()) +
                  " savedCnt:0 fileName:" + dir.filePath("p.tsprj"));
}

TEST(FileOps, EditAfterUndoingPastTheSaveStaysModifiedEvenWhenItRestoresTheGeometry)
{
    QTemporaryDir dir;
    Document doc;
    addBox(doc, 5);
    move(doc, 10);
    ASSERT_TRUE(doc.fileOps.save(dir.filePath("p.tsprj")));
    doc.fileOps.undo();
    move(doc, 10); // the same geometry as saved
    EXPECT_EQ(doc.fileOps.changeCount(), -1);
    EXPECT_TRUE(doc.fileOps.isChanged());
    EXPECT_EQ(doc.fileOps.redoCount(), 0);
}

TEST(FileOps, AskingTheUserAndCancelledDialogsChangeNothing)
{
    QTemporaryDir dir;
    Document doc;
    addBox(doc, 5);
    doc.ui.saveAnswers = {FileOpsUi::SaveAnswer::Cancel};
    EXPECT_FALSE(doc.fileOps.clickNew());
    EXPECT_EQ(doc.ui.asked.value(0), "The Tessaline project has been modified. / Do you want to save your changes?");
    EXPECT_EQ(doc.project.objectCount(), 1);

    doc.ui.saveAnswers = {FileOpsUi::SaveAnswer::Save};
    doc.ui.saveNameAnswers = QStringList{QString()}; // the save dialog cancelled
    EXPECT_FALSE(doc.fileOps.canCloseApp());
    EXPECT_EQ(doc.ui.asked.value(2), "Save Tessaline project / Tessaline project (*.tsprj)");
    EXPECT_FALSE(doc.fileOps.clickOpen()); // asks to save: the script answers Cancel
    doc.ui.saveAnswers = {FileOpsUi::SaveAnswer::Discard};
    EXPECT_FALSE(doc.fileOps.clickOpen()); // then the open dialog is cancelled
    EXPECT_EQ(doc.ui.asked.last(), "Open Tessaline project / Tessaline project (*.tsprj)");
    EXPECT_EQ(doc.fileOps.changeCount(), 1);
    EXPECT_EQ(doc.project.objectCount(), 1);

    const QString path = dir.filePath("named.tsprj");
    doc.ui.saveAnswers = {FileOpsUi::SaveAnswer::Save};
    doc.ui.saveNameAnswers = QStringList{path};
    EXPECT_TRUE(doc.fileOps.canCloseApp());
    EXPECT_EQ(doc.fileOps.fileName(), path);
    EXPECT_TRUE(QFile::exists(path));

    doc.ui.saveAnswers = {FileOpsUi::SaveAnswer::Discard};
    move(doc, 3);
    EXPECT_TRUE(doc.fileOps.clickNew());
    EXPECT_EQ(doc.project.objectCount(), 0);
    EXPECT_EQ(doc.project.cache.count(), 0);
    EXPECT_TRUE(doc.fileOps.isNew());
    EXPECT_EQ(doc.fileOps.undoCount(), 0);
}

TEST(FileOps, FailedOpenOrSaveLeavesTheDocumentAsItWas)
{
    QTemporaryDir dir;
    Document doc;
    addBox(doc, 5);
    move(doc, 4);
    const QByteArray before = doc.project.saveToStr(false);
    const QString stats = doc.fileOps.stats();

    const QString broken = dir.filePath("broken.tsprj");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a project at all");
    file.close();
    EXPECT_EQ(thrownMessage([&] { doc.fileOps.open(broken, false); }),
              "Project::loadFromStr() Invalid file signature.");
    EXPECT_EQ(thrownMessage([&] { doc.fileOps.open(dir.filePath("none.tsprj"), false); }),
              "File not found \"" + dir.filePath("none.tsprj") + "\"");

    // A file that names a mesh it never stored.
    Project stranger;
    stranger.addMesh(boxMesh(1), "x");
    QFile unknown(dir.filePath("unknown.tsprj"));
    ASSERT_TRUE(unknown.open(QIODevice::WriteOnly));
    unknown.write(stranger.saveToStr(true));
    unknown.close();
    EXPECT_EQ(thrownMessage([&] { doc.fileOps.open(unknown.fileName(), false); }),
              "FacesCache: FATAL error, hash not found.");

    const QString unwritable = dir.filePath("no/such/folder/p.tsprj");
    EXPECT_EQ(thrownMessage([&] { doc.fileOps.save(unwritable); }), "FileOps::save() Cannot write file: " + unwritable);

    EXPECT_FALSE(doc.fileOps.isLoading());
    EXPECT_EQ(doc.project.saveToStr(false), before);
    EXPECT_EQ(doc.fileOps.stats(), stats);
    ASSERT_TRUE(doc.fileOps.undo()); // the meshes the history needs are still there
    ASSERT_TRUE(doc.fileOps.undo());
    EXPECT_EQ(doc.project.objectCount(), 0);
}

TEST(FileOps, ChangedIsSignalledForEveryDocumentChange)
{
    QTemporaryDir dir;
    Document doc;
    QSignalSpy spy(&doc.fileOps, &FileOps::changed);
    addBox(doc, 1);
    doc.fileOps.undo();
    doc.fileOps.redo();
    doc.fileOps.save(dir.filePath("a.tsprj"));
    doc.fileOps.open(dir.filePath("a.tsprj"), true);
    doc.fileOps.new_(true);
    EXPECT_EQ(spy.count(), 6);
}

// Drives random edits, undo, redo, save, open and new through FileOps and checks them against the
// rules written out plainly: the scene after undo/redo is the one recorded at that point, and the
// counter is 0 exactly when the scene is the saved one (unless the save point became unreachable).
TEST(FileOpsProperty, RandomSessionsFollowTheCounterAndRestoreEveryScene)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("session.tsprj");
    std::mt19937 rng(1234);
    for (int session = 0; session < 25; ++session) {
        Document doc;
        QVector<QByteArray> undoModel, redoModel;
        QByteArray currentModel = doc.project.saveToStr(true);
        int counter = 0;
        bool saveReachable = true;
        QByteArray savedFile;
        auto recordEdit = [&] {
            redoModel.clear();
            undoModel.append(currentModel);
            currentModel = doc.project.saveToStr(true);
            if (counter >= 0)
                ++counter;
            saveReachable = saveReachable && counter > 0;
        };
        for (int step = 0; step < 60; ++step) {
            const int action = std::uniform_int_distribution<int>(0, 9)(rng);
            const int n = doc.project.objectCount();
            if (action <= 1 || n == 0) {
                addBox(doc, float(1 + step % 7));
                recordEdit();
            } else if (action == 2) {
                doc.project.object(std::uniform_int_distribution<int>(0, n - 1)(rng))->selected = true;
                move(doc, float(step + 1));
                recordEdit();
            } else if (action == 3) {
                doc.project.selectAll(true);
                ASSERT_TRUE(doc.commands.mirror(step % 3));
                recordEdit();
            } else if (action == 4) {
                doc.project.selectAll(false);
                doc.project.object(n - 1)->selected = true;
                ASSERT_TRUE(doc.commands.remove());
                recordEdit();
            } else if (action <= 6) {
                const bool done = doc.fileOps.undo();
                ASSERT_EQ(done, !undoModel.isEmpty());
                if (done) {
                    redoModel.append(currentModel);
                    currentModel = undoModel.takeLast();
                    --counter;
                }
            } else if (action == 7) {
                const bool done = doc.fileOps.redo();
                ASSERT_EQ(done, !redoModel.isEmpty());
                if (done) {
                    undoModel.append(currentModel);
                    currentModel = redoModel.takeLast();
                    ++counter;
                }
            } else if (action == 8) {
                ASSERT_TRUE(doc.fileOps.save(path));
                savedFile = readFile(path, true);
                counter = 0;
                saveReachable = true;
            } else if (!savedFile.isEmpty()) {
                doc.ui.saveAnswers = {FileOpsUi::SaveAnswer::Discard};
                ASSERT_TRUE(doc.fileOps.open(path, true));
                undoModel.clear();
                redoModel.clear();
                currentModel = doc.project.saveToStr(true);
                counter = 0;
                EXPECT_EQ(doc.project.saveToStr(false), savedFile);
            }
            ASSERT_EQ(doc.fileOps.changeCount(), counter) << session << ":" << step;
            ASSERT_EQ(doc.fileOps.undoCount(), undoModel.size());
            ASSERT_EQ(doc.fileOps.redoCount(), redoModel.size());
            ASSERT_EQ(doc.project.saveToStr(true), currentModel) << session << ":" << step;
            if (counter == 0 && !savedFile.isEmpty())
                ASSERT_EQ(doc.project.saveToStr(false), savedFile) << session << ":" << step;
        }
    }
}
