#pragma once

#include <QGroupBox>

#include <memory>

namespace Ui
{
class StatsPanel;
}

// The statistics of the G-code shown (the "Stats" toggle of the G-code view): time, filament, cost and the
// path length of each kind of segment.
class StatsPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit StatsPanel(QWidget *parent = nullptr);
    ~StatsPanel() override;

    void setText(const QString &text);
    QString text() const;

private:
    std::unique_ptr<Ui::StatsPanel> ui;
};
