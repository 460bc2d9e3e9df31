#include "ui/frmthermo.h"
#include "ui_frmthermo.h"

#include "link/printer.h"
#include "ui/returnclicks.h"

#include <cmath>

FrmThermo::FrmThermo(Printer &printer, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmThermo>()), m_printer(printer)
{
    ui->setupUi(this);
    const FollowState follow = m_printer.link().followState();
    ui->seHead->setValue(int(std::lround(follow.headTarget)));
    ui->seBed->setValue(int(std::lround(follow.bedTarget)));
    ui->seFan->setValue(int(std::lround(follow.fan * 100.0 / 255)));
    ui->chBypassHeatCommands->setChecked(m_printer.bypassHeat());
    ui->chBypassFanCommands->setChecked(m_printer.bypassFan());
    ReturnClicks::install(ui->seHead, ui->bHeadSet);
    ReturnClicks::install(ui->seBed, ui->bBedSet);
    ReturnClicks::install(ui->seFan, ui->bFanSet);
    connect(ui->seFan, QOverload<int>::of(&QSpinBox::valueChanged), this, &FrmThermo::showFanToggle);
    connect(ui->bClose, &QPushButton::clicked, this, &QDialog::accept);
    showFanToggle();
}

FrmThermo::~FrmThermo() = default;

int FrmThermo::fanPwm(int percent)
{
    return (percent * 255 + 50) / 100;
}

void FrmThermo::on_bHeadSet_clicked()
{
    m_printer.sendCommand("M104 S" + QByteArray::number(ui->seHead->value()));
}

void FrmThermo::on_bHeadOff_clicked()
{
    ui->seHead->setValue(0);
    on_bHeadSet_clicked();
}

void FrmThermo::on_bBedSet_clicked()
{
    m_printer.sendCommand("M140 S" + QByteArray::number(ui->seBed->value()));
}

void FrmThermo::on_bBedOff_clicked()
{
    ui->seBed->setValue(0);
    on_bBedSet_clicked();
}

void FrmThermo::on_bFanSet_clicked()
{
    m_printer.sendCommand("M106 S" + QByteArray::number(fanPwm(ui->seFan->value())));
}

void FrmThermo::on_bFanOff_clicked()
{
    ui->seFan->setValue(ui->seFan->value() < 1 ? 100 : 0);
    on_bFanSet_clicked();
}

void FrmThermo::on_chBypassHeatCommands_clicked()
{
    m_printer.setBypass(ui->chBypassHeatCommands->isChecked(), m_printer.bypassFan());
}

void FrmThermo::on_chBypassFanCommands_clicked()
{
    m_printer.setBypass(m_printer.bypassHeat(), ui->chBypassFanCommands->isChecked());
}

void FrmThermo::showFanToggle()
{
    ui->bFanOff->setText(ui->seFan->value() < 1 ? "On" : "Off");
}
