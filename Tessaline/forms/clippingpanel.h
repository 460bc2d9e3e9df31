#pragma once

#include <QGroupBox>

#include <memory>

namespace Ui
{
class ClippingPanel;
}

// The planes that cut the 3D view open. Served by the view, which arrives with rendering; laid out here so that the
// dock keeps its place.
class ClippingPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit ClippingPanel(QWidget *parent = nullptr);
    ~ClippingPanel() override;

private:
    std::unique_ptr<Ui::ClippingPanel> ui;
};
