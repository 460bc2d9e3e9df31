#include "ui/frmtweak.h"
#include "ui_frmtweak.h"

#include "link/printer.h"
#include "ui/returnclicks.h"

FrmTweak::FrmTweak(Printer &printer, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmTweak>()), m_printer(printer)
{
    ui->setupUi(this);
    ui->seSpeedFactor->setValue(m_printer.speedFactor());
    ui->seExtrudeFactor->setValue(m_printer.extrudeFactor());
    ReturnClicks::install(ui->seSpeedFactor, ui->bSpeedFactorSet);
    ReturnClicks::install(ui->seExtrudeFactor, ui->bExtrudeFactorSet);
    connect(ui->bClose, &QPushButton::clicked, this, &QDialog::accept);
}

FrmTweak::~FrmTweak() = default;

void FrmTweak::on_bSpeedFactorSet_clicked()
{
    m_printer.setSpeedFactor(ui->seSpeedFactor->value());
}

void FrmTweak::on_bSpeedFactorReset_clicked()
{
    // Sent even when the field already reads 100: the printer may hold another value than the field.
    ui->seSpeedFactor->setValue(100);
    on_bSpeedFactorSet_clicked();
}

void FrmTweak::on_bExtrudeFactorSet_clicked()
{
    m_printer.setExtrudeFactor(ui->seExtrudeFactor->value());
}

void FrmTweak::on_bExtrudeFactorReset_clicked()
{
    ui->seExtrudeFactor->setValue(100);
    on_bExtrudeFactorSet_clicked();
}
