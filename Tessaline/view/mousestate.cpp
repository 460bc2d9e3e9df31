#include "view/mousestate.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

const char *mouseModeName(MouseMode mode)
{
    switch (mode) {
    case MouseMode::Select:
        return "Select";
    case MouseMode::DragSelect:
        return "DragSelect";
    case MouseMode::Move:
        return "Move";
    case MouseMode::Rotate:
        return "Rotate";
    case MouseMode::Scale:
        return "Scale";
    case MouseMode::DropPlane:
        return "DropPlane";
    }
    return "Select";
}

namespace
{

// Some platforms report a modifier key's own press without its flag and its release with it; the
// flag of the key itself is set from the event's direction.
Qt::KeyboardModifiers modifiersAfter(const QKeyEvent &key)
{
    Qt::KeyboardModifiers modifiers = key.modifiers();
    Qt::KeyboardModifier own = Qt::NoModifier;
    switch (key.key()) {
    case Qt::Key_Shift:
        own = Qt::ShiftModifier;
        break;
    case Qt::Key_Control:
        own = Qt::ControlModifier;
        break;
    case Qt::Key_Alt:
        own = Qt::AltModifier;
        break;
    case Qt::Key_Meta:
        own = Qt::MetaModifier;
        break;
    default:
        return modifiers;
    }
    modifiers.setFlag(own, key.type() == QEvent::KeyPress);
    return modifiers;
}

} // namespace

void MouseState::moveTo(const QPoint &position)
{
    lastPos = pos;
    pos = position;
}

bool MouseState::eventFilter(QObject *watched, QEvent *event)
{
    button = Qt::NoButton;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const bool press = event->type() != QEvent::MouseButtonRelease && event->type() != QEvent::MouseMove;
        change = press ? Press : event->type() == QEvent::MouseButtonRelease ? Release : Move;
        button = change == Move ? Qt::NoButton : mouse->button();
        buttons = mouse->buttons();
        modifiers = mouse->modifiers();
        moveTo(mouse->pos());
        if (press)
            pressPos = pos;
        inside = true;
        break;
    }
    case QEvent::Wheel: {
        const auto *wheel = static_cast<QWheelEvent *>(event);
        change = Wheel;
        wheelDelta = wheel->angleDelta().y();
        modifiers = wheel->modifiers();
        moveTo(wheel->position().toPoint());
        break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const Qt::KeyboardModifiers now = modifiersAfter(*static_cast<QKeyEvent *>(event));
        if (now == modifiers)
            return false;
        change = Modifiers;
        modifiers = now;
        break;
    }
    case QEvent::Enter:
    case QEvent::Leave: {
        change = event->type() == QEvent::Enter ? Enter : Leave;
        inside = change == Enter;
        if (auto *widget = qobject_cast<QWidget *>(watched))
            moveTo(widget->mapFromGlobal(QCursor::pos()));
        break;
    }
    default:
        return false;
    }
    emit mouseChanged(*this);
    return false;
}
