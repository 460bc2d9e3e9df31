#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>

class QTimer;
namespace Ui
{
class FrmAddPrinter;
}

// Picks a serial port to open as a printer by hand: the ports present now (refreshed every second,
// leaving out those already open as printers) or a port path typed in, such as a virtual printer's
// terminal. Modal; OK or a double-click accepts.
class FrmAddPrinter : public QDialog
{
    Q_OBJECT
public:
    static constexpr char bootLoaderMark[] = "(FW opdate mode)";

    explicit FrmAddPrinter(const QStringList &openPorts, QWidget *parent = nullptr);
    ~FrmAddPrinter() override;

    // The typed path when there is one, else the selected port; empty when neither.
    QString chosenPort() const;

public slots:
    void onTimer();

private slots:
    void on_tree_itemSelectionChanged();

private:
    void enableOk();

    std::unique_ptr<Ui::FrmAddPrinter> ui;
    QStringList m_openPorts;
    QTimer *m_timer;
};
