#include "forms/supportpanel.h"
#include "ui_supportpanel.h"

#include "forms/scenesession.h"

SupportPanel::SupportPanel(SceneSession &session, QWidget *parent)
    : QGroupBox(parent), ui(std::make_unique<Ui::SupportPanel>()), m_session(session)
{
    ui->setupUi(this);
    m_minSteepness = ui->seMinSteepness->value();
    connect(ui->seSupportBarScale, QOverload<int>::of(&QSpinBox::valueChanged), this, &SupportPanel::barScaleChanged);
}

SupportPanel::~SupportPanel() = default;

void SupportPanel::stepBarScale(int steps)
{
    ui->seSupportBarScale->stepBy(steps);
}

int SupportPanel::barScale() const
{
    return ui->seSupportBarScale->value();
}

void SupportPanel::on_bClearSupport_clicked()
{
    m_session.clearSupports();
}

void SupportPanel::on_bGenSupport_clicked()
{
    // Generation takes a while on a large scene: nothing may be clicked meanwhile, and the window
    // repaints as it goes so that it does not look hung.
    struct Disabled {
        QWidget *frame;
        explicit Disabled(QWidget *w) : frame(w) { frame->setEnabled(false); }
        ~Disabled() { frame->setEnabled(true); }
    } disabled(window());
    QWidget *frame = disabled.frame;
    m_session.generateSupports(float(ui->seSupportBarThickness->value()), float(m_minSteepness),
                               [frame](int) { frame->repaint(); });
}

void SupportPanel::on_seMinSteepness_valueChanged(int value)
{
    m_minSteepness = value;
    emit minSteepnessChanged(value);
}
