#include "forms/gcodepanel.h"
#include "ui_gcodepanel.h"

#include <QSignalBlocker>

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
    // A spin box and the slider beside it are one control.
    const std::pair<QSpinBox *, QSlider *> pairs[] = {{ui->seGCodeLine, ui->slGCodeLine},
                                                      {ui->seGCodeLayer, ui->slGCodeLayer}};
    for (const auto &pair : pairs) {
        connect(pair.first, QOverload<int>::of(&QSpinBox::valueChanged), pair.second, &QSlider::setValue);
        connect(pair.second, &QSlider::valueChanged, pair.first, &QSpinBox::setValue);
    }
    connect(ui->seGCodeLine, QOverload<int>::of(&QSpinBox::valueChanged), this, &GCodePanel::lineChanged);
    connect(ui->seGCodeLayer, QOverload<int>::of(&QSpinBox::valueChanged), this, &GCodePanel::viewChoiceChanged);
    connect(ui->slGCodeAdditionalLayers, &QSlider::valueChanged, this, &GCodePanel::viewChoiceChanged);
    connect(ui->cbGCodeColoring, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &GCodePanel::viewChoiceChanged);
    connect(ui->chShowTravel, &QCheckBox::toggled, this, &GCodePanel::viewChoiceChanged);
    connect(ui->chShowLegend, &QCheckBox::toggled, this, &GCodePanel::viewChoiceChanged);
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

void GCodePanel::setLayerCount(int layers)
{
    layers = std::max(0, layers);
    if (layers == m_layerCount)
        return;
    const int last = std::max(0, layers - 1);
    const bool followTop = ui->seGCodeLayer->value() >= std::max(0, m_layerCount - 1);
    const bool allBelow = ui->slGCodeAdditionalLayers->value() >= ui->slGCodeAdditionalLayers->maximum();
    m_layerCount = layers;
    const QSignalBlocker blockSpin(ui->seGCodeLayer), blockSlider(ui->slGCodeLayer),
        blockBelow(ui->slGCodeAdditionalLayers);
    ui->seGCodeLayer->setMaximum(last);
    ui->slGCodeLayer->setMaximum(last);
    ui->slGCodeAdditionalLayers->setMaximum(last);
    if (followTop) {
        ui->seGCodeLayer->setValue(last);
        ui->slGCodeLayer->setValue(last);
    }
    if (allBelow)
        ui->slGCodeAdditionalLayers->setValue(last);
    emit viewChoiceChanged();
}

void GCodePanel::setTopLayer(int layer)
{
    ui->seGCodeLayer->setValue(layer);
}

void GCodePanel::showAllLayersBelow()
{
    ui->slGCodeAdditionalLayers->setValue(ui->slGCodeAdditionalLayers->maximum());
}

GCodeViewChoice GCodePanel::viewChoice() const
{
    GCodeViewChoice choice;
    choice.topLayer = ui->seGCodeLayer->value();
    choice.additionalLayers = ui->slGCodeAdditionalLayers->value();
    choice.coloring = ui->cbGCodeColoring->currentIndex() + 1;
    choice.showTravel = ui->chShowTravel->isChecked();
    choice.showLegend = ui->chShowLegend->isChecked();
    return choice;
}

void GCodePanel::setFileLabel(const QString &label)
{
    ui->lGCodeFileName->setText(label);
}

void GCodePanel::setStats(const QString &text)
{
    ui->lGCodeStats->setText(text);
}
