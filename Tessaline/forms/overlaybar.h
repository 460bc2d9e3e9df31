#pragma once

#include "forms/commandtable.h"
#include "forms/overlaycommands.h"

#include <QHash>
#include <QWidget>

class QHBoxLayout;
class QToolButton;

// The overlay commands of the current view mode as a row of tool buttons above the view: the left-edge
// group, the top group in the middle, the right-edge group at the far end. Mode buttons stay pressed.
// A click runs the command of the button's name from the table, which must outlive the bar.
class OverlayBar : public QWidget
{
    Q_OBJECT
public:
    explicit OverlayBar(const CommandTable &commands, QWidget *parent = nullptr);

    void showViewMode(ViewMode mode);
    // Presses the button of that name (when the current mode has one) and releases the other modes.
    void setPressed(const QString &name);
    // Shows a toggle's state ("Auto drop", "Stats").
    void setChecked(const QString &name, bool checked);
    QStringList buttonNames() const;

private:
    void addGroup(const OverlayGroup &group);
    void applyStates();

    const CommandTable &m_commands;
    QHBoxLayout *m_layout;
    QHash<QString, QToolButton *> m_buttons;
    QString m_pressed;
    QHash<QString, bool> m_checked;
};
