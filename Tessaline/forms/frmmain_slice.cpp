// Slicing from the window: the settings forms, the options and the slice itself.
#include "forms/frmmain.h"

#include "common/gui/exceptionreport.h"
#include "common/ini.h"
#include "forms/frmoptions.h"
#include "forms/frmslicer.h"
#include "forms/frmslicersimple.h"
#include "forms/frmupdater.h"
#include "forms/gcodepanel.h"
#include "forms/scenesession.h"
#include "forms/statspanel.h"
#include "scene/slicesnapshot.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QFileInfo>

#include <exception>

namespace
{

const char *const unsavedGCodeLabel = "Unsaved GCode: ";

} // namespace

void FrmMain::createForms()
{
    m_frmOptions = new FrmOptions(this);
    m_updater = new FrmUpdater(m_prompts, this);
    m_frmSlicer = new FrmSlicer(m_params, m_prompts, this);
    m_frmSlicerSimple = new FrmSlicerSimple(*m_frmSlicer, *m_session, this);
    const SliceAction slice = [this](const SliceProgress &progress) { sliceNow(progress); };
    m_frmSlicer->setSliceAction(slice);
    m_frmSlicerSimple->setSliceAction(slice);
    connect(m_frmSlicer, &QDialog::rejected, this, [this] { slicerFormClosed(m_frmSlicer->takeSwitchRequest()); });
    connect(m_frmSlicerSimple, &QDialog::rejected, this,
            [this] { slicerFormClosed(m_frmSlicerSimple->takeSwitchRequest()); });
    connect(this, &FrmMain::showFrmSlicer, this, &FrmMain::showSlicerForm);
}

void FrmMain::showSlicerForm()
{
    QDialog *form = m_frmSlicerIsSimple ? static_cast<QDialog *>(m_frmSlicerSimple) : m_frmSlicer;
    form->show();
    form->raise();
    form->activateWindow();
}

void FrmMain::slicerFormClosed(bool switchRequested)
{
    if (!switchRequested)
        return;
    m_frmSlicerIsSimple = !m_frmSlicerIsSimple;
    showSlicerForm();
}

void FrmMain::showOptions()
{
    m_frmOptions->show();
    m_frmOptions->raise();
    m_frmOptions->activateWindow();
}

QString FrmMain::gcodeLabel() const
{
    return m_gcodePanel->fileLabel();
}

QString FrmMain::statsText() const
{
    return m_statsPanel->text();
}

QString FrmMain::computeGCodeBaseName() const
{
    const QString fileName = m_session->fileOps().fileName();
    if (!fileName.isEmpty())
        return QFileInfo(fileName).completeBaseName();
    const Project &project = m_session->project();
    return project.objectCount() > 0 ? project.object(0)->name : QString();
}

QByteArray FrmMain::runSlicer(const SliceProgress &progress, QString &failure)
{
    setSlicerThreads(m_frmOptions->threadCount(), m_frmOptions->threadPriority());
    const MachineRecord machine = m_frmOptions->machineRecord();
    const SlicerParams params = m_params;
    // The slice pumps events from its progress: nothing in the window may start another edit meanwhile.
    m_slicing = true;
    setEnabled(false);
    QByteArray result;
    try {
        Slicer slicer(sliceSnapshot(m_session->project()), &params, &machine, progress);
        result = slicer.slice();
    } catch (const char *message) {
        failure = QString::fromUtf8(message);
    } catch (const QString &message) {
        failure = message;
    } catch (const std::exception &error) {
        failure = QString::fromUtf8(error.what());
    }
    setEnabled(true);
    m_slicing = false;
    return result;
}

bool FrmMain::sliceNow(const SliceProgress &progress, bool noPreview)
{
    QElapsedTimer clock;
    clock.start();
    QString failure;
    const QByteArray result = runSlicer(progress, failure);
    if (!failure.isEmpty()) {
        handleException(failure);
        return false;
    }
    qDebug() << "slice" << clock.elapsed() << "ms";
    m_gcodeBaseName = computeGCodeBaseName();
    const QString label = unsavedGCodeLabel + m_session->fileOps().fileName();
    if (noPreview) {
        m_gcode = result;
        m_gcodePanel->setFileLabel(label);
        showStatistics();
        return true;
    }
    loadGCode(result, label);
    if (!m_viewStats)
        toggleStats();
    return true;
}

void FrmMain::showStatistics()
{
    m_gcodeSummary = summarizeGCode(m_gcode);
    const QString material = m_frmSlicerSimple->material();
    const QString text =
        gcodeStatsText(m_gcodeSummary, QDateTime::currentDateTime(), material, m_frmOptions->filamentPrice(material));
    m_statsPanel->setText(text);
    m_gcodePanel->setStats(text.section("\r\n", 0, 0));
}
