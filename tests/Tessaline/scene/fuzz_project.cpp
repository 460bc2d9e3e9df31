#include "scene/project.h"

#include <QString>
#include <QtGlobal>
#include <cstdint>

namespace
{

void checkFinite(const Project &project)
{
    for (int i = 0; i < project.objectCount(); ++i) {
        const Box3f box = project.object(i)->transformedBounds();
        if (!box.min.isFinite() || !box.max.isFinite())
            __builtin_trap();
    }
}

} // namespace

// Cut-short inputs are logged by the loader; the log would only slow the run down.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return 0;
}

// Any bytes as a project file, and as a snapshot against the meshes the file brought: each either
// loads (perhaps partly) or fails with a loader message; a failed file load leaves the scene alone.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    Project project;
    project.addMesh(Faces(), "before");
    try {
        project.serveFileOp(FileOpLoadFile, bytes);
    } catch (const char *) {
        if (project.objectCount() != 1 || project.object(0)->name != "before")
            __builtin_trap();
    }
    checkFinite(project);
    QByteArray saved;
    project.serveFileOp(FileOpStoreFile, saved);
    try {
        project.loadFromStr(bytes, true);
    } catch (const char *) {
    }
    checkFinite(project);
    return 0;
}
