#include "forms/gcodepanel.h"
#include "ui_gcodepanel.h"

#include <utility>

GCodePanel::GCodePanel(QWidget *parent) : QGroupBox(parent), ui(std::make_unique<Ui::GCodePanel>())
{
    ui->setupUi(this);
    const std::pair<QPushButton *, const char *> buttons[] = {
        {ui->bLoadGCode, "Load"}, {ui->bSaveGCode, "Save"}, {ui->bClearGCode, "Clear"}, {ui->bPrintGCode, "Print"}};
    for (const auto &button : buttons) {
        const QString name = button.second;
        connect(button.first, &QPushButton::clicked, this, [this, name] { emit commandRequested(name); });
    }
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
