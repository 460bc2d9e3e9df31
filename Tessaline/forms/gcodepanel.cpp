#include "forms/gcodepanel.h"
#include "ui_gcodepanel.h"

GCodePanel::GCodePanel(QWidget *parent) : QGroupBox(parent), ui(std::make_unique<Ui::GCodePanel>())
{
    ui->setupUi(this);
}

GCodePanel::~GCodePanel() = default;

QString GCodePanel::fileLabel() const
{
    return ui->lGCodeFileName->text();
}

void GCodePanel::setLine(int line)
{
    ui->seGCodeLine->setValue(line);
}

void GCodePanel::setFileLabel(const QString &label)
{
    ui->lGCodeFileName->setText(label);
}

void GCodePanel::setStats(const QString &text)
{
    ui->lGCodeStats->setText(text);
}
