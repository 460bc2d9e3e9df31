#pragma once

#include <QGroupBox>

#include <memory>

namespace Ui
{
class KeyFramesPanel;
}

// The camera key frames of the preview animation (play, render, edit the list). Served by the preview, which
// arrives with slicing; laid out here so that the dock keeps its place.
class KeyFramesPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit KeyFramesPanel(QWidget *parent = nullptr);
    ~KeyFramesPanel() override;

private:
    std::unique_ptr<Ui::KeyFramesPanel> ui;
};
