#include "ui/returnclicks.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QKeyEvent>

void ReturnClicks::install(QWidget *field, QAbstractButton *button)
{
    new ReturnClicks(field, button);
}

ReturnClicks::ReturnClicks(QWidget *field, QAbstractButton *button) : QObject(field), m_button(button)
{
    field->installEventFilter(this);
}

bool ReturnClicks::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    // A half-typed number counts: the field takes its text before the click reads its value.
    if (auto *spin = qobject_cast<QAbstractSpinBox *>(watched))
        spin->interpretText();
    m_button->click();
    return true;
}
