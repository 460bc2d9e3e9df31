#pragma once

#include <QGroupBox>

#include <memory>

namespace Ui
{
class GCodePanel;
}

// The side panel of the G-code view: the file label, the layer and line cursors, the colouring and the G-code
// buttons. Its controls are served by the G-code preview, which arrives with slicing; until then it shows the label
// that the window title reads.
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

signals:
    // A G-code button was pressed: "Load", "Save", "Clear" or "Print".
    void commandRequested(const QString &name);

private:
    std::unique_ptr<Ui::GCodePanel> ui;
};
