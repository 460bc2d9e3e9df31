#pragma once

#include "view/cliprecord.h"

#include <QGroupBox>

#include <memory>

namespace Ui
{
class ClippingPanel;
}
class QComboBox;
class QDoubleSpinBox;

// The planes that cut the 3D view open: on/off, and per axis which side is kept and where the plane lies.
// Every change is announced; "Redraw" announces the record again.
class ClippingPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit ClippingPanel(QWidget *parent = nullptr);
    ~ClippingPanel() override;

    ClipRecord record() const;
    void setRecord(const ClipRecord &record);

signals:
    void clipChanged(const ClipRecord &record);

private:
    void announce();

    std::unique_ptr<Ui::ClippingPanel> ui;
    QComboBox *m_sides[3] = {};
    QDoubleSpinBox *m_positions[3] = {};
};
