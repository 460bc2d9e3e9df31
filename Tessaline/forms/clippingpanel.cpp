#include "forms/clippingpanel.h"
#include "ui_clippingpanel.h"

ClippingPanel::ClippingPanel(QWidget *parent) : QGroupBox(parent), ui(std::make_unique<Ui::ClippingPanel>())
{
    ui->setupUi(this);
}

ClippingPanel::~ClippingPanel() = default;
