#include "cli/slicecommand.h"

#include "cli/clitext.h"
#include "cli/gcodestats.h"
#include "cli/progressbar.h"
#include "cli/settingsassignments.h"
#include "cli/sliceoptions.h"
#include "common/duration.h"
#include "common/platform/writeback.h"
#include "engine/slicer.h"
#include "engine/slicerpresets.h"
#include "scene/project.h"
#include "scene/slicesnapshot.h"
#include "scene/supports.h"

#include <QFile>
#include <QSaveFile>
#include <QThread>

#include <cstdio>
#include <unistd.h>

namespace
{

void loadInputs(Project &project, const QStringList &inputs)
{
    if (inputs.first().endsWith(".tsprj", Qt::CaseInsensitive)) {
        QFile file(inputs.first());
        if (!file.open(QIODevice::ReadOnly))
            throw QString("Cannot read %1: %2").arg(inputs.first(), file.errorString());
        project.loadFromStr(file.readAll(), false);
        return;
    }
    project.addFiles(inputs);
    project.realignAll();
}

// The printer cannot reach what lies beyond its build volume; the G-code is still written, for the user may
// know better (a bigger machine than the one given), but not silently. The plate is centred on the scene
// whatever the G-code's origin, which only moves the numbers written.
void warnOutsideBuildVolume(const Project &project, const MachineRecord &machine)
{
    const float slack = 1e-3f;
    const float halfWidth = machine.buildWidth / 2 + slack, halfDepth = machine.buildDepth / 2 + slack;
    for (int i = 0; i < project.objectCount(); ++i) {
        const Obj *obj = project.object(i);
        if (!obj->mesh())
            continue;
        const Box3f box = obj->transformedBounds();
        const bool inside = box.min.x >= -halfWidth && box.max.x <= halfWidth && box.min.z >= -halfDepth &&
                            box.max.z <= halfDepth && box.max.y <= machine.buildHeight + slack;
        if (!inside)
            printErr(QString("tessaline-cli: warning: object '%1' reaches outside the build volume\n").arg(obj->name));
    }
}

// The G-code goes to the file as the slicer produces it, so writing overlaps the slicing of later layers. The
// file is written aside and renamed at the end: a failed slice or a full disk leaves no half file.
class OutputFile
{
public:
    explicit OutputFile(const QString &path) : m_file(path)
    {
        if (!m_file.open(QIODevice::WriteOnly))
            fail();
    }
    void write(const QByteArray &text)
    {
        if (m_file.write(text) != text.size())
            fail();
        // The final commit syncs the file to disk; what has gone ahead meanwhile it need not wait for.
        const qint64 written = m_file.pos();
        if (written - m_writebackFrom >= writebackStep && m_file.flush()) {
            platform::startWriteback(m_file.handle(), m_writebackFrom, written - m_writebackFrom);
            m_writebackFrom = written;
        }
    }
    void commit()
    {
        if (!m_file.commit())
            fail();
    }

private:
    [[noreturn]] void fail() { throw QString("Cannot write %1: %2").arg(m_file.fileName(), m_file.errorString()); }

    // Small enough that a small part's file (a few hundred kilobytes) is mostly on its way to the disk by the
    // end; each step costs one system call.
    static constexpr qint64 writebackStep = 256 << 10;
    QSaveFile m_file;
    qint64 m_writebackFrom = 0;
};

QString summaryLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw QString("Cannot read %1 back: %2").arg(path, file.errorString());
    const GCodeStats stats = measureGCode(file.readAll());
    return QString("Sliced %1 layers, estimated time %2, filament %3 mm: %4\n")
        .arg(stats.layers)
        .arg(durationText(stats.timeSec))
        .arg(stats.totalE, 0, 'f', 1)
        .arg(path);
}

} // namespace

int runSlice(const QStringList &args)
{
    SliceOptions options;
    const QString problem = options.parse(args);
    if (!problem.isEmpty())
        return usageError(problem);

    SlicerParams params;
    if (!options.preset.isEmpty())
        params = importPresetFile(options.preset);
    const QString wrong = applySettings(params, options.settings);
    if (!wrong.isEmpty())
        return usageError("slice: " + wrong);
    params.sliceZMin = 0.0f;
    params.sliceZMax = options.machine.buildHeight;

    // The threads serve the import and the support generation too.
    setSlicerThreads(options.threads > 0 ? options.threads : QThread::idealThreadCount(), QThread::InheritPriority);
    Project project;
    loadInputs(project, options.inputs);
    if (options.generateSupports)
        ::generateSupports(project, options.supportSpacing, options.supportAngle, [](int) {});

    if (!options.quiet)
        warnOutsideBuildVolume(project, options.machine);
    ProgressBar bar;
    // Without a bar to show there is no callback, which spares the slicer copying out the progress chunks.
    SliceProgress progress;
    if (!options.quiet && isatty(fileno(stderr)))
        progress = [&bar](int percent, const QByteArray &) { bar.show(percent); };
    Slicer slicer(sliceSnapshot(project), &params, &options.machine, std::move(progress));
    OutputFile output(options.output);
    slicer.streamTo([&output](const QByteArray &text) { output.write(text); });
    slicer.slice();
    output.commit();
    if (!options.quiet)
        printOut(summaryLine(options.output));
    return kExitOk;
}
