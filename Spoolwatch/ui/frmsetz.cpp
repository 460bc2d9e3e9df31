#include "ui/frmsetz.h"
#include "ui_frmsetz.h"

#include "link/printer.h"

FrmSetZ::FrmSetZ(Printer &printer, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmSetZ>()), m_printer(printer)
{
    ui->setupUi(this);
    ui->seZ->setValue(m_printer.link().followState().z);
    ui->seZ->selectAll();
}

FrmSetZ::~FrmSetZ() = default;

QByteArray FrmSetZ::moveCommand(double z)
{
    return "G1 F1200 Z" + QByteArray::number(z, 'g', 6);
}

void FrmSetZ::on_bGo_clicked()
{
    m_printer.sendCommand(moveCommand(ui->seZ->value()));
    accept();
}
