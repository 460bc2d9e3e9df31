#include "forms/statspanel.h"
#include "ui_statspanel.h"

StatsPanel::StatsPanel(QWidget *parent) : QGroupBox(parent), ui(std::make_unique<Ui::StatsPanel>())
{
    ui->setupUi(this);
}

StatsPanel::~StatsPanel() = default;
