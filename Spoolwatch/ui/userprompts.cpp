#include "ui/userprompts.h"

#include "ui/frmaddprinter.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

UserPrompts UserPrompts::dialogs()
{
    UserPrompts prompts;
    prompts.inform = [](QWidget *parent, const QString &text) { QMessageBox::information(parent, "Spoolwatch", text); };
    prompts.warn = [](QWidget *parent, const QString &title, const QString &text) {
        QMessageBox::critical(parent, title, text);
    };
    prompts.ask = [](QWidget *parent, const QString &title, const QString &text) {
        return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    prompts.choose = [](QWidget *parent, const QString &title, const QStringList &choices) {
        bool ok = false;
        const QString picked = QInputDialog::getItem(parent, title, title, choices, 0, false, &ok);
        return ok ? choices.indexOf(picked) : -1;
    };
    prompts.addPrinter = [](QWidget *parent, const QStringList &openPorts) {
        FrmAddPrinter dialog(openPorts, parent);
        return dialog.exec() == QDialog::Accepted ? dialog.chosenPort() : QString();
    };
    prompts.openGCode = [](QWidget *parent, const QString &folder) {
        return QFileDialog::getOpenFileName(parent, "Open GCode", folder, "GCode files(*.gcode *.gco)");
    };
    return prompts;
}
