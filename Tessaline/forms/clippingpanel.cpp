#include "forms/clippingpanel.h"
#include "ui_clippingpanel.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QSignalBlocker>

namespace
{

// The side choices in the order of their combo box entries, as the record stores them.
const int sideValues[] = {0, 1, -1};
const char *const sideNames[] = {"Off", "Keep below", "Keep above"};
const char *const axisNames[] = {"X", "Y", "Z"};

} // namespace

ClippingPanel::ClippingPanel(QWidget *parent) : QGroupBox(parent), ui(std::make_unique<Ui::ClippingPanel>())
{
    ui->setupUi(this);
    for (int a = 0; a < 3; ++a) {
        auto *label = new QLabel(axisNames[a], this);
        m_sides[a] = new QComboBox(this);
        m_sides[a]->setObjectName(QString("cbClipSide%1").arg(a));
        for (const char *name : sideNames)
            m_sides[a]->addItem(name);
        m_positions[a] = new QDoubleSpinBox(this);
        m_positions[a]->setObjectName(QString("seClipPos%1").arg(a));
        m_positions[a]->setRange(-10000.0, 10000.0);
        m_positions[a]->setDecimals(1);
        m_positions[a]->setSuffix(" mm");
        ui->grid_gbClipping->addWidget(label, a + 1, 0);
        ui->grid_gbClipping->addWidget(m_sides[a], a + 1, 1);
        ui->grid_gbClipping->addWidget(m_positions[a], a + 1, 2);
        connect(m_sides[a], QOverload<int>::of(&QComboBox::currentIndexChanged), this, &ClippingPanel::announce);
        connect(m_positions[a], QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &ClippingPanel::announce);
    }
    connect(ui->chClipping, &QCheckBox::toggled, this, &ClippingPanel::announce);
    connect(ui->bClipRedraw, &QPushButton::clicked, this, &ClippingPanel::announce);
}

ClippingPanel::~ClippingPanel() = default;

ClipRecord ClippingPanel::record() const
{
    ClipRecord record;
    record.enabled = ui->chClipping->isChecked();
    for (int a = 0; a < 3; ++a) {
        record.pos[a] = float(m_positions[a]->value());
        record.side[a] = sideValues[std::max(0, m_sides[a]->currentIndex())];
    }
    return record;
}

void ClippingPanel::setRecord(const ClipRecord &record)
{
    {
        const QSignalBlocker block(this);
        ui->chClipping->setChecked(record.enabled);
        for (int a = 0; a < 3; ++a) {
            const QSignalBlocker blockSide(m_sides[a]), blockPos(m_positions[a]);
            m_positions[a]->setValue(double(record.pos[a]));
            m_sides[a]->setCurrentIndex(record.side[a] > 0 ? 1 : record.side[a] < 0 ? 2 : 0);
        }
    }
    announce();
}

void ClippingPanel::announce()
{
    emit clipChanged(record());
}
