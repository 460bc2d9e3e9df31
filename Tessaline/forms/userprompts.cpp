#include "forms/userprompts.h"

#include <QApplication>
#include <QFileDialog>

QMessageBox::StandardButton UserPrompts::question(QWidget *parent, const QString &text, const QString &informative,
                                                  QMessageBox::StandardButtons buttons,
                                                  QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), text, buttons, parent);
    box.setInformativeText(informative);
    box.setDefaultButton(defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

void UserPrompts::warning(QWidget *parent, const QString &text, const QString &informative)
{
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), text, QMessageBox::Ok, parent);
    box.setInformativeText(informative);
    box.exec();
}

void UserPrompts::information(QWidget *parent, const QString &text, const QString &informative)
{
    QMessageBox box(QMessageBox::Information, QApplication::applicationName(), text, QMessageBox::Ok, parent);
    box.setInformativeText(informative);
    box.exec();
}

QString UserPrompts::openFileName(QWidget *parent, const QString &title, const QString &folder,
                                  const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QStringList UserPrompts::openFileNames(QWidget *parent, const QString &title, const QString &folder,
                                       const QString &filter)
{
    return QFileDialog::getOpenFileNames(parent, title, folder, filter);
}

QString UserPrompts::saveFileName(QWidget *parent, const QString &title, const QString &proposedPath,
                                  const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, title, proposedPath, filter);
}
