#pragma once

#include <QMessageBox>
#include <QString>

// The questions the main window asks. The window uses the real message boxes; tests install scripted
// answers and read what was asked.
class UserPrompts
{
public:
    virtual ~UserPrompts() = default;
    // A question box with the given buttons; returns the button pressed.
    virtual QMessageBox::StandardButton question(QWidget *parent, const QString &text, const QString &informative,
                                                 QMessageBox::StandardButtons buttons,
                                                 QMessageBox::StandardButton defaultButton);
};
