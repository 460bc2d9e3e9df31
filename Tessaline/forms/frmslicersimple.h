#pragma once

#include "common/gui/widgetvalues.h"
#include "engine/slicerparams.h"
#include "forms/frmslicer.h"

#include <QDialog>

#include <memory>

namespace Ui
{
class FrmSlicerSimple;
}
class SceneSession;

// The easy settings form: a parameter set from three choices (quality, material, support), handed to the
// expert form so both agree, then sliced.
class FrmSlicerSimple : public QDialog
{
    Q_OBJECT
public:
    FrmSlicerSimple(FrmSlicer &expert, SceneSession &session, QWidget *parent = nullptr);
    ~FrmSlicerSimple() override;

    void setSliceAction(SliceAction slice) { m_slice = std::move(slice); }

    // The defaults with the chosen layer height and the material's temperatures.
    SlicerParams chosenParams() const;
    // "PLA" or "ABS": the filament whose price the statistics use.
    QString material() const;
    bool takeSwitchRequest();

public slots:
    void on_bSwitchToExpert_clicked();
    void on_bSlice_clicked();
    void reject() override;

protected:
    void done(int result) override;

private:
    std::unique_ptr<Ui::FrmSlicerSimple> ui;
    FrmSlicer &m_expert;
    SceneSession &m_session;
    SliceAction m_slice;
    WidgetValues m_values;
    bool m_busy = false;
    bool m_switchRequested = false;
};
