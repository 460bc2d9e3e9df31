#include "forms/keyfilter.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QKeySequence>

namespace {

// Keys an editor of numbers needs, as " " + key + " " lists.
const QString spinBoxKeys = " 0 1 2 3 4 5 6 7 8 9 + - , . Space Num0 Num1 Num2 Num3 Num4 Num5 Num6 Num7 Num8 "
                            "Num9 Left Right Up Down PgUp PgDown Home End Ins Del Shift+Del Ctrl+Ins Shift+Home "
                            "Shift+End Ctrl+X Ctrl+C Ctrl+V Ctrl+A ";
// Keys a selection widget needs.
const QString selectorKeys = " Space Left Right Up Down PgUp PgDown Home End Ins Del Shift+Del Ctrl+Ins ";

bool isModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta
           || key == Qt::Key_AltGr || key == Qt::Key_unknown || key == 0;
}

} // namespace

QString keyText(const QKeyEvent *event)
{
    const int key = event->key();
    if (isModifierKey(key))
        return QString();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const Qt::KeyboardModifiers plain = modifiers & ~Qt::KeypadModifier;
    const QString text = QKeySequence(int(plain) | key).toString(QKeySequence::PortableText);
    if (!(modifiers & Qt::KeypadModifier))
        return text;
    if (key >= Qt::Key_0 && key <= Qt::Key_9 && plain == Qt::NoModifier)
        return "Num" + text;
    return "Num+" + text;
}

bool keyPassesThrough(const QWidget *focused, const QString &key)
{
    if (!focused || key.isEmpty())
        return false;
    // Spin boxes and editable combo boxes give the focus to their inner line edit.
    const QWidget *parent = focused->parentWidget();
    if (qobject_cast<const QAbstractSpinBox *>(parent) || qobject_cast<const QComboBox *>(parent))
        focused = parent;
    const QString padded = " " + key + " ";
    if (qobject_cast<const QAbstractSpinBox *>(focused))
        return spinBoxKeys.contains(padded);
    const bool selector = qobject_cast<const QComboBox *>(focused) || qobject_cast<const QAbstractSlider *>(focused)
                          || qobject_cast<const QAbstractButton *>(focused)
                          || qobject_cast<const QAbstractItemView *>(focused);
    return selector && selectorKeys.contains(padded);
}

KeyFilter::KeyFilter(QWidget *window, Handler handler) : QObject(window), m_window(window), m_handler(std::move(handler))
{
}

bool KeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    QWidget *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != m_window || QApplication::activeModalWidget())
        return false;
    // A key ignored by its widget travels up to the parents; judge it once, at the widget that has it.
    QWidget *focused = QApplication::focusWidget();
    if (widget != (focused ? focused : m_window))
        return false;
    const QString key = keyText(static_cast<QKeyEvent *>(event));
    if (key.isEmpty() || keyPassesThrough(focused, key))
        return false;
    return m_handler(key);
}
