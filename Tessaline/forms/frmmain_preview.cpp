// The G-code preview of the window: parsing G-code into it (whole files with a progress bar, or piece by
// piece while a background slice produces it) and keeping the panel's controls in step with it.
#include "forms/frmmain.h"

#include "common/gui/exceptionreport.h"
#include "forms/frmoptions.h"
#include "forms/gcodepanel.h"
#include "forms/scenesession.h"
#include "forms/statspanel.h"
#include "view/gcodeoverlay.h"
#include "view/glviewer.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QMatrix4x4>
#include <QProgressDialog>


namespace
{

// Files above this size are parsed in pieces of it, with a progress bar.
constexpr int kPreviewChunkBytes = 8 << 20;
const char *const unsavedGCodeLabel = "Unsaved GCode: ";

} // namespace

void FrmMain::resetPreview()
{
    m_preview.reset();
    if (m_view)
        m_view->setGCodePreview(&m_preview);
    m_gcodePanel->setLayerCount(0);
    m_gcodePanel->setLineCount(0);
}

void FrmMain::previewGrew(bool whole)
{
    // A whole new parse is handed over again; a piece appended lets the view extend what it built.
    if (m_view && whole)
        m_view->setGCodePreview(&m_preview);
    else if (m_view)
        m_view->gcodeGrew();
    m_gcodePanel->setLayerCount(m_preview.layerCount());
    m_gcodePanel->setLineCount(m_preview.lineCount());
    showPreviewInView();
}

void FrmMain::parseIntoPreview(const QByteArray &text)
{
    resetPreview();
    if (text.size() <= kPreviewChunkBytes) {
        m_preview.build(text);
        previewGrew(true);
        return;
    }
    QProgressDialog progress("Loading GCode...", QString(), 0, int(text.size() / kPreviewChunkBytes) + 1, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    for (int offset = 0, step = 0; offset < text.size(); offset += kPreviewChunkBytes, ++step) {
        progress.setValue(step);
        m_preview.append(text.mid(offset, kPreviewChunkBytes));
    }
    m_preview.finish();
    progress.setValue(progress.maximum());
    previewGrew(true);
}

void FrmMain::sliceBackground()
{
    if (m_slicing)
        return;
    qDebug() << "bkg slicer";
    QElapsedTimer clock;
    clock.start();
    setEditMode(EditMode::GCode);
    m_gcodePanel->setFileLabel(unsavedGCodeLabel + m_session->fileOps().fileName());
    m_gcodeBaseName = computeGCodeBaseName();
    m_gcodePanel->showAllLayersBelow();
    resetPreview();
    // The preview grows from the slice's progress, which also keeps the window painting.
    qDebug() << "bkg slicer 1";
    const SliceProgress grow = [this](int, const QByteArray &chunk) {
        if (!chunk.isEmpty()) {
            m_preview.append(chunk);
            previewGrew(false);
        }
        QCoreApplication::processEvents();
    };
    QString failure;
    const QByteArray result = runSlicer(grow, failure);
    qDebug() << "bkg slicer 2";
    if (!failure.isEmpty()) {
        // What the preview holds is a part of a slice that does not exist: show the G-code kept before.
        parseIntoPreview(m_gcode);
        handleException(failure);
        return;
    }
    m_gcode = result;
    m_preview.finish();
    previewGrew(false);
    showStatistics();
    qDebug() << "bkg slice" << clock.elapsed() << "ms";
    setFocus();
}

GCodeViewChoice FrmMain::gcodeViewChoice() const
{
    return m_gcodePanel->viewChoice();
}

void FrmMain::showPreviewInView()
{
    if (!m_view)
        return;
    const GCodeViewChoice choice = m_gcodePanel->viewChoice();
    GCodeDrawOptions options = m_view->gcodeOptions();
    options.shown = m_viewMode == ViewMode::GCode;
    options.topLayer = choice.topLayer;
    options.additionalLayers = choice.additionalLayers;
    options.coloring = choice.coloring;
    options.showTravel = choice.showTravel;
    options.showLegend = choice.showLegend;
    // The G-code's numbers are the printer's: back into the scene, where the plate is centred.
    const MachineRecord machine = m_frmOptions->machineRecord();
    options.placement = QMatrix4x4(machine.signX, 0, 0, machine.originX - machine.buildWidth / 2, 0, 1, 0, 0, 0, 0,
                                   machine.signZ, machine.originZ - machine.buildDepth / 2, 0, 0, 0, 1);
    m_view->setGCodeOptions(options);
}
