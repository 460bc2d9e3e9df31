#pragma once

#include <QObject>

class QAbstractButton;
class QWidget;

// Return or Enter pressed in a number field clicks the button that field belongs to (its Set button),
// instead of the dialog's default button. Owned by the field.
class ReturnClicks : public QObject
{
public:
    static void install(QWidget *field, QAbstractButton *button);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ReturnClicks(QWidget *field, QAbstractButton *button);
    QAbstractButton *m_button;
};
