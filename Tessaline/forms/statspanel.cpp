#include "forms/statspanel.h"
#include "ui_statspanel.h"

StatsPanel::StatsPanel(QWidget *parent) : QGroupBox(parent), ui(std::make_unique<Ui::StatsPanel>())
{
    ui->setupUi(this);
}

StatsPanel::~StatsPanel() = default;

void StatsPanel::setText(const QString &text)
{
    ui->mStats->setPlainText(text);
}

QString StatsPanel::text() const
{
    return ui->mStats->toPlainText();
}
