#pragma once

#include "ui/commandhistory.h"

#include <QDialog>

#include <memory>

class Printer;
namespace Ui
{
class FrmTerminal;
}

// Typed commands for one printer and the traffic of its main channel. Not modal: it stays open beside
// the window, and the panel feeds it the new traffic at every refresh. Return sends, Up and Down walk
// the history, Escape clears the line.
class FrmTerminal : public QDialog
{
    Q_OBJECT
public:
    // `panelTitle` may hold HTML; the window title shows its text.
    FrmTerminal(Printer &printer, const QString &panelTitle, QWidget *parent = nullptr);
    ~FrmTerminal() override;

    // "Terminal: " + the panel's title with every tag removed.
    static QString titleFor(const QString &panelTitle);
    // Appends what the main channel sent and received since the previous call.
    void showNewTraffic();
    const CommandHistory &history() const { return m_history; }

private slots:
    void on_bSend_clicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Escape clears the line instead of closing the window.
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::unique_ptr<Ui::FrmTerminal> ui;
    Printer &m_printer;
    CommandHistory m_history;
    qint64 m_logPosition = 0;
};
