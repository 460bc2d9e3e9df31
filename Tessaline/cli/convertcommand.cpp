#include "cli/convertcommand.h"

#include "cli/clitext.h"
#include "common/files.h"
#include "common/gcode/gcodesimxcode.h"
#include "geometry/faces.h"

#include <QFileInfo>
#include <QSaveFile>

namespace
{

struct ConvertRequest {
    QString inPath;
    QString outPath;
    bool asciiStl = false;
};

// Written through a temporary file, so a failed write never leaves half a file in place of a good one.
void writeWholeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw QString("Cannot write \"%1\": %2").arg(path, file.errorString());
}

bool isMeshPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == "stl" || suffix == "obj";
}

// The output's extension picks the format: ".stl" (binary unless --ascii) or ".obj". The mesh is read as
// the slicer imports it, so a mesh wound inside out comes out facing outward.
void convertMesh(const ConvertRequest &request)
{
    if (!isMeshPath(request.outPath))
        throw QString("Cannot convert \"%1\": the output must end in .stl or .obj").arg(request.inPath);
    Faces mesh;
    mesh.importFile(request.inPath);
    mesh.exportFata(request.outPath, !request.asciiStl);
}

void convertCompactGCode(const ConvertRequest &request, const QByteArray &data)
{
    writeWholeFile(request.outPath, processXCode(data));
}

} // namespace

int runConvert(const QStringList &args)
{
    ConvertRequest request;
    QStringList paths;
    for (const QString &arg : args) {
        if (arg == "--ascii")
            request.asciiStl = true;
        else if (arg.startsWith('-') && arg != "-")
            return usageError(QString("convert: unknown option '%1'").arg(arg));
        else
            paths << arg;
    }
    if (paths.size() != 2)
        return usageError("convert: expected an input and an output file");
    request.inPath = paths[0];
    request.outPath = paths[1];
    if (isMeshPath(request.inPath)) {
        convertMesh(request);
        return kExitOk;
    }
    const QByteArray data = readFile(request.inPath, true);
    if (!isXCode(data))
        throw QString("Cannot convert \"%1\": not a compact G-code file").arg(request.inPath);
    convertCompactGCode(request, data);
    return kExitOk;
}
