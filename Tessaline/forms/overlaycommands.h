#pragma once

#include "forms/modes.h"

#include <QColor>
#include <QString>
#include <QVector>

// The command buttons drawn over the 3D view, per view mode and window edge: their look only. A click
// runs the command of the button's name from the window's command table, which the keys share.
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

