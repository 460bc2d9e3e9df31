#pragma once

#include <QGroupBox>

#include <memory>

namespace Ui
{
class StatsPanel;
}

// The statistics of the G-code shown (the "Stats" toggle of the G-code view). Filled by the G-code preview, which
// arrives with slicing.
class StatsPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit StatsPanel(QWidget *parent = nullptr);
    ~StatsPanel() override;

private:
    std::unique_ptr<Ui::StatsPanel> ui;
};
