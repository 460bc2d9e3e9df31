#include "userprompts.h"

#include <QApplication>

QMessageBox::StandardButton UserPrompts::question(QWidget *parent, const QString &text, const QString &informative,
                                                  QMessageBox::StandardButtons buttons,
                                                  QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), text, buttons, parent);
    box.setInformativeText(informative);
    box.setDefaultButton(defaultButton);
    return QMessageBox::StandardButton(box.exec());
}
