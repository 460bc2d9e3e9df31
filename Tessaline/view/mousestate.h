#pragma once

#include "view/viewmodes.h"

#include <QObject>
#include <QPoint>

class QEvent;

// The mouse as the 3D view sees it: buttons, modifiers, where the buttons went down, where the
// cursor is now and was at the previous event, the last wheel turn and the current mouse mode.
// Installed as an event filter on the view, it updates itself and emits mouseChanged on every mouse
// press, release and move, wheel turn, key press and release (only the modifiers are taken, so that
// pressing SHIFT alone updates a drag) and cursor enter and leave. It never consumes an event.
//
// Positions are in the view's logical pixels, origin at the top-left corner.
class MouseState : public QObject
{
    Q_OBJECT
public:
    // What the last update was.
    enum Change { Press, Release, Move, Wheel, Modifiers, Enter, Leave };

    explicit MouseState(QObject *parent = nullptr) : QObject(parent) {}

    Change change = Move;
    // The button that went down or up with a Press or Release; Qt::NoButton otherwise.
    Qt::MouseButton button = Qt::NoButton;
    Qt::MouseButtons buttons = Qt::NoButton;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    QPoint pressPos;
    QPoint pos;
    QPoint lastPos;
    // Of the last Wheel change, in eighths of a degree (120 per notch); positive turns away from the
    // user.
    int wheelDelta = 0;
    bool inside = false;
    MouseMode mode = MouseMode::Select;

    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void mouseChanged(MouseState &ms);

private:
    void moveTo(const QPoint &position);
};
