#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QKeyEvent;
class QWidget;

// Portable text of a key press: modifiers and key as in "Ctrl+Shift+L"; keypad keys read "Num++",
// "Num+-" for plus and minus and "Num0".."Num9" for digits.
QString keyText(const QKeyEvent *event);

// True when a widget of this kind needs the key itself (typing into a spin box, moving a slider).
bool keyPassesThrough(const QWidget *focused, const QString &key);

// Application event filter: turns every key press in one window into key text and hands it to a
// handler, unless the focused widget needs that key. The event is consumed when the handler returns
// true.
class KeyFilter : public QObject
{
public:
    using Handler = std::function<bool(const QString &key)>;
    KeyFilter(QWidget *window, Handler handler);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    Handler m_handler;
};
