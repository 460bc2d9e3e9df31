#include "forms/keyframespanel.h"
#include "ui_keyframespanel.h"

KeyFramesPanel::KeyFramesPanel(QWidget *parent) : QGroupBox(parent), ui(std::make_unique<Ui::KeyFramesPanel>())
{
    ui->setupUi(this);
}

KeyFramesPanel::~KeyFramesPanel() = default;
