#pragma once

#include <QGroupBox>

#include <memory>

namespace Ui
{
class GCodePanel;
}

// What the G-code view draws, as the panel's controls choose it.
struct GCodeViewChoice {
    int topLayer = 0;
    int additionalLayers = 0;
    int coloring = 1; // 1 "Type" ... 5 "Direction"
    bool showTravel = false;
    bool showLegend = false;
};

// The side panel of the G-code view: the file label, the layer and line cursors, the colouring and the G-code
// buttons. The window gives it the preview's layer and line counts; every change of what is drawn is announced
// by viewChoiceChanged.
class GCodePanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit GCodePanel(QWidget *parent = nullptr);
    ~GCodePanel() override;

    // The label "Empty GCode", a file path or "Unsaved GCode: " + the project's path.
    QString fileLabel() const;
    void setFileLabel(const QString &label);
    // The short statistics under the buttons.
    void setStats(const QString &text);
    // Moves the line cursor to a line of the G-code, within the lines the G-code has.
    void setLine(int line);
    int line() const;
    // The range of the line cursor: the lines of the G-code shown (none: only line 0).
    void setLineCount(int lines);
    // The range of the layer controls. A top layer at the last layer follows the count as it grows (a
    // background slice), so the newest layer stays in view.
    void setLayerCount(int layers);
    int layerCount() const { return m_layerCount; }
    void setTopLayer(int layer);
    // Every layer below the top one drawn too.
    void showAllLayersBelow();
    GCodeViewChoice viewChoice() const;

signals:
    // A G-code button was pressed: "Load", "Save", "Clear" or "Print".
    void commandRequested(const QString &name);
    // The layers, the colouring, travels or the legend changed.
    void viewChoiceChanged();
    void lineChanged(int line);

private:
    std::unique_ptr<Ui::GCodePanel> ui;
    int m_layerCount = 0;
};
