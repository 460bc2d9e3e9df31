#pragma once

#include <QColor>
#include <QString>
#include <QVector>

// The command buttons drawn over the 3D view, per view mode and window edge. The view draws them and
// reports clicks by name; FrmMain acts on the name, so the keyboard and the buttons share one path.
enum class ViewMode { Objects = 0, Support = 1, GCode = 2 };
enum class OverlayEdge { Left, Top, Right };

struct OverlayButton
{
    QString name;
    QColor colour;
    int icon = -1;        // index into the icon strip "icons.png", -1 for none
    int flags = 0;
    bool groupStart = false; // a gap separates this button from the previous one
};

struct OverlayGroup
{
    ViewMode viewMode;
    OverlayEdge edge;
    QVector<OverlayButton> buttons;
};

const QVector<OverlayGroup> &overlayGroups();

// The edit modes, in the order of their indexes; also the names of their overlay buttons.
const QStringList &editModeNames();
