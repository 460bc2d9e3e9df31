#pragma once

#include <QGroupBox>

#include <memory>

namespace Ui
{
class SupportPanel;
}
class SceneSession;

// The side panel of the support view: automatic generation and clearing of the support bars, the
// overhang angle that generation uses and the view marks, and the size of bars placed by hand.
class SupportPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit SupportPanel(SceneSession &session, QWidget *parent = nullptr);
    ~SupportPanel() override;

    // Steps the size of hand-placed bars up (positive) or down, within its range.
    void stepBarScale(int steps);
    int barScale() const;
    // Faces that lean further than this from the vertical (degrees) are overhangs.
    int minSteepness() const { return m_minSteepness; }

signals:
    // The view marks the overhangs of the new angle.
    void minSteepnessChanged(int degrees);
    // The size of hand-placed bars changed.
    void barScaleChanged(int scale);

private slots:
    void on_bClearSupport_clicked();
    void on_bGenSupport_clicked();
    void on_seMinSteepness_valueChanged(int value);

private:
    std::unique_ptr<Ui::SupportPanel> ui;
    SceneSession &m_session;
    int m_minSteepness = 0;
};
