#include "forms/frmslicersimple.h"
#include "ui_frmslicersimple.h"

#include "common/gui/windowgeometry.h"
#include "forms/formgeometry.h"
#include "common/ini.h"
#include "forms/scenesession.h"

#include <QCoreApplication>

namespace
{

// The bars that "Generate support" places: as thick as the support panel's default, under surfaces
// steeper than 85 degrees.
const float supportThickness = 1.8f;
const float supportMinSteepness = 85.0f;

struct Material {
    int headTemp;
    int bedTemp;
};
const Material plaTemps = {220, 60};
const Material absTemps = {230, 110};

} // namespace

FrmSlicerSimple::FrmSlicerSimple(FrmSlicer &expert, SceneSession &session, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmSlicerSimple>()), m_expert(expert), m_session(session),
      m_values("FrmSlicerSimple")
{
    ui->setupUi(this);
    m_values.add({ui->rbHigh, ui->rbMedium, ui->rbLow, ui->rbPLA, ui->rbABS, ui->chGenerateSupport});
    m_values.restore(Ini::global());
    restoreFormGeometry(this);
}

FrmSlicerSimple::~FrmSlicerSimple() = default;

SlicerParams FrmSlicerSimple::chosenParams() const
{
    SlicerParams params;
    params.resetToDefaults();
    const float layerHeight = ui->rbHigh->isChecked() ? 0.1f : ui->rbLow->isChecked() ? 0.3f : 0.2f;
    params.LayerHeight = layerHeight;
    params.FirstLayerHeight = layerHeight;
    const Material &material = ui->rbABS->isChecked() ? absTemps : plaTemps;
    params.HeadTempEnabled = true;
    params.HeadTemp = material.headTemp;
    params.BedTempEnabled = true;
    params.BedTemp = material.bedTemp;
    return params;
}

QString FrmSlicerSimple::material() const
{
    return ui->rbABS->isChecked() ? "ABS" : "PLA";
}

bool FrmSlicerSimple::takeSwitchRequest()
{
    const bool requested = m_switchRequested;
    m_switchRequested = false;
    return requested;
}

void FrmSlicerSimple::on_bSwitchToExpert_clicked()
{
    m_switchRequested = true;
    reject();
}

void FrmSlicerSimple::on_bSlice_clicked()
{
    setEnabled(false);
    const SlicerParams params = chosenParams();
    if (ui->chGenerateSupport->isChecked())
        m_session.generateSupports(supportThickness, supportMinSteepness,
                                   [](int) { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    m_expert.useParams(params);
    ui->pbSlice->setVisible(true);
    m_busy = true;
    if (m_slice)
        m_slice([this](int percent, const QByteArray &) {
            ui->pbSlice->setValue(percent);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    m_busy = false;
    ui->pbSlice->setVisible(false);
    setEnabled(true);
}

void FrmSlicerSimple::reject()
{
    // Closing while the slice runs would leave it without its progress.
    if (m_busy)
        return;
    QDialog::reject();
}

void FrmSlicerSimple::done(int result)
{
    Ini &ini = Ini::global();
    m_values.store(ini);
    ::storeGeometry(this, ini);
    QDialog::done(result);
}
