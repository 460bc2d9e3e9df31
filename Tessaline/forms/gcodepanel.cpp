#include "forms/gcodepanel.h"
#include "ui_gcodepanel.h"

#include <algorithm>
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
    // The spin box and the slider of the line cursor are one control.
    connect(ui->seGCodeLine, QOverload<int>::of(&QSpinBox::valueChanged), ui->slGCodeLine, &QSlider::setValue);
    connect(ui->slGCodeLine, &QSlider::valueChanged, ui->seGCodeLine, &QSpinBox::setValue);
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

int GCodePanel::line() const
{
    return ui->seGCodeLine->value();
}

void GCodePanel::setLineCount(int lines)
{
    const int last = std::max(0, lines - 1);
    ui->seGCodeLine->setMaximum(last);
    ui->slGCodeLine->setMaximum(last);
}

void GCodePanel::setFileLabel(const QString &label)
{
    ui->lGCodeFileName->setText(label);
}

void GCodePanel::setStats(const QString &text)
{
    ui->lGCodeStats->setText(text);
}
