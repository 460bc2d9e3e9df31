#include "forms/frmoptions.h"
#include "ui_frmoptions.h"

#include "common/gui/windowgeometry.h"
#include "forms/formgeometry.h"
#include "common/ini.h"

#include <QComboBox>

namespace
{

const int frontLeftCode = 0;
const int centerCode = 257;

} // namespace

FrmOptions::FrmOptions(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmOptions>()), m_values("FrmOptions")
{
    ui->setupUi(this);
    ui->seMaxCores->setValue(qMax(1, QThread::idealThreadCount()));
    m_values.add({ui->seBuildWidth, ui->seBuildDepth, ui->seBuildHeight, ui->chCircularPlatform, ui->cbXDirection,
                  ui->cbXOrigin, ui->cbYDirection, ui->cbYOrigin, ui->eFilamentPrices, ui->chCheckForUpdatesOnStartup,
                  ui->chShareUsageStats, ui->cbEditorPanelAlignment, ui->chEditorPanelAutoHide, ui->chEditorEnvMap,
                  ui->chGCodeEnvMap, ui->chTransparentObjects, ui->chShowBackFaces, ui->seMaxCores,
                  ui->cbThreadPriority});
    m_values.restore(Ini::global());
    for (QComboBox *combo : {ui->cbXDirection, ui->cbXOrigin, ui->cbYDirection, ui->cbYOrigin})
        connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] { showOriginButtons(); });
    showOriginButtons();
    restoreFormGeometry(this);
}

FrmOptions::~FrmOptions() = default;

MachineAxes FrmOptions::machineAxes() const
{
    MachineAxes axes;
    axes.xDirection = ui->cbXDirection->currentIndex();
    axes.xOrigin = ui->cbXOrigin->currentIndex();
    axes.yDirection = ui->cbYDirection->currentIndex();
    axes.yOrigin = ui->cbYOrigin->currentIndex();
    return axes;
}

FrmOptions::ViewLook FrmOptions::viewLook() const
{
    return {ui->chCircularPlatform->isChecked(), ui->chEditorEnvMap->isChecked(), ui->chGCodeEnvMap->isChecked(),
            ui->chTransparentObjects->isChecked(), ui->chShowBackFaces->isChecked()};
}

MachineRecord FrmOptions::machineRecord() const
{
    return machineRecordFromOptions(float(ui->seBuildWidth->value()), float(ui->seBuildDepth->value()),
                                    float(ui->seBuildHeight->value()), machineAxes());
}

int FrmOptions::threadCount() const
{
    return ui->seMaxCores->value();
}

QThread::Priority FrmOptions::threadPriority() const
{
    return ui->cbThreadPriority->currentIndex() == 1 ? QThread::HighPriority : QThread::NormalPriority;
}

double FrmOptions::filamentPrice(const QString &material) const
{
    for (const QString &entry : ui->eFilamentPrices->text().split(';', Qt::SkipEmptyParts)) {
        const int equals = entry.indexOf('=');
        if (equals < 0 || entry.left(equals).trimmed().compare(material, Qt::CaseInsensitive) != 0)
            continue;
        bool numeric = false;
        const double price = entry.mid(equals + 1).trimmed().toDouble(&numeric);
        return numeric && price >= 0 ? price : -1.0;
    }
    return -1.0;
}

int FrmOptions::originCode() const
{
    const MachineAxes axes = machineAxes();
    return ((axes.xDirection * 16 + axes.xOrigin) * 16 + axes.yDirection) * 16 + axes.yOrigin;
}

bool FrmOptions::takeUpdateRequest()
{
    const bool requested = m_updateRequested;
    m_updateRequested = false;
    return requested;
}

bool FrmOptions::checkUpdatesOnStartup() const
{
    return ui->chCheckForUpdatesOnStartup->isChecked();
}

void FrmOptions::setCheckUpdatesOnStartup(bool on)
{
    ui->chCheckForUpdatesOnStartup->setChecked(on);
    Ini &ini = Ini::global();
    m_values.store(ini);
    ini.store();
}

void FrmOptions::storeValues()
{
    Ini &ini = Ini::global();
    m_values.store(ini);
    ::storeGeometry(this, ini);
    ini.store();
}

void FrmOptions::setAxes(const MachineAxes &axes)
{
    ui->cbXDirection->setCurrentIndex(axes.xDirection);
    ui->cbXOrigin->setCurrentIndex(axes.xOrigin);
    ui->cbYDirection->setCurrentIndex(axes.yDirection);
    ui->cbYOrigin->setCurrentIndex(axes.yOrigin);
    showOriginButtons();
}

void FrmOptions::showOriginButtons()
{
    // A pressed button says which shortcut the combos match; a click on a pressed one keeps it pressed.
    const int code = originCode();
    ui->bOriginFrontLeft->setChecked(code == frontLeftCode);
    ui->bOriginCenter->setChecked(code == centerCode);
}

void FrmOptions::on_bOk_clicked()
{
    accept();
}

void FrmOptions::on_bCheckForUpdates_clicked()
{
    m_updateRequested = true;
    accept();
}

void FrmOptions::on_bOriginFrontLeft_clicked()
{
    setAxes(MachineAxes{0, 0, 0, 0});
}

void FrmOptions::on_bOriginCenter_clicked()
{
    setAxes(MachineAxes{0, 1, 0, 1});
}

void FrmOptions::on_timer()
{
    showOriginButtons();
}

void FrmOptions::done(int result)
{
    storeValues();
    QDialog::done(result);
}
