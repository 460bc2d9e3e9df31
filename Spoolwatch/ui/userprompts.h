#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// The questions the host window asks its user. Message boxes by default; tests answer them in code,
// since a modal box would stop a test that cannot click.
struct UserPrompts {
    // A notice with an OK button.
    std::function<void(QWidget *parent, const QString &text)> inform;
    // A notice of something that went wrong, under its own title, with an OK button.
    std::function<void(QWidget *parent, const QString &title, const QString &text)> warn;
    // A Yes/No question; true on Yes.
    std::function<bool(QWidget *parent, const QString &title, const QString &text)> ask;
    // Picks one of `choices` under `title`; -1 when the user cancels.
    std::function<int(QWidget *parent, const QString &title, const QStringList &choices)> choose;
    // The port to add as a printer by hand (FrmAddPrinter), leaving out `openPorts`; empty on Cancel.
    std::function<QString(QWidget *parent, const QStringList &openPorts)> addPrinter;
    // A G-code file to open, or empty.
    std::function<QString(QWidget *parent, const QString &folder)> openGCode;

    static UserPrompts dialogs();
};
